#include "shell/sound.h"
#include "shell/soundbackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString soundPath;
qint32 soundResult = 0;

QString fromProgram(const char *relative)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' + QString::fromUtf8(relative));
}

namespace {

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

} // namespace

void playCue(const QString &path)
{
    soundPath = path;
    soundResult = startCue(findCueFile(soundPath), soundPath);
}
