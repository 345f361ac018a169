#pragma once
// The three limits of a bank: what the help's grading criteria propose for it, the
// grade each score gets under them, and whether they can work at all.

#include "teacher/bank.h"
#include "quiz/questionfile.h"
#include <vector>

// Right answers among the first ten questions: the most points a pupil can score.
int maxScore(const EditedBank &bank);

// The limits the criteria give for the bank (see criteriaThresholds).
CriteriaThresholds proposeLimits(const EditedBank &bank);

// The grade of every score from 0 to maxScore, as the result window would give it.
std::vector<int> gradeScale(const EditedBank &bank);

// The limits are a problem when a higher grade asks for fewer points than a lower one,
// or when grade 5 asks for more points than the test holds.
bool limitsOutOfOrder(const EditedBank &bank);
bool limitsUnreachable(const EditedBank &bank);
