// What the working folder is told to lack before a test begins: a place for results and
// the question files.

#include "records/workfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestWorkFolder : public QObject {
    Q_OBJECT
private slots:
    void noticesBeforeTheTest_data();
    void noticesBeforeTheTest();
};

namespace {

bool makeEmptyFile(const QString &path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly);
}

} // namespace

void TestWorkFolder::noticesBeforeTheTest_data()
{
    QTest::addColumn<QString>("folder");      // inside a fresh temporary folder
    QTest::addColumn<QStringList>("files");   // made in it first; a name ending in / is a folder
    QTest::addColumn<QString>("resultsWhy");  // empty: results can be saved
    QTest::addColumn<bool>("noQuestions");

    QTest::newRow("lab folder") << "lab" << QStringList{"lab/qes1.ssu", "lab/qes9.ssu"} << "" << false;
    QTest::newRow("one topic is enough") << "lab" << QStringList{"lab/qes6.ssu"} << "" << false;
    QTest::newRow("other working folder") << "desk" << QStringList{"desk/"} << "" << true;
    QTest::newRow("records already there") << "lab" << QStringList{"lab/qes2.ssu", "lab/records.ssu"} << "" << false;
    QTest::newRow("folder gone") << "gone" << QStringList{} << "нет папки, в которой он должен лежать" << true;
    QTest::newRow("a file for the folder") << "plain" << QStringList{"plain"}
                                           << "в пути к нему вместо папки стоит файл" << true;
}

void TestWorkFolder::noticesBeforeTheTest()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, files);
    QFETCH(QString, resultsWhy);
    QFETCH(bool, noQuestions);

    QTemporaryDir root;
    for (const QString &file : files) {
        if (file.endsWith(u'/'))
            QVERIFY(QDir(root.path()).mkpath(file));
        else
            QVERIFY(makeEmptyFile(root.filePath(file)));
    }
    const QString path = root.filePath(folder);
    const QString shown = QDir::toNativeSeparators(path);

    const std::optional<QString> results = resultsUnsavableNotice(path);
    QCOMPARE(results.has_value(), !resultsWhy.isEmpty());
    if (results) {
        QVERIFY2(results->contains(shown) && results->contains(u"records.ssu") && results->contains(resultsWhy)
                     && results->contains(u"Тест пройти можно"),
                 qPrintable(*results));
    }
    // The probe leaves nothing behind.
    if (QFileInfo(path).isDir())
        QCOMPARE(QDir(path).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                 qsizetype(std::count_if(files.begin(), files.end(), [](const QString &f) { return !f.endsWith(u'/'); })));

    const std::optional<QString> questions = noQuestionFilesNotice(path);
    QCOMPARE(questions.has_value(), noQuestions);
    if (questions)
        QVERIFY2(questions->contains(shown) && questions->contains(u"qes1.ssu") && questions->contains(u"qes9.ssu"),
                 qPrintable(*questions));
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "test_core_workfolder.moc"
