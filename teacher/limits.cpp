#include "teacher/limits.h"
#include "quiz/grading.h"
#include "quiz/quizstate.h"

#include <algorithm>

int maxScore(const EditedBank &bank)
{
    const size_t shown = std::min(bank.records.size(), size_t(QuestionsPerTest));
    int score = 0;
    for (size_t i = 0; i < shown; ++i)
        score += int(std::count(bank.records[i].correct.begin(), bank.records[i].correct.end(), 1));
    return score;
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
