#include "shell/sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
#else
#include <QLibrary>
#endif

QString soundPath;
qint32 soundResult = 0;

namespace {

QString fromProgram(const char *relative)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' + QString::fromUtf8(relative));
}

// The cue's file name in the program's sounds folder: the build tree's or the installed
// one, which on Windows lies in the folder the program was unpacked into.
QString findCueFile(const QString &path)
{
    const QString name = path.mid(std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1);
    if (name.isEmpty())
        return {};
    for (const char *folder : {ZUF_SOUNDS_DIR, "../sounds"}) {
        const QString file = fromProgram(folder) + u'/' + name;
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

#ifndef Q_OS_WIN

using PlayWave = int (*)(const char *path);

// The playback module links Qt Multimedia; it is loaded with the first cue only, so
// that a run without sound never carries that library.
PlayWave soundModule()
{
    static const PlayWave play = []() -> PlayWave {
        for (const char *folder : {ZUF_MODULE_DIR, "../lib/zuf-quiz"}) {
            QLibrary module(fromProgram(folder) + QStringLiteral("/zuf-sound"));
            if (module.load())
                return reinterpret_cast<PlayWave>(module.resolve("zufPlayWave"));
        }
        return nullptr;
    }();
    return play;
}

#endif

} // namespace

#ifdef Q_OS_WIN

// The cue shipped beside the program when there is one, else the fixed path itself,
// for which Windows plays its default sound when the file is missing. The path goes
// in the system's code page, as sndPlaySoundA wants it.
void playCue(const QString &path)
{
    soundPath = path;
    const QString shipped = findCueFile(soundPath);
    const QString file = shipped.isEmpty() ? soundPath : QDir::toNativeSeparators(shipped);
    soundResult = sndPlaySoundA(file.toLocal8Bit().constData(), SND_ASYNC);
}

#else

void playCue(const QString &path)
{
    soundPath = path;
    soundResult = 0;
    const QString file = findCueFile(soundPath);
    if (file.isEmpty())
        return;
    if (PlayWave play = soundModule())
        soundResult = play(QFile::encodeName(file).constData());
}

#endif
