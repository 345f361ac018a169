#include "shell/paintprobe.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Sees every event the application delivers. A window is painted while its expose
// (or update request) is handled: handle that here, then report if any widget
// painted during it.
class FirstPaintExit : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted_ = true;
            return false;
        }
        const bool flush = event->type() == QEvent::Expose || event->type() == QEvent::UpdateRequest;
        if (!flush || inside_ || !qobject_cast<QWindow *>(watched))
            return false;
        inside_ = true;
        watched->event(event);
        inside_ = false;
        if (painted_)
            report();
        return true;
    }

private:
    [[noreturn]] static void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("painted %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        std::_Exit(0);
    }

    bool painted_ = false;
    bool inside_ = false;
};

} // namespace

void armFirstPaintExit(QApplication &app)
{
    if (qEnvironmentVariable("ZUF_BENCH_EXIT_ON_PAINT") == u"1")
        app.installEventFilter(new FirstPaintExit(&app));
}
