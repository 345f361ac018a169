#include "shell/soundbackend.h"

#include <QFile>
#include <QLibrary>

namespace {

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

} // namespace

// Only the shipped cues play: there is no system sound to stand in for a missing one.
qint32 startCue(const QString &shipped, const QString &)
{
    if (shipped.isEmpty())
        return 0;
    const PlayWave play = soundModule();
    return play ? play(QFile::encodeName(shipped).constData()) : 0;
}
