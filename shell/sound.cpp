#include "shell/sound.h"

QString soundPath;
qint32 soundResult = 0;

#ifdef Q_OS_WIN

#include "quiz/codepage.h"
#include <windows.h>
#include <mmsystem.h>

void playCue(const QString &path)
{
    soundPath = path;
    const QByteArray bytes = encode1251(soundPath).value_or(QByteArray());
    soundResult = sndPlaySoundA(bytes.constData(), SND_ASYNC);
}

#else

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

namespace {

using PlayWave = int (*)(const char *path);

QString fromProgram(const char *relative)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' + QString::fromUtf8(relative));
}

// The cue's file name in the program's sounds folder: the build tree's or the installed one.
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

} // namespace

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
