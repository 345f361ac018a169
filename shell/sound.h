#pragma once
// Sound cues: started by path, never waited for, never an error.

#include <QString>

extern QString soundPath;     // path of the last cue played
extern qint32 soundResult;    // 1 when the last cue was started, 0 otherwise

// Starts the WAV cue at path (a fixed Windows path such as "c:\QZV\winner.wav") and
// returns at once. The cue's file name is looked up in the program's sounds folder;
// Windows plays it through winmm, elsewhere the sound module plays it, loaded on first use.
void playCue(const QString &path);

// The fixed paths of the cues: a good grade, a failed test, the exit.
inline const QString WinnerCue = QStringLiteral("c:\\QZV\\winner.wav");
inline const QString FailedCue = QStringLiteral("c:\\QZV\\pr2.wav");
inline const QString ExitCue = QStringLiteral("c:\\QZV\\pr1.wav");
