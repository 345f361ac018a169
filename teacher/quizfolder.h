#pragma once
// Where the pupil's program keeps its question files: the folder the workbench opens
// when it is given none. One half per platform.

#include <QString>

QString pupilFolder();
// The pupil's program as installed beside the workbench.
QString pupilProgram();
