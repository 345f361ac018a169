// The class's results as the teacher's page gets them: grades counted per topic from a
// records file with damaged lines, and the CSV bytes a Russian spreadsheet opens.

#include "quiz/codepage.h"
#include "quiz/problemtexts.h"
#include "records/recordsfile.h"
#include "teacher/results/classresults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray cp1251(const QString &text)
{
    return *encode1251(text);
}

// "topic n2 n3 n4 n5 +outside mean" per topic, in the order first met.
QString gradesText(const ClassResults &results)
{
    QStringList topics;
    for (qsizetype i = 0; i < results.topics.size(); ++i) {
        const TopicGrades &g = results.grades[size_t(i)];
        const std::optional<double> mean = g.mean();
        topics << QStringLiteral("%1 %2 %3 %4 %5 +%6 %7")
                      .arg(results.topics[quint32(i)])
                      .arg(g.count[0])
                      .arg(g.count[1])
                      .arg(g.count[2])
                      .arg(g.count[3])
                      .arg(g.outside)
                      .arg(mean ? QString::number(*mean, 'f', 2) : QStringLiteral("-"));
    }
    return topics.join(QStringLiteral("; "));
}

QList<int> noticeIds(const ClassResults &results)
{
    QList<int> ids;
    for (const FileProblem &notice : results.notices)
        ids << int(notice.id);
    return ids;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT

private slots:
    void summary_data();
    void summary();
    void folderInPlaceOfTheFile();
    void csvLine_data();
    void csvLine();
    void writeCsv();
};

void TestResults::summary_data()
{
    QTest::addColumn<QByteArray>("bytes");   // null: no records file at all
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("names");
    QTest::addColumn<QString>("grades");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<bool>("skippedMore");
    QTest::addColumn<QList<int>>("notices");
    QTest::addColumn<int>("firstSkippedLine");

    const int Skipped = int(ProblemId::ResultsSkipped);
    QTest::newRow("clean") << cp1251(u"Анна,Наводнения, 5\r\nБорис,Наводнения, 3\r\nАнна,Землетрясение, 4\r\n"_qs)
                           << 3 << 2 << u"Наводнения 0 1 0 1 +0 4.00; Землетрясение 0 0 1 0 +0 4.00"_qs << 0 << false
                           << QList<int>{} << 0;
    // A word for a grade, a line short of its grade (the reader reads on at the next line),
    // a blank line and a torn last line: each left out, as the records window leaves it out.
    QTest::newRow("damaged lines")
        << cp1251(u"Анна,Наводнения, 5\r\nВера,Наводнения, пять\r\nГлеб,Наводнения\r\nДина,Наводнения, 2\r\n"
                  u"\r\nЕгор,Наводнения, 3\r\nЖеня,Наводнения"_qs)
        << 3 << 3 << u"Наводнения 1 1 0 1 +0 3.33"_qs << 4 << false << QList<int>{Skipped} << 2;
    QTest::newRow("grades no test gives") << cp1251(u"Анна,Наводнения, 7\r\nАнна,Наводнения, 0\r\nАнна,Наводнения,-2\r\n"
                                                    u"Анна,Наводнения, 2\r\n"_qs)
                                          << 4 << 1 << u"Наводнения 1 0 0 0 +3 2.00"_qs << 0 << false
                                          << QList<int>{int(ProblemId::ResultsGradesOutside)} << 0;
    QTest::newRow("only grades no test gives") << QByteArray("A,T, 9\r\n") << 1 << 1 << u"T 0 0 0 0 +1 -"_qs << 0 << false
                                               << QList<int>{int(ProblemId::ResultsGradesOutside)} << 0;
    QByteArray many;
    for (int i = 0; i < 150; ++i)
        many += "A,T, x\r\n";
    many += "A,T, 5\r\n";
    QTest::newRow("more damaged lines than the reader notes")
        << many << 1 << 1 << u"T 0 0 0 1 +0 5.00"_qs << int(RecordReader::MaxRecordProblems) << true
        << QList<int>{int(ProblemId::ResultsSkippedMore)} << 1;
    QByteArray class200;   // each name twice, far apart: found again after the index has grown
    for (int i = 0; i < 200; ++i)
        class200 += "N" + QByteArray::number(i % 100) + ",T, " + QByteArray::number(2 + i % 4) + "\r\n";
    QTest::newRow("a hundred names, each twice") << class200 << 200 << 100 << u"T 50 50 50 50 +0 3.50"_qs << 0
                                                 << false << QList<int>{} << 0;
    QTest::newRow("empty file") << QByteArray("") << 0 << 0 << QString() << 0 << false << QList<int>{} << 0;
    QTest::newRow("no records file") << QByteArray() << 0 << 0 << QString() << 0 << false
                                     << QList<int>{int(ProblemId::ResultsNoRecords)} << 0;
    QTest::newRow("saved as UTF-8") << u"Анна,Наводнения, 5\r\n"_qs.toUtf8() << 1 << 1
                                    << decode1251(u"Наводнения"_qs.toUtf8()) + u" 0 0 0 1 +0 5.00"_qs << 0 << false
                                    << QList<int>{int(ProblemId::UnicodeRecordsFile)} << 0;
}

void TestResults::summary()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, firstSkippedLine);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.ssu"));
    if (!bytes.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    const ClassResults results = readClassResults(path);

    QVERIFY(!results.fault);
    QTEST(int(results.rows.size()), "rows");
    QTEST(int(results.names.size()), "names");
    QTEST(gradesText(results), "grades");
    QTEST(results.skipped, "skipped");
    QTEST(results.skippedMore, "skippedMore");
    QTEST(noticeIds(results), "notices");
    if (firstSkippedLine > 0)
        QVERIFY2(results.notices.front().message.contains(QStringLiteral("строке %1").arg(firstSkippedLine)),
                 qPrintable(results.notices.front().message));
    QCOMPARE(readAll(path), bytes.isNull() ? QByteArray("<missing>") : bytes);   // only read
}

void TestResults::folderInPlaceOfTheFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"records.ssu"_qs));
    const ClassResults results = readClassResults(dir.filePath(u"records.ssu"_qs));
    QVERIFY(results.fault && results.fault->contains(u"на месте файла находится папка"_qs));
    QVERIFY(results.rows.empty() && results.names.size() == 0);
}

void TestResults::csvLine_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("plain, in UTF-8") << QStringList{u"Анна"_qs, u"Наводнения"_qs, u"5"_qs}
                                     << u"Анна;Наводнения;5\r\n"_qs.toUtf8();
    QTest::newRow("comma stays bare") << QStringList{u"Анна, 7 кл."_qs, u"4"_qs} << u"Анна, 7 кл.;4\r\n"_qs.toUtf8();
    QTest::newRow("separator quoted") << QStringList{u"Ан;на"_qs, u"x"_qs} << u"\"Ан;на\";x\r\n"_qs.toUtf8();
    QTest::newRow("quote doubled") << QStringList{u"Ан\"на"_qs} << u"\"Ан\"\"на\"\r\n"_qs.toUtf8();
    QTest::newRow("line break quoted") << QStringList{u"a\nb"_qs, u"c\rd"_qs} << QByteArray("\"a\nb\";\"c\rd\"\r\n");
    QTest::newRow("formula kept as text") << QStringList{u"=1+1"_qs, u"@A1"_qs, u"+7"_qs, u"-Вася"_qs}
                                          << u"'=1+1;'@A1;+7;'-Вася\r\n"_qs.toUtf8();
    QTest::newRow("negative number stays a number") << QStringList{u"-3"_qs} << QByteArray("-3\r\n");
    QTest::newRow("formula with separator") << QStringList{u"=A;B"_qs} << QByteArray("\"'=A;B\"\r\n");
    QTest::newRow("empty fields") << QStringList{QString(), QString()} << QByteArray(";\r\n");
}

void TestResults::csvLine()
{
    QFETCH(QStringList, fields);
    QTEST(::csvLine(fields), "line");
}

void TestResults::writeCsv()
{
    QTemporaryDir dir;
    const QString records = dir.filePath(QStringLiteral("records.ssu"));
    const QByteArray recordBytes = cp1251(u"Анна,Наводнения, 5\r\n=cmd,Наводнения, 2\r\nБорис,Землетрясение, 4\r\n"_qs);
    QFile file(records);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(recordBytes);
    file.close();
    const ClassResults results = readClassResults(records);

    const QString csv = dir.filePath(QStringLiteral("класс.csv"));
    const int order[] = {2, 1};
    QCOMPARE(writeResultsCsv(csv, results, order), std::nullopt);
    QCOMPARE(readAll(csv), u"\uFEFFИмя;Тема;Оценка\r\nБорис;Землетрясение;4\r\n'=cmd;Наводнения;2\r\n"_qs.toUtf8());

    // The program's own files are never written over, whatever the case of the name.
    for (const QString &name : {u"records.ssu"_qs, u"QES1.SSU"_qs}) {
        const std::optional<QString> refused = writeResultsCsv(dir.filePath(name), results, order);
        QVERIFY(refused && refused->contains(u".ssu"_qs));
    }
    QCOMPARE(readAll(records), recordBytes);
    QVERIFY(!QFile::exists(dir.filePath(u"QES1.SSU"_qs)));

    const std::optional<QString> failed = writeResultsCsv(dir.filePath(u"нет/такой/папки.csv"_qs), results, order);
    QVERIFY(failed && failed->startsWith(u"Не удалось записать файл"_qs));
}

QTEST_GUILESS_MAIN(TestResults)
#include "test_results.moc"
