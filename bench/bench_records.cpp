// The records window: time from "&Рекорды" to the list painted, the memory the
// listing adds, and the time to paint a page at the end of the list, for records
// files of 10,000, 100,000 and 1,000,000 lines made here; a page of a file whose 20
// records are followed by 100 MiB of spaces; how long a pupil's result waits while
// another copy lists the largest file; and zuf-check on 100,000 and 1,000,000 lines
// against an iconv pass over the same bytes.
//
//   bench_records [ZUF_CHECK]
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
#include "shell/layout.h"
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
#include <QThread>

#include <optional>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// ------------------------------------------------------------------ child: one listing

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

    report::resetPeak();
    const double before = report::statusMegabytes("VmRSS:");
    PaintWatch watch(window.List1->viewport());
    clock.restart();
    namedChild<QAction>(form1(), "Rec")->trigger();
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

// ------------------------------------------------------------------ a pupil's result while another copy lists

// Lists the file again and again until killed, as a copy of the program whose pupil
// keeps opening the records window.
[[noreturn]] void listForever(const QString &path)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;)
        readRecordsFile(path);
}

// The median and longest time of appending one line, with a listing copy running or not.
std::pair<double, double> appendTimes(const QString &path, bool whileListing)
{
    pid_t lister = -1;
    if (whileListing) {
        lister = ::fork();
        if (lister == 0)
            listForever(path);
        QThread::msleep(200);
    }
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer clock;
        clock.start();
        const std::optional<QString> fault
            = appendRecord(path, {QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4});
        times.push_back(clock.nsecsElapsed() / 1e6);
        if (fault)
            std::fprintf(stderr, "append: %s\n", qPrintable(*fault));
        QThread::usleep(2000);
    }
    if (lister > 0) {
        ::kill(lister, SIGKILL);
        ::waitpid(lister, nullptr, 0);
    }
    return {report::median(times), *std::max_element(times.begin(), times.end())};
}

void measureWriterWait(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    const RecordsFileBytes read = readRecordsFile(path);
    const double readMs = clock.nsecsElapsed() / 1e6;
    const auto [alone, aloneMax] = appendTimes(path, false);
    const auto [listing, listingMax] = appendTimes(path, true);
    report::heading("a pupil's result while another copy lists the same file (" + report::number(read.bytes.size() / 1e6, 1)
                    + " MB, 200 appends)");
    report::figure("reading the file (the lock was held this long)", readMs, "ms");
    report::figure("append, no listing: median", alone, "ms");
    report::figure("append, no listing: longest", aloneMax, "ms");
    report::figure("append while listing: median", listing, "ms");
    report::figure("append while listing: longest", listingMax, "ms");
    report::ratio("reading / longest append while listing", readMs / listingMax);
}

// ------------------------------------------------------------------ zuf-check against iconv

struct ChildCost {
    double ms = 0;
    double peakMb = 0;
    bool ok = false;
};

// Runs a program with its output thrown away; its time and peak resident memory.
ChildCost runMeasured(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return {clock.nsecsElapsed() / 1e6, usage.ru_maxrss / 1024.0, WIFEXITED(status) && WEXITSTATUS(status) <= 1};
}

ChildCost medianCost(const std::vector<std::string> &argv, int runs)
{
    std::vector<double> ms, peak;
    bool ok = true;
    for (int i = 0; i < runs; ++i) {
        const ChildCost cost = runMeasured(argv);
        ms.push_back(cost.ms);
        peak.push_back(cost.peakMb);
        ok = ok && cost.ok;
    }
    return {report::median(ms), report::median(peak), ok};
}

int measureChecker(const std::string &checker)
{
    constexpr int Runs = 3;
    std::vector<double> textPeaks, jsonPeaks;
    for (int lines : {100'000, 1'000'000}) {
        QTemporaryDir work;
        const QString path = work.filePath(RecordsFileName);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(recordsFile(lines)) < 0)
            return 1;
        out.close();
        const double fileMb = out.size() / (1024.0 * 1024.0);
        const std::string file = QFile::encodeName(path).toStdString();
        const ChildCost iconv = medianCost({"iconv", "-f", "CP1251", "-t", "UTF-8", file}, Runs);
        const ChildCost text = medianCost({checker, "--records", file}, Runs);
        const ChildCost json = medianCost({checker, "--json", "--records", file}, Runs);
        if (!iconv.ok || !text.ok || !json.ok) {
            std::fprintf(stderr, "zuf-check or iconv failed on %d lines\n", lines);
            return 1;
        }
        textPeaks.push_back(text.peakMb);
        jsonPeaks.push_back(json.peakMb);
        report::heading("zuf-check on a records file of " + QLocale(QLocale::English).toString(lines).toStdString()
                        + " lines (" + report::number(fileMb, 1) + " MB; median of " + std::to_string(Runs) + " runs)");
        report::figure("iconv CP1251 -> UTF-8 (baseline)", iconv.ms, "ms", "peak " + report::number(iconv.peakMb, 1) + " MB");
        report::figure("zuf-check --records", text.ms, "ms", "peak " + report::number(text.peakMb, 1) + " MB");
        report::ratio("zuf-check / iconv", text.ms / iconv.ms, 5.0);
        report::figure("zuf-check --json --records", json.ms, "ms", "peak " + report::number(json.peakMb, 1) + " MB");
        report::ratio("zuf-check --json / iconv", json.ms / iconv.ms);
        if (lines == 1'000'000)
            measureWriterWait(path);
    }
    report::heading("zuf-check memory, 1,000,000 lines against 100,000");
    report::ratio("peak memory, text", textPeaks[1] / textPeaks[0], 1.25);
    report::ratio("peak memory, --json", jsonPeaks[1] / jsonPeaks[0], 1.25);
    return 0;
}

// 20 records, and then the same 20 followed by 100 MiB of spaces: a page of rows
// must cost the same.
int measureBlankTail()
{
    std::vector<double> pages;
    for (const qsizetype tail : {qsizetype(0), qsizetype(100) * 1024 * 1024}) {
        QTemporaryDir work;
        QFile out(work.filePath(RecordsFileName));
        if (!out.open(QIODevice::WriteOnly) || out.write(recordsFile(20)) < 0 || out.write(QByteArray(tail, ' ')) < 0)
            return 1;
        out.close();
        const std::optional<Listing> l = listInChild(work.path());
        if (!l || l->rows != 20) {
            std::fprintf(stderr, "listing a file with a blank tail failed\n");
            return 1;
        }
        pages.push_back(l->topMs);
    }
    report::heading("records window, 20 lines followed by 100 MiB of spaces");
    report::figure("paint the page, no blank tail (baseline)", pages[0], "ms");
    report::figure("paint the page, 100 MiB blank tail", pages[1], "ms");
    report::ratio("blank tail / none", pages[1] / pages[0], 2.0);
    return 0;
}

// 8 MiB of valid records, and 8 MiB of "a" lines, every record damaged: skipping a
// damaged record must cost about what reading a valid one does, in the window and in
// the checker.
int measureDamaged(const std::string &checker)
{
    constexpr qsizetype Size = 8 * 1024 * 1024;
    QByteArray valid = recordsFile(400'000);
    valid.truncate(valid.lastIndexOf('\n', Size) + 1);
    QByteArray damaged;
    damaged.reserve(Size);
    while (damaged.size() < Size)
        damaged += "a\n";
    std::vector<double> window, check;
    for (const QByteArray *bytes : {&valid, &damaged}) {
        QTemporaryDir work;
        const QString path = work.filePath(RecordsFileName);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(*bytes) < 0)
            return 1;
        out.close();
        std::vector<double> lists;
        for (int i = 0; i < 3; ++i) {
            const std::optional<Listing> l = listInChild(work.path());
            if (!l) {
                std::fprintf(stderr, "listing a damaged file failed\n");
                return 1;
            }
            lists.push_back(l->listMs);
        }
        window.push_back(report::median(lists));
        if (!checker.empty())
            check.push_back(medianCost({checker, "--records", QFile::encodeName(path).toStdString()}, 3).ms);
    }
    report::heading("8 MiB of valid records (baseline) against 8 MiB of damaged ones (\"a\" lines)");
    report::figure("records window, valid", window[0], "ms");
    report::figure("records window, damaged", window[1], "ms");
    report::ratio("window: damaged / valid", window[1] / window[0], 2.0);
    if (!checker.empty()) {
        report::figure("zuf-check --records, valid", check[0], "ms");
        report::figure("zuf-check --records, damaged", check[1], "ms");
        report::ratio("zuf-check: damaged / valid", check[1] / check[0], 2.0);
    }
    return 0;
}

int measure(const std::string &checker)
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
    if (const int failed = measureBlankTail())
        return failed;
    if (const int failed = measureDamaged(checker))
        return failed;
    return checker.empty() ? 0 : measureChecker(checker);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--list") == 0)
        return listOnce(argc, argv);
    QCoreApplication app(argc, argv);
    return measure(argc >= 2 ? argv[1] : std::string());
}
