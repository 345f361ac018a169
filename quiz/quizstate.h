#pragma once
// The two process-wide records of quiz data: every handler works on these.

#include "quiz/quizerror.h"
#include <QString>
#include <array>

inline constexpr int BankSize = 91;          // indices 0..90; record n lives at index n
inline constexpr int QuestionsPerTest = 10;

struct QuizStateRecord {
    QString questionFile;
    QString topicName;
    qint16 questionNumber = 0;   // 1..10 while a test runs, 0 otherwise
    qint16 score = 0;
    qint16 grade = 0;
    QString userName;
    qint16 threshold5 = 0;
    qint16 threshold4 = 0;
    qint16 threshold3 = 0;
    qint16 welcomeDone = 0;
};

struct QuestionBankRecord {
    std::array<QString, BankSize> question;
    std::array<QString, BankSize> answer1, answer2, answer3, answer4;
    std::array<qint16, BankSize> correct1{}, correct2{}, correct3{}, correct4{};

    // Answer k (1..4) of entry n; both checked, a bad index throws QuizError.
    const QString &answer(int n, int k) const;
    qint16 correct(int n, int k) const;
    const QString &questionAt(int n) const;
};

extern QuizStateRecord QuizState;
extern QuestionBankRecord QuestionBank;

// " 7" for zero and positive values, "-3" for negative ones.
QString numberText(qint16 value);

// value as a 16-bit signed integer; throws QuizError when it does not fit.
qint16 checkedInt16(int value);

// Entry index n checked against 0..90; throws QuizError otherwise.
int checkedIndex(int n);
