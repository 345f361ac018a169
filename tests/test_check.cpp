// zuf-check as teachers and scripts run it: exit codes, text lines and the JSON document.

#include "quiz/codepage.h"
#include "quiz/fieldreader.h"
#include "quiz/grading.h"
#include "quiz/problemtexts.h"
#include "quiz/questioncheck.h"
#include "quiz/questionfile.h"
#include "records/recordsfile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStringEncoder>
#include "cyrillic_support.h"
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

namespace {

// Questions named after their file, so that two files never share one.
QString questionText(int count, const QString &header, const QString &topic = QStringLiteral("тема"))
{
    QString text = header + QStringLiteral("\r\n");
    for (int n = 1; n <= count; ++n)
        text += QStringLiteral("\"Вопрос %1 (%2)\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1\r\n").arg(n).arg(topic);
    return text;
}

QByteArray bytesOf(const QString &text)
{
    return encode1251(text).value();
}

// The files a test may name, by name.
QByteArray contentsFor(const QString &name)
{
    const QString base = QFileInfo(name).completeBaseName().toLower();
    QString text;
    if (base == u"good" || base == u"-x")
        text = questionText(10, QStringLiteral("19,17,14,0"), base);
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
    QByteArray errors;
};

using Files = QList<std::pair<QString, QByteArray>>;

// Stand-ins for what cannot be spelled as bytes in a table row.
const QByteArray AFolder = "<folder>";
const QByteArray SparseOf65MiB = "<sparse>";

QString record(const QString &fields)
{
    return fields + QStringLiteral("\r\n");
}

// Ten questions of two right answers each, thresholds by the criteria: a clean file
// to which a row adds its one fault.
QString cleanQuestions(const QString &topic = QStringLiteral("тема"))
{
    QString text = QStringLiteral("19,17,14,0\r\n");
    for (int n = 1; n <= 10; ++n)
        text += record(QStringLiteral("\"Вопрос %1 (%2)\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1").arg(n).arg(topic));
    return text;
}

// The clean file with its question n written as `line`.
QByteArray withQuestion(int n, const QString &line)
{
    QStringList lines = cleanQuestions().split(QStringLiteral("\r\n"));
    lines[n] = line;
    return bytesOf(lines.join(QStringLiteral("\r\n")));
}

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
    void messageTexts_data();
    void messageTexts();
    void everyMistakeNamed_data();
    void everyMistakeNamed();
    void everyMessageIsTested();
    void reportFileReadsAsUtf8_data();
    void reportFileReadsAsUtf8();
    void reportThatCannotBeWritten_data();
    void reportThatCannotBeWritten();
    void controlCharactersShownEscaped();
    void convertingCommandsMakeGoodFiles_data();
    void convertingCommandsMakeGoodFiles();
    void sameQuestionInTwoFiles();
    void guideShowsTheCheckersOutput();
    void guideThresholdTableFollowsCriteria();
    void programReadsNoBenchmarkSetting();

private:
    // addressSpace: the most memory the checker may map (left out under AddressSanitizer,
    // which maps far more for itself); a checker that needs more fails instead of slowing
    // the machine.
    Run run(const QStringList &arguments, const QString &outputFile = QString(), const QString &workDir = QString(),
            qint64 addressSpace = 0);
    QJsonArray runJson(const QStringList &arguments);
    void writeFiles(const QStringList &names);

    QTemporaryDir dir_;
    QSet<ProblemId> tested_;   // the messages that messageTexts shows word for word, or everyMistakeNamed by id
};

void TestCheck::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(QFile::exists(QStringLiteral(ZUF_CHECK_PATH)));
}

Run TestCheck::run(const QStringList &arguments, const QString &outputFile, const QString &workDir,
                   qint64 addressSpace)
{
    QProcess process;
    process.setWorkingDirectory(workDir.isEmpty() ? dir_.path() : workDir);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
#if defined(Q_OS_LINUX) && !defined(__SANITIZE_ADDRESS__)
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
#ifdef Q_OS_WIN
    // A Windows program's standard output ends its lines with CR LF, and a report to
    // a pipe starts with the UTF-8 mark (reportFileReadsAsUtf8 sees it).
    result.out.replace("\r\n", "\n");
    if (result.out.startsWith("\xEF\xBB\xBF"))
        result.out.remove(0, 3);
#endif
    result.errors = process.readAllStandardError();
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
    QTest::newRow("help") << QStringList{} << QStringList{"--help"} << 0 << QStringList{"Использование", "", "", "", "", "", "", ""};
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
    QTest::newRow("bad, then good") << QStringList{"short.ssu", "good.ssu"} << QStringList{"short.ssu", "good.ssu"}
                                    << 1 << QStringList{"short.ssu:7:1: error:"};
    QTest::newRow("missing records file") << QStringList{} << QStringList{"--records", "missing.ssu"} << 1
                                          << QStringList{"missing.ssu: error: Файла рекордов нет."};
    QTest::newRow("bad records file, then good") << QStringList{"good.ssu"} << QStringList{"gone/records.ssu", "good.ssu"}
                                                 << 1 << QStringList{"gone/records.ssu: error:"};
    QTest::newRow("good, then bad records file") << QStringList{"good.ssu"} << QStringList{"good.ssu", "--records", "missing.ssu"}
                                                 << 1 << QStringList{"missing.ssu: error:"};
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
    // Its flags 2 and -1 are read as wrong answers: warned of, not refused.
    for (const QJsonValue problem : report[u"problems"].toArray())
        QCOMPARE(problem.toObject()[u"severity"].toString(), QStringLiteral("warning"));

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

    // The answer "В подвал, в погреб" without quotes: a hint at it, then the fault; later
    // lines only have warnings of their own.
    const QJsonObject splitReport = reports[1].toObject();
    QCOMPARE(splitReport[u"ok"].toBool(), false);
    QCOMPARE(splitReport[u"questions"].toArray().size(), 1);
    const QJsonArray problems = splitReport[u"problems"].toArray();
    QVERIFY(problems.size() >= 2);
    for (qsizetype i = 2; i < problems.size(); ++i) {
        QVERIFY(problems[i].toObject()[u"line"].toInt() > 3);
        QCOMPARE(problems[i].toObject()[u"severity"].toString(), QStringLiteral("warning"));
    }
    QCOMPARE(problems[0].toObject()[u"severity"].toString(), QStringLiteral("warning"));
    QCOMPARE(problems[0].toObject()[u"line"].toInt(), 3);
    QCOMPARE(problems[0].toObject()[u"column"].toInt(), 36);
    QVERIFY(problems[0].toObject()[u"message"].toString().contains(QStringLiteral("кавычки")));
    QCOMPARE(problems[1].toObject()[u"severity"].toString(), QStringLiteral("error"));
    QCOMPARE(problems[1].toObject()[u"line"].toInt(), 3);

    // A file never read has no limits and no grades to tell.
    const QJsonObject missing = runJson({QStringLiteral("missing.ssu")})[0].toObject();
    QCOMPARE(missing[u"ok"].toBool(), false);
    QVERIFY(!missing.contains(u"thresholds"));
    QVERIFY(!missing.contains(u"grades"));
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
    // Checked together, so that a question shown in two topics is found too.
    const Run result = run(paths);
    QCOMPARE(QString::fromUtf8(result.out), QString());
    QCOMPARE(result.exitCode, 0);
}

// Every message of the table, word for word, as a teacher sees it, each from a file
// that brings it about.
void TestCheck::messageTexts_data()
{
    QTest::addColumn<QList<ProblemId>>("ids");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    const auto row = [this](const char *name, QList<ProblemId> ids, Files files, QStringList arguments, int exitCode,
                            QString output) {
        for (const ProblemId id : ids)
            tested_.insert(id);
        QTest::newRow(name) << ids << files << arguments << exitCode << output;
    };
    using enum ProblemId;
    const QString t = QStringLiteral("t.ssu");
    const QStringList justT{t};

    // The field reader.
    QByteArray unclosed = bytesOf(cleanQuestions() + "\"Вопрос 11\",\"А");
    row("quote never closed", {QuoteNeverClosed}, {{t, unclosed}}, justT, 1,
        "t.ssu:12:13: error: Файл кончается внутри текста в кавычках: закрывающая кавычка не найдена.\n");
    row("quote over lines", {QuoteOverLines}, {{t, withQuestion(3, "\"Вопрос 3\",\"А\r\nБ\",\"В\",\"Г\",\"Д\",0,1,0,0,1")}},
        justT, 0,
        "t.ssu:4:12: warning: Текст в кавычках занимает несколько строк: возможно, пропущена закрывающая кавычка.\n");
    row("characters after a closing quote", {CharactersAfterQuote},
        {{t, withQuestion(2, "\"Вопрос 2\",\"А\" и Я,\"Б\",\"В\",\"Г\",0,1,0,0,1")}}, justT, 0,
        "t.ssu:3:15: warning: После закрывающей кавычки стоят знаки «и Я»; программа их пропускает.\n");
    row("tab before a quoted text", {TabBeforeQuote},
        {{t, withQuestion(2, "\"Вопрос 2\",\t\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1")}}, justT, 0,
        "t.ssu:3:12: warning: Перед кавычкой стоит табуляция, а перед полем программа пропускает только пробелы: "
        "ученик увидит этот текст вместе с табуляцией и обеими кавычками. Уберите табуляцию.\n");
    row("field too long", {FieldTooLong},
        {{t, withQuestion(2, "\"" + QString(MaxFieldBytes + 1, u'я') + "\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1")}}, justT, 1,
        "t.ssu:3:1: error: Поле длиннее 8192 знаков: такое поле программа не читает.\n");
    row("flag not a number", {FlagNotANumber}, {{t, withQuestion(4, "\"Вопрос 4\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,да,1")}},
        justT, 1, "t.ssu:5:34: error: Флаг «да» не число, и программа такой файл не откроет: флаг равен 1 у правильного "
        "ответа и 0 у неправильного. Поставьте 1 или 0.\n");
    row("limit not a number", {NotANumber}, {{t, bytesOf(cleanQuestions().replace("19,17,14,0", "19,x,14,0"))}},
        justT, 1, "t.ssu:1:4: error: Здесь должно стоять целое число, а стоит «x».\n");
    // A number out of range is not a text in the wrong place: no hint at commas.
    row("flag of 32768 after bare texts", {NumberOutOfRange},
        {{t, withQuestion(4, "Вопрос 4,А,Б,В,Г,0,1,0,32768,1")}}, justT, 1,
        "t.ssu:5:24: error: Число 32768 лежит вне пределов от -32768 до 32767.\n");

    // The question-file loader.
    row("header ends", {HeaderEnds}, {{t, "19,17"}}, justT, 1,
        "t.ssu:1:6: error: Файл кончается в заголовке: нужны четыре числа (пороги оценок 5, 4 и 3 и ещё одно "
        "число), а прочитано чисел: 2.\n");
    row("question ends", {QuestionEnds}, {{t, bytesOf(cleanQuestions() + "\"Вопрос 11\",\"А\"")}}, justT, 1,
        "t.ssu:12:16: error: Файл кончается посреди вопроса 11: прочитано полей: 2 из десяти.\n");
    QString many = cleanQuestions();
    for (int n = 11; n <= 91; ++n)
        many += record(QStringLiteral("\"Вопрос %1\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1").arg(n));
    row("ninety-one questions", {TooManyQuestions}, {{t, bytesOf(many)}}, justT, 1,
        "t.ssu:92:1: error: В файле больше 90 вопросов: вопрос 91 программа не принимает.\n");
    row("nine questions", {TooFewQuestions}, {{t, bytesOf(cleanQuestions().section("\r\n", 0, 9) + "\r\n")}}, justT, 1,
        "t.ssu:11:1: error: Вопросов в файле: 9, а тест показывает десять: нужно не меньше десяти вопросов.\n");
    row("no right answer", {NoRightAnswer, LimitAboveMaximum, FlagNotZeroOrOne},
        {{t, withQuestion(3, "\"Вопрос 3\",\"А\",\"Б\",\"В\",\"Г\",0,0,2,0,-1")}}, justT, 0,
        "t.ssu:1:1: warning: Порог оценки 5 равен 19, а в первых десяти вопросах можно набрать не больше 18 баллов: "
        "оценку 5 не получит никто. Уменьшите порог.\n"
        "t.ssu:4:1: warning: У вопроса 3 нет правильного ответа (ни один флаг не равен 1): любой ответ на него "
        "отнимает баллы.\n"
        "t.ssu:4:32: warning: Флаг «2»: флаг равен 1 у правильного ответа и 0 у неправильного, а всё, кроме 1, "
        "программа считает неправильным ответом. Поставьте 1 или 0.\n"
        "t.ssu:4:36: warning: Флаг «-1»: флаг равен 1 у правильного ответа и 0 у неправильного, а всё, кроме 1, "
        "программа считает неправильным ответом. Поставьте 1 или 0.\n");
    row("thresholds of either reading", {ThresholdsOffCriteria, CriteriaThreshold3Either},
        {{t, bytesOf(cleanQuestions().replace("19,17,14,0", "9,7,5,0"))}}, justT, 0,
        "t.ssu:1:1: warning: Пороги 9, 7, 5 расходятся с критериями оценки из справки: правильных ответов в первых "
        "десяти вопросах 20, и по критериям пороги были бы 19, 17, 14 (или 13).\n");
    row("split text meets a flag", {SplitText, SplitSymptomFlag, TooManyFields},
        {{t, withQuestion(10, "\"Вопрос 10\",\"А\",\"Б\",В, или Г, или Д,\"Е\",0,1,0,0,1")}}, justT, 1,
        "t.ssu:11:21: warning: Текст без кавычек; дальше в вопросе 10 вместо флага стоит текст: возможно, запятая "
        "внутри текста разбила его на два поля. Заключите тексты в кавычки.\n"
        "t.ssu:11:47: error: " + QStringLiteral("В строке полей: %1, а у вопроса их десять (текст вопроса, четыре ответа, пустое поле и четыре флага): "
        "лишнее поле начинается здесь. Уберите его; если запятая стоит внутри текста, заключите этот текст в кавычки.\n").arg(12));
    row("split text, more fields on the line", {SplitText, SplitSymptomExtraFields, TooManyFields},
        {{t, withQuestion(10, "\"Вопрос 10\",\"А\",\"Б\",В, или Г,\"Д\",0,1,0,0,1")}}, justT, 1,
        "t.ssu:11:21: warning: Текст без кавычек; после десятого поля вопроса 10 в той же строке есть ещё поля: "
        "возможно, запятая внутри текста разбила его на два поля. Заключите тексты в кавычки.\n"
        "t.ssu:11:42: error: " + QStringLiteral("В строке полей: %1, а у вопроса их десять (текст вопроса, четыре ответа, пустое поле и четыре флага): "
        "лишнее поле начинается здесь. Уберите его; если запятая стоит внутри текста, заключите этот текст в кавычки.\n").arg(11));
    row("comma after the last question", {CommaAfterLastRecord}, {{t, bytesOf(cleanQuestions().chopped(2) + ",\r\n")}},
        justT, 0,
        "t.ssu:11:44: warning: После десятого поля вопроса 10 стоит лишняя запятая; в конце файла программа её "
        "пропускает, но лучше её убрать.\n");
    row("comma after a question", {CommaAfterRecord, QuestionEnds},
        {{t, withQuestion(9, "\"Вопрос 9 (тема)\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1,")}}, justT, 1,
        "t.ssu:1:1: warning: Пороги 19, 17, 14 расходятся с критериями оценки из справки: правильных ответов в первых "
        "десяти вопросах 19, и по критериям пороги были бы 18, 16, 13.\n"
        "t.ssu:10:43: warning: После десятого поля вопроса 9 стоит лишняя запятая: с неё начинается следующий вопрос, "
        "и все дальнейшие поля сдвигаются на одно. Уберите её.\n"
        "t.ssu:12:1: error: Файл кончается посреди вопроса 11: прочитано полей: 1 из десяти.\n");
    QByteArray huge = bytesOf(cleanQuestions());
    huge.append(MaxQuestionFileBytes + 1 - huge.size(), ' ');
    row("question file over 4 MiB", {QuestionFileTooLarge}, {{t, huge}}, justT, 1,
        "t.ssu: error: Файл больше 4 МБ: такой файл вопросов программа не читает.\n");
    const QString inUtf8 = "Файл сохранён в кодировке %1, а программа читает только Windows-1251: ученики увидели бы "
                           "вместо русских букв непонятные знаки. Переведите файл командой «zuf-check --fix-encoding "
                           "t.ssu» или «%2» (и замените прежний файл "
                           "новым) либо пересохраните его в редакторе в кодировке Windows-1251 (в Блокноте: "
                           "«Сохранить как» → «Кодировка: ANSI»).";
    row("question file in UTF-8", {UnicodeFile}, {{t, cleanQuestions().toUtf8()}}, justT, 1,
        "t.ssu:1:1: error: " + inUtf8.arg("UTF-8", "iconv -f UTF-8 -t WINDOWS-1251 t.ssu > t-1251.ssu") + "\n");
    row("question file in UTF-8 with BOM", {UnicodeFile}, {{t, "\xEF\xBB\xBF" + cleanQuestions().toUtf8()}}, justT, 1,
        "t.ssu:1:1: error: " + inUtf8.arg("UTF-8 с меткой BOM", "tail -c +4 t.ssu | iconv -f UTF-8 -t WINDOWS-1251 > t-1251.ssu") + "\n");
    QStringEncoder toLe(QStringConverter::Utf16LE);
    row("question file in UTF-16LE", {UnicodeFile}, {{t, toLe(cleanQuestions())}}, justT, 1,
        "t.ssu:1:1: error: " + inUtf8.arg("UTF-16", "iconv -f UTF-16LE -t WINDOWS-1251 t.ssu > t-1251.ssu") + "\n");

    // The records reader and the checker on records files.
    const QString r = QStringLiteral("records.ssu");
    const QByteArray twoGood = bytesOf("Анна,Наводнения, 5\r\nБорис,Землетрясение, 4\r\n");
    row("records: last record torn", {LastRecordTorn}, {{r, twoGood + bytesOf("Вера,Наводн")}}, {r}, 0,
        "records.ssu:3:1: warning: Последняя запись оборвана (в ней меньше трёх полей) и пропущена.\n");
    row("records: bad grade in the middle", {RecordSkipped}, {{r, bytesOf("Вера,Наводнения, пять\r\n") + twoGood}}, {r}, 0,
        "records.ssu:1:18: warning: Здесь должно стоять целое число, а стоит «пять». Запись, начатая в строке 1, "
        "пропущена.\n");
    row("records: bad grade on the last line", {RecordSkipped}, {{r, twoGood + bytesOf("Вера,Наводнения, 5x")}}, {r}, 0,
        "records.ssu:3:18: warning: Здесь должно стоять целое число, а стоит «5x». Запись, начатая в строке 3, "
        "пропущена.\n");
    row("records: a line cut in the middle", {RecordSkipped, RecordLineCut},
        {{r, bytesOf("Анна,Наводнения\r\nБорис,Землетрясение, 4\r\n")}}, {r}, 0,
        "records.ssu:1:16: warning: Строка оборвана: в ней меньше трёх полей (имя, тема, оценка), а следующая строка "
        "начинает другую запись. Запись, начатая в строке 1, пропущена.\n");
    row("records: grade too large on the last line", {RecordSkipped}, {{r, twoGood + bytesOf("Вера,Наводнения, 99999\r\n")}},
        {r}, 0,
        "records.ssu:3:18: warning: Число 99999 лежит вне пределов от -32768 до 32767. Запись, начатая в строке 3, "
        "пропущена.\n");
    QString damaged;
    for (int n = 1; n <= 101; ++n)
        damaged += "А,Б,x\r\n";
    QString damagedOut;
    for (int n = 1; n <= 100; ++n)
        damagedOut += QStringLiteral("records.ssu:%1:5: warning: Здесь должно стоять целое число, а стоит «x». Запись, "
                                     "начатая в строке %1, пропущена.\n").arg(n);
    damagedOut += "records.ssu:101:5: warning: Дальше в файле есть ещё повреждённые записи; они тоже пропущены.\n";
    row("records: a hundred and one bad lines", {MoreDamagedRecords}, {{r, bytesOf(damaged)}}, {r}, 0, damagedOut);
    row("records: missing", {RecordsFileMissing}, {}, {r}, 1, "records.ssu: error: Файла рекордов нет.\n");
    row("records: grade 7", {GradeOutOfRange},
        {{r, bytesOf("Вера,Наводнения, пять\r\n") + twoGood + bytesOf("Гена,Пожары, 7\r\n")}}, {r}, 0,
        "records.ssu:1:18: warning: Здесь должно стоять целое число, а стоит «пять». Запись, начатая в строке 1, "
        "пропущена.\n"
        "records.ssu:4:1: warning: Оценка 7 у записи «Гена, Пожары» лежит вне пределов от 2 до 5: программа таких не "
        "ставит, а окно «Рекорды» покажет её как есть.\n");
    const QByteArray mixed = QByteArray("Анна,Наводнения, 5\r\n") + bytesOf("Борис,Землетрясение, 4\r\n");
    row("records: mixed encodings", {MixedRecordsFile}, {{r, mixed}}, {r}, 0,
        "records.ssu:1:1: warning: Строка 1 записана в UTF-8, а другие строки файла рекордов в Windows-1251: в окне "
        "«Рекорды» такие строки будут искажены. Переведите файл командой «zuf-check --fix-encoding records.ssu»: она "
        "переведёт каждую строку.\n");
    row("records: mixed encodings converted", {MixedRecordsSource}, {{r, mixed}}, {"--fix-encoding", r}, 0,
        "records.ssu: переведён из UTF-8 и Windows-1251 по строкам в Windows-1251 со строками CR LF; прежний файл "
        "сохранён как records.ssu.bak.\n");
    row("question file missing", {QuestionFileMissing}, {}, justT, 1, "t.ssu: error: Файл вопросов не найден в папке %PLACE%.\n");
    row("question file a folder", {QuestionFileNotAFile}, {{t, AFolder}}, justT, 1,
        "t.ssu: error: Это не файл вопросов: на месте файла находится папка.\n");
    row("records: in UTF-8", {UnicodeRecordsFile}, {{r, "Анна,Наводнения, 5\r\n"}}, {r}, 0,
        "records.ssu:1:1: warning: Файл рекордов сохранён в кодировке UTF-8, а программа читает его и дописывает "
        "только в Windows-1251: в окне «Рекорды» имена и темы будут искажены. Переведите файл командой "
        "«zuf-check --fix-encoding records.ssu».\n");

    // Two topics showing the same question.
    QByteArray other = bytesOf(cleanQuestions("другая").replace("Вопрос 4 (другая)", "  вопрос 2   (ТЕМА) "));
    row("same question in two files", {SharedQuestion}, {{t, bytesOf(cleanQuestions())}, {"u.ssu", other}},
        {t, "u.ssu"}, 0,
        "u.ssu:5:1: warning: Вопрос 4 «вопрос 2 (ТЕМА)» есть и среди первых десяти вопросов файла t.ssu (вопрос 2): "
        "ученик встретит его в двух темах.\n");

    // Converting the encoding.
    const QStringList fixT{"--fix-encoding", t};
    row("converted", {Converted}, {{t, cleanQuestions().toUtf8()}}, fixT, 0,
        "t.ssu: переведён из UTF-8 в Windows-1251 со строками CR LF; прежний файл сохранён как t.ssu.bak.\n");
    row("already Windows-1251", {AlreadyWindows1251}, {{t, bytesOf(cleanQuestions())}}, fixT, 0,
        "t.ssu: не изменён: это не UTF-8, UTF-16, KOI8-R, CP866, ISO-8859-5 или Mac Cyrillic, а, по всей видимости, "
        "уже Windows-1251.\n");
    row("character without a Windows-1251 form", {NoWindows1251Form},
        {{t, "19,17,14,0\n\"Вопрос 1 — 名\",\"А\"\n"}}, fixT, 1,
        "t.ssu:2:13: error: Знак «名» (U+540D) нельзя записать в Windows-1251, поэтому файл не переведён и не "
        "изменён. Замените этот знак и повторите команду.\n");
    row("nothing to convert", {ConversionFailed}, {}, fixT, 1,
        "t.ssu: error: Файл не переведён: Файл или каталог не существует.\n");
    row("a folder to convert", {ConversionFailed, NotAFileFolder}, {{t, AFolder}}, fixT, 1,
        "t.ssu: error: Файл не переведён: на месте файла находится папка.\n");
    row("too large to convert", {ConversionFailed, ConversionTooLarge}, {{t, SparseOf65MiB}}, fixT, 1,
        "t.ssu: error: Файл не переведён: он больше 64 МБ.\n");
    row("broken UTF-16", {ConversionBadBytes}, {{t, QByteArray("\xFF\xFE" "1\0,\0\x00\xD8" "2\0", 10)}}, fixT, 1,
        "t.ssu: error: Файл не переведён: похоже, он в кодировке UTF-16, но в нём есть байты, которые в ней не "
        "читаются.\n");
    const QString longName = QString(249, u'x') + ".ssu";   // with ".bak" over the 255 bytes a name may have
    row("no room for the backup", {ConversionBackupFailed}, {{longName, cleanQuestions().toUtf8()}},
        {"--fix-encoding", longName}, 1,
        longName + ": error: Файл не переведён: не удалось сохранить его прежнюю копию " + longName
            + ".bak (File name too long).\n");
}

void TestCheck::messageTexts()
{
    QFETCH(Files, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
#ifdef Q_OS_WIN
    if (output.contains(QStringLiteral("Файл или каталог не существует")) || output.contains(QLatin1String("File name too long")))
        QSKIP("The system's own reason is worded by Windows, not as the row has it.");
#endif

    QTemporaryDir place(dir_.filePath(QStringLiteral("row-XXXXXX")));
    for (const auto &[name, bytes] : files) {
        if (bytes == AFolder) {
            QVERIFY(QDir(place.path()).mkdir(name));
            continue;
        }
        QFile file(place.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (bytes == SparseOf65MiB)
            QVERIFY(file.resize(65 * 1024 * 1024));
        else
            file.write(bytes);
    }
    const Run result = run(arguments, QString(), place.path());
    QCOMPARE(QString::fromUtf8(result.out), QString(output).replace(QStringLiteral("%PLACE%"), QDir::toNativeSeparators(place.path())));
    QCOMPARE(result.exitCode, exitCode);
}

void TestCheck::everyMessageIsTested()
{
    // Shown by the field reader's own test: the loaders put a message of their own in its place.
    // The text cut off in its frame: by the measuring test beside the window's labels.
    // The spoken sentences, by the accessibility test.
    QSet<ProblemId> elsewhere{ProblemId::None, ProblemId::FileEndsInsideRecord, ProblemId::ReportNotWritten,
                              ProblemId::TextTooLong, ProblemId::FieldQuestionText, ProblemId::FieldAnswerText,
                              ProblemId::SpokenAnswerTaken, ProblemId::SpokenQuestionPlace,
                              // A file the system will not open or read: made by the fault tests' own means.
                              ProblemId::QuestionFileUnopenable, ProblemId::QuestionFileUnreadable};
    // Shown by the fault tests, which make pipes, devices, sockets, other users' links and
    // a shortage of memory.
    elsewhere += {ProblemId::NotAFilePipe, ProblemId::NotAFileDevice, ProblemId::NotAFileSocket,
                  ProblemId::UntrustedLink, ProblemId::OutOfMemory};
    // What the working folder will not allow, said by the quiz before a test: by its own
    // test and the window tests.
    elsewhere += {ProblemId::FolderKeepsNoResults, ProblemId::FolderHasNoQuestions};
    // The records file's faults and the system's reasons in them: by the fault tests.
    for (int id = int(ProblemId::RecordsUnwritableCharacters); id <= int(ProblemId::SystemNoLocks); ++id)
        elsewhere.insert(ProblemId(id));
    // The workbench's own sentences: by its tests (tests/test_teacher_*.cpp).
    for (int id = int(ProblemId::RepeatedQuestion); id <= int(ProblemId::PupilNotStarted); ++id)
        elsewhere.insert(ProblemId(id));
    // Said by the teacher's results page, not by zuf-check: its own tests show them (test_results*).
    for (int id = int(ProblemId::ResultsSkipped); id <= int(ProblemId::ResultsNoMemory); ++id)
        elsewhere.insert(ProblemId(id));
    for (int id = 0; id < int(ProblemId::Count); ++id) {
        const bool tested = tested_.contains(ProblemId(id)) || elsewhere.contains(ProblemId(id));
        QVERIFY2(tested, qPrintable(QStringLiteral("no test shows: ") + problemTemplate(ProblemId(id))));
    }
}

// A report that never reached its reader is no report: exit status 2 and a message.
// A report saved to a file opens right in Notepad: on Windows it starts with the UTF-8
// mark, except JSON, whose readers refuse one; elsewhere it is plain UTF-8.
void TestCheck::reportFileReadsAsUtf8_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("marked");
#ifdef Q_OS_WIN
    const bool windows = true;
#else
    const bool windows = false;
#endif
    QTest::newRow("report") << QStringList{"warn.ssu"} << windows;
    QTest::newRow("conversion") << QStringList{"--fix-encoding", "warn.ssu"} << windows;
    QTest::newRow("help") << QStringList{"--help"} << windows;
    QTest::newRow("JSON") << QStringList{"--json", "warn.ssu"} << false;
}

void TestCheck::reportFileReadsAsUtf8()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, marked);
    writeFiles({QStringLiteral("warn.ssu")});
    const QString path = dir_.filePath(QStringLiteral("отчёт.txt"));
    run(arguments, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), marked);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes.mid(marked ? 3 : 0));
    QVERIFY(!utf8.hasError());
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("[а-яА-Я]"))), qPrintable(text));
}

void TestCheck::reportThatCannotBeWritten_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("JSON") << QStringList{"--json", "good.ssu"};
    QTest::newRow("text") << QStringList{"warn.ssu"};
    QTest::newRow("conversion") << QStringList{"--fix-encoding", "good.ssu"};
    QTest::newRow("help") << QStringList{"--help"};
}

void TestCheck::reportThatCannotBeWritten()
{
    QFETCH(QStringList, arguments);
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    writeFiles({QStringLiteral("good.ssu"), QStringLiteral("warn.ssu")});
    const Run result = run(arguments, QStringLiteral("/dev/full"));
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(QString::fromUtf8(result.errors), QStringLiteral("zuf-check: не удалось вывести отчёт: Нет свободного места на устройстве.\n"));
}

// ESC, BEL and NUL from a file never reach the terminal as they are.
void TestCheck::controlCharactersShownEscaped()
{
    QFile file(dir_.filePath(QStringLiteral("esc.ssu")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const char bytes[] = "19,17,\x1B]0;ti\ttle\x07\x00\x98\x7F,0\r\n";
    file.write(bytes, sizeof bytes - 1);
    file.close();
    const Run result = run({QStringLiteral("esc.ssu")});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(QString::fromUtf8(result.out),
             QStringLiteral("esc.ssu:1:7: error: Здесь должно стоять целое число, а стоит «\\x1B]0;ti\\ttle\\x07\\x00\\x98\\x7F».\n"));
    for (const char c : result.out)
        QVERIFY2(uchar(c) >= 0x20 || c == '\n', qPrintable(QStringLiteral("byte %1 in the output").arg(int(c))));
}

// A question file saved as UTF-8 or UTF-16 becomes a good file by either command that
// the checker's message gives, and the quiz then takes it.
void TestCheck::convertingCommandsMakeGoodFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("useIconv");

    const QString text = cleanQuestions();
    QStringEncoder toLe(QStringConverter::Utf16LE), toBe(QStringConverter::Utf16BE),
        toLeBom(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QList<std::pair<const char *, QByteArray>> forms{
        {"UTF-8", text.toUtf8()},
        {"UTF-8, LF only", text.toUtf8().replace("\r\n", "\n")},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text.toUtf8()},
        {"UTF-16LE", toLe(text)},
        {"UTF-16BE", toBe(text)},
        {"UTF-16 with BOM", toLeBom(text)},
    };
    for (const auto &[name, bytes] : forms) {
        QTest::addRow("%s, zuf-check --fix-encoding", name) << bytes << false;
        if (!QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
            QTest::addRow("%s, iconv", name) << bytes << true;
    }
}

void TestCheck::convertingCommandsMakeGoodFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, useIconv);

    QTemporaryDir place(dir_.filePath(QStringLiteral("fix-XXXXXX")));
    QFile file(place.filePath(QStringLiteral("qes1.ssu")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const Run refused = run({QStringLiteral("qes1.ssu")}, QString(), place.path());
    QCOMPARE(refused.exitCode, 1);
    const QString message = QString::fromUtf8(refused.out);

    QString good = QStringLiteral("qes1.ssu");
    if (useIconv) {
        const QRegularExpressionMatch command = QRegularExpression(QStringLiteral("«([^«»]*iconv [^»]+)»")).match(message);
        QVERIFY2(command.hasMatch(), qPrintable(message));
        QProcess shell;
        shell.setWorkingDirectory(place.path());
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command.captured(1)});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.exitCode(), 0);
        good = QStringLiteral("qes1-1251.ssu");
    } else {
        QVERIFY2(message.contains(QStringLiteral("«zuf-check --fix-encoding qes1.ssu»")), qPrintable(message));
        const Run fixed = run({QStringLiteral("--fix-encoding"), QStringLiteral("qes1.ssu")}, QString(), place.path());
        QCOMPARE(fixed.exitCode, 0);
        QFile backup(place.filePath(QStringLiteral("qes1.ssu.bak")));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), bytes);
        QFile converted(place.filePath(good));
        QVERIFY(converted.open(QIODevice::ReadOnly));
        QCOMPARE(converted.readAll(), bytesOf(cleanQuestions()));   // Windows-1251, CR LF
    }
    const Run checked = run({good}, QString(), place.path());
    QCOMPARE(QString::fromUtf8(checked.out), QString());
    QCOMPARE(checked.exitCode, 0);
}

// The same question file named twice, or by two paths, is no duplicate; the eleventh
// question and later are never shown, so they are not compared.
void TestCheck::sameQuestionInTwoFiles()
{
    QTemporaryDir place(dir_.filePath(QStringLiteral("same-XXXXXX")));
    const QByteArray first = bytesOf(cleanQuestions() + record("\"Вопрос 1 (другая)\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1"));
    for (const auto &[name, bytes] : Files{{"a.ssu", first}, {"b.ssu", bytesOf(cleanQuestions("другая"))}}) {
        QFile file(place.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const Run result = run({"a.ssu", "./a.ssu", "b.ssu", "a.ssu"}, QString(), place.path());
    QCOMPARE(QString::fromUtf8(result.out), QString());
    QCOMPARE(result.exitCode, 0);
}

namespace {

QString guideText()
{
    QFile guide(QStringLiteral(ZUF_SHIPPED_DATA "/../docs/teacher-guide.ru.md"));
    return guide.open(QIODevice::ReadOnly) ? QString::fromUtf8(guide.readAll()) : QString();
}

// The text of the first ```text block after `marker`; a null string without the marker.
QString blockAfter(const QString &text, const QString &marker)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return QString();
    const qsizetype begin = text.indexOf(QStringLiteral("```text\n"), at) + 8;
    const qsizetype end = text.indexOf(QStringLiteral("\n```"), begin);
    return begin >= 8 && end > begin ? text.mid(begin, end - begin) : QString();
}

} // namespace

// Every zuf-check output that the teacher's guide shows is what zuf-check prints for the
// guide's own example file, changed as the guide says.
void TestCheck::guideShowsTheCheckersOutput()
{
    const QString guide = guideText();
    const QString example = blockAfter(guide, QStringLiteral("<!-- example: qes1.ssu -->"));
    QVERIFY2(!example.isEmpty(), "the guide has lost its example");
    const QString windowsText = QString(example).replace(u'\n', QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    const QMap<QString, QByteArray> variants{
        {QStringLiteral("unquoted answer"),
         bytesOf(QString(windowsText).replace(QStringLiteral("\"Включить свет, чтобы лучше видеть\""),
                                              QStringLiteral("Включить свет, чтобы лучше видеть")))},
        {QStringLiteral("saved as UTF-8"), (example + u'\n').toUtf8()},
    };
    const QRegularExpression marker(QStringLiteral("<!-- zuf-check output: ([^>]+) -->"));
    int shown = 0;
    for (const QRegularExpressionMatch &match : marker.globalMatch(guide)) {
        const QString name = match.captured(1);
        QVERIFY2(variants.contains(name), qPrintable(QStringLiteral("no test makes the guide's «%1»").arg(name)));
        QTemporaryDir place(dir_.filePath(QStringLiteral("guide-XXXXXX")));
        QFile file(place.filePath(QStringLiteral("qes1.ssu")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(variants[name]);
        file.close();
        const Run result = run({QStringLiteral("qes1.ssu")}, QString(), place.path());
        QCOMPARE(QString::fromUtf8(result.out), blockAfter(guide, match.captured(0)) + u'\n');
        ++shown;
    }
    QCOMPARE(shown, int(variants.size()));
}

// The guide's table of ready thresholds is the checker's own criteria.
void TestCheck::guideThresholdTableFollowsCriteria()
{
    const QString guide = guideText();
    const qsizetype table = guide.indexOf(QStringLiteral("Готовые значения:"));
    QVERIFY(table >= 0);
    const QString rows = guide.mid(table, guide.indexOf(QStringLiteral("\n\n"), guide.indexOf(u'|', table)) - table);
    const QRegularExpression cell(QStringLiteral(R"(\|\s*(\d+)\s*\|\s*(\d+)\s*\|\s*(\d+)\s*\|\s*(\d+)\s*\|)"));
    QList<int> seen;
    for (const QRegularExpressionMatch &m : cell.globalMatch(rows)) {
        const int maxScore = m.captured(1).toInt();
        const CriteriaThresholds want = criteriaThresholds(maxScore);
        QCOMPARE(m.captured(2).toInt(), want.threshold5);
        QCOMPARE(m.captured(3).toInt(), want.threshold4);
        QCOMPARE(m.captured(4).toInt(), want.threshold3);
        seen << maxScore;
    }
    std::sort(seen.begin(), seen.end());
    QList<int> expected;
    for (int m = 10; m <= 30; ++m)
        expected << m;
    QCOMPARE(seen, expected);
}

// The manual pages and the README say the program reads no settings: the benchmarks'
// start-up probe lives only in their own copy of it.
void TestCheck::programReadsNoBenchmarkSetting()
{
    QFile program(QStringLiteral(ZUF_BINARY_DIR "/shell/zuf-quiz"));
    if (!program.open(QIODevice::ReadOnly))
        QSKIP("the quiz is not built here");
    QVERIFY(!program.readAll().contains("ZUF_BENCH"));
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
    const Run result = run({QStringLiteral("--records"), QStringLiteral("huge.ssu")}, {}, {}, 128 * 1024 * 1024);
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
    const Run text = run({QStringLiteral("--records"), QStringLiteral("large.ssu")}, {}, {}, Limit);
    QCOMPARE(text.exitCode, 0);
    QStringList lines = QString::fromUtf8(text.out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), damagedLines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(QStringLiteral("large.ssu:%1:22: warning: ").arg(damagedLines[i])), qPrintable(lines[i]));

    const Run json = run({QStringLiteral("--json"), QStringLiteral("--records"), QStringLiteral("large.ssu")}, {}, {}, Limit);
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.out.count("\"row\":"), Lines - damagedLines.size());
    // The end of the document: the file's verdict and its problems, parsed alone.
    const qsizetype verdict = json.out.lastIndexOf("],\"ok\":");
    QVERIFY(verdict > 0);
    const QJsonObject tail = QJsonDocument::fromJson("{" + json.out.mid(verdict + 2).trimmed().chopped(1)).object();
    QCOMPARE(tail[u"ok"].toBool(), true);
    QCOMPARE(tail[u"problems"].toArray().size(), damagedLines.size());
}

// Each mistake a teacher makes, named once where it was made: the named problem is
// there, and nothing else is an error or stands after it, since everything after a
// moved field only follows from it.
void TestCheck::everyMistakeNamed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<ProblemId>("id");
    QTest::addColumn<int>("question");
    QTest::addColumn<QuestionField>("field");
    using enum ProblemId;
    using F = QuestionField;
    const auto q = [](int n, const char *line) { return withQuestion(n, QString::fromUtf8(line)); };
    const QString clean = cleanQuestions();

    QTest::newRow("blank line between questions")
        << bytesOf(QString(clean).replace("(тема)\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1\r\n\"Вопрос 3",
                                          "(тема)\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1\r\n\r\n\"Вопрос 3"))
        << 4 << 1 << BlankLine << 0 << F::None;
    QTest::newRow("blank first line") << bytesOf("\r\n" + clean) << 1 << 1 << BlankLine << 0 << F::None;
    QTest::newRow("blank line of spaces") << bytesOf(QString(clean).replace("0,0,1\r\n\"Вопрос 5", "0,0,1\r\n  \r\n\"Вопрос 5"))
                                          << 6 << 1 << BlankLine << 0 << F::None;
    QTest::newRow("flag 2") << q(4, "\"Вопрос 4\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,2,1") << 5 << 34 << FlagNotZeroOrOne << 4 << F::Flag3;
    QTest::newRow("flag -1") << q(4, "\"Вопрос 4\",\"А\",\"Б\",\"В\",\"Г\",0,-1,1,0,1") << 5 << 30 << FlagNotZeroOrOne << 4 << F::Flag1;
    QTest::newRow("flag да") << q(4, "\"Вопрос 4\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,да,1") << 5 << 34 << FlagNotANumber << 4 << F::Flag3;
    QTest::newRow("flag \"да\"") << q(4, "\"Вопрос 4\",\"А\",\"Б\",\"В\",\"Г\",0,1,\"да\",0,1") << 5 << 32 << FlagNotANumber << 4 << F::Flag2;
    QTest::newRow("flag +") << q(4, "\"Вопрос 4\",\"А\",\"Б\",\"В\",\"Г\",0,+,0,1,1") << 5 << 30 << FlagNotANumber << 4 << F::Flag1;
    QString semicolons = QString(clean).replace(u',', u';');
    QTest::newRow("semicolons, quoted") << bytesOf(semicolons) << 1 << 3 << Semicolons << 0 << F::Header;
    QTest::newRow("semicolons, bare") << bytesOf(semicolons.remove(u'"')) << 1 << 3 << Semicolons << 0 << F::Header;
    QTest::newRow("semicolons in one question") << q(7, "\"Вопрос 7\";\"А\";\"Б\";\"В\";\"Г\";0;1;0;0;1") << 8 << 11 << Semicolons << 7 << F::None;
    QTest::newRow("closing quote left out mid-line") << q(3, "\"Вопрос 3\",\"А,\"Б\",\"В\",\"Г\",0,1,0,0,1") << 4 << 12 << QuoteNotClosed << 3 << F::Answer1;
    QTest::newRow("closing quote left out before flags") << q(3, "\"Вопрос 3\",\"А\",\"Б\",\"В\",\"Г,0,1,0,0,1") << 4 << 24 << QuoteNotClosed << 3 << F::Answer4;
    QTest::newRow("closing quote of a question left out") << q(2, "\"Вопрос 2,\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1") << 3 << 1 << QuoteNotClosed << 2 << F::Question;
    QTest::newRow("nine fields") << q(5, "\"Вопрос 5\",\"А\",\"Б\",\"В\",\"Г\",1,0,0,1") << 6 << 35 << TooFewFields << 5 << F::Flag4;
    QTest::newRow("eleven fields") << q(5, "\"Вопрос 5\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1,1") << 6 << 38 << TooManyFields << 5 << F::None;
    QTest::newRow("eleven fields, a bare text with a comma") << q(5, "Вопрос 5,А,Б, или В,Г,Д,0,1,0,0,1") << 6 << 33 << TooManyFields << 5 << F::None;
    QTest::newRow("header of three numbers") << bytesOf(QString(clean).replace("19,17,14,0", "19,17,14")) << 1 << 1 << HeaderFieldCount << 0 << F::Header;
    QTest::newRow("tab instead of a comma") << q(6, "\"Вопрос 6\"\t\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,1") << 7 << 11 << TabSeparator << 6 << F::None;
    QTest::newRow("empty answer") << q(8, "\"Вопрос 8\",\"А\",\"\",\"В\",\"Г\",0,1,0,0,1") << 9 << 16 << EmptyAnswer << 8 << F::Answer2;
    QTest::newRow("limits out of order") << bytesOf(QString(clean).replace("19,17,14,0", "13,16,18,0")) << 1 << 1 << GradesNeverGiven << 0 << F::Header;
    QTest::newRow("limit above the maximum") << bytesOf(QString(clean).replace("19,17,14,0", "21,17,14,0")) << 1 << 1 << LimitAboveMaximum << 0 << F::Header;
    QTest::newRow("no right answer") << q(3, "\"Вопрос 3\",\"А\",\"Б\",\"В\",\"Г\",0,0,0,0,0") << 4 << 1 << NoRightAnswer << 3 << F::Question;
    QTest::newRow("every answer right") << q(3, "\"Вопрос 3\",\"А\",\"Б\",\"В\",\"Г\",0,1,1,1,1") << 4 << 1 << AllAnswersRight << 3 << F::Question;
    const std::pair<CyrillicEncoding, const char *> others[] = {{CyrillicEncoding::Koi8R, "KOI8-R"},
        {CyrillicEncoding::Cp866, "IBM866"}, {CyrillicEncoding::Iso88595, "ISO-8859-5"},
        {CyrillicEncoding::MacCyrillic, "x-mac-cyrillic"}};
    for (const auto &[encoding, name] : others)
        QTest::addRow("question file in %s", name) << encodeCyrillic(clean, encoding, name) << 1 << 1 << UnicodeFile << 0 << F::Header;
    QTest::newRow("records file renamed") << bytesOf("Анна,Наводнения, 5\r\nБорис,Землетрясение, 4\r\n") << 1 << 1
                                          << RecordsFileAsQuestions << 0 << F::Header;
    QTest::newRow("nine questions") << bytesOf(clean.section("\r\n", 0, 9) + "\r\n") << 11 << 1 << TooFewQuestions << 0 << F::None;
}

void TestCheck::everyMistakeNamed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(ProblemId, id);
    QFETCH(int, question);
    QFETCH(QuestionField, field);
    tested_.insert(id);

    const QuestionFileCheck check = checkQuestionBytes(bytes, QStringLiteral("t.ssu"));
    QStringList seen;
    for (const QuestionProblem &p : check.problems)
        seen << QStringLiteral("%1:%2 #%3 q%4 f%5").arg(p.line).arg(p.column).arg(int(p.id)).arg(p.question).arg(int(p.field));
    const auto named = std::find_if(check.problems.begin(), check.problems.end(),
                                    [&](const QuestionProblem &p) { return p.id == id; });
    QVERIFY2(named != check.problems.end(), qPrintable(seen.join(u'\n')));
    QCOMPARE(named->line, line);
    QCOMPARE(named->column, column);
    QCOMPARE(named->question, question);
    QCOMPARE(named->field, field);
    for (const QuestionProblem &p : check.problems) {
        if (&p == &*named)
            continue;
        QVERIFY2(p.severity != Severity::Error && std::pair(p.line, p.column) < std::pair(line, column),
                 qPrintable(seen.join(u'\n')));
        // Advice about quotes only where a text without them split a line.
        QVERIFY2(p.id != ProblemId::SplitText || id == ProblemId::TooManyFields, qPrintable(seen.join(u'\n')));
    }
}

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
