#pragma once
// A question bank as the workbench edits it, and its question file: written the way
// the shipped banks are (Windows-1251, CR LF, every text in double quotes), the fields
// the quiz reads past as they were read, so that a bank opened and saved unchanged
// keeps every value and a shipped bank its bytes.

#include "quiz/questioncheck.h"
#include "quiz/questionfile.h"
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

struct EditedBank {
    qint16 threshold5 = 0, threshold4 = 0, threshold3 = 0;
    IgnoredField headerFourth;
    std::vector<QuestionRecord> records;
};

// The texts of a record by field: 0 the question, 1 to 4 the answers.
inline constexpr int TextFieldsPerQuestion = 5;
const QString &fieldText(const QuestionRecord &record, int field);
QString &fieldText(QuestionRecord &record, int field);

// A character that the file cannot hold: one Windows-1251 lacks, a double quote
// (it would end the quoted text) or a line break.
struct UnwritableCharacter {
    int question = 0;   // 1-based
    int field = 0;
    QChar character;
};

struct WrittenBank {
    QByteArray bytes;   // each unwritable character written as "?", for checking only
    std::vector<UnwritableCharacter> unwritable;
};
WrittenBank writeQuestionFile(const EditedBank &bank);

// What was opened: the bank as far as it could be read, what the reader said of the
// file, and the encoding it was in when that was not Windows-1251.
struct OpenedBank {
    EditedBank bank;
    std::vector<FileProblem> problems;   // the reader's warnings, then its fault
    bool refused = false;                // the reader refused the file: it is only partly shown
    QString convertedFrom;               // "UTF-8", ...; empty for Windows-1251
};
OpenedBank readBank(QByteArrayView bytes, const QString &file);
// Opens a regular file only (never a pipe or a device), at most the size the reader
// takes; a file it cannot open is a refused bank with the reason.
OpenedBank openBankFile(const QString &path);
