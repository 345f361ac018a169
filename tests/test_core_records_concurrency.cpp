// Several copies of the program on one records file: eight writers at once lose and
// mix nothing, a reader meanwhile sees only whole lines, a copy that holds the file
// too long makes the others give up with a message, and a crashed copy blocks nobody.

#include "quiz/codepage.h"
#include "records/recordsfile.h"
#include "topics/catalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

namespace {

constexpr int Writers = 8;
constexpr int RecordsEach = 500;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The line that append_worker writes as record k of worker w.
QByteArray workerLine(int worker, int k)
{
    const auto &topics = topicCatalogue();
    return recordLine({QStringLiteral("Ученик%1-%2").arg(worker).arg(k), topics[std::size_t(k) % topics.size()].name,
                       qint16(2 + k % 4)})
        .value();
}

std::unique_ptr<QProcess> startWorker(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(ZUF_APPEND_WORKER), arguments);
    return process;
}

// A copy that holds the exclusive lock until its stdin closes or it is killed.
std::unique_ptr<QProcess> startHolder(const QString &path)
{
    auto holder = startWorker({QStringLiteral("hold"), path});
    if (!holder->waitForStarted() || !holder->waitForReadyRead(10000))
        return nullptr;
    return holder->readLine().trimmed() == "locked" ? std::move(holder) : nullptr;
}

} // namespace

class TestRecordsConcurrency : public QObject {
    Q_OBJECT
private slots:
    void eightCopiesAppendWholeLines();
    void busyFileGivesUpAfterWait();
    void crashedHolderBlocksNobody();
    void listingKeepsNoPupilWaiting();

private:
    QTemporaryDir dir_;
};

void TestRecordsConcurrency::eightCopiesAppendWholeLines()
{
    const QString path = dir_.filePath(QStringLiteral("records.ssu"));
    QFile::remove(path);
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < Writers; ++w) {
        workers.push_back(startWorker({QStringLiteral("append"), path, QString::number(w),
                                       QString::number(RecordsEach)}));
        QVERIFY(workers.back()->waitForStarted());
    }
    for (auto &worker : workers) {
        worker->write("go\n");
        worker->closeWriteChannel();
    }

    // Listing while they write: every look finds whole lines only, and never fewer than before.
    const auto running = [&] {
        return std::any_of(workers.begin(), workers.end(),
                           [](const auto &w) { return w->state() != QProcess::NotRunning; });
    };
    int looks = 0, looksMidway = 0;
    qsizetype seen = 0;
    QElapsedTimer clock;
    clock.start();
    while (running() && clock.elapsed() < 120000) {
        const RecordsFileBytes listed = readRecordsFile(path);
        QVERIFY2(!listed.fault, qPrintable(listed.fault.value_or(QString())));
        QVERIFY2(listed.bytes.isEmpty() || listed.bytes.endsWith("\r\n"), "a line seen half-written");
        RecordReader reader(listed.bytes);
        RecordEntryRecord entry;
        qsizetype count = 0;
        while (reader.next(entry))
            ++count;
        if (!reader.problems().empty())
            QFAIL(qPrintable(reader.problems().front().message));
        QCOMPARE(count, listed.bytes.count("\r\n"));
        QVERIFY(count >= seen);
        seen = count;
        ++looks;
        if (count > 0 && count < Writers * RecordsEach)
            ++looksMidway;
        QCoreApplication::processEvents();   // notes the writers that have ended
    }
    for (auto &worker : workers) {
        QVERIFY(worker->state() == QProcess::NotRunning || worker->waitForFinished(120000));
        QCOMPARE(worker->exitStatus(), QProcess::NormalExit);
        QVERIFY2(worker->exitCode() == 0, worker->readAllStandardError().constData());
    }
    qInfo("%d listings while writing, %d of them partway", looks, looksMidway);
    QVERIFY(looksMidway > 0);

    // Exactly the 4000 lines written, each whole and once, each writer's in its own order.
    QHash<QByteArray, std::pair<int, int>> expected;
    for (int w = 0; w < Writers; ++w)
        for (int k = 0; k < RecordsEach; ++k)
            expected.insert(workerLine(w, k), {w, k});
    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QCOMPARE(lines.size(), Writers * RecordsEach);
    std::vector<int> nextOf(Writers, 0);
    int switches = 0, previous = -1;
    for (const QByteArray &line : lines) {
        const auto found = expected.constFind(line + '\n');
        QVERIFY2(found != expected.constEnd(), line.constData());
        const auto [w, k] = *found;
        QCOMPARE(k, nextOf[w]);
        ++nextOf[w];
        switches += previous >= 0 && w != previous;
        previous = w;
    }
    QCOMPARE(nextOf, std::vector<int>(Writers, RecordsEach));
    qInfo("the writer changes %d times along the file", switches);
}

void TestRecordsConcurrency::busyFileGivesUpAfterWait()
{
    const QString path = dir_.filePath(QStringLiteral("busy.ssu"));
    const QByteArray before = "Ученик,Наводнения, 4\r\n";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(before);
    }
    const auto holder = startHolder(path);
    QVERIFY(holder);

    const RecordEntryRecord entry{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};
    QElapsedTimer clock;
    clock.start();
    const std::optional<QString> fault = appendRecord(path, entry, std::chrono::milliseconds(300));
    const qint64 waited = clock.elapsed();
    QVERIFY(fault.has_value());
    QCOMPARE(*fault, QStringLiteral("Файл рекордов %1 занят другой программой: он не освободился за 0,3 с.").arg(path));
    // It waited for the lock before giving up; that it gave up at all shows the wait is bounded.
    QVERIFY2(waited >= 300, qPrintable(QString::number(waited)));
    QCOMPARE(fileBytes(path), before);
    // A listing is not refused: reading changes nothing.
    QCOMPARE(readRecordsFile(path, std::chrono::milliseconds(100)).bytes, before);

    holder->closeWriteChannel();
    QVERIFY(holder->waitForFinished());
    QCOMPARE(appendRecord(path, entry), std::nullopt);
    QCOMPARE(fileBytes(path), before + recordLine(entry).value());
}

void TestRecordsConcurrency::crashedHolderBlocksNobody()
{
    const QString path = dir_.filePath(QStringLiteral("crashed.ssu"));
    QFile::remove(path);
    const auto holder = startHolder(path);
    QVERIFY(holder);
    holder->kill();
    QVERIFY(holder->waitForFinished());

    // A lock the dead copy still held would make the append give up after its wait.
    const RecordEntryRecord entry{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};
    QCOMPARE(appendRecord(path, entry), std::nullopt);
    QCOMPARE(fileBytes(path), recordLine(entry).value());
}

// Another copy lists a large records file again and again (a sparse 256 MB file, read
// whole every time) while pupils finish: each result is written, since a listing holds
// the lock only to see where the file ends, not while it reads.
void TestRecordsConcurrency::listingKeepsNoPupilWaiting()
{
    const QString path = dir_.filePath(QStringLiteral("large.ssu"));
    const QByteArray first = workerLine(0, 0);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(first), first.size());
        QVERIFY(file.resize(256 * 1024 * 1024));
    }
    const auto lister = startWorker({QStringLiteral("list"), path});
    QVERIFY(lister->waitForStarted());
    QVERIFY(lister->waitForReadyRead(60000));
    QCOMPARE(lister->readLine().trimmed(), QByteArray("listing"));

    QByteArray written;
    for (int k = 0; k < 20; ++k) {
        const RecordEntryRecord entry{QStringLiteral("Анна%1").arg(k), QStringLiteral("Землетрясение"), 5};
        // Far longer than the look at the file's size, shorter than reading it.
        const std::optional<QString> fault = appendRecord(path, entry, std::chrono::milliseconds(100));
        QVERIFY2(!fault, qPrintable(fault.value_or(QString())));
        written += recordLine(entry).value();
        QThread::msleep(20);
    }
    lister->closeWriteChannel();
    QVERIFY(lister->waitForFinished(60000));
    QCOMPARE(lister->exitCode(), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.seek(file.size() - written.size() - 2));
    QCOMPARE(file.readAll(), "\r\n" + written);   // the NUL tail is no line break: CR LF first
}

QTEST_GUILESS_MAIN(TestRecordsConcurrency)
#include "test_core_records_concurrency.moc"
