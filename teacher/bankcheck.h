#pragma once
// What the workbench lists under "Замечания" for a bank being edited: what the
// checker of question files says of the file the bank would be written as (the
// sentences of zuf-check), and what only an editor can point at: a character the
// file cannot hold, a question repeated in the file or among the first ten of
// another topic of the folder.

#include "teacher/bank.h"
#include "quiz/questioncheck.h"
#include <QStringList>
#include <vector>

struct BankProblem {
    int question = 0;     // 1-based; 0 for the file as a whole and its limits
    int field = -1;       // 0 the question, 1 to 4 the answers; -1 none
    Severity severity = Severity::Warning;
    QString text;
};

// The first ten questions of another topic of the folder, by its file name.
struct OtherTopic {
    QString file;
    QStringList firstTen;
};

// Without fits no text is measured (the measure belongs to the windows).
std::vector<BankProblem> checkBank(const EditedBank &bank, const std::vector<OtherTopic> &others = {},
                                   const TextFitTest &fits = {});

// The field of the bank (0 the question, 1 to 4 the answers, -1 none) of a checker's field.
int bankField(QuestionField field);
