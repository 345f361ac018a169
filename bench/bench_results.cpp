// The teacher's results of a records file of a million lines: the time to the page
// painted and the memory it adds, against the file's size and against the floor of
// reading the same file with the records reader alone, in the same run.
//
//   bench_results
//
// Two files are made: a school's (30 pupils, the nine topics) and one whose every name
// is different, the worst case for a table that keeps each distinct name once. Each
// figure comes from a fresh child process (this program with --child), so that no step
// inherits the memory of the one before.

#include "bench/report.h"
#include "quiz/codepage.h"
#include "records/recordsfile.h"
#include "teacher/results/classresults.h"
#include "teacher/results/resultspage.h"
#include "topics/catalogue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>

namespace {

constexpr int Lines = 1'000'000;
constexpr int Runs = 3;

class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// One step, timed, with the memory it added at its peak: "milliseconds megabytes rows".
int runChild(const QString &mode, const QString &folder)
{
    const QString path = folder + QStringLiteral("/records.ssu");
    std::unique_ptr<ResultsPage> page;
    PaintWatch watch;
    if (mode != QLatin1String("reader") && mode != QLatin1String("summary")) {
        page = std::make_unique<ResultsPage>();
        page->resize(1000, 700);
        page->show();
        QCoreApplication::processEvents();
        page->findChild<QTableView *>(QStringLiteral("resultsTable"))->viewport()->installEventFilter(&watch);
        if (mode == QLatin1String("sort"))
            page->openFolder(folder);
    }
    const double before = report::statusMegabytes("VmRSS:");
    report::resetPeak();
    QElapsedTimer clock;
    clock.start();
    qint64 rows = 0;
    if (mode == QLatin1String("reader")) {
        scanRecordsFile(path, [&](const RecordEntryRecord &) { ++rows; });
    } else if (mode == QLatin1String("summary")) {
        rows = qint64(readClassResults(path).rows.size());
    } else {
        auto *table = page->findChild<QTableView *>(QStringLiteral("resultsTable"));
        if (mode == QLatin1String("sort"))
            table->sortByColumn(0, Qt::AscendingOrder);
        else
            page->openFolder(folder);
        watch.painted = false;
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        rows = table->model()->rowCount();
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    std::printf("%.3f %.3f %lld\n", ms, report::statusMegabytes("VmHWM:") - before, static_cast<long long>(rows));
    return 0;
}

struct Figures {
    double ms = 0;
    double megabytes = 0;
};

Figures measure(const QString &mode, const QString &folder)
{
    std::vector<double> times;
    double megabytes = 0;
    for (int run = 0; run < Runs; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode, folder});
        child.waitForFinished(120000);
        const QStringList parts = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
        if (parts.size() < 3) {
            std::printf("  %s: the child failed: %s\n", qPrintable(mode), child.readAllStandardError().constData());
            return {};
        }
        times.push_back(parts[0].toDouble());
        megabytes = std::max(megabytes, parts[1].toDouble());
    }
    return {report::median(times), megabytes};
}

// A million lines as pupils leave them: names of a class or all different, the nine topics, grades 2 to 5.
qint64 writeRecords(const QString &folder, bool distinctNames)
{
    const QStringList pupils = {u"Анна"_qs,  u"Борис"_qs,   u"Вера"_qs,    u"Глеб"_qs,   u"Дарья"_qs,  u"Егор"_qs,
                                u"Жанна"_qs, u"Захар"_qs,   u"Ирина"_qs,   u"Кирилл"_qs, u"Лариса"_qs, u"Максим"_qs,
                                u"Нина"_qs,  u"Олег"_qs,    u"Полина"_qs,  u"Роман"_qs,  u"Светлана"_qs, u"Тимур"_qs,
                                u"Ульяна"_qs, u"Фёдор"_qs,  u"Христина"_qs, u"Цветана"_qs, u"Чеслав"_qs, u"Шамиль"_qs,
                                u"Эльвира"_qs, u"Юрий"_qs,  u"Яна"_qs,     u"Алексей"_qs, u"Богдан"_qs, u"Виктория"_qs};
    QRandomGenerator random(16);
    QFile file(folder + QStringLiteral("/records.ssu"));
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    QByteArray chunk;
    for (int i = 0; i < Lines; ++i) {
        RecordEntryRecord entry;
        entry.name = distinctNames ? QStringLiteral("Ученик%1").arg(i) : pupils[random.bounded(pupils.size())];
        entry.topic = topicCatalogue()[size_t(random.bounded(int(topicCatalogue().size())))].name;
        entry.grade = qint16(2 + random.bounded(4));
        chunk += *recordLine(entry);
        if (chunk.size() > 1 << 20) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.size();
}

void benchFile(const std::string &title, bool distinctNames)
{
    QTemporaryDir dir;
    const double fileMb = double(writeRecords(dir.path(), distinctNames)) / (1024.0 * 1024.0);
    report::heading(title);
    report::figure("records file", fileMb, "MB", "(" + std::to_string(Lines) + " lines)");
    const Figures reader = measure(QStringLiteral("reader"), dir.path());
    const Figures summary = measure(QStringLiteral("summary"), dir.path());
    const Figures page = measure(QStringLiteral("page"), dir.path());
    const Figures sorted = measure(QStringLiteral("sort"), dir.path());
    report::figure("floor: the records reader alone", reader.ms, "ms", report::number(reader.megabytes, 1) + " MB added");
    report::figure("summary (table and grades per topic)", summary.ms, "ms",
                   report::number(summary.megabytes, 1) + " MB added");
    report::figure("results page opened and painted", page.ms, "ms", report::number(page.megabytes, 1) + " MB added");
    report::figure("then sorted by name and painted", sorted.ms, "ms", report::number(sorted.megabytes, 1) + " MB added");
    report::ratio("summary time / reader alone", summary.ms / reader.ms);
    report::ratio("page time / reader alone", page.ms / reader.ms);
    report::limit("page opened and painted", page.ms / 1000.0, 2.0, "s");
    report::ratio("page memory added / file size", page.megabytes / fileMb, 2.0);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--child"))
        return runChild(args[2], args[3]);
    benchFile("teacher's results: a school's million lines (30 names)", false);
    benchFile("teacher's results: a million lines, every name different", true);
    return 0;
}
