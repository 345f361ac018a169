#pragma once
// What the workbench lists under "Замечания" for a bank being edited: what the
// program's reader says of the file the bank would be written as (the sentences of
// zuf-check), and what only an editor can point at: answers all right or empty, a
// question repeated here or among the first ten of another topic, a character the
// file cannot hold, limits out of order or out of reach.

#include "teacher/bank.h"
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

std::vector<BankProblem> checkBank(const EditedBank &bank, const std::vector<OtherTopic> &others = {});
