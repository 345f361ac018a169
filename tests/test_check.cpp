// zuf-check as teachers and scripts run it: exit codes, text lines and the JSON document.

#include "quiz/codepage.h"
#include "quiz/grading.h"
#include "records/recordsfile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>

namespace {

QString questionText(int count, const QString &header)
{
    QString text = header + QStringLiteral("\r\n");
    for (int n = 1; n <= count; ++n)
        text += QStringLiteral("\"Вопрос %1\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1\r\n").arg(n);
    return text;
}

// The files a test may name, by name.
QByteArray contentsFor(const QString &name)
{
    const QString base = QFileInfo(name).completeBaseName().toLower();
    QString text;
    if (base == u"good" || base == u"-x")
        text = questionText(10, QStringLiteral("19,17,14,0"));
    else if (base == u"warn")
        text = questionText(10, QStringLiteral("9,7,5,0"));
    else if (base == u"short")
        text = questionText(5, QStringLiteral("19,17,14,0"));
    else if (base == u"many")
        text = questionText(91, QStringLiteral("19,17,14,0"));
    else
        text = QStringLiteral("Ученик,Наводнения, 4\r\nЯ,Землетрясение, 5\r\nПётр,Пожары, 3\r\nБорис,Урага");
    return encode1251(text).value();
}

struct Run {
    int exitCode = -1;
    QByteArray out;
};

} // namespace

class TestCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exitCodesAndLines_data();
    void exitCodesAndLines();
    void jsonOfQuestionFile();
    void jsonOfRefusedFile();
    void jsonOfRecordsFile();
    void shippedQuestionFilesPass();
    void hugeRecordsFileIsAnError();
    void largeRecordsFileTakesLittleMemory();

private:
    Run run(const QStringList &arguments, qint64 addressSpace = 0);
    QJsonArray runJson(const QStringList &arguments);
    void writeFiles(const QStringList &names);

    QTemporaryDir dir_;
};

void TestCheck::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(QFile::exists(QStringLiteral(ZUF_CHECK_PATH)));
}

// addressSpace: the most memory the checker may map (left out under AddressSanitizer,
// which maps far more for itself); a checker that needs more fails instead of slowing
// the machine.
Run TestCheck::run(const QStringList &arguments, qint64 addressSpace)
{
    QProcess process;
    process.setWorkingDirectory(dir_.path());
#ifndef __SANITIZE_ADDRESS__
    if (addressSpace > 0) {
        process.setChildProcessModifier([addressSpace] {
            const rlimit limit{rlim_t(addressSpace), rlim_t(addressSpace)};
            ::setrlimit(RLIMIT_AS, &limit);
        });
    }
#else
    Q_UNUSED(addressSpace);
#endif
    process.start(QStringLiteral(ZUF_CHECK_PATH), arguments);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    return result;
}

QJsonArray TestCheck::runJson(const QStringList &arguments)
{
    const Run result = run(QStringList{QStringLiteral("--json")} + arguments);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        qWarning("not a JSON array: %s", qPrintable(error.errorString()));
    return document.array();
}

void TestCheck::writeFiles(const QStringList &names)
{
    for (const QString &name : names) {
        QFile file(dir_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contentsFor(name));
    }
}

void TestCheck::exitCodesAndLines_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("linesStart");   // each output line starts with the one given

    QTest::newRow("no arguments") << QStringList{} << QStringList{} << 2 << QStringList{};
    QTest::newRow("only an option") << QStringList{} << QStringList{"--json"} << 2 << QStringList{};
    QTest::newRow("unknown option") << QStringList{"good.ssu"} << QStringList{"--bogus", "good.ssu"} << 2
                                    << QStringList{};
    QTest::newRow("help") << QStringList{} << QStringList{"--help"} << 0 << QStringList{"Использование", "", "", "", ""};
    QTest::newRow("good file") << QStringList{"good.ssu"} << QStringList{"good.ssu"} << 0 << QStringList{};
    QTest::newRow("warnings only") << QStringList{"warn.ssu"} << QStringList{"warn.ssu"} << 0
                                   << QStringList{"warn.ssu:1:1: warning: Пороги 9, 7, 5"};
    QTest::newRow("missing file") << QStringList{} << QStringList{"missing.ssu"} << 1
                                  << QStringList{"missing.ssu: error: "};
    QTest::newRow("five questions") << QStringList{"short.ssu"} << QStringList{"short.ssu"} << 1
                                    << QStringList{"short.ssu:7:1: error: Вопросов в файле: 5"};
    QTest::newRow("ninety-one questions") << QStringList{"many.ssu"} << QStringList{"many.ssu"} << 1
                                          << QStringList{"many.ssu:92:1: error: В файле больше 90 вопросов"};
    QTest::newRow("good and bad") << QStringList{"good.ssu", "short.ssu"} << QStringList{"good.ssu", "short.ssu"}
                                  << 1 << QStringList{"short.ssu:7:1: error:"};
    QTest::newRow("records file by name, any case") << QStringList{"RECORDS.SSU"} << QStringList{"RECORDS.SSU"} << 0
                                                    << QStringList{"RECORDS.SSU:4:1: warning: Последняя запись"};
    QTest::newRow("records file after option") << QStringList{"log.txt"} << QStringList{"--records", "log.txt"} << 0
                                               << QStringList{"log.txt:4:1: warning:"};
    QTest::newRow("name after double dash") << QStringList{"-x.ssu"} << QStringList{"--", "-x.ssu"} << 0
                                            << QStringList{};
}

void TestCheck::exitCodesAndLines()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, linesStart);

    writeFiles(files);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, exitCode);
    QStringList lines = QString::fromUtf8(result.out).split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString());   // every line ends with a line break
    if (result.out.isEmpty())
        lines.clear();
    QCOMPARE(lines.size(), linesStart.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(linesStart[i]), qPrintable(lines[i]));
}

void TestCheck::jsonOfQuestionFile()
{
    const QString fixture = QStringLiteral(ZUF_TEST_DATA "/questions-good.ssu");
    const QJsonArray reports = runJson({fixture, fixture});
    QCOMPARE(reports.size(), 2);
    const QJsonObject report = reports[0].toObject();
    QCOMPARE(report[u"file"].toString(), fixture);
    QCOMPARE(report[u"kind"].toString(), QStringLiteral("questions"));
    QCOMPARE(report[u"ok"].toBool(), true);
    QCOMPARE(report[u"thresholds"].toArray(), (QJsonArray{18, 16, 13}));
    QCOMPARE(report[u"problems"].toArray(), QJsonArray());

    const QJsonArray questions = report[u"questions"].toArray();
    QCOMPARE(questions.size(), 10);
    const QJsonObject first = questions[0].toObject();
    QCOMPARE(first[u"text"].toString(), QStringLiteral("Что такое паводок?"));
    QCOMPARE(first[u"answers"].toArray()[0].toString(), QStringLiteral("Быстрый, но кратковременный подъём воды"));
    QCOMPARE(first[u"correct"].toArray(), (QJsonArray{1, 0, 0, 0}));
    QCOMPARE(questions[2].toObject()[u"correct"].toArray(), (QJsonArray{1, 1, 2, -1}));

    const QJsonArray grades = report[u"grades"].toArray();
    QCOMPARE(grades.size(), 41);
    for (int score = 0; score <= 40; ++score)
        QCOMPARE(grades[score].toInt(), int(computeGrade(qint16(score), 18, 16, 13)));
}

void TestCheck::jsonOfRefusedFile()
{
    writeFiles({QStringLiteral("many.ssu")});
    const QString split = QStringLiteral(ZUF_TEST_DATA "/questions-split.ssu");
    const QJsonArray reports = runJson({QStringLiteral("many.ssu"), split});
    QCOMPARE(reports.size(), 2);

    const QJsonObject many = reports[0].toObject();
    QCOMPARE(many[u"ok"].toBool(), false);
    QCOMPARE(many[u"questions"].toArray().size(), 90);
    const QJsonObject fault = many[u"problems"].toArray().last().toObject();
    QCOMPARE(fault[u"severity"].toString(), QStringLiteral("error"));
    QCOMPARE(fault[u"line"].toInt(), 92);
    QCOMPARE(fault[u"column"].toInt(), 1);

    // The answer "В подвал, в погреб" without quotes: a hint at it, then the fault.
    const QJsonObject splitReport = reports[1].toObject();
    QCOMPARE(splitReport[u"ok"].toBool(), false);
    QCOMPARE(splitReport[u"questions"].toArray().size(), 1);
    const QJsonArray problems = splitReport[u"problems"].toArray();
    QCOMPARE(problems.size(), 2);
    QCOMPARE(problems[0].toObject()[u"severity"].toString(), QStringLiteral("warning"));
    QCOMPARE(problems[0].toObject()[u"line"].toInt(), 3);
    QCOMPARE(problems[0].toObject()[u"column"].toInt(), 36);
    QVERIFY(problems[0].toObject()[u"message"].toString().contains(QStringLiteral("кавычки")));
    QCOMPARE(problems[1].toObject()[u"severity"].toString(), QStringLiteral("error"));
    QCOMPARE(problems[1].toObject()[u"line"].toInt(), 3);
}

void TestCheck::jsonOfRecordsFile()
{
    writeFiles({QStringLiteral("records.ssu")});
    const QJsonArray reports = runJson({QStringLiteral("records.ssu"), QStringLiteral("--records"),
                                        QStringLiteral(ZUF_TEST_DATA "/records-torn.ssu")});
    QCOMPARE(reports.size(), 2);
    const QJsonObject report = reports[0].toObject();
    QCOMPARE(report[u"kind"].toString(), QStringLiteral("records"));
    QCOMPARE(report[u"ok"].toBool(), true);
    const QJsonArray records = report[u"records"].toArray();
    QCOMPARE(records.size(), 3);
    const QJsonObject first = records[0].toObject();
    QCOMPARE(first[u"name"].toString(), QStringLiteral("Ученик"));
    QCOMPARE(first[u"topic"].toString(), QStringLiteral("Наводнения"));
    QCOMPARE(first[u"grade"].toInt(), 4);
    const QString row = first[u"row"].toString();
    QCOMPARE(row.size(), 77);
    QCOMPARE(row, QStringLiteral("Ученик") + QString(10, u' ') + QStringLiteral("Наводнения") + QString(49, u' ')
                      + QStringLiteral(" 4"));
    QCOMPARE(records[1].toObject()[u"row"].toString().size(), 77);
    QCOMPARE(records[1].toObject()[u"row"].toString().left(16), QStringLiteral("Я") + QString(15, u' '));
    // "Пожары" is no catalogue topic: it keeps the pad of "Землетрясение", 46 spaces.
    QCOMPARE(records[2].toObject()[u"row"].toString(),
             QStringLiteral("Пётр") + QString(12, u' ') + QStringLiteral("Пожары") + QString(46, u' ')
                 + QStringLiteral(" 3"));
    const QJsonArray problems = report[u"problems"].toArray();
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems[0].toObject()[u"severity"].toString(), QStringLiteral("warning"));
    QCOMPARE(problems[0].toObject()[u"line"].toInt(), 4);

    const QJsonObject torn = reports[1].toObject();
    QCOMPARE(torn[u"kind"].toString(), QStringLiteral("records"));
    QCOMPARE(torn[u"records"].toArray().size(), 2);
}

void TestCheck::shippedQuestionFilesPass()
{
    const QStringList files = QDir(QStringLiteral(ZUF_SHIPPED_DATA)).entryList({QStringLiteral("qes*.ssu")});
    if (files.isEmpty())
        QSKIP("no question files shipped yet");
    QStringList paths;
    for (const QString &file : files)
        paths << QStringLiteral(ZUF_SHIPPED_DATA "/") + file;
    const Run result = run(paths);
    QVERIFY2(result.exitCode == 0, result.out.constData());
}

// A records file too large for the program is refused by its size, unread: the checker
// says so and fails, as the program refuses to list it.
void TestCheck::hugeRecordsFileIsAnError()
{
    {
        QFile file(dir_.filePath(QStringLiteral("huge.ssu")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contentsFor(QStringLiteral("huge.ssu")));
        if (!file.resize(MaxRecordsFileBytes + 1))
            QSKIP("this file system keeps no sparse file of 4 GB");
    }
    const Run result = run({QStringLiteral("--records"), QStringLiteral("huge.ssu")}, 128 * 1024 * 1024);
    QCOMPARE(result.exitCode, 1);
    const QString out = QString::fromUtf8(result.out);
    QVERIFY2(out.startsWith(QStringLiteral("huge.ssu: error: ")) && out.contains(QStringLiteral("слишком велик")),
             qPrintable(out));
    QVERIFY(QFile::remove(dir_.filePath(QStringLiteral("huge.ssu"))));
}

// Half a million records (17 MB) with a few damaged lines, checked in 128 MB of address
// space, as text and as JSON: the lines are read a piece at a time and none is kept.
void TestCheck::largeRecordsFileTakesLittleMemory()
{
    constexpr int Lines = 500'000;
    const QByteArray good = encode1251(QStringLiteral("Ученик,Наводнения, 4\r\n")).value();
    const QByteArray damaged = encode1251(QStringLiteral("Борис,Землетрясение, пять\r\n")).value();
    const QList<int> damagedLines = {1, 123'457, 250'000, Lines - 1};
    {
        QFile file(dir_.filePath(QStringLiteral("large.ssu")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes;
        bytes.reserve(qsizetype(Lines) * good.size());
        for (int line = 1; line <= Lines; ++line)
            bytes += damagedLines.contains(line) ? damaged : good;
        QCOMPARE(file.write(bytes), bytes.size());
    }
    constexpr qint64 Limit = 128 * 1024 * 1024;
    const Run text = run({QStringLiteral("--records"), QStringLiteral("large.ssu")}, Limit);
    QCOMPARE(text.exitCode, 0);
    QStringList lines = QString::fromUtf8(text.out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), damagedLines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(QStringLiteral("large.ssu:%1:22: warning: ").arg(damagedLines[i])), qPrintable(lines[i]));

    const Run json = run({QStringLiteral("--json"), QStringLiteral("--records"), QStringLiteral("large.ssu")}, Limit);
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.out.count("\"row\":"), Lines - damagedLines.size());
    // The end of the document: the file's verdict and its problems, parsed alone.
    const qsizetype verdict = json.out.lastIndexOf("],\"ok\":");
    QVERIFY(verdict > 0);
    const QJsonObject tail = QJsonDocument::fromJson("{" + json.out.mid(verdict + 2).trimmed().chopped(1)).object();
    QCOMPARE(tail[u"ok"].toBool(), true);
    QCOMPARE(tail[u"problems"].toArray().size(), damagedLines.size());
}

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
