#pragma once
#include <QtGlobal>
#include <array>

// Grade 2..5 of a score under the three thresholds of the loaded topic.
qint16 computeGrade(qint16 score, qint16 threshold5, qint16 threshold4, qint16 threshold3);

// Points of one answer to entry q of QuestionBank: +1 per ticked right answer,
// -1 per ticked wrong one. ticked[k] is box k+1.
int answerPoints(int q, const std::array<bool, 4> &ticked);
