// The sound module: plays a WAV file by path and returns at once. Loaded by the
// program on its first cue, so Qt Multimedia stays out of a run without sound.

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

extern "C" Q_DECL_EXPORT int zufPlayWave(const char *path)
{
    // One effect, kept alive so the sound plays on after the call; owned by the
    // application object so it goes before the module does.
    static QPointer<QSoundEffect> effect;
    if (!effect) {
        if (!QCoreApplication::instance())
            return 0;
        effect = new QSoundEffect(QCoreApplication::instance());
    }
    effect->stop();
    effect->setSource(QUrl::fromLocalFile(QFile::decodeName(path)));
    effect->play();
    return 1;
}
