#pragma once
// The grades of each topic as a bar chart, drawn by Qt Charts. A build whose Qt lacks
// the module (the Windows Qt, until its Qt Charts is built) shows a note in its place;
// the summary table beside it holds the same numbers either way.

#include <QWidget>

struct ClassResults;

QWidget *makeGradeChart();
void showGrades(QWidget &chart, const ClassResults &results);
