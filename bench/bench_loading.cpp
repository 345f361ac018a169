// Loading: loadQuestionFile on a question file of 90 records, and the field reader
// over a large generated file, each against reading the same bytes from the same
// file with no parsing (the floor).

#include "bench/report.h"
#include "quiz/codepage.h"
#include "quiz/fieldreader.h"
#include "quiz/questionfile.h"
#include "quiz/quizstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

namespace {

QString workDir;
const QString QuestionFile = QStringLiteral("qes1.ssu");
const QString LargeFile = QStringLiteral("large.ssu");

// One record as the shipped files hold them: a question of about a hundred letters,
// four answers of about forty, every text quoted.
QString questionLine(int n)
{
    const QString answer = QStringLiteral("\"Ответ %1.%2: выйти из помещения и позвать взрослых\"");
    return QStringLiteral("\"Вопрос %1. Что нужно сделать, если в квартире почувствовался запах газа, а свет "
                          "ещё не включён?\",%2,%3,%4,%5,0,%6,0,0,1\r\n")
        .arg(n).arg(answer.arg(n).arg(1), answer.arg(n).arg(2), answer.arg(n).arg(3), answer.arg(n).arg(4))
        .arg(n % 2);
}

QByteArray questionFile(int records)
{
    QString text = QStringLiteral("17,15,12,0\r\n");
    for (int n = 1; n <= records; ++n)
        text += questionLine(n);
    return encode1251(text).value();
}

QByteArray readAll(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
}

void QuestionFileFloor(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readAll(QuestionFile));
}

void LoadQuestionFile(benchmark::State &state)
{
    QuizState.questionFile = QuestionFile;
    for (auto _ : state) {
        loadQuestionFile();
        benchmark::DoNotOptimize(QuestionBank.question[90].size());
    }
}

void LargeFileFloor(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readAll(LargeFile));
    state.SetBytesProcessed(state.iterations() * QFile(LargeFile).size());
}

// Every field of every record, as the loader reads them, but with no limit of 90.
void FieldReaderLargeFile(benchmark::State &state)
{
    for (auto _ : state) {
        const QByteArray bytes = readAll(LargeFile);
        FieldReader reader(bytes);
        qint64 sum = 0;
        for (int i = 0; i < 4; ++i)
            sum += reader.readInt();
        while (!reader.atEnd()) {
            for (int i = 0; i < 5; ++i)
                sum += reader.readText().size();
            reader.skipField();
            for (int i = 0; i < 4; ++i)
                sum += reader.readInt();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * QFile(LargeFile).size());
}

BENCHMARK(QuestionFileFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadQuestionFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(LargeFileFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(FieldReaderLargeFile)->Unit(benchmark::kMillisecond);

// Google Benchmark's own table, and the times kept for the comparison after it. The
// comparison uses processor time: on a machine busy with other work the wall-clock
// time of a one-thread loop grows by whatever else runs, processor time does not.
class KeepingReporter : public benchmark::ConsoleReporter {
public:
    KeepingReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> nanoseconds;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime()
                * (run.time_unit == benchmark::kMillisecond ? 1e6 : run.time_unit == benchmark::kMicrosecond ? 1e3 : 1);
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    workDir = dir.path();
    QDir::setCurrent(workDir);
    writeAll(QuestionFile, questionFile(MaxQuestionRecords));
    // About 24 MB: far more than any question file, so the reader's own pace shows.
    QByteArray large = questionFile(0);
    const QByteArray records = questionFile(1000).sliced(questionFile(0).size());
    while (large.size() < 24 * 1024 * 1024)
        large += records;
    writeAll(LargeFile, large);
    const double questionKb = QFile(QuestionFile).size() / 1024.0;
    const double largeMb = large.size() / (1024.0 * 1024.0);
    large = {};

    KeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto &ns = reporter.nanoseconds;
    report::heading("loading, question file of 90 records (" + report::number(questionKb, 1) + " KB; processor time)");
    report::figure("read the bytes (floor)", ns["QuestionFileFloor"] / 1e3, "us");
    report::figure("loadQuestionFile", ns["LoadQuestionFile"] / 1e3, "us");
    report::ratio("loadQuestionFile / floor", ns["LoadQuestionFile"] / ns["QuestionFileFloor"], 5.0);
    report::heading("field reader, generated file (" + report::number(largeMb, 1) + " MB; processor time)");
    report::figure("read the bytes (floor)", ns["LargeFileFloor"] / 1e6, "ms");
    report::figure("read the bytes and every field", ns["FieldReaderLargeFile"] / 1e6, "ms");
    report::figure("  throughput", largeMb / (ns["FieldReaderLargeFile"] / 1e9), "MB/s");
    report::ratio("field reader / floor", ns["FieldReaderLargeFile"] / ns["LargeFileFloor"], 5.0);
    return 0;
}
