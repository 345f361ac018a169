#pragma once
// Sound cues: started by path, never waited for, never an error.

#include <QString>

extern QString soundPath;     // path of the last cue played
extern qint32 soundResult;    // 1 when the last cue was started, 0 otherwise

// Starts the WAV cue at path (a fixed Windows path such as "c:\QZV\winner.wav") and
// returns at once. The cue's file name is looked up in the program's sounds folder;
// Windows plays it through winmm, elsewhere the sound module plays it, loaded on first use.
void playCue(const QString &path);
