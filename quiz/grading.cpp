#include "quiz/grading.h"
#include "quiz/quizstate.h"

qint16 computeGrade(qint16 score, qint16 threshold5, qint16 threshold4, qint16 threshold3)
{
    // Three comparisons in this order, each assignment replacing the one before,
    // so that thresholds in any order give the same grades as the original program.
    qint16 grade = 0;
    if (score >= threshold5)
        grade = 5;
    if (score >= threshold4 && score < threshold5)
        grade = 4;
    if (score < threshold3)
        grade = 2;
    else if (score < threshold4)
        grade = 3;
    return grade;
}

int answerPoints(int q, const std::array<bool, 4> &ticked)
{
    int points = 0;
    for (int k = 1; k <= 4; ++k) {
        if (ticked[k - 1])
            points += QuestionBank.correct(q, k) == 1 ? 1 : -1;
    }
    return points;
}
