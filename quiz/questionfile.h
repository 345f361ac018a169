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

struct QuestionRecord {
    QString question;
    std::array<QString, 4> answers;
    std::array<qint16, 4> correct{};     // as read: 1 is right, anything else wrong
};

struct QuestionFileContents {
    qint16 threshold5 = 0, threshold4 = 0, threshold3 = 0;
    std::vector<QuestionRecord> records;  // a refused file: those read before the fault
    std::vector<FileProblem> warnings;
    std::optional<FileProblem> fault;     // set when the program must refuse the file
};

// Reads the bytes of a question file by the program's rules; never throws.
QuestionFileContents readQuestionFile(QByteArrayView bytes);

// Reads the file named by QuizState.questionFile (in the working directory) into
// QuestionBank and the thresholds of QuizState. On any fault throws QuizError
// and leaves both records exactly as they were.
void loadQuestionFile();
