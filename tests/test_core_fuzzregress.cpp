// Every input that once broke a fuzz target, and every seed, through the targets' checks.

#include "fuzz/fuzz_checks.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

void addFilesOf(const QString &dir, const QString &kind, const QStringList &patterns = {})
{
    const QFileInfoList files = QDir(dir).entryInfoList(patterns, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &file : files)
        QTest::newRow(qPrintable(kind + u' ' + QDir(ZUF_FUZZ_DIR).relativeFilePath(file.filePath())))
            << kind << file.filePath();
}

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
    const QString failure =
        kind == QStringLiteral("records") ? fuzzcheck::checkRecords(bytes) : fuzzcheck::checkQuestionFile(bytes);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_core_fuzzregress.moc"
