// The records window: time from "&Рекорды" to the list painted, the memory the
// listing adds, and the time to paint a page at the end of the list, for records
// files of 10,000, 100,000 and 1,000,000 lines made here.
//
//   bench_records
//
// Each file is listed by a fresh child process (this program with --list), so that
// no listing inherits the memory of the one before. The floor is reading the same
// file's bytes with no parsing, timed in the same child.

#include "bench/report.h"
#include "quiz/codepage.h"
#include "records/form5.h"
#include "records/recordsfile.h"
#include "shell/appearance.h"
#include "shell/form1.h"
#include "shell/form6.h"
#include "shell/windows.h"
#include "topics/catalogue.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <optional>

namespace {

// ------------------------------------------------------------------ child: one listing

// Peak resident memory starts again from the current value (Linux 4.0 and later).
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Runs events until the list's viewport has been painted.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget *widget) { widget->installEventFilter(this); }
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void processUntilPainted(PaintWatch &watch)
{
    QElapsedTimer limit;
    limit.start();
    while (!watch.painted && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double medianPaintMs(QListView &list, bool atEnd)
{
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (atEnd)
            list.scrollToBottom();
        else
            list.scrollToTop();
        list.viewport()->repaint();
        times.push_back(clock.nsecsElapsed() / 1e6);
        // Move away, so that the next round scrolls and paints afresh.
        if (atEnd)
            list.scrollToTop();
        else
            list.scrollToBottom();
        list.viewport()->repaint();
    }
    return report::median(times);
}

int listOnce(int argc, char **argv)
{
    QApplication app(argc, argv);
    prepareApplication(app);

    // The floor: the same bytes read with no parsing.
    QElapsedTimer clock;
    clock.start();
    QFile file(RecordsFileName);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QByteArray bytes = file.readAll();
    const double floorMs = clock.nsecsElapsed() / 1e6;
    const double fileMb = bytes.size() / (1024.0 * 1024.0);
    bytes = {};
    file.close();

    // The main window as after start-up, the records window already made once (its
    // controls are not the listing's cost), both settled.
    form1();
    form6().hide();
    showWindow(form1());
    QCoreApplication::processEvents();
    Form5 &window = form5();
    QCoreApplication::processEvents();

    resetPeak();
    const double before = report::statusMegabytes("VmRSS:");
    PaintWatch watch(window.List1->viewport());
    clock.restart();
    form1().Rec->trigger();
    processUntilPainted(watch);
    const double listMs = clock.nsecsElapsed() / 1e6;
    const double held = report::statusMegabytes("VmRSS:") - before;
    const double peak = report::statusMegabytes("VmHWM:") - before;

    const double topMs = medianPaintMs(*window.List1, false);
    const double endMs = medianPaintMs(*window.List1, true);
    std::printf("rows %d file %.3f floor %.3f list %.3f held %.3f peak %.3f top %.4f end %.4f\n",
                window.List1->model()->rowCount(), fileMb, floorMs, listMs, held, peak, topMs, endMs);
    std::fflush(stdout);
    std::_Exit(0);
}

// ------------------------------------------------------------------ parent

// A records file of `lines` lines as pupils would write it: names of 1 to 15
// letters, the nine topics, grades 2 to 5.
QByteArray recordsFile(int lines)
{
    const QString letters = QStringLiteral("абвгдежзиклмнопрстуфхцчшщэюяАБВГДЕКЛМНОПРСТ");
    QRandomGenerator random(lines);
    std::vector<QByteArray> topics;
    for (const Topic &topic : topicCatalogue())
        topics.push_back(encode1251(topic.name).value());
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 64);
    for (int i = 0; i < lines; ++i) {
        QString name;
        const int length = 1 + int(random.bounded(15));
        for (int k = 0; k < length; ++k)
            name += letters[int(random.bounded(int(letters.size())))];
        bytes += encode1251(name).value();
        bytes += ',';
        bytes += topics[random.bounded(int(topics.size()))];
        bytes += ", ";
        bytes += char('2' + random.bounded(4));
        bytes += "\r\n";
    }
    return bytes;
}

struct Listing {
    int rows;
    double fileMb, floorMs, listMs, heldMb, peakMb, topMs, endMs;
};

std::optional<Listing> listInChild(const QString &workdir)
{
    QProcess child;
    child.setWorkingDirectory(workdir);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--list")});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return std::nullopt;
    Listing l{};
    const QByteArray out = child.readAllStandardOutput();
    if (std::sscanf(out.constData(), "rows %d file %lf floor %lf list %lf held %lf peak %lf top %lf end %lf",
                    &l.rows, &l.fileMb, &l.floorMs, &l.listMs, &l.heldMb, &l.peakMb, &l.topMs, &l.endMs)
        != 8)
        return std::nullopt;
    return l;
}

int measure()
{
    constexpr int Runs = 3;
    for (int lines : {10'000, 100'000, 1'000'000}) {
        QTemporaryDir work;
        QFile out(work.filePath(RecordsFileName));
        if (!out.open(QIODevice::WriteOnly) || out.write(recordsFile(lines)) < 0)
            return 1;
        out.close();

        std::vector<Listing> runs;
        for (int i = 0; i < Runs; ++i) {
            const std::optional<Listing> l = listInChild(work.path());
            if (!l || l->rows != lines) {
                std::fprintf(stderr, "listing %d lines failed\n", lines);
                return 1;
            }
            runs.push_back(*l);
        }
        auto median = [&runs](double Listing::*field) {
            std::vector<double> values;
            for (const Listing &l : runs)
                values.push_back(l.*field);
            return report::median(values);
        };
        const double fileMb = runs.front().fileMb;
        const double listMs = median(&Listing::listMs), floorMs = median(&Listing::floorMs);
        const double held = median(&Listing::heldMb), peak = median(&Listing::peakMb);
        const double top = median(&Listing::topMs), end = median(&Listing::endMs);

        report::heading("records window, " + QLocale(QLocale::English).toString(lines).toStdString()
                        + " lines (" + report::number(fileMb, 1) + " MB; median of " + std::to_string(Runs)
                        + " fresh processes)");
        report::figure("read the file's bytes (floor)", floorMs, "ms");
        report::figure("\"&Рекорды\" to the list painted", listMs, "ms");
        report::ratio("listing / floor", listMs / floorMs);
        if (lines == 1'000'000)
            report::limit("listing, seconds", listMs / 1000, 1.0, "s");
        report::figure("memory held by the listing", held, "MB");
        report::figure("peak memory added while listing", peak, "MB");
        // The goal is set for the largest file: in a small one the window's fixed costs
        // (its paint buffer, the fixed-pitch font) outweigh the file.
        const double goal = lines == 1'000'000 ? 2.0 : 0;
        report::ratio("held / file size", held / fileMb, goal);
        report::ratio("peak added / file size", peak / fileMb, goal);
        report::figure("paint a page at the top", top, "ms");
        report::figure("scroll to the end and paint that page", end, "ms");
        report::ratio("end page / top page", end / top);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--list") == 0)
        return listOnce(argc, argv);
    QCoreApplication app(argc, argv);
    return measure();
}
