// The sound module: plays a WAV file by path and returns at once. Loaded by the
// program on its first cue, so Qt Multimedia stays out of a run without sound.

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Qt Multimedia decodes a cue on a loading thread of its process-wide sample cache. The
// cache's exit handler takes the cache's lock and then waits for that thread, while a
// thread still decoding a cue (the exit cue is started just before the program quits)
// waits for the same lock: the process would never end. Registered after the cache
// exists, this handler runs before the cache's own and ends the process with the status
// it was given; everything of the program's is closed by then, and only the libraries'
// exit handlers are left out.
void endWithoutWaitingForCues(int status, void *)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();   // the check the sanitizer would have made at exit
#endif
    std::fflush(nullptr);
    _exit(status);
}

} // namespace

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
    static const bool exitGuarded = on_exit(endWithoutWaitingForCues, nullptr) == 0;
    Q_UNUSED(exitGuarded);
    effect->play();
    return 1;
}
