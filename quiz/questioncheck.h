#pragma once
// The checker of question files, without widgets: every mistake a teacher can make in
// a question file, each at its line and column and, where it concerns one question, with
// that question and field, so that an editor can put the cursor on it. The quiz's own
// reading (readQuestionFile) is run as it is; this adds what a teacher should be told
// and leaves out what only follows from a mistake already named.

#include "quiz/problemtexts.h"
#include "quiz/questionfile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// The fields of a question in the order of the file; Header is the first line.
enum class QuestionField { None, Header, Question, Answer1, Answer2, Answer3, Answer4, Ignored, Flag1, Flag2, Flag3, Flag4 };

// The field of a question at 0-based position index of its line (0 the question text).
QuestionField questionFieldAt(int index);

// True when text fits, as the pupil's window shows it, in the frame of field
// (Question or Answer1..Answer4). Filled by the windows' side with their own measuring.
using TextFitTest = std::function<bool(QuestionField field, const QString &text)>;

// "Текст вопроса 3", "Ответ 2 вопроса 3": a text of a question (field 0 the question, 1 to
// 4 the answers) as the checker and the workbench name it.
QString fieldName(int question, int field);

struct QuestionProblem {
    int line = 0;            // 1-based; 0 when the problem concerns the whole file
    int column = 0;          // 1-based, in characters of the line
    Severity severity = Severity::Error;
    ProblemId id = ProblemId::None;
    QString message;         // from the message table
    int question = 0;        // 1-based number of the question concerned; 0 for none
    QuestionField field = QuestionField::None;
};

struct QuestionFileCheck {
    QuestionFileContents contents;           // what the quiz reads of the file
    std::vector<QuestionProblem> problems;   // ordered by place; an Error means the file is wrong
};

// Checks the bytes of the question file named `file` (used in the messages' commands).
// With fits, every shown text is measured against its frame. Never throws.
QuestionFileCheck checkQuestionBytes(QByteArrayView bytes, const QString &file, const TextFitTest &fits = {});

// The same for a file on disk: a missing or unreadable file is one problem at line 0.
QuestionFileCheck checkQuestionFileAt(const QString &path, const TextFitTest &fits = {});
