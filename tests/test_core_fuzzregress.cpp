// Every input that once broke a fuzz target, and every seed, through the targets' checks.
// Each input takes milliseconds, many times that on a loaded machine; only one that hangs
// runs into the watchdog, which names it.

#include "fuzz/fuzz_checks.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

void addFilesOf(const QString &dir, const QString &kind, const QStringList &patterns = {})
{
    const QFileInfoList files = QDir(dir).entryInfoList(patterns, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &file : files)
        QTest::newRow(qPrintable(kind + u' ' + QDir(ZUF_FUZZ_DIR).relativeFilePath(file.filePath())))
            << kind << file.filePath();
}

// Ends the process with the input's name when the check is still running after the
// limit; a hung check cannot be interrupted in any other way.
class HangWatch {
public:
    HangWatch(const QString &input, std::chrono::seconds limit)
        : name_(input.toLocal8Bit()), thread_([this, limit] { watch(limit); })
    {
    }
    ~HangWatch()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        thread_.join();
    }

private:
    void watch(std::chrono::seconds limit)
    {
        std::unique_lock lock(mutex_);
        if (ended_.wait_for(lock, limit, [this] { return done_; }))
            return;
        std::fprintf(stderr, "%s: still running after %lld s, it hangs\n", name_.constData(),
                     static_cast<long long>(limit.count()));
        std::abort();
    }

    QByteArray name_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void TestFuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("path");
    for (const QString kind : {QStringLiteral("questionfile"), QStringLiteral("records")}) {
        addFilesOf(QStringLiteral(ZUF_FUZZ_DIR "/regressions/") + kind, kind);
        addFilesOf(QStringLiteral(ZUF_FUZZ_DIR "/corpus/") + kind, kind);
        addFilesOf(QStringLiteral(ZUF_TEST_DATA), kind);
    }
    addFilesOf(QStringLiteral(ZUF_SHIPPED_DATA), QStringLiteral("questionfile"), {QStringLiteral("qes*.ssu")});
}

void TestFuzzRegressions::replay()
{
    QFETCH(QString, kind);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const HangWatch watch(path, std::chrono::seconds(60));
    const QString failure =
        kind == QStringLiteral("records") ? fuzzcheck::checkRecords(bytes) : fuzzcheck::checkQuestionFile(bytes);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_core_fuzzregress.moc"
