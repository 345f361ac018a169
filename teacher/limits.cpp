#include "teacher/limits.h"
#include "quiz/grading.h"

int maxScore(const EditedBank &bank)
{
    return shownRightAnswers(bank.records);
}

CriteriaThresholds proposeLimits(const EditedBank &bank)
{
    return criteriaThresholds(maxScore(bank));
}

std::vector<int> gradeScale(const EditedBank &bank)
{
    std::vector<int> grades;
    const int top = maxScore(bank);
    for (int score = 0; score <= top; ++score)
        grades.push_back(computeGrade(qint16(score), bank.threshold5, bank.threshold4, bank.threshold3));
    return grades;
}
