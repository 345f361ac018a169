// Question files: what is accepted, what is refused and where, the notes for
// teachers, and the loader's all-or-nothing commit into the process-wide records.

#include "quiz/codepage.h"
#include "quiz/problemtexts.h"
#include "quiz/questionfile.h"
#include "quiz/quizstate.h"
#include "quiz/textencoding.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString recordText(int n, const QString &flags = QStringLiteral("1,0,0,1"))
{
    return QStringLiteral("\"Вопрос %1, первый\",\"Ответ А%1\",\"Ответ Б\",\"Ответ В\",\"Ответ Г\",0,%2")
        .arg(n).arg(flags);
}

// A question file of `count` records, one per line, every line ended by `eol`.
QString questionText(int count, const QString &header = QStringLiteral("9,7,5,0"),
                     const QString &eol = QStringLiteral("\r\n"))
{
    QString text = header + eol;
    for (int n = 1; n <= count; ++n)
        text += recordText(n) + eol;
    return text;
}

QByteArray bytesOf(const QString &text)
{
    return encode1251(text).value();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int warningsContaining(const QuestionFileContents &contents, const QString &text)
{
    return int(std::count_if(contents.warnings.begin(), contents.warnings.end(),
                             [&](const FileProblem &p) { return p.message.contains(text); }));
}

} // namespace

class TestQuestionFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void acceptsFiles_data();
    void acceptsFiles();
    void refusesFiles_data();
    void refusesFiles();
    void keepsFlagsAsRead();
    void refusesOversizedFile();
    void notesForTeachers_data();
    void notesForTeachers();
    void criteriaThresholdsFollowHelpText_data();
    void criteriaThresholdsFollowHelpText();

    void loadCommitsRecordsAndThresholds();
    void loadKeepsEntriesAboveLastRecord();
    void failedLoadLeavesStateUntouched_data();
    void failedLoadLeavesStateUntouched();
    void errorNamesFileLineAndColumn();
    void recognisesUnicodeFiles_data();
    void recognisesUnicodeFiles();
    void quizRefusesUnicodeFile();

private:
    QTemporaryDir dir_;
    QString oldCurrent_;
};

void TestQuestionFile::init()
{
    QuizState = QuizStateRecord{};
    QuestionBank = QuestionBankRecord{};
    QVERIFY(dir_.isValid());
    oldCurrent_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
}

void TestQuestionFile::cleanup()
{
    QDir::setCurrent(oldCurrent_);
}

void TestQuestionFile::acceptsFiles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("lastQuestion");

    QTest::newRow("ten records, CR LF") << questionText(10) << 10 << "Вопрос 10, первый";
    QTest::newRow("ninety records") << questionText(90) << 90 << "Вопрос 90, первый";
    QTest::newRow("LF only") << questionText(12, "9,7,5,0", "\n") << 12 << "Вопрос 12, первый";
    QTest::newRow("CR only") << questionText(12, "9,7,5,0", "\r") << 12 << "Вопрос 12, первый";
    QTest::newRow("last line without break") << questionText(10).chopped(2) << 10 << "Вопрос 10, первый";
    QTest::newRow("trailing blank lines") << questionText(10) + "\r\n\r\n" << 10 << "Вопрос 10, первый";
    QTest::newRow("trailing spaces and tabs") << questionText(10) + "  \t \r\n\t" << 10 << "Вопрос 10, первый";
    const QString spread = questionText(9) + recordText(10).replace(QStringLiteral("\",\""), QStringLiteral("\"\n\"")) + "\r\n";
    QTest::newRow("fields of one record over lines") << spread << 10 << "Вопрос 10, первый";
    QString sixth = questionText(9) + recordText(10).replace(QStringLiteral("Г\",0,"), QStringLiteral("Г\",\"любой, текст\","));
    QTest::newRow("sixth field quoted text") << sixth << 10 << "Вопрос 10, первый";
    QString empty6 = questionText(9) + recordText(10).replace(QStringLiteral("Г\",0,"), QStringLiteral("Г\",,"));
    QTest::newRow("sixth field empty") << empty6 << 10 << "Вопрос 10, первый";
    QString bare6 = questionText(9) + recordText(10).replace(QStringLiteral("Г\",0,"), QStringLiteral("Г\", слово ,"));
    QTest::newRow("sixth field bare text") << bare6 << 10 << "Вопрос 10, первый";
    QTest::newRow("header over four lines") << questionText(10, "9\r\n7\r\n5\r\n0") << 10 << "Вопрос 10, первый";
}

void TestQuestionFile::acceptsFiles()
{
    QFETCH(QString, text);
    QFETCH(int, records);
    QFETCH(QString, lastQuestion);

    const QuestionFileContents contents = readQuestionFile(bytesOf(text));
    QVERIFY2(!contents.fault, contents.fault ? qPrintable(contents.fault->message) : "");
    QCOMPARE(int(contents.records.size()), records);
    QCOMPARE(contents.threshold5, qint16(9));
    QCOMPARE(contents.threshold4, qint16(7));
    QCOMPARE(contents.threshold3, qint16(5));
    QCOMPARE(contents.records.back().question, lastQuestion);
    QCOMPARE(contents.records.back().answers[3], QStringLiteral("Ответ Г"));
    QCOMPARE(contents.records.back().correct, (std::array<qint16, 4>{1, 0, 0, 1}));
}

void TestQuestionFile::refusesFiles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("says");
    QTest::addColumn<int>("recordsRead");

    QTest::newRow("empty file") << "" << 1 << 1 << "заголовке" << 0;
    QTest::newRow("header of three numbers only") << "9,7,5" << 1 << 6 << "заголовке" << 0;
    QTest::newRow("header only") << "9,7,5,0\r\n" << 2 << 1 << "не меньше десяти" << 0;
    QTest::newRow("nine records") << questionText(9) << 11 << 1 << "не меньше десяти" << 9;
    QTest::newRow("ninety-one records") << questionText(91) << 92 << 1 << "91" << 90;
    QTest::newRow("end inside record 11") << questionText(10) + "\"Вопрос\",\"А\"" << 12 << 13
                                          << "посреди вопроса 11" << 10;
    QTest::newRow("end inside quote") << questionText(10) + "\"Вопрос\",\"А" << 12 << 10 << "кавычк" << 10;
    QTest::newRow("flag not a number") << questionText(10).replace("0,1,0,0,1\r\n\"Вопрос 3", "0,1,0,0,да\r\n\"Вопрос 3")
                                       << 3 << 69 << "целое число" << 1;
    QTest::newRow("threshold out of range") << questionText(10, "40000,7,5,0") << 1 << 1 << "вне пределов" << 0;
    QTest::newRow("ignored header field out of range") << questionText(10, "9,7,5,-40000") << 1 << 7
                                                       << "вне пределов" << 0;
    QTest::newRow("blank line shifts the last record") << questionText(10).replace("\r\n\"Вопрос 10", "\r\n\r\n\"Вопрос 10")
                                                       << 13 << 1 << "посреди вопроса 11" << 10;
}

void TestQuestionFile::refusesFiles()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, says);
    QFETCH(int, recordsRead);

    const QuestionFileContents contents = readQuestionFile(bytesOf(text));
    QVERIFY(contents.fault);
    QCOMPARE(contents.fault->severity, Severity::Error);
    QVERIFY2(contents.fault->message.contains(says), qPrintable(contents.fault->message));
    QCOMPARE(contents.fault->line, line);
    QCOMPARE(contents.fault->column, column);
    QCOMPARE(int(contents.records.size()), recordsRead);
}

void TestQuestionFile::keepsFlagsAsRead()
{
    const QString text = questionText(9) + recordText(10, QStringLiteral("2,-1,1,0"));
    const QuestionFileContents contents = readQuestionFile(bytesOf(text));
    QVERIFY(!contents.fault);
    QCOMPARE(contents.records[9].correct, (std::array<qint16, 4>{2, -1, 1, 0}));
}

void TestQuestionFile::refusesOversizedFile()
{
    QByteArray bytes = bytesOf(questionText(10));
    bytes.append(MaxQuestionFileBytes + 1 - bytes.size(), ' ');
    QuestionFileContents contents = readQuestionFile(bytes);
    QVERIFY(contents.fault);
    QCOMPARE(contents.fault->line, 0);
    QVERIFY(contents.fault->message.contains("4 МБ"));

    writeFile(QStringLiteral("big.ssu"), bytes);
    contents = readQuestionFileAt(QStringLiteral("big.ssu"));
    QVERIFY(contents.fault && contents.fault->message.contains("4 МБ"));

    bytes.chop(1);   // exactly at the limit: trailing blanks are accepted
    QVERIFY(!readQuestionFile(bytes).fault);
}

void TestQuestionFile::notesForTeachers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("says");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("line");

    // Ten records of two right answers each: 20 points, criteria 19, 17, 14 or 13.
    QTest::newRow("thresholds as the criteria") << questionText(10, "19,17,14,0") << "Пороги" << 0 << 0;
    QTest::newRow("thresholds as the 65 % reading") << questionText(10, "19,17,13,0") << "Пороги" << 0 << 0;
    QTest::newRow("thresholds off the criteria") << questionText(10) << "Пороги 9, 7, 5" << 1 << 1;
    QString noRight = questionText(10).replace("Ответ А3\",\"Ответ Б\",\"Ответ В\",\"Ответ Г\",0,1,0,0,1",
                                               "Ответ А3\",\"Ответ Б\",\"Ответ В\",\"Ответ Г\",0,2,0,-1,0");
    QTest::newRow("question 3 without right answer") << noRight << "У вопроса 3 нет правильного" << 1 << 4;
    QString lateNoRight = questionText(10) + recordText(11, QStringLiteral("0,0,0,0"));
    QTest::newRow("question 11 without right answer ignored") << lateNoRight << "нет правильного" << 0 << 0;
    QString split = questionText(10).replace("\"Ответ А4\"", "Ответ А4, или Я");
    QTest::newRow("unquoted text split by comma") << split << "разбила" << 1 << 5;
    QString splitToFlag = questionText(10).replace("\"Ответ А4\"", "Ответ А4, Б, В");
    QTest::newRow("split text meets a flag") << splitToFlag << "вместо флага" << 1 << 5;
    QString quotes = questionText(10).replace("\"Ответ Б\",\"Ответ В\",\"Ответ Г\",0,1,0,0,1\r\n\"Вопрос 6",
                                              "\"Ответ Б\",\"Ответ В\",\"Ответ Г\"  ,0,1,0,0,1\r\n\"Вопрос 6");
    QTest::newRow("spaces after closing quote are no note") << quotes << "кавычки" << 0 << 0;
}

void TestQuestionFile::notesForTeachers()
{
    QFETCH(QString, text);
    QFETCH(QString, says);
    QFETCH(int, count);
    QFETCH(int, line);

    const QuestionFileContents contents = readQuestionFile(bytesOf(text));
    QCOMPARE(warningsContaining(contents, says), count);
    for (const FileProblem &warning : contents.warnings) {
        QCOMPARE(warning.severity, Severity::Warning);
        if (count > 0 && warning.message.contains(says))
            QCOMPARE(warning.line, line);
    }
}

void TestQuestionFile::criteriaThresholdsFollowHelpText_data()
{
    QTest::addColumn<int>("maxScore");
    QTest::addColumn<int>("t5");
    QTest::addColumn<int>("t4");
    QTest::addColumn<int>("t3");
    QTest::addColumn<int>("t3alt");

    QTest::newRow("10") << 10 << 10 << 9 << 7 << 7;
    QTest::newRow("19") << 19 << 18 << 16 << 13 << 13;
    QTest::newRow("20") << 20 << 19 << 17 << 14 << 13;
    QTest::newRow("40") << 40 << 37 << 33 << 27 << 26;
    QTest::newRow("100 exact percentages") << 100 << 91 << 81 << 66 << 65;
    QTest::newRow("0") << 0 << 0 << 0 << 0 << 0;
}

void TestQuestionFile::criteriaThresholdsFollowHelpText()
{
    QFETCH(int, maxScore);
    const CriteriaThresholds t = criteriaThresholds(maxScore);
    QTEST(t.threshold5, "t5");
    QTEST(t.threshold4, "t4");
    QTEST(t.threshold3, "t3");
    QTEST(t.threshold3Alt, "t3alt");
}

void TestQuestionFile::loadCommitsRecordsAndThresholds()
{
    writeFile(QStringLiteral("qes8.ssu"), bytesOf(questionText(12, "18,16,13,0")));
    QuizState.questionFile = QStringLiteral("qes8.ssu");
    loadQuestionFile();
    QCOMPARE(QuizState.threshold5, qint16(18));
    QCOMPARE(QuizState.threshold4, qint16(16));
    QCOMPARE(QuizState.threshold3, qint16(13));
    QCOMPARE(QuestionBank.question[1], QStringLiteral("Вопрос 1, первый"));
    QCOMPARE(QuestionBank.answer1[12], QStringLiteral("Ответ А12"));
    QCOMPARE(QuestionBank.correct4[12], qint16(1));
    QCOMPARE(QuestionBank.question[0], QString());   // index 0 is never written
    QCOMPARE(QuestionBank.question[13], QString());
    QCOMPARE(QuestionBank.correct1[13], qint16(0));
}

void TestQuestionFile::loadKeepsEntriesAboveLastRecord()
{
    writeFile(QStringLiteral("qes1.ssu"), bytesOf(questionText(20)));
    writeFile(QStringLiteral("qes2.ssu"), bytesOf(questionText(11).replace("Вопрос", "Задача")));
    QuizState.questionFile = QStringLiteral("qes1.ssu");
    loadQuestionFile();
    QuizState.questionFile = QStringLiteral("qes2.ssu");
    loadQuestionFile();
    QCOMPARE(QuestionBank.question[11], QStringLiteral("Задача 11, первый"));
    QCOMPARE(QuestionBank.question[12], QStringLiteral("Вопрос 12, первый"));
    QCOMPARE(QuestionBank.answer1[20], QStringLiteral("Ответ А20"));
}

void TestQuestionFile::failedLoadLeavesStateUntouched_data()
{
    QTest::addColumn<QByteArray>("bytes");   // empty: no file at all

    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("five records") << bytesOf(questionText(5, "1,1,1,0"));
    QTest::newRow("bad flag in record 12") << bytesOf(questionText(11, "1,1,1,0") + recordText(12, "1,0,x,1"));
    QTest::newRow("ninety-one records") << bytesOf(questionText(91, "1,1,1,0"));
}

void TestQuestionFile::failedLoadLeavesStateUntouched()
{
    QFETCH(QByteArray, bytes);

    writeFile(QStringLiteral("qes5.ssu"), bytesOf(questionText(15).replace("Вопрос", "Старый")));
    QuizState.questionFile = QStringLiteral("qes5.ssu");
    loadQuestionFile();
    const QuestionBankRecord bankBefore = QuestionBank;

    if (!bytes.isEmpty())
        writeFile(QStringLiteral("qes6.ssu"), bytes);
    QuizState.questionFile = QStringLiteral("qes6.ssu");
    QVERIFY_THROWS_EXCEPTION(QuizError, loadQuestionFile());

    QCOMPARE(QuizState.threshold5, qint16(9));
    QCOMPARE(QuizState.threshold4, qint16(7));
    QCOMPARE(QuizState.threshold3, qint16(5));
    QVERIFY(QuestionBank.question == bankBefore.question);
    QVERIFY(QuestionBank.answer1 == bankBefore.answer1);
    QVERIFY(QuestionBank.answer4 == bankBefore.answer4);
    QVERIFY(QuestionBank.correct1 == bankBefore.correct1);
    QVERIFY(QuestionBank.correct4 == bankBefore.correct4);
}

void TestQuestionFile::errorNamesFileLineAndColumn()
{
    writeFile(QStringLiteral("qes3.ssu"), bytesOf(questionText(10, "9,7,x5,0")));
    QuizState.questionFile = QStringLiteral("qes3.ssu");
    try {
        loadQuestionFile();
        QFAIL("a bad threshold was accepted");
    } catch (const QuizError &error) {
        QCOMPARE(error.file(), QStringLiteral("qes3.ssu"));
        QCOMPARE(error.problem().line, 1);
        QCOMPARE(error.problem().column, 5);
        QVERIFY(error.userMessage().startsWith(QStringLiteral("qes3.ssu, строка 1, позиция 5: ")));
        QVERIFY(QString::fromUtf8(error.what()).contains("«x5»"));
    }

    QuizState.questionFile = QStringLiteral("qes4.ssu");
    try {
        loadQuestionFile();
        QFAIL("a missing file was accepted");
    } catch (const QuizError &error) {
        // The folder looked in is named: the pupil's program may run in another than the teacher thinks.
        QCOMPARE(error.problem().id, ProblemId::QuestionFileMissing);
        QVERIFY2(error.userMessage().contains(QDir::toNativeSeparators(QDir::currentPath())), qPrintable(error.userMessage()));
    }
}

// Files from today's editors are refused with a message; files in Windows-1251,
// including those of ASCII only, are read as before.
void TestQuestionFile::recognisesUnicodeFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("form");   // UnicodeForm

    const QString text = questionText(10);
    QStringEncoder toLe(QStringConverter::Utf16LE), toBe(QStringConverter::Utf16BE);
    const auto form = [](UnicodeForm f) { return int(f); };
    QTest::newRow("Windows-1251") << bytesOf(text) << form(UnicodeForm::None);
    QTest::newRow("Windows-1251, ASCII only")
        << QByteArray(questionText(10).replace("Вопрос", "Question").replace("Ответ", "Answer").replace("А", "A")
                          .replace("Б", "B").replace("В", "C").replace("Г", "D").toLatin1())
        << form(UnicodeForm::None);
    QTest::newRow("Windows-1251, capitals before guillemets (valid UTF-8 pairs)")
        << bytesOf(questionText(10).replace("первый", "Г»Ё«"))   // C3 BB, A8 AB: "Ё«" is no UTF-8
        << form(UnicodeForm::None);
    QTest::newRow("Windows-1251, letters that would be an overlong UTF-8 pair")
        << bytesOf(questionText(10).replace("первый", "АЇ"))   // C0 AF
        << form(UnicodeForm::None);
    QTest::newRow("UTF-8") << text.toUtf8() << form(UnicodeForm::Utf8);
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + text.toUtf8() << form(UnicodeForm::Utf8Bom);
    QTest::newRow("UTF-8 with BOM, ASCII only") << QByteArray("\xEF\xBB\xBF" "9,7,5,0\r\n") << form(UnicodeForm::Utf8Bom);
    QTest::newRow("UTF-16LE") << QByteArray(toLe(text)) << form(UnicodeForm::Utf16Le);
    QTest::newRow("UTF-16BE") << QByteArray(toBe(text)) << form(UnicodeForm::Utf16Be);
    QTest::newRow("UTF-16LE with BOM") << "\xFF\xFE" + QByteArray(toLe(text)) << form(UnicodeForm::Utf16LeBom);
    QTest::newRow("UTF-16BE with BOM") << "\xFE\xFF" + QByteArray(toBe(text)) << form(UnicodeForm::Utf16BeBom);
    QTest::newRow("UTF-16LE, Cyrillic first") << QByteArray(toLe(QStringLiteral("Ученик,Наводнения, 4\r\n")))
                                              << form(UnicodeForm::Utf16Le);
    QByteArray nul = bytesOf(questionText(10));
    nul.replace("Ответ Б", QByteArray("\0\x01\0\x02\0\0", 6));
    QTest::newRow("Windows-1251 with NUL bytes in texts") << nul << form(UnicodeForm::None);
}

void TestQuestionFile::recognisesUnicodeFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, form);

    QCOMPARE(int(detectUnicodeForm(bytes)), form);
    if (UnicodeForm(form) == UnicodeForm::Utf8) {
        // The beginning of a longer file may end inside a character.
        const qsizetype cut = bytes.indexOf("Вопрос 2") + 1;
        QCOMPARE(detectUnicodeForm(bytes.first(cut), true), UnicodeForm::Utf8);
        QCOMPARE(detectUnicodeForm(bytes.first(cut), false), UnicodeForm::None);
    }
    const QuestionFileContents contents = readQuestionFile(bytes, QStringLiteral("qes2.ssu"));
    if (UnicodeForm(form) == UnicodeForm::None) {
        QVERIFY2(!contents.fault, contents.fault ? qPrintable(contents.fault->message) : "");
        return;
    }
    QVERIFY(contents.fault);
    QCOMPARE(contents.fault->id, ProblemId::UnicodeFile);
    QCOMPARE(contents.fault->line, 1);
    QCOMPARE(contents.fault->column, 1);
    QVERIFY(contents.records.empty());
}

// The quiz gives the teacher's sentence in its "Ошибка" box and keeps what it had.
void TestQuestionFile::quizRefusesUnicodeFile()
{
    writeFile(QStringLiteral("qes5.ssu"), bytesOf(questionText(10)));
    QuizState.questionFile = QStringLiteral("qes5.ssu");
    loadQuestionFile();
    writeFile(QStringLiteral("qes1.ssu"), questionText(12, "1,1,1,0").toUtf8());
    QuizState.questionFile = QStringLiteral("qes1.ssu");
    try {
        loadQuestionFile();
        QFAIL("a file in UTF-8 was accepted");
    } catch (const QuizError &error) {
        QCOMPARE(error.userMessage(),
                 QStringLiteral("qes1.ssu, строка 1, позиция 1: Файл сохранён в кодировке UTF-8, а программа читает "
                                "только Windows-1251: ученики увидели бы вместо русских букв непонятные знаки. "
                                "Переведите файл командой «zuf-check --fix-encoding qes1.ssu» или «iconv -f UTF-8 -t "
                                "WINDOWS-1251 qes1.ssu > qes1-1251.ssu» (и замените прежний файл новым) либо "
                                "пересохраните его в редакторе в кодировке Windows-1251 (в Блокноте: «Сохранить как» "
                                "→ «Кодировка: ANSI»)."));
    }
    QCOMPARE(QuizState.threshold5, qint16(9));
    QCOMPARE(QuestionBank.question[1], QStringLiteral("Вопрос 1, первый"));
}

QTEST_GUILESS_MAIN(TestQuestionFile)
#include "test_core_questionfile.moc"
