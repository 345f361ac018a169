// Several copies of the program on one records file: eight writers at once lose and
// mix nothing, a reader meanwhile sees only whole lines, a copy that holds the file
// too long makes the others give up with a message, and a crashed copy blocks nobody.
// Pupils logged in as different users of one group share the file of a lab folder, and
// on a share whose locks do nothing no pupil is told that a lost line was saved.

#include "quiz/codepage.h"
#include "records/recordsfile.h"
#include "topics/catalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <optional>
#include <sys/stat.h>
#ifdef Q_OS_LINUX
#include "fault_support.h"
#endif

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

// A copy that holds the exclusive lock (or the shared one, as a listing does) until its
// stdin closes or it is killed, or for holdMs milliseconds.
std::unique_ptr<QProcess> startHolder(const QString &path, const QString &mode = QStringLiteral("hold"),
                                      int holdMs = 0)
{
    QStringList arguments{mode, path};
    if (holdMs > 0)
        arguments << QString::number(holdMs);
    auto holder = startWorker(arguments);
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
    void listingHoldsOffAppending();
    void pupilsOfOneGroupShareTheFile_data();
    void pupilsOfOneGroupShareTheFile();
    void shareWithoutWorkingLocksIsSaid();
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

// An append takes the exclusive lock: while a listing holds the shared one, it waits, and
// gives up with its message when the listing does not let go in time.
void TestRecordsConcurrency::listingHoldsOffAppending()
{
    const QString path = dir_.filePath(QStringLiteral("listed.ssu"));
    const QByteArray before = "Ученик,Наводнения, 4\r\n";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(before);
    }
    const RecordEntryRecord entry{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};
    {
        const auto listing = startHolder(path, QStringLiteral("hold-shared"));
        QVERIFY(listing);
        QCOMPARE(appendRecord(path, entry, std::chrono::milliseconds(300)),
                 QStringLiteral("Файл рекордов %1 занят другой программой: он не освободился за 0,3 с.").arg(path));
        QCOMPARE(fileBytes(path), before);
        listing->closeWriteChannel();
        QVERIFY(listing->waitForFinished());
    }

    // A listing that lets go during the wait: the line is written, and only after it let go
    // (what the listing saw of the file just before letting go is the file without the line).
    const auto listing = startHolder(path, QStringLiteral("hold-shared"), 1500);
    QVERIFY(listing);
    QCOMPARE(appendRecord(path, entry, std::chrono::milliseconds(60000)), std::nullopt);
    QVERIFY(listing->waitForFinished());
    QCOMPARE(listing->readAllStandardOutput().trimmed(), "size " + QByteArray::number(before.size()));
    QCOMPARE(fileBytes(path), before + recordLine(entry).value());
}

// Pupils log in as different users who share one group. In a lab folder that group may write,
// the file the first of them creates is one the others can append to, whatever their umask;
// it is never opened wider than the folder.
void TestRecordsConcurrency::pupilsOfOneGroupShareTheFile_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("fileMode");        // of the file the first pupil creates
    QTest::addColumn<bool>("othersWrite");    // the other pupils of the group can append
    QTest::newRow("setgid group folder 2775, umask 022") << 02775 << 022 << 0664 << true;
    QTest::newRow("setgid group folder 2775, umask 077") << 02775 << 077 << 0660 << true;
    QTest::newRow("group folder 0775 without setgid") << 0775 << 022 << 0664 << true;
    QTest::newRow("group folder closed to others 2770") << 02770 << 022 << 0660 << true;
    QTest::newRow("group folder, umask 000") << 02775 << 0 << 0664 << true;
    QTest::newRow("folder all may write 0777, umask 022") << 0777 << 022 << 0666 << true;
    QTest::newRow("folder only its owner may write 0755") << 0755 << 022 << 0644 << false;
}

void TestRecordsConcurrency::pupilsOfOneGroupShareTheFile()
{
#ifndef Q_OS_LINUX
    QSKIP("Pupils of one group are POSIX user and group ids with permission bits, which Windows does not have.");
#else
    QFETCH(int, folderMode);
    QFETCH(int, umask);
    QFETCH(int, fileMode);
    QFETCH(bool, othersWrite);
    if (::geteuid() != 0)
        QSKIP("Needs root to run copies of the program as different users.");

    constexpr gid_t Lab = 4340;
    const faults::LabUser pupils[] = {{4341, Lab, mode_t(umask)}, {4342, Lab, mode_t(umask)}, {4343, Lab, mode_t(umask)}};
    QTemporaryDir tmp;
    if (!faults::reachableByOthers(tmp.path()))
        QSKIP("Other users cannot reach the temporary folder here.");
    QVERIFY(QFile::setPermissions(tmp.path(), QFile::permissions(tmp.path()) | QFileDevice::ExeOther));
    const QString program = faults::copyForOtherUsers(QStringLiteral(ZUF_APPEND_WORKER), tmp.path());
    QVERIFY(!program.isEmpty());
    const QString folder = tmp.filePath(QStringLiteral("lab"));
    QVERIFY(QDir().mkdir(folder));
    const QByteArray folderName = QFile::encodeName(folder);
    // The folder belongs to the first pupil when only its owner may write it, else to root.
    QCOMPARE(::chown(folderName.constData(), othersWrite ? 0 : pupils[0].uid, Lab), 0);
    QCOMPARE(::chmod(folderName.constData(), mode_t(folderMode)), 0);
    const QString path = folder + QStringLiteral("/records.ssu");

    const auto append = [&](const faults::LabUser &pupil, int worker, int count) {
        auto copy = std::make_unique<QProcess>();
        if (!faults::runAs(*copy, pupil))
            return copy;
        copy->start(program, {QStringLiteral("append"), path, QString::number(worker), QString::number(count)});
        copy->waitForStarted();
        return copy;
    };
    const auto finish = [](QProcess &copy) {
        copy.write("go\n");
        copy.closeWriteChannel();
        return copy.waitForFinished(120000) && copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0;
    };

    // In turn: the first creates the file, the others add to it.
    for (int w = 0; w < 3; ++w) {
        auto copy = append(pupils[w], w, 1);
        const bool saved = finish(*copy);
        QVERIFY2(saved == (w == 0 || othersWrite), copy->readAllStandardError().constData());
        if (w == 0) {
            struct stat created = {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &created), 0);
            QCOMPARE(int(created.st_mode & 07777), fileMode);
            QCOMPARE(created.st_uid, pupils[0].uid);
            // The folder's group; in a folder the group may not write, the creator's own.
            QCOMPARE(created.st_gid, othersWrite ? Lab : pupils[0].uid);
        }
    }
    if (!othersWrite) {
        // Refused with the reason in plain words, and the file as the first pupil left it.
        auto copy = append(pupils[1], 1, 1);
        QVERIFY(!finish(*copy));
        QVERIFY(copy->readAllStandardError().contains("нет прав на запись в этот файл или в его папку"));
        QCOMPARE(fileBytes(path), workerLine(0, 0));
        return;
    }
    QByteArray expected = workerLine(0, 0) + workerLine(1, 0) + workerLine(2, 0);
    QCOMPARE(fileBytes(path), expected);

    // At once: each adds a hundred lines while the others do.
    std::vector<std::unique_ptr<QProcess>> copies;
    for (int w = 0; w < 3; ++w)
        copies.push_back(append(pupils[w], 10 + w, 100));
    for (auto &copy : copies) {
        copy->write("go\n");
        copy->closeWriteChannel();
    }
    for (auto &copy : copies) {
        QVERIFY(copy->waitForFinished(120000));
        QVERIFY2(copy->exitCode() == 0, copy->readAllStandardError().constData());
    }
    const QByteArray bytes = fileBytes(path);
    QVERIFY(bytes.startsWith(expected));
    QList<QByteArray> lines = bytes.sliced(expected.size()).split('\n');
    lines.removeLast();
    QCOMPARE(lines.size(), 300);
    std::vector<int> nextOf(3, 0);
    for (const QByteArray &line : lines) {
        bool found = false;
        for (int w = 0; w < 3 && !found; ++w) {
            if (nextOf[w] < 100 && line + '\n' == workerLine(10 + w, nextOf[w])) {
                ++nextOf[w];
                found = true;
            }
        }
        QVERIFY2(found, line.constData());
    }
#endif
}

// Two views of one folder through FUSE (bindfs) stand for two machines on a share whose
// locks do nothing: a lock taken through one view holds nobody off in the other. Copies
// writing through both lose lines there; what the test holds them to is that none of them
// calls a line saved that is not in the file, whole, when it looks under its lock, and that
// lost or torn lines never go unreported.
void TestRecordsConcurrency::shareWithoutWorkingLocksIsSaid()
{
#ifndef Q_OS_LINUX
    QSKIP("Two views of one folder are made with FUSE (bindfs), which Windows does not have.");
#else
    if (QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty())
        QSKIP("bindfs is not installed (tools/install-deps.sh installs it).");
    if (!faults::privateMounts() || !QFileInfo::exists(QStringLiteral("/dev/fuse")))
        QSKIP("No FUSE here: the test needs root, a mount namespace of its own and /dev/fuse.");
    const QString real = dir_.filePath(QStringLiteral("share"));
    QStringList views{dir_.filePath(QStringLiteral("view-a")), dir_.filePath(QStringLiteral("view-b"))};
    std::vector<std::unique_ptr<QProcess>> mounts;
    for (const QString &dir : QStringList{real} + views)
        QVERIFY(QDir().mkpath(dir));
    for (const QString &view : views) {
        mounts.push_back(std::make_unique<QProcess>());
        mounts.back()->start(QStringLiteral("bindfs"), {QStringLiteral("-f"), real, view});
    }
    const auto mounted = [&] {
        QFile table(QStringLiteral("/proc/self/mountinfo"));
        const QByteArray text = table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
        return std::all_of(views.begin(), views.end(),
                           [&](const QString &v) { return text.contains(' ' + QFile::encodeName(v) + ' '); });
    };
    for (int tries = 0; tries < 200 && !mounted(); ++tries)
        QThread::msleep(50);
    const auto unmount = qScopeGuard([&] {
        for (auto &mount : mounts) {
            mount->terminate();
            if (!mount->waitForFinished(10000))
                mount->kill();
        }
    });
    if (!mounted())
        QSKIP("bindfs could not mount here (FUSE refused).");

    // The lock held through one view does not hold off a copy in the other.
    const auto holder = startHolder(views[0] + QStringLiteral("/records.ssu"));
    QVERIFY(holder);
    const RecordEntryRecord first{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};
    QCOMPARE(appendRecord(views[1] + QStringLiteral("/records.ssu"), first, std::chrono::milliseconds(300)),
             std::nullopt);
    holder->closeWriteChannel();
    QVERIFY(holder->waitForFinished());

    // Eight copies, four through each view, each going on after a line it could not confirm.
    constexpr int Each = 300;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < Writers; ++w) {
        workers.push_back(startWorker({QStringLiteral("append"), views[w % 2] + QStringLiteral("/records.ssu"),
                                       QString::number(w), QString::number(Each), QStringLiteral("keep-going")}));
        QVERIFY(workers.back()->waitForStarted());
    }
    for (auto &worker : workers) {
        worker->write("go\n");
        worker->closeWriteChannel();
    }
    QSet<QByteArray> unsaved;
    const QString unconfirmed = QStringLiteral("не подтвердилась: в этой папке не работают блокировки файлов");
    for (int w = 0; w < Writers; ++w) {
        QVERIFY(workers[w]->waitForFinished(300000));
        QCOMPARE(workers[w]->exitCode(), 0);
        const QStringList said = QString::fromUtf8(workers[w]->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : said) {
            QVERIFY2(line.startsWith(QStringLiteral("unsaved ")) && line.contains(unconfirmed), qPrintable(line));
            unsaved.insert(workerLine(w, line.sliced(8).section(u':', 0, 0).toInt()));
        }
    }

    // The file as the share's server holds it.
    const QList<QByteArray> lines = [&] {
        QList<QByteArray> all = fileBytes(real + QStringLiteral("/records.ssu")).split('\n');
        all.removeLast();
        for (QByteArray &line : all)
            line += '\n';
        return all;
    }();
    const QSet<QByteArray> present(lines.begin(), lines.end());
    int lost = 0, lostUnsaid = 0, torn = 0;
    for (int w = 0; w < Writers; ++w) {
        for (int k = 0; k < Each; ++k) {
            const QByteArray line = workerLine(w, k);
            if (!present.contains(line)) {
                ++lost;
                lostUnsaid += !unsaved.contains(line);
            }
        }
    }
    QSet<QByteArray> written{recordLine(first).value()};
    for (int w = 0; w < Writers; ++w)
        for (int k = 0; k < Each; ++k)
            written.insert(workerLine(w, k));
    for (const QByteArray &line : lines)
        torn += !written.contains(line);
    qInfo("%d of %d lines lost, %d of them reported as saved; %d torn lines; %lld records said not confirmed",
          lost, Writers * Each, lostUnsaid, torn, qsizetype(unsaved.size()));
    // No pupil is told that a line was saved that is not there.
    QCOMPARE(lostUnsaid, 0);

    // A writer that never stops, through the other view: the appends that meet it say so,
    // and every one that says "saved" is in the file whole.
    const QString flooded = views[0] + QStringLiteral("/flood.ssu");
    std::atomic<bool> flooding = true;
    std::thread flood([&] {
        QFile file(flooded);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return;
        while (flooding)
            file.write("Flood,Floods, 3\r\n");
    });
    const auto stopFlood = qScopeGuard([&] {
        flooding = false;
        flood.join();
    });
    for (int tries = 0; tries < 10000 && !QFileInfo(real + QStringLiteral("/flood.ssu")).size(); ++tries)
        QThread::msleep(1);
    QVERIFY(QFileInfo(real + QStringLiteral("/flood.ssu")).size() > 0);
    QList<QByteArray> saved;
    int notConfirmed = 0;
    for (int k = 0; k < 100; ++k) {
        const RecordEntryRecord entry{QStringLiteral("Ученик%1").arg(k), QStringLiteral("Наводнения"), 4};
        const std::optional<QString> fault = appendRecord(views[1] + QStringLiteral("/flood.ssu"), entry);
        if (!fault)
            saved << recordLine(entry).value();
        else if (fault->contains(unconfirmed))
            ++notConfirmed;
        else
            QFAIL(qPrintable(*fault));
    }
    flooding = false;
    const QList<QByteArray> floodLines = fileBytes(real + QStringLiteral("/flood.ssu")).split('\n');
    const QSet<QByteArray> floodSet(floodLines.begin(), floodLines.end());
    qInfo("beside a flood: %lld appends saved, %d not confirmed", saved.size(), notConfirmed);
    QVERIFY(notConfirmed > 0);
    for (const QByteArray &line : saved)
        QVERIFY2(floodSet.contains(line.chopped(1)), line.constData());
#endif
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
