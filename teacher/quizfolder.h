#pragma once
// Where the pupil's program keeps its question files: the folder the workbench opens
// when it is given none; the program itself. One half per platform.

#include <QString>

QString pupilFolder();
// The pupil's program as installed beside the workbench.
QString pupilProgram();
// Whether the process of this id still runs: a trial folder is never removed under it.
bool processRunning(qint64 pid);
