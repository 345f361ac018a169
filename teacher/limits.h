#pragma once
// The three limits of a bank: what the help's grading criteria propose for it and the
// grade each score gets under them (the checker says when they cannot work).

#include "teacher/bank.h"
#include "quiz/questionfile.h"
#include <vector>

// Right answers among the first ten questions: the most points a pupil can score.
int maxScore(const EditedBank &bank);

// The limits the criteria give for the bank (see criteriaThresholds).
CriteriaThresholds proposeLimits(const EditedBank &bank);

// The grade of every score from 0 to maxScore, as the result window would give it.
std::vector<int> gradeScale(const EditedBank &bank);
