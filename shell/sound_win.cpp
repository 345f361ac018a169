#include "shell/soundbackend.h"
#include "quiz/win32api.h"

#include <QDir>
#include <mmsystem.h>

// The cue shipped beside the program when there is one, else the fixed path itself, for
// which Windows plays its default sound when the file is missing. The path goes as wide
// characters: a folder named in Cyrillic then plays whatever the system's code page.
qint32 startCue(const QString &shipped, const QString &requested)
{
    const std::wstring file = (shipped.isEmpty() ? requested : QDir::toNativeSeparators(shipped)).toStdWString();
    return sndPlaySoundW(file.c_str(), SND_ASYNC) ? 1 : 0;
}
