#pragma once
// Question files: a header of four integers (thresholds for 5, 4, 3, one ignored),
// then up to 90 records of ten fields.

#include "quiz/quizerror.h"
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

inline constexpr int MaxQuestionRecords = 90;
// A larger file is refused: ninety questions fit in a small fraction of it.
inline constexpr qsizetype MaxQuestionFileBytes = 4 * 1024 * 1024;

// A field the quiz reads past, kept as it was written so that an editor can write
// it back: its text (a number as its digits, an empty field empty) and its quotes.
struct IgnoredField {
    QString text = QStringLiteral("0");   // what the shipped banks hold
    bool quoted = false;
};

struct QuestionRecord {
    QString question;
    std::array<QString, 4> answers;
    std::array<qint16, 4> correct{};     // as read: 1 is right, anything else wrong
    IgnoredField sixth;                  // between the answers and the flags
    int line = 0;                        // where the record starts in the file
};

struct QuestionFileContents {
    qint16 threshold5 = 0, threshold4 = 0, threshold3 = 0;
    IgnoredField headerFourth;            // a number, as written
    std::vector<QuestionRecord> records;  // a refused file: those read before the fault
    std::vector<FileProblem> warnings;
    std::optional<FileProblem> fault;     // set when the program must refuse the file
};

// Reads the bytes of a question file by the program's rules; never throws.
// Besides the faults it notes what a teacher should look at: a question of the
// first ten without a right answer, thresholds that disagree with the grading
// criteria of the help text, a text that looks split by an unquoted comma.
// A file saved as UTF-8 or UTF-16 is refused on line 1 with the commands that
// convert it; `file` is the name those commands use.
QuestionFileContents readQuestionFile(QByteArrayView bytes, const QString &file = QStringLiteral("файл.ssu"));

// Opens the file at path and reads it as above; a missing, unreadable or
// oversized file is a fault at line 0. With `bytes`, the bytes read are kept there.
// Never throws.
QuestionFileContents readQuestionFileAt(const QString &path, QByteArray *bytes = nullptr);

// The thresholds for grades 5, 4 and 3 that the help text's criteria give when
// the first ten questions hold maxScore right answers; the second value for
// grade 3 is the other reading of the criteria (65 % instead of 66 %).
struct CriteriaThresholds {
    int threshold5, threshold4, threshold3, threshold3Alt;
};
CriteriaThresholds criteriaThresholds(int maxScore);

// The highest score of a test: the right answers among the first ten questions, those a
// test shows (of fewer, when the file holds fewer).
int shownRightAnswers(const std::vector<QuestionRecord> &records);

// Reads the file named by QuizState.questionFile (in the working directory) into
// QuestionBank and the thresholds of QuizState. On any fault throws QuizError
// and leaves both records exactly as they were.
void loadQuestionFile();
