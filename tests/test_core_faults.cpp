// Faults around the records file, hostile names and hostile question texts, through
// the core: each fault gives a plain message, leaves what the file held untouched, and
// the next good write starts on a line of its own; no input crashes or crawls.

#include "fault_support.h"
#include "quiz/codepage.h"
#include "quiz/fieldreader.h"
#include "quiz/questionfile.h"
#include "records/recordsfile.h"
#include "records/workfolder.h"
#include "shell/username.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <optional>
#include <typeinfo>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>

namespace {

enum class Fault { ReadOnlyFolder, Directory, FullDisk, DevFull, MissingFolderLink, TornLastLine };

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// What a listing of the bytes gives: the records as "name|topic|grade" and the lines of its problems.
std::pair<QStringList, QList<int>> listing(const QByteArray &bytes)
{
    RecordReader reader(bytes);
    RecordEntryRecord entry;
    QStringList records;
    while (reader.next(entry))
        records << QStringLiteral("%1|%2|%3").arg(entry.name, entry.topic).arg(entry.grade);
    QList<int> lines;
    for (const FileProblem &problem : reader.problems())
        lines << problem.line;
    return {records, lines};
}

// What the pupil reads for each reason a records write can meet; any other reason in the system's words.
const QHash<int, QString> PlainReasons{
    {ENOENT, QStringLiteral("нет папки, в которой он должен лежать")},
    {ENOTDIR, QStringLiteral("в пути к нему вместо папки стоит файл")},
    {EACCES, QStringLiteral("нет прав на запись в этот файл или в его папку")},
    {EPERM, QStringLiteral("нет прав на запись в этот файл или в его папку")},
    {EROFS, QStringLiteral("диск или папка доступны только для чтения")},
    {ENOSPC, QStringLiteral("на диске нет места")},
    {EDQUOT, QStringLiteral("на диске кончилось место, отведённое этому пользователю")},
    {EISDIR, QStringLiteral("на месте файла находится папка")},
    {EMFILE, QStringLiteral("открыто слишком много файлов")},
    {ENFILE, QStringLiteral("открыто слишком много файлов")},
    {EAGAIN, QStringLiteral("файл занят другой программой")},
    {ENOLCK, QStringLiteral("в этой папке не работают блокировки файлов")},
};

const QString DeviceReason = QStringLiteral("это не файл, а устройство");

// Runs one append in a copy of the program, so that an append that blocks cannot hang the
// test: what it printed ("saved" or the pupil's message), or "blocked" when it had to be stopped.
QString appendInAnotherCopy(const QString &path, std::optional<faults::LabUser> user = std::nullopt)
{
    QProcess copy;
    QString program = QStringLiteral(ZUF_APPEND_WORKER);
    if (user) {
        program = faults::copyForOtherUsers(program, QFileInfo(path).absolutePath());
        if (program.isEmpty() || !faults::runAs(copy, *user))
            return QStringLiteral("cannot run as another user");
    }
    copy.start(program, {QStringLiteral("once"), path});
    if (!copy.waitForFinished(20000)) {
        copy.kill();
        copy.waitForFinished();
        return QStringLiteral("blocked");
    }
    return QString::fromUtf8(copy.readAllStandardOutput()).trimmed();
}

// What this process has read from files so far (Linux).
qint64 bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

bool exchangeNames(const QByteArray &a, const QByteArray &b)
{
    return ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0;
}

// Lets a reader out of an open() or read() that waits on the pipe under either name.
void releasePipeReaders(const QByteArray &a, const QByteArray &b)
{
    for (const QByteArray &name : {a, b}) {
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
}

// A shared lab folder as the README sets it up: the teacher's, of the lab group, mode 2775;
// a pupil's own file outside it; all reachable by other users.
constexpr uid_t Teacher = 4320, Classmate = 4322;
constexpr gid_t Lab = 4330;
const faults::LabUser PupilAccount{4321, Lab};

struct SharedFolder {
    QString lab;        // the shared folder
    QString own;        // a file of the pupil's own, outside it
    QString teacherOwn; // a file of the teacher's own, outside it
};

bool chownPath(const QString &path, uid_t uid, gid_t gid, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    return ::chown(name.constData(), uid, gid) == 0 && ::chmod(name.constData(), mode) == 0;
}

std::optional<SharedFolder> makeSharedFolder(const QTemporaryDir &tmp)
{
    const SharedFolder folder{tmp.filePath(QStringLiteral("lab")), tmp.filePath(QStringLiteral("pupil/.bashrc")),
                              tmp.filePath(QStringLiteral("teacher/private.txt"))};
    const bool made = ::chmod(QFile::encodeName(tmp.path()).constData(), 0755) == 0
        && QDir().mkpath(folder.lab) && chownPath(folder.lab, Teacher, Lab, 02775)
        && QDir().mkpath(tmp.filePath(QStringLiteral("pupil")))
        && chownPath(tmp.filePath(QStringLiteral("pupil")), PupilAccount.uid, PupilAccount.uid, 0755)
        && writeBytes(folder.own, "echo hello\n") && chownPath(folder.own, PupilAccount.uid, PupilAccount.uid, 0644)
        && QDir().mkpath(tmp.filePath(QStringLiteral("teacher")))
        && chownPath(tmp.filePath(QStringLiteral("teacher")), Teacher, Teacher, 0755)
        && writeBytes(folder.teacherOwn, "Личное,Наводнения, 5\n")
        && chownPath(folder.teacherOwn, Teacher, Teacher, 0600);
    if (!made || !faults::reachableByOthers(folder.lab))
        return std::nullopt;
    return folder;
}

// A link at `link` to `target` that belongs to `owner`, as if that user had made it.
bool plantLink(const QString &target, const QString &link, uid_t owner)
{
    return QFile::link(target, link) && ::lchown(QFile::encodeName(link).constData(), owner, Lab) == 0;
}

// The names created in `folder` and the names whose rights changed, in the order the
// kernel reports them, as "+name" and "~name".
class FolderWatch {
public:
    explicit FolderWatch(const QString &folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (fd_ >= 0)
            ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO);
    }
    ~FolderWatch() { ::close(fd_); }
    QStringList events() const
    {
        QStringList seen;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                if (event->len > 0)
                    seen << QString(event->mask & IN_ATTRIB ? u'~' : u'+') + QString::fromUtf8(event->name);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return seen;
    }

private:
    int fd_;
};

// Sets process up to run program as user, from a copy that user may run; false when it cannot.
bool startAs(QProcess &process, const QString &program, const QStringList &arguments,
             const std::optional<faults::LabUser> &user, const QString &copyDir)
{
    QString run = program;
    if (user) {
        run = faults::copyForOtherUsers(program, copyDir);
        if (run.isEmpty() || !faults::runAs(process, *user))
            return false;
    }
    process.start(run, arguments);
    return process.waitForStarted();
}

// Waits until the process has the file open, or has ended; true in the first case.
bool waitUntilOpen(QProcess &process, const QString &path)
{
    const QString file = QFileInfo(path).canonicalFilePath();
    const QString fds = QStringLiteral("/proc/%1/fd").arg(process.processId());
    for (int i = 0; i < 2000 && process.state() == QProcess::Running; ++i) {
        for (const QString &fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds + u'/' + fd) == file)
                return true;
        }
        QThread::msleep(10);
    }
    return false;
}

// How many exceptions this process has thrown: the field reader reports a damaged record
// by throwing, which costs a thousand times more than reading a record.
std::atomic<long> exceptionsThrown{0};

const RecordEntryRecord Pupil{QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4};
const RecordEntryRecord NextPupil{QStringLiteral("Анна"), QStringLiteral("Землетрясение"), 5};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void recordsFaults_data();
    void recordsFaults();
    void systemReasonsInPlainRussian_data();
    void systemReasonsInPlainRussian();
    void appendingToWhatIsNoFile_data();
    void appendingToWhatIsNoFile();
    void fileThatCanBeWrittenButNotRead();
    void listingFaults();

    void acceptedNamesReadBack_data();
    void acceptedNamesReadBack();
    void linesThatWouldNotReadBackAreRefused_data();
    void linesThatWouldNotReadBackAreRefused();

    void hostileQuestionTexts_data();
    void hostileQuestionTexts();
    void hostileLargeInputsAreReadWhole_data();
    void hostileLargeInputsAreReadWhole();
    void questionFilesThatAreNoFiles_data();
    void questionFilesThatAreNoFiles();
    void filesSwappedForPipesNeverHang_data();
    void filesSwappedForPipesNeverHang();
    void hugeRecordsFileIsRefusedUnread();
    void sharedFolderFaults_data();
    void sharedFolderFaults();
    void conversionFaults_data();
    void conversionFaults();
    void checkerWithLittleMemory_data();
    void checkerWithLittleMemory();
    void damagedRecordsAreSkippedWithoutThrowing();
    void closedFolderIsToldBeforeTheTest_data();
    void closedFolderIsToldBeforeTheTest();
};

void TestFaults::recordsFaults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("before");       // what records.ssu held; null: no file
    QTest::addColumn<QString>("message");         // how the message starts; empty: written
    QTest::addColumn<int>("error");               // the system's reason; 0: decided by the fault, -1: not a file

    const QByteArray oneLine = recordLine(Pupil).value();
    QTest::newRow("read-only folder, file there") << Fault::ReadOnlyFolder << oneLine
                                                  << "Не удалось открыть файл рекордов" << 0;
    QTest::newRow("read-only folder, no file yet") << Fault::ReadOnlyFolder << QByteArray()
                                                   << "Не удалось открыть файл рекордов" << 0;
    QTest::newRow("records.ssu is a folder") << Fault::Directory << QByteArray()
                                             << "Не удалось открыть файл рекордов" << EISDIR;
    QTest::newRow("full disk, the line needs a new block") << Fault::FullDisk << faults::recordsOfSize(4096)
                                                           << "Не удалось записать в файл рекордов" << ENOSPC;
    QTest::newRow("full disk in the middle of the line") << Fault::FullDisk << faults::recordsOfSize(4090)
                                                         << "Не удалось записать в файл рекордов" << ENOSPC;
    QTest::newRow("records.ssu links to /dev/full") << Fault::DevFull << QByteArray()
                                                    << "Не удалось записать в файл рекордов" << -1;
    QTest::newRow("records.ssu links into a missing folder") << Fault::MissingFolderLink << QByteArray()
                                                             << "Не удалось открыть файл рекордов" << ENOENT;
    QTest::newRow("last line torn by a power cut") << Fault::TornLastLine << oneLine + "Анна,Земле" << QString()
                                                   << 0;
}

void TestFaults::recordsFaults()
{
    QFETCH(Fault, fault);
    QFETCH(QByteArray, before);
    QFETCH(QString, message);
    QFETCH(int, error);

    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("lab"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/records.ssu");
    std::optional<faults::TinyDisk> disk;
    if (fault == Fault::FullDisk) {
        disk.emplace(folder, 16);
        if (!disk->mounted())
            QSKIP("This process may not mount a tmpfs (root with CAP_SYS_ADMIN is needed); the /dev/full row "
                  "covers a full disk.");
    }
    if (!before.isNull())
        QVERIFY(writeBytes(path, before));

    std::optional<faults::ReadOnlyFolder> readOnly;
    switch (fault) {
    case Fault::ReadOnlyFolder:
        readOnly.emplace(folder);
        if (readOnly->method().isEmpty())
            QSKIP("No way to make a folder read-only here: root ignores mode bits, and neither a read-only "
                  "bind mount nor the immutable attribute is allowed.");
        qInfo("read-only by %s", qPrintable(readOnly->method()));
        error = readOnly->error();
        break;
    case Fault::Directory:
        QVERIFY(QDir().mkpath(path));
        QVERIFY(writeBytes(path + QStringLiteral("/keep.txt"), "kept"));
        break;
    case Fault::FullDisk:
        QVERIFY(disk->fill());
        break;
    case Fault::DevFull:
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
        break;
    case Fault::MissingFolderLink:
        QVERIFY(QFile::link(folder + QStringLiteral("/gone/records.ssu"), path));
        break;
    case Fault::TornLastLine:
        break;
    }

    const std::optional<QString> shown = appendRecord(path, Pupil);
    qInfo("pupil sees: %s", qPrintable(shown.value_or(QStringLiteral("(nothing: written)"))));
    if (message.isEmpty()) {
        QCOMPARE(shown, std::nullopt);
    } else {
        QVERIFY(shown.has_value());
        QVERIFY2(shown->startsWith(message + u' ' + path + u':'), qPrintable(*shown));
        const QString reason = error < 0 ? DeviceReason : PlainReasons.value(error, qt_error_string(error));
        QCOMPARE(*shown, message + u' ' + path + QStringLiteral(": ") + reason + u'.');
        // Nothing already there is lost or changed, and nothing half-written is left.
        if (fault == Fault::Directory)
            QCOMPARE(fileBytes(path + QStringLiteral("/keep.txt")), QByteArray("kept"));
        else if (fault != Fault::DevFull && fault != Fault::MissingFolderLink)
            QCOMPARE(fileBytes(path), before);
    }

    // Once the fault is gone, the next good line stands on a line of its own.
    switch (fault) {
    case Fault::ReadOnlyFolder:
        readOnly->lift();
        break;
    case Fault::Directory:
        QVERIFY(QDir(path).removeRecursively());
        break;
    case Fault::FullDisk:
        disk->makeRoom();
        break;
    case Fault::DevFull:
    case Fault::MissingFolderLink:
        QVERIFY(QFile::remove(path));
        break;
    case Fault::TornLastLine:
        break;
    }
    QCOMPARE(appendRecord(path, NextPupil), std::nullopt);
    const QByteArray after = fileBytes(path);
    QByteArray expected = before;
    if (fault == Fault::TornLastLine)
        expected += "\r\n" + recordLine(Pupil).value();
    expected += recordLine(NextPupil).value();
    QCOMPARE(after, expected);

    const auto [records, problemLines] = listing(after);
    QCOMPARE(records.last(), QStringLiteral("Анна|Землетрясение|5"));
    if (fault == Fault::TornLastLine) {
        // The torn line is skipped with a warning on its own line; the lines after it are whole.
        QCOMPARE(records, QStringList({"Ученик|Наводнения|4", "Ученик|Наводнения|4", "Анна|Землетрясение|5"}));
        QCOMPARE(problemLines, QList<int>{2});
    } else {
        QCOMPARE(problemLines, QList<int>{});
    }
}

// The reasons a lab meets read in plain Russian whatever the desktop's language; any
// other in the system's own words.
void TestFaults::systemReasonsInPlainRussian_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    for (auto it = PlainReasons.cbegin(); it != PlainReasons.cend(); ++it)
        QTest::newRow(qPrintable(qt_error_string(it.key()))) << it.key() << it.value();
    QTest::newRow("input/output error: the system's words") << EIO << qt_error_string(EIO);
    QTest::newRow("file too large: the system's words") << EFBIG << qt_error_string(EFBIG);
}

void TestFaults::systemReasonsInPlainRussian()
{
    QFETCH(int, error);
    QFETCH(QString, text);
    QCOMPARE(systemErrorText(error), text);
}

// records.ssu that leads to no regular file: the line is refused at once and nothing waits,
// neither for a reader of a pipe nor for room in it, and the pupil and the records window
// name the same cause in the same words. A link to a regular file elsewhere is followed,
// as an administrator may set it up on purpose.
void TestFaults::appendingToWhatIsNoFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");   // empty: written
    QTest::newRow("pipe with no reader") << "pipe" << "это не файл, а именованный канал";
    QTest::newRow("pipe that is full") << "full pipe" << "это не файл, а именованный канал";
    QTest::newRow("link to /dev/null") << "null" << "это не файл, а устройство";
    QTest::newRow("socket") << "socket" << "это не файл, а сокет";
    QTest::newRow("link to a file in another folder") << "link" << QString();
}

void TestFaults::appendingToWhatIsNoFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const bool written = reason.isEmpty();
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("records.ssu"));
    const QByteArray name = QFile::encodeName(path);
    const QString target = tmp.filePath(QStringLiteral("elsewhere/records.ssu"));
    int pipeEnd = -1, server = -1;
    if (kind == u"pipe" || kind == u"full pipe") {
        QCOMPARE(::mkfifo(name.constData(), 0666), 0);
    }
    if (kind == u"full pipe") {
        // Held open for reading and writing by the test, and filled to the brim.
        pipeEnd = ::open(name.constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(pipeEnd >= 0);
        const QByteArray block(4096, 'x');
        while (::write(pipeEnd, block.constData(), block.size()) > 0) {
        }
        QCOMPARE(errno, EAGAIN);
    } else if (kind == u"null") {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), path));
    } else if (kind == u"socket") {
        server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(name.size()) < sizeof address.sun_path);
        std::copy(name.begin(), name.end(), address.sun_path);
        QCOMPARE(::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    } else if (kind == u"link") {
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        QVERIFY(writeBytes(target, recordLine(NextPupil).value()));
        QVERIFY(QFile::link(target, path));
    }

    const QString shown = appendInAnotherCopy(path);
    qInfo("pupil sees: %s", qPrintable(shown));
    if (written) {
        QCOMPARE(shown, QStringLiteral("saved"));
        QCOMPARE(fileBytes(target), recordLine(NextPupil).value() + recordLine(Pupil).value());
        QVERIFY(QFileInfo(path).isSymLink());
    } else {
        QCOMPARE(shown, QStringLiteral("Не удалось записать в файл рекордов %1: %2.").arg(path, reason));
        QCOMPARE(readRecordsFile(path).fault, QStringLiteral("Не удалось прочитать файл рекордов %1: %2.").arg(path, reason));
    }
    if (kind == u"pipe") {
        // Nothing went into the pipe for a later reader to find.
        const int reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
        char byte;
        QCOMPARE(::read(reader, &byte, 1), ssize_t(0));
        ::close(reader);
    }
    if (pipeEnd >= 0)
        ::close(pipeEnd);
    if (server >= 0)
        ::close(server);
}

// A records file that its pupil may write but not read (mode 0200) still gets the line; only
// the checks that need reading are left out. Run as an ordinary user: root reads anything.
void TestFaults::fileThatCanBeWrittenButNotRead()
{
    if (::geteuid() != 0)
        QSKIP("Needs root to run the append as another user.");
    QTemporaryDir tmp;
    if (!faults::reachableByOthers(tmp.path()))
        QSKIP("Other users cannot reach the temporary folder here.");
    QVERIFY(QFile::setPermissions(tmp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ExeGroup | QFileDevice::ExeOther));
    const QString path = tmp.filePath(QStringLiteral("records.ssu"));
    const QByteArray before = recordLine(NextPupil).value();
    QVERIFY(writeBytes(path, before));
    const faults::LabUser pupil{4311, 0};
    QCOMPARE(::chown(QFile::encodeName(path).constData(), pupil.uid, pupil.uid), 0);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0200), 0);

    const QString shown = appendInAnotherCopy(path, pupil);
    qInfo("pupil sees: %s", qPrintable(shown));
    QCOMPARE(shown, QStringLiteral("saved"));
    QCOMPARE(fileBytes(path), before + recordLine(Pupil).value());
}

// A listing never fails for want of a records file, and says why it cannot read one.
void TestFaults::listingFaults()
{
    QTemporaryDir tmp;
    const QString missing = tmp.filePath(QStringLiteral("records.ssu"));
    const RecordsFileBytes none = readRecordsFile(missing);
    QCOMPARE(none.fault, std::nullopt);
    QVERIFY(none.bytes.isEmpty());

    QVERIFY(QDir().mkpath(missing));
    const RecordsFileBytes folder = readRecordsFile(missing);
    QCOMPARE(folder.fault,
             QStringLiteral("Не удалось прочитать файл рекордов %1: на месте файла находится папка.").arg(missing));

    const QString device = tmp.filePath(QStringLiteral("device.ssu"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), device));
    QVERIFY(readRecordsFile(device).fault.has_value());   // never read for ever

    // A read-only folder is no fault for reading.
    const QString lab = tmp.filePath(QStringLiteral("lab"));
    QVERIFY(QDir().mkpath(lab));
    const QByteArray lines = recordLine(Pupil).value() + recordLine(NextPupil).value();
    QVERIFY(writeBytes(lab + QStringLiteral("/records.ssu"), lines));
    faults::ReadOnlyFolder readOnly(lab);
    const RecordsFileBytes read = readRecordsFile(lab + QStringLiteral("/records.ssu"));
    QCOMPARE(read.fault, std::nullopt);
    QCOMPARE(read.bytes, lines);
}

// Every name the prompt accepts comes back from the file as it went in (spaces in front
// dropped, as the line format has it). Each row puts one Windows-1251 character in the
// places where a name could go wrong.
void TestFaults::acceptedNamesReadBack_data()
{
    QTest::addColumn<QString>("name");
    for (int byte = 0x01; byte <= 0xFF; ++byte) {
        const QString c = decode1251(QByteArray(1, char(byte)));
        const QString tag = QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0'));
        QTest::newRow(qPrintable(tag + " alone")) << c;
        QTest::newRow(qPrintable(tag + " first")) << c + QStringLiteral("Иван");
        QTest::newRow(qPrintable(tag + " inside")) << QStringLiteral("Ив") + c + QStringLiteral("ан");
        QTest::newRow(qPrintable(tag + " last")) << QStringLiteral("Иван") + c;
        QTest::newRow(qPrintable(tag + " after a space")) << u' ' + c + QStringLiteral("Иван");
        QTest::newRow(qPrintable(tag + " fifteen times")) << QString(15, c[0]);
    }
    QTest::newRow("outside Windows-1251") << QStringLiteral("Ива\u0143");
    QTest::newRow("right-to-left mark") << QStringLiteral("Иван\u200F");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("Иван");
    QTest::newRow("replacement character") << QStringLiteral("Иван\uFFFD");
    QTest::newRow("sixteen characters") << QString(16, u'Ж');
    QTest::newRow("digits only") << QStringLiteral("12345");
}

void TestFaults::acceptedNamesReadBack()
{
    QFETCH(QString, name);
    if (!isAcceptableUserName(name)) {
        // Refused at the prompt; the writer refuses it too when it would break the file.
        return;
    }
    const RecordEntryRecord entry{name, QStringLiteral("Наводнения"), 3};
    const std::optional<QByteArray> line = recordLine(entry);
    QVERIFY2(line.has_value(), "an accepted name that the records file cannot hold");
    // After another line and before one more, as in a real file.
    const QByteArray bytes = recordLine(Pupil).value() + *line + recordLine(NextPupil).value();
    const auto [records, problemLines] = listing(bytes);
    QCOMPARE(problemLines, QList<int>{});
    QString expectedName = name;
    while (expectedName.startsWith(u' '))
        expectedName.remove(0, 1);
    QCOMPARE(records, QStringList({"Ученик|Наводнения|4", expectedName + "|Наводнения|3", "Анна|Землетрясение|5"}));
    RowPads pads;
    QVERIFY(buildRecordRow(entry, pads).endsWith(QStringLiteral(" 3")));
}

void TestFaults::linesThatWouldNotReadBackAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("topic");
    QTest::newRow("comma in the name") << QStringLiteral("Иванов,Пётр") << QStringLiteral("Наводнения");
    QTest::newRow("quote at the start") << QStringLiteral("\"Иван") << QStringLiteral("Наводнения");
    QTest::newRow("quote after spaces") << QStringLiteral("  \"Иван") << QStringLiteral("Наводнения");
    QTest::newRow("line break in the name") << QStringLiteral("Иван\r\nПётр") << QStringLiteral("Наводнения");
    QTest::newRow("lone CR") << QStringLiteral("Иван\rПётр") << QStringLiteral("Наводнения");
    QTest::newRow("comma in the topic") << QStringLiteral("Иван") << QStringLiteral("Ураганы, бури");
    QTest::newRow("name over the field limit") << QString(MaxFieldBytes + 1, u'Я') << QStringLiteral("Наводнения");
    QTest::newRow("outside Windows-1251") << QStringLiteral("李雷") << QStringLiteral("Наводнения");
}

void TestFaults::linesThatWouldNotReadBackAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, topic);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("records.ssu"));
    const QByteArray before = recordLine(Pupil).value();
    QVERIFY(writeBytes(path, before));
    QCOMPARE(recordLine({name, topic, 4}), std::nullopt);
    QCOMPARE(appendRecord(path, {name, topic, 4}),
             QStringLiteral("Имя или тема содержат знаки, которые нельзя записать в файл рекордов."));
    QCOMPARE(fileBytes(path), before);
}

// Question texts with every byte from 0x80 to 0xFF, control characters and long fields
// read exactly; a field over the limit is refused with a message, never a crash.
void TestFaults::hostileQuestionTexts_data()
{
    QTest::addColumn<QByteArray>("text");       // the raw bytes of every question text
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<QString>("fault");         // start of the fault message; empty: loads

    QByteArray high;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high += char(byte);
    QByteArray control;
    for (int byte = 0x00; byte < 0x20; ++byte)
        if (byte != '\r' && byte != '\n')
            control += char(byte);
    control += '\x7F';
    QTest::newRow("bytes 0x80 to 0xFF, quoted") << high << true << QString();
    QTest::newRow("bytes 0x80 to 0xFF, bare") << high << false << QString();
    QTest::newRow("control characters, quoted") << control << true << QString();
    QTest::newRow("control characters, bare") << control << false << QString();
    QTest::newRow("comma inside quotes") << QByteArray("a, b, c") << true << QString();
    QTest::newRow("field at the limit") << QByteArray(MaxFieldBytes, '\xC6') << true << QString();
    QTest::newRow("field over the limit") << QByteArray(MaxFieldBytes + 1, '\xC6') << true
                                          << QStringLiteral("Поле длиннее");
    QTest::newRow("bare field over the limit") << QByteArray(MaxFieldBytes + 1, 'x') << false
                                               << QStringLiteral("Поле длиннее");
    QTest::newRow("a line of 300 kB in one field") << QByteArray(300 * 1024, 'x') << false
                                                 << QStringLiteral("Поле длиннее");
}

void TestFaults::hostileQuestionTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, quoted);
    QFETCH(QString, fault);

    const QByteArray field = quoted ? '"' + text + '"' : text;
    QByteArray bytes = "9,7,5,0\r\n";
    for (int n = 0; n < 10; ++n)
        bytes += field + ",\"a\",\"b\",\"c\",\"d\",0,1,0,0,0\r\n";
    const QuestionFileContents contents = readQuestionFile(bytes);
    if (!fault.isEmpty()) {
        QVERIFY(contents.fault.has_value());
        QVERIFY2(contents.fault->message.startsWith(fault), qPrintable(contents.fault->message));
        QCOMPARE(contents.fault->line, 2);
        return;
    }
    QVERIFY2(!contents.fault, qPrintable(contents.fault ? contents.fault->message : QString()));
    QCOMPARE(contents.records.size(), size_t(10));
    const QString expected = decode1251(text);
    for (const QuestionRecord &record : contents.records) {
        QCOMPARE(record.question.size(), qsizetype(text.size()));
        QCOMPARE(record.question, expected);
        QCOMPARE(record.answers[3], QStringLiteral("d"));
    }
}

// Inputs built to be slow or to flood the reader with problems: each is read to its end
// and keeps a bounded list of problems. How long they take is for the fuzz runs and the
// benchmarks to measure, not for a test to time.
void TestFaults::hostileLargeInputsAreReadWhole_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("records");   // read as a records file, else as a question file
    const qsizetype big = MaxQuestionFileBytes;
    const QByteArray header = "9,7,5,0\r\n";
    QTest::newRow("questions: header and blank lines") << header + QByteArray(big - header.size(), '\n') << false;
    QTest::newRow("questions: header and spaces") << header + QByteArray(big - header.size(), ' ') << false;
    QTest::newRow("questions: blank lines, then a letter")
        << header + QByteArray(big - header.size() - 1, '\n') + 'x' << false;
    QTest::newRow("questions: only commas") << QByteArray(big, ',') << false;
    QTest::newRow("questions: a quote never closed") << header + '"' + QByteArray(big - header.size() - 1, 'x')
                                                     << false;
    QTest::newRow("questions: lone CRs") << header + QByteArray(big - header.size(), '\r') << false;
    QByteArray longFields = header;
    while (longFields.size() + MaxFieldBytes + 3 < big)
        longFields += '"' + QByteArray(MaxFieldBytes, 'x') + "\",";
    QTest::newRow("questions: fields at the limit") << longFields << false;
    QTest::newRow("questions: one byte too many") << QByteArray(big + 1, ' ') << false;

    const qsizetype mib = 512 * 1024;   // half a MiB
    QTest::newRow("records: blank lines") << QByteArray(mib, '\n') << true;
    QTest::newRow("records: blank lines then a record") << QByteArray(mib, '\n') + "А,Б, 5\r\n" << true;
    QTest::newRow("records: only commas") << QByteArray(mib, ',') << true;
    QTest::newRow("records: good lines") << recordLine(Pupil).value().repeated(mib / 22) << true;
    QTest::newRow("records: quotes on every line") << QByteArray("\"x\r\n").repeated(mib / 4) << true;
    QTest::newRow("records: bad grade on every line") << QByteArray("a,b,c\r\n").repeated(mib / 7) << true;
}

void TestFaults::hostileLargeInputsAreReadWhole()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, records);
    size_t problems = 0;
    if (records) {
        RecordReader reader(bytes);
        RecordEntryRecord entry;
        RowPads pads;
        while (reader.next(entry))
            buildRecordRow(entry, pads);
        qsizetype contentEnd = bytes.size();
        while (contentEnd > 0 && QByteArrayView(" \t\r\n").contains(bytes[contentEnd - 1]))
            --contentEnd;
        QCOMPARE_GE(reader.offset(), contentEnd);
        problems = reader.problems().size();
    } else {
        const QuestionFileContents contents = readQuestionFile(bytes);
        QVERIFY(contents.records.size() <= size_t(MaxQuestionRecords));
        problems = contents.warnings.size() + contents.fault.has_value();
    }
    QVERIFY(problems <= RecordReader::MaxRecordProblems + 1);
}

// A question file's name that leads to a folder, an endless device or a pipe is
// refused at once instead of being read until memory or patience runs out.
void TestFaults::questionFilesThatAreNoFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("link to /dev/zero") << "zero";
    QTest::newRow("named pipe") << "pipe";
}

void TestFaults::questionFilesThatAreNoFiles()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("qes1.ssu"));
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == u"zero")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const QuestionFileContents contents = readQuestionFileAt(path);
    QVERIFY(contents.fault);
    QVERIFY2(contents.fault->message.contains(QStringLiteral("не файл вопросов")), qPrintable(contents.fault->message));
    QVERIFY(contents.records.empty());
}

enum class SwappedReader { RecordsListing, RecordsInPieces, QuestionFile };

void TestFaults::filesSwappedForPipesNeverHang_data()
{
    QTest::addColumn<SwappedReader>("reader");
    QTest::newRow("records.ssu, the records window") << SwappedReader::RecordsListing;
    QTest::newRow("records.ssu, the checker") << SwappedReader::RecordsInPieces;
    QTest::newRow("qes1.ssu") << SwappedReader::QuestionFile;
}

// Another user swaps the file and a pipe (renameat2 RENAME_EXCHANGE) as fast as
// the system allows while it is read again and again: every read gives either the
// whole file or "not a file", and none waits on the pipe. A read that has not come
// back after 20 s is stuck for good (the pipe never gets a writer): it is let out
// and counted.
void TestFaults::filesSwappedForPipesNeverHang()
{
    QFETCH(SwappedReader, reader);
    constexpr int Reads = 50000;
    QTemporaryDir dir;
    const bool records = reader != SwappedReader::QuestionFile;
    const QString path = dir.filePath(records ? QStringLiteral("records.ssu") : QStringLiteral("qes1.ssu"));
    const QByteArray file = QFile::encodeName(path);
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    QByteArray question = "9,7,5,0\r\n";
    for (int i = 0; i < 10; ++i)
        question += "\"Q\",\"A\",\"B\",\"C\",\"D\",0,1,0,0,0\r\n";
    const QByteArray bytes = records ? recordLine(Pupil).value() + recordLine(NextPupil).value() : question;
    QVERIFY(writeBytes(path, bytes));
    QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
    if (!exchangeNames(file, pipe) || !exchangeNames(file, pipe))
        QSKIP("this file system cannot exchange two names");

    // Another process, as another user's would be: it swaps on the other core.
    const pid_t parent = ::getpid();
    const pid_t swapper = ::fork();
    if (swapper == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);   // never outlives a test that crashed
        while (::getppid() == parent)
            exchangeNames(file, pipe);
        ::_exit(0);
    }
    QVERIFY(swapper > 0);
    std::atomic<bool> stop = false;
    std::atomic<int> done = 0;
    int whole = 0, refused = 0, other = 0;
    std::thread reading([&] {
        for (int i = 0; i < Reads && !stop; ++i) {
            bool read = false;
            bool notAFile = false;
            if (reader == SwappedReader::RecordsListing) {
                const RecordsFileBytes got = readRecordsFile(path);
                read = !got.fault && got.bytes == bytes;
                notAFile = got.fault && got.fault->contains(QStringLiteral("не файл"));
            } else if (reader == SwappedReader::RecordsInPieces) {
                int count = 0;
                const RecordsScan got = scanRecordsFile(path, [&](const RecordEntryRecord &) { ++count; });
                read = !got.fault && count == 2;
                notAFile = got.fault && got.fault->contains(QStringLiteral("не файл"));
            } else {
                const QuestionFileContents got = readQuestionFileAt(path);
                read = !got.fault && got.records.size() == 10;
                notAFile = got.fault && got.fault->message.contains(QStringLiteral("не файл"));
            }
            whole += read;
            refused += notAFile;
            other += !read && !notAFile;
            ++done;
        }
    });
    // The watchdog: only a read that never returns reaches its limit.
    bool hung = false;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    for (int seen = 0; seen < Reads && !hung;) {
        QThread::msleep(10);
        if (done != seen) {
            seen = done;
            sinceProgress.restart();
        } else if (sinceProgress.elapsed() > 20000) {
            hung = true;
        }
    }
    stop = true;
    ::kill(swapper, SIGKILL);
    ::waitpid(swapper, nullptr, 0);
    if (hung) {
        // Out of the stuck open() or read(), so that the reading thread can end.
        for (const int stuckAt = done; done == stuckAt;) {
            releasePipeReaders(file, pipe);
            QThread::msleep(1);
        }
    }
    reading.join();
    qInfo("%d reads: %d whole, %d refused as no file, %d other", int(done), whole, refused, other);
    QVERIFY2(!hung, "a read waited on the pipe");
    QCOMPARE(other, 0);
    QCOMPARE(whole + refused, Reads);
}

// A records file larger than the limit is refused by its size, before a byte of it is
// read, by the listing and by the checker alike.
void TestFaults::hugeRecordsFileIsRefusedUnread()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.ssu"));
    QVERIFY(writeBytes(path, recordLine(Pupil).value()));
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || !file.resize(MaxRecordsFileBytes + 1))
            QSKIP("this file system keeps no sparse file of 4 GB");
    }
    const QString tooLarge = QStringLiteral("Файл рекордов %1 слишком велик, чтобы его показать.").arg(path);
    const qint64 before = bytesReadSoFar();
    const RecordsFileBytes listed = readRecordsFile(path);
    QCOMPARE(listed.fault, tooLarge);
    QVERIFY(listed.bytes.isEmpty());
    int count = 0;
    const RecordsScan scanned = scanRecordsFile(path, [&](const RecordEntryRecord &) { ++count; });
    QCOMPARE(scanned.fault, tooLarge);
    QCOMPARE(count, 0);
    if (before >= 0)
        QVERIFY2(bytesReadSoFar() - before < 1024 * 1024, qPrintable(QString::number(bytesReadSoFar() - before)));
}


// Another account in the lab's shared folder: a classmate may delete records.ssu and put
// a link in its place, or create one before anybody finished a test. The pupil's result
// never goes through a link the classmate made, while links of the pupil, of the folder's
// owner and of the administrator are followed. A file created by a pupil whose umask
// takes everything from the group is writable by the group from its first instant: its
// rights never change after its name appears.
void TestFaults::sharedFolderFaults_data()
{
    QTest::addColumn<int>("linkOwner");   // -1: no link, a fresh folder
    QTest::addColumn<bool>("written");
    QTest::newRow("classmate's link to the pupil's own file") << int(Classmate) << false;
    QTest::newRow("the pupil's own link") << int(PupilAccount.uid) << true;
    QTest::newRow("the folder owner's link") << int(Teacher) << true;
    QTest::newRow("the administrator's link") << 0 << true;
    QTest::newRow("first result in a fresh folder, umask 077") << -1 << true;
}

void TestFaults::sharedFolderFaults()
{
    QFETCH(int, linkOwner);
    QFETCH(bool, written);
    if (::geteuid() != 0)
        QSKIP("Needs root to run the pupils and the teacher as other users.");
    QTemporaryDir tmp;
    const std::optional<SharedFolder> folder = makeSharedFolder(tmp);
    if (!folder)
        QSKIP("Other users cannot reach the temporary folder here.");
    const QString path = folder->lab + QStringLiteral("/records.ssu");
    const QByteArray before = fileBytes(folder->own);
    if (linkOwner >= 0)
        QVERIFY(plantLink(folder->own, path, uid_t(linkOwner)));

    const FolderWatch watch(folder->lab);
    faults::LabUser pupil = PupilAccount;
    pupil.umask = linkOwner < 0 ? 077 : 022;
    const QString shown = appendInAnotherCopy(path, pupil);
    qInfo("pupil sees: %s", qPrintable(shown));
    if (!written) {
        QCOMPARE(shown, QStringLiteral("Не удалось записать в файл рекордов %1: это ссылка, которую создал другой "
                                       "пользователь, а не вы, не владелец папки и не администратор; по такой ссылке "
                                       "программа не пишет.")
                            .arg(path));
        QCOMPARE(fileBytes(folder->own), before);
        QVERIFY(QFileInfo(path).isSymLink());
        return;
    }
    QCOMPARE(shown, QStringLiteral("saved"));
    if (linkOwner >= 0) {
        QCOMPARE(fileBytes(folder->own), before + recordLine(Pupil).value());
        return;
    }
    QCOMPARE(fileBytes(path), recordLine(Pupil).value());
    struct stat made = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &made), 0);
    QCOMPARE(made.st_mode & 07777, mode_t(0660));
    QCOMPARE(made.st_gid, Lab);
    const QStringList events = watch.events();
    qInfo("folder saw: %s", qPrintable(events.join(u' ')));
    QVERIFY(events.contains(QStringLiteral("+records.ssu")));
    const QStringList afterwards = events.mid(events.indexOf(QStringLiteral("+records.ssu")));
    QVERIFY2(!afterwards.contains(QStringLiteral("~records.ssu")), qPrintable(events.join(u' ')));
    QCOMPARE(QDir(folder->lab).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("append_worker"), QStringLiteral("records.ssu")}));
}

// zuf-check --fix-encoding, run by the teacher in the shared folder where pupils may write:
// it converts only the file it opened and checked, never through a link a pupil planted,
// never through a name swapped meanwhile for a link or a pipe, and not while a copy of the
// quiz appends (it takes the records lock, so no line is lost). A refusal leaves no backup.
void TestFaults::conversionFaults_data()
{
    QTest::addColumn<QString>("attack");
    QTest::newRow("a pupil's link to the teacher's private file") << "planted link";
    QTest::newRow("the teacher's own link") << "own link";
    QTest::newRow("the name swapped for a link while it waits") << "swapped for a link";
    QTest::newRow("the name swapped for a pipe while it waits") << "swapped for a pipe";
    QTest::newRow("a copy of the quiz appends meanwhile") << "append";
    QTest::newRow("the disk fills as the converted bytes are written") << "full disk";
}

void TestFaults::conversionFaults()
{
    QFETCH(QString, attack);
    if (::geteuid() != 0)
        QSKIP("Needs root to run the pupils and the teacher as other users.");
    QTemporaryDir tmp;
    if (attack == u"full disk") {
        // Room for the backup only: the converted bytes (CR LF for LF) need one page more.
        const QString dir = tmp.filePath(QStringLiteral("disk"));
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("disk")));
        faults::TinyDisk disk(dir, 64);
        if (!disk.mounted())
            QSKIP("no tmpfs can be mounted here");
        const QString path = dir + QStringLiteral("/qes7.ssu");
        QByteArray before = QStringLiteral("Ё\n").toUtf8();
        while (before.size() < 5 * 4096 - 32)
            before += "Pupil,Floods, 4\n";
        QVERIFY(writeBytes(path, before) && writeBytes(dir + QStringLiteral("/room"), QByteArray(5 * 4096, 'r')));
        QVERIFY(disk.fill() && QFile::remove(dir + QStringLiteral("/room")));
        QProcess check;
        check.start(QStringLiteral(ZUF_CHECK_PATH), {QStringLiteral("--fix-encoding"), path});
        QVERIFY(check.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(check.readAllStandardOutput()),
                 path + QStringLiteral(": error: Файл не переведён: на диске нет места.\n"));
        QCOMPARE(check.exitCode(), 1);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList({QStringLiteral("filler"), QStringLiteral("qes7.ssu")}));
        return;
    }
    const std::optional<SharedFolder> folder = makeSharedFolder(tmp);
    if (!folder)
        QSKIP("Other users cannot reach the temporary folder here.");
    const faults::LabUser teacher{Teacher, Lab};
    const QByteArray utf8 = QStringLiteral("Ученик,Наводнения, 4\nАнна,Землетрясение, 5\n").toUtf8();
    const QByteArray converted = recordLine(Pupil).value() + recordLine(NextPupil).value();
    const QByteArray privateBefore = fileBytes(folder->teacherOwn);
    const QByteArray privateConverted = encode1251(QStringLiteral("Личное,Наводнения, 5\r\n")).value();

    if (attack.endsWith(u"link") && !attack.startsWith(u"swapped")) {
        const QString link = folder->lab + QStringLiteral("/qes7.ssu");
        const bool planted = attack == u"planted link";
        QVERIFY(plantLink(folder->teacherOwn, link, planted ? PupilAccount.uid : Teacher));
        QProcess check;
        QVERIFY(startAs(check, QStringLiteral(ZUF_CHECK_PATH), {QStringLiteral("--fix-encoding"), link}, teacher,
                        tmp.path()));
        QVERIFY(check.waitForFinished(60000));
        const QString out = QString::fromUtf8(check.readAllStandardOutput());
        qInfo("teacher sees: %s", qPrintable(out.trimmed()));
        if (planted) {
            QCOMPARE(out, link + QStringLiteral(": error: Файл не переведён: это ссылка, которую создал другой "
                                                "пользователь, а не вы, не владелец папки и не администратор; по "
                                                "такой ссылке программа не пишет.\n"));
            QCOMPARE(check.exitCode(), 1);
            QCOMPARE(fileBytes(folder->teacherOwn), privateBefore);
            QVERIFY(!QFileInfo::exists(folder->teacherOwn + QStringLiteral(".bak")));
            QVERIFY(!QFileInfo::exists(link + QStringLiteral(".bak")));
        } else {
            QCOMPARE(check.exitCode(), 0);
            QCOMPARE(fileBytes(folder->teacherOwn), privateConverted);
            // The backup lies beside the file it keeps, as closed to others as that file.
            const QString backup = folder->teacherOwn + QStringLiteral(".bak");
            QCOMPARE(fileBytes(backup), privateBefore);
            struct stat kept = {};
            QCOMPARE(::stat(QFile::encodeName(backup).constData(), &kept), 0);
            QCOMPARE(kept.st_mode & 07777, mode_t(0600));
        }
        return;
    }

    const QString path = folder->lab + QStringLiteral("/records.ssu");
    QVERIFY(writeBytes(path, utf8));
    QVERIFY(chownPath(path, PupilAccount.uid, Lab, 0664));
    // Another copy of the quiz holds the records lock: the conversion must wait for it.
    QProcess holder;
    holder.start(QStringLiteral(ZUF_APPEND_WORKER), {QStringLiteral("hold"), path});
    QVERIFY(holder.waitForReadyRead(20000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
    QProcess appender;
    if (attack == u"append") {
        QVERIFY(startAs(appender, QStringLiteral(ZUF_APPEND_WORKER), {QStringLiteral("once"), path}, PupilAccount,
                        tmp.path()));
        QVERIFY(waitUntilOpen(appender, path));
    }
    QProcess check;
    QVERIFY(startAs(check, QStringLiteral(ZUF_CHECK_PATH), {QStringLiteral("--fix-encoding"), path}, teacher,
                    tmp.path()));
    waitUntilOpen(check, path);
    QCOMPARE(fileBytes(path), utf8);   // nothing changes while another copy holds the lock

    const QString moved = folder->lab + QStringLiteral("/records.old");
    if (attack.startsWith(u"swapped")) {
        QVERIFY(QFile::rename(path, moved));
        if (attack == u"swapped for a link")
            QVERIFY(plantLink(folder->teacherOwn, path, PupilAccount.uid));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
    }
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(20000));
    if (!check.waitForFinished(20000)) {
        check.kill();
        check.waitForFinished();
        QFAIL("the conversion hangs");
    }
    qInfo("teacher sees: %s", check.readAllStandardOutput().trimmed().constData());
    QCOMPARE(fileBytes(folder->teacherOwn), privateBefore);
    if (attack.startsWith(u"swapped")) {
        QCOMPARE(check.exitCode(), 0);
        QCOMPARE(fileBytes(moved), converted);
        QCOMPARE(fileBytes(path + QStringLiteral(".bak")), utf8);
        QCOMPARE(QFileInfo(path).isSymLink(), attack == u"swapped for a link");
        return;
    }
    QVERIFY(appender.waitForFinished(20000));
    QCOMPARE(appender.readAllStandardOutput().trimmed(), QByteArray("saved"));
    // The pupil's line is in the file whichever copy had the lock first: after the
    // converted records, or after the old ones when it made the file one of two encodings.
    const QByteArray after = fileBytes(path);
    qInfo("records.ssu holds %lld bytes, exit %d", qint64(after.size()), check.exitCode());
    QVERIFY(after == converted + recordLine(Pupil).value() || after == utf8 + recordLine(Pupil).value());
}

// zuf-check with 128 MB of address space, as on a small lab machine: a records file of one
// 64 MB line, a sparse one of 4 GiB - 1 and the conversion of a 60 MB file end with a
// report and exit status 0 or 1, never with an abort; a shortage of memory is said.
// Control characters U+0080 to U+009F are escaped in JSON as the others are.
void TestFaults::checkerWithLittleMemory_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("content");   // "line": one 64 MB line; "lines": 64 MB of "a" lines;
                                            // "sparse": 4 GiB - 1 of zero bytes;
                                            // "utf8": 60 MB of UTF-8; "c1": a name with U+0098
    QTest::newRow("64 MB line") << QStringList{"--records"} << "line";
    QTest::newRow("64 MB line, JSON") << QStringList{"--json", "--records"} << "line";
    QTest::newRow("64 MB of damaged lines") << QStringList{"--records"} << "lines";
    QTest::newRow("sparse 4 GiB - 1") << QStringList{"--records"} << "sparse";
    QTest::newRow("converting 60 MB") << QStringList{"--fix-encoding"} << "utf8";
    QTest::newRow("JSON of a control character U+0098") << QStringList{"--json", "--records"} << "c1";
}

void TestFaults::checkerWithLittleMemory()
{
    QFETCH(QStringList, options);
    QFETCH(QString, content);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("records.ssu"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (content == u"line") {
            const QByteArray block(1024 * 1024, 'a');
            for (int i = 0; i < 64; ++i)
                QCOMPARE(file.write(block), block.size());
        } else if (content == u"lines") {
            QByteArray block;
            while (block.size() < 1024 * 1024)
                block += "a\n";
            for (int i = 0; i < 64; ++i)
                QCOMPARE(file.write(block), block.size());
        } else if (content == u"sparse") {
            if (!file.resize(MaxRecordsFileBytes))
                QSKIP("this file system keeps no sparse file of 4 GB");
        } else if (content == u"utf8") {
            const QByteArray line = QStringLiteral("Ученик,Наводнения, 4\n").toUtf8();
            for (qsizetype n = 0; n < 60 * 1024 * 1024; n += line.size())
                file.write(line);
        } else {
            file.write("A\x98" "B,Floods, 4\r\n");
        }
    }
    QProcess check;
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer reserves terabytes of address space for itself: a sanitized build
    // runs without the limit.
    check.setChildProcessModifier([] {
        const rlimit limit{128 * 1024 * 1024, 128 * 1024 * 1024};
        ::setrlimit(RLIMIT_AS, &limit);
    });
#endif
    check.start(QStringLiteral(ZUF_CHECK_PATH), options + QStringList{path});
    QVERIFY(check.waitForFinished(300000));
    const QString out = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
    qInfo("exit %d: %s", check.exitCode(), qPrintable(out.left(300)));
    QCOMPARE(check.exitStatus(), QProcess::NormalExit);
    if (content == u"c1") {
        QVERIFY2(out.contains(QStringLiteral("\"A\\u0098B\"")), qPrintable(out));
        return;
    }
    if (content == u"utf8") {
        QVERIFY(check.exitCode() == 0 || check.exitCode() == 1);
        if (check.exitCode() == 1) {
            QCOMPARE(out.trimmed(), QStringLiteral("Не хватило памяти, чтобы проверить или перевести файл %1.").arg(path));
            QVERIFY(!QFileInfo::exists(path + QStringLiteral(".bak")));
        }
    } else {
        // Read a piece at a time: nothing is short of memory, and the damage is reported.
        QCOMPARE(check.exitCode(), 0);
        QVERIFY2(out.contains(QStringLiteral("пропущена")), qPrintable(out.left(300)));
    }
}

// A file of damaged records is read as fast as one of valid records: skipping one throws
// nothing once the problems to show are noted.
void TestFaults::damagedRecordsAreSkippedWithoutThrowing()
{
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "a\n";
    const long before = exceptionsThrown;
    const auto [records, problemLines] = listing(bytes);
    const long thrown = exceptionsThrown - before;
    qInfo("%d lines, %ld exceptions", 100000, thrown);
    QCOMPARE(records.size(), 0);
    QCOMPARE(problemLines.size(), qsizetype(RecordReader::MaxRecordProblems + 1));
    // One for each problem noted, and the last record's end; not one for each line.
    QVERIFY2(thrown < 2 * long(RecordReader::MaxRecordProblems), qPrintable(QString::number(thrown)));

    // Records and skips after that are those of a reader that still notes every problem.
    const QByteArray damaged = QByteArray("a,b,x\n").repeated(int(RecordReader::MaxRecordProblems) + 1);
    const QByteArray mixed = encode1251(QStringLiteral(
        "Анна,Наводнения, 5\r\na,b,x\r\na\r\nb\r\nc\r\n5\r\nx,y,\"5\"\r\np,q, 99999\r\nm,n, -32768\r\n"
        "m,n,  7  \r\nu,v\r\n5\r\n\t\"t\",w, 3\r\nk,l, 4,z,z, 3\r\ne,f, 3 x\r\n-,-,-\n,,\n\n\nВера,Землетрясение, -0004\r\n")).value();
    const QStringList alone = listing(mixed).first;
    QCOMPARE(listing(damaged + mixed).first, alone);
    QVERIFY(alone.size() > 5);
}

// Counts every exception thrown in this process, then throws it as the C++ runtime would.
extern "C" [[noreturn]] void __cxa_throw(void *object, void *type, void (*destroy)(void *))
{
    using Throw = void (*)(void *, void *, void (*)(void *));
    static const auto runtime = reinterpret_cast<Throw>(::dlsym(RTLD_NEXT, "__cxa_throw"));
    ++exceptionsThrown;
    runtime(object, type, destroy);
    std::abort();
}

QTEST_GUILESS_MAIN(TestFaults)
#include "test_core_faults.moc"

// Started from a folder pupils may not write to (a program folder, a read-only share), the
// pupil is told before the test that its result will not be kept, and why.
void TestFaults::closedFolderIsToldBeforeTheTest_data()
{
    QTest::addColumn<bool>("recordsThere");
    QTest::newRow("no results yet") << false;
    QTest::newRow("results of earlier lessons") << true;
}

void TestFaults::closedFolderIsToldBeforeTheTest()
{
    QFETCH(bool, recordsThere);
    QTemporaryDir tmp;
    QFile question(tmp.filePath(QStringLiteral("qes1.ssu")));
    QVERIFY(question.open(QIODevice::WriteOnly));
    question.close();
    if (recordsThere) {
        QFile records(tmp.filePath(RecordsFileName));
        QVERIFY(records.open(QIODevice::WriteOnly));
    }
    QVERIFY(!resultsUnsavableNotice(tmp.path()));

    faults::ReadOnlyFolder closed(tmp.path());
    if (closed.method().isEmpty())
        QSKIP("No way to make a folder read-only here.");
    const std::optional<QString> notice = resultsUnsavableNotice(tmp.path());
    QVERIFY(notice);
    qInfo("pupil reads (%s): %s", qPrintable(closed.method()), qPrintable(*notice));
    const QString why = closed.method() == QStringLiteral("read-only bind mount")
        ? QStringLiteral("диск или папка доступны только для чтения")
        : QStringLiteral("нет прав на запись в этот файл или в его папку");
    QVERIFY2(notice->startsWith(QStringLiteral("Результат теста не будет сохранён: в папку ") + tmp.path()) && notice->contains(why),
             qPrintable(*notice));
    QVERIFY(!noQuestionFilesNotice(tmp.path()));
}
