#pragma once
// Each system's way of starting a cue behind playCue: winmm on Windows (sound_win.cpp),
// elsewhere the sound module (sound_unix.cpp loads soundplayer.cpp's module).

#include <QString>

// Starts the cue asked for as `requested` (a fixed Windows path such as "c:\QZV\winner.wav"),
// whose file in the program's sounds folder is `shipped` (empty when there is none), and
// returns at once: 1 when it was started, 0 otherwise.
qint32 startCue(const QString &shipped, const QString &requested);

// A path relative to the program's own folder.
QString fromProgram(const char *relative);
