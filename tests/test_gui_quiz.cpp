// Whole tests through the windows: topic choice, ten answers by clicks on boxes and on
// answer texts, the empty-answer warning, the result window, the cue and the records
// line; a new test over a running one; the faults the windows mend.

#include "gui_support.h"
#include "quiz/form3.h"
#include "topics/catalogue.h"
#include "topics/form2.h"

#include <QListWidget>

using namespace gui;

namespace {

const QString Floods = QStringLiteral("Наводнения");            // qes8.ssu
const QString AtHome = QStringLiteral("Правила безопасного поведения в быту");   // qes1.ssu

// Ticks as a pupil would: '1'..'4' click box k, 'A'..'D' click the text of answer k.
void tick(const QString &clicks)
{
    const std::array<QWidget *, 4> boxes = {mainBox(1), mainBox(2), mainBox(3), mainBox(4)};
    const std::array<QWidget *, 4> texts = {mainLabel(2), mainLabel(3), mainLabel(4), mainLabel(5)};
    for (QChar c : clicks) {
        if (c >= u'1' && c <= u'4')
            QTest::mouseClick(boxes[c.unicode() - u'1'], Qt::LeftButton);
        else
            QTest::mouseClick(texts[c.unicode() - u'A'], Qt::LeftButton, {}, QPoint(20, 5));
    }
}

void answer(const QString &clicks)
{
    tick(clicks);
    QTest::mouseClick(mainButton(), Qt::LeftButton);
}

bool ticked(int k)
{
    return std::array<TickBox *, 4>{mainBox(1), mainBox(2), mainBox(3), mainBox(4)}[k - 1]->isChecked();
}

// Question q of the file that questionFile() writes, as the main window must show it:
// each answer in the label beside its own box.
void checkQuestionShown(int q)
{
    QCOMPARE(mainLabel(1)->text(), QStringLiteral("Вопрос %1").arg(q));
    const std::array<QLabel *, 4> answers = {mainLabel(2), mainLabel(3), mainLabel(4), mainLabel(5)};
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(answers[k - 1]->text(), QStringLiteral("Ответ %1.%2").arg(q).arg(k));
}

QByteArray recordsLine(const QString &name, const QString &topic, int grade)
{
    return encode1251(QStringLiteral("%1,%2, %3\r\n").arg(name, topic).arg(grade)).value();
}

} // namespace

class TestQuiz : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }

    void wholeTest_data();
    void wholeTest();
    void okWithoutTopicDoesNothing();
    void newTestOverRunningTest();
    void sameTopicTwiceAppendsTwoLines();
    void refusedQuestionFileKeepsEverything_data();
    void refusedQuestionFileKeepsEverything();
    void unwritableRecordsStillShowsGrade();
    void folderWithoutQuestionsIsSaidAtStart();
};

void TestQuiz::wholeTest_data()
{
    QTest::addColumn<int>("t5");
    QTest::addColumn<int>("t4");
    QTest::addColumn<int>("t3");
    QTest::addColumn<int>("grade");
    QTest::addColumn<QString>("cue");
    // The answers below end with 17 points.
    QTest::newRow("grade 5") << 17 << 10 << 5 << 5 << WinnerCue;
    QTest::newRow("grade 4 at its threshold") << 18 << 17 << 5 << 4 << WinnerCue;
    QTest::newRow("grade 3") << 30 << 20 << 17 << 3 << WinnerCue;
    QTest::newRow("grade 2") << 30 << 25 << 18 << 2 << FailedCue;
}

void TestQuiz::wholeTest()
{
    QFETCH(int, t5);
    QFETCH(int, t4);
    QFETCH(int, t3);
    QFETCH(int, grade);
    QFETCH(QString, cue);

    FreshRun run;
    const QList<Question> questions = {
        {{1, 0, 1, 0}}, {{1, 1, 0, 0}}, {{0, 0, 0, 1}}, {{1, 0, 0, 0}}, {{2, 1, 0, 0}},
        {{1, 1, 1, 1}}, {{1, 1, 1, 1}}, {{1, 1, 1, 1}}, {{1, 1, 1, 1}}, {{1, 0, 0, 0}},
    };
    // Boxes by click ('1'..'4') and by their answer texts ('A'..'D'), and the score after each.
    const QStringList clicks = {"A23", "1234", "1B", "1", "A", "1234", "ABCD", "12CD", "A2C4", "1"};
    const QList<int> scores = {1, 1, 0, 1, 0, 4, 8, 12, 16, 17};
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), questionFile(t5, t4, t3, questions)));
    enterProgram();
    Form1 &main = form1();

    startTopic(Floods);
    QVERIFY(!form2().isVisible());
    QVERIFY(main.isEnabled());
    QVERIFY(!mainAction("Newpers")->isEnabled());
    QCOMPARE(mainLabel(9)->text(), QStringLiteral(" 1"));
    QCOMPARE(mainLabel(6)->text(), QStringLiteral(" 0"));
    checkQuestionShown(1);
    for (QWidget *shown : {static_cast<QWidget *>(mainButton()), static_cast<QWidget *>(mainBox(1)),
                           static_cast<QWidget *>(mainShape(3)), static_cast<QWidget *>(mainLabel(7))})
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
    for (QWidget *hidden : {static_cast<QWidget *>(mainLabel(10)), static_cast<QWidget *>(mainLabel(14)),
                            static_cast<QWidget *>(mainShape(1))})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));

    for (int q = 1; q <= 9; ++q) {
        answer(clicks[q - 1]);
        QCOMPARE(QuizState.score, qint16(scores[q - 1]));
        QCOMPARE(mainLabel(6)->text(), numberText(qint16(scores[q - 1])));
        QCOMPARE(mainLabel(9)->text(), numberText(qint16(q + 1)));
        checkQuestionShown(q + 1);
        QVERIFY(!ticked(1) && !ticked(2) && !ticked(3) && !ticked(4));
    }

    // Question 10 pressed empty: warned, and still question 10.
    {
        ModalAnswers answers;
        answers.press(QMessageBox::Ok);
        answer(QString());
        QVERIFY(answers.allAnswered());
        const SeenDialog &warning = answers.seen().first();
        QCOMPARE(warning.title, QStringLiteral("Повтор ввода"));
        QCOMPARE(warning.text, QStringLiteral("Повтори ввод!"));
        QCOMPARE(warning.icon, QMessageBox::Warning);
        QCOMPARE(warning.buttons, QStringList{QStringLiteral("ОК")});
        QCOMPARE(mainLabel(9)->text(), QStringLiteral(" 10"));
        checkQuestionShown(10);
        QCOMPARE(QuizState.score, qint16(16));
        QVERIFY(!form3().isVisible());
    }

    ModalAnswers none;
    answer(clicks[9]);
    QVERIFY(none.seen().isEmpty() && none.unexpected().isEmpty());
    QCOMPARE(QuizState.score, qint16(17));
    QCOMPARE(QuizState.grade, qint16(grade));
    QCOMPARE(QuizState.questionNumber, qint16(0));
    Form3 &result = form3();
    QVERIFY(result.isVisible());
    QCOMPARE(result.Label1->text(), QString::number(grade));
    QCOMPARE(soundPath, cue);
    QCOMPARE(readFile(QStringLiteral("records.ssu")), recordsLine(QStringLiteral("Ученик"), Floods, grade));

    // Title screen behind the result window, the main window held disabled.
    QVERIFY(!main.isEnabled());
    QVERIFY(!mainAction("Newpers")->isEnabled());
    QVERIFY(mainLabel(10)->isVisible() && mainLabel(14)->isVisible() && mainShape(2)->isVisible());
    QVERIFY(!mainLabel(1)->isVisible() && !mainBox(4)->isVisible() && !mainButton()->isVisible());
    QVERIFY(!mainShape(3)->isVisible());
    for (QLabel *label : {mainLabel(1), mainLabel(2), mainLabel(3), mainLabel(4), mainLabel(5)})
        QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));

    QTest::mouseClick(result.Command1, Qt::LeftButton);
    QVERIFY(!result.isVisible());
    QVERIFY(main.isVisible() && main.isEnabled());
    QVERIFY(mainAction("Newpers")->isEnabled());
    QVERIFY(QTest::qWaitForWindowActive(&main));
}

void TestQuiz::okWithoutTopicDoesNothing()
{
    FreshRun run;
    enterProgram();
    // What a test started earlier leaves behind stays in place.
    QuizState.topicName = Floods;
    QuizState.questionFile = QStringLiteral("qes8.ssu");
    mainAction("New")->trigger();
    Form2 &topics = form2();
    QCOMPARE(topics.List1->count(), int(topicCatalogue().size()));
    QCOMPARE(topics.List1->item(0)->text(), QStringLiteral("Безопасность прихимических авариях"));
    QVERIFY(topics.selectedTopic().isEmpty());
    QTest::mouseClick(topics.Command1, Qt::LeftButton);
    QVERIFY(topics.isVisible());
    QVERIFY(!form1().isEnabled());
    QCOMPARE(QuizState.questionNumber, qint16(0));
    QCOMPARE(QuizState.topicName, Floods);
    QCOMPARE(QuizState.questionFile, QStringLiteral("qes8.ssu"));

    // Closed by the desktop, it acts as "Отмена".
    QVERIFY(!topics.close());
    QVERIFY(!topics.isVisible());
    QVERIFY(form1().isEnabled());
}

void TestQuiz::newTestOverRunningTest()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile()));
    QVERIFY(writeFile(QStringLiteral("qes1.ssu"), simpleQuestionFile()));
    enterProgram();
    Form1 &main = form1();
    startTopic(Floods);
    answer(QStringLiteral("1"));
    tick(QStringLiteral("B"));

    // "Отмена" returns to the running test unchanged.
    mainAction("New")->trigger();
    QCOMPARE(form2().selectedTopic(), Floods);
    QTest::mouseClick(form2().Command2, Qt::LeftButton);
    QVERIFY(!form2().isVisible());
    QVERIFY(main.isEnabled());
    QCOMPARE(mainLabel(9)->text(), QStringLiteral(" 2"));
    QCOMPARE(mainLabel(6)->text(), QStringLiteral(" 1"));
    QCOMPARE(mainLabel(1)->text(), QStringLiteral("Вопрос 2"));
    QVERIFY(ticked(2));

    // Another topic abandons it without a records line; the tick stays.
    startTopic(AtHome, true);
    QVERIFY(!form2().isVisible());
    QCOMPARE(QuizState.topicName, AtHome);
    QCOMPARE(QuizState.questionFile, QStringLiteral("qes1.ssu"));
    QCOMPARE(mainLabel(9)->text(), QStringLiteral(" 1"));
    QCOMPARE(mainLabel(6)->text(), QStringLiteral(" 0"));
    QVERIFY(ticked(2));
    QVERIFY(!mainAction("Newpers")->isEnabled());
    QVERIFY(!QFile::exists(QStringLiteral("records.ssu")));
}

void TestQuiz::sameTopicTwiceAppendsTwoLines()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    enterProgram(QStringLiteral("Оля"));
    for (int round = 0; round < 2; ++round) {
        if (round == 0) {
            startTopic(Floods);
        } else {
            // The topic window opens with the last topic still selected.
            mainAction("New")->trigger();
            QCOMPARE(form2().selectedTopic(), Floods);
            QTest::mouseClick(form2().Command1, Qt::LeftButton);
        }
        for (int q = 1; q <= 10; ++q)
            answer(q <= 6 ? QStringLiteral("1") : QStringLiteral("2"));
        QCOMPARE(QuizState.score, qint16(2));   // 6 right, then 4 wrong
        QVERIFY(!form3().close());               // closed by the desktop: as "Ok"
        QVERIFY(form1().isEnabled() && mainAction("Newpers")->isEnabled());
    }
    const QByteArray line = recordsLine(QStringLiteral("Оля"), Floods, 2);
    QCOMPARE(readFile(QStringLiteral("records.ssu")), line + line);
    QCOMPARE(soundPath, FailedCue);
}

void TestQuiz::refusedQuestionFileKeepsEverything_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");   // the whole text of the box, when given
    QTest::newRow("missing") << false << QByteArray() << QString();
    QTest::newRow("empty") << true << QByteArray() << QString();
    QTest::newRow("record cut short") << true << QByteArray("9,7,5,0\r\n\"Q\",\"a\",\"b\"\r\n") << QString();
    QTest::newRow("number out of range") << true << QByteArray("99999,7,5,0\r\n") << QString();
    QTest::newRow("saved as UTF-8") << true << QStringLiteral("9,7,5,0\r\n\"Вопрос\",\"А\",\"Б\",\"В\",\"Г\",0,1,0,0,0\r\n").toUtf8()
                                    << QStringLiteral("qes8.ssu, строка 1, позиция 1: Файл сохранён в кодировке UTF-8, а "
                                                      "программа читает только Windows-1251: ученики увидели бы вместо "
                                                      "русских букв непонятные знаки. Переведите файл командой «zuf-check "
                                                      "--fix-encoding qes8.ssu» или «iconv -f UTF-8 -t WINDOWS-1251 "
                                                      "qes8.ssu > qes8-1251.ssu» (и замените прежний файл новым) либо "
                                                      "пересохраните его в редакторе в кодировке Windows-1251 (в Блокноте: "
                                                      "«Сохранить как» → «Кодировка: ANSI»).");
}

void TestQuiz::refusedQuestionFileKeepsEverything()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes1.ssu"), simpleQuestionFile(9, 7, 5)));
    if (present)
        QVERIFY(writeFile(QStringLiteral("qes8.ssu"), bytes));
    else
        QVERIFY(QFile::remove(QStringLiteral("qes8.ssu")));
    enterProgram();
    Form1 &main = form1();
    startTopic(AtHome);
    answer(QStringLiteral("1"));
    const QuizStateRecord before = QuizState;

    ModalAnswers answers;
    answers.press(QMessageBox::Ok);
    startTopic(Floods);
    QVERIFY(answers.allAnswered());
    const SeenDialog &box = answers.seen().first();
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY2(box.text.contains(QStringLiteral("qes8.ssu")), qPrintable(box.text));
    if (!says.isEmpty())
        QCOMPARE(box.text, says);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("ОК")});

    QVERIFY(form2().isVisible());
    QVERIFY(!main.isEnabled());
    QCOMPARE(QuizState.topicName, before.topicName);
    QCOMPARE(QuizState.questionFile, before.questionFile);
    QCOMPARE(QuizState.questionNumber, before.questionNumber);
    QCOMPARE(QuizState.score, before.score);
    QCOMPARE(QuizState.threshold5, before.threshold5);
    QCOMPARE(mainLabel(1)->text(), QStringLiteral("Вопрос 2"));

    QTest::mouseClick(form2().Command2, Qt::LeftButton);
    QVERIFY(main.isEnabled());
    QCOMPARE(mainLabel(9)->text(), QStringLiteral(" 2"));
}

void TestQuiz::unwritableRecordsStillShowsGrade()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    QVERIFY(QDir().mkdir(QStringLiteral("records.ssu")));   // a folder cannot be appended to
    enterProgram();
    startTopic(Floods);
    for (int q = 1; q <= 9; ++q)
        answer(QStringLiteral("1"));

    ModalAnswers answers;
    bool gradeShownFirst = false;
    answers.then([&](QWidget *dialog) {
        gradeShownFirst = form3().isVisible() && form3().Label1->text() == u"5";
        qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Ok)->click();
    });
    answer(QStringLiteral("1"));
    QVERIFY(answers.allAnswered());
    QVERIFY(gradeShownFirst);
    const SeenDialog &box = answers.seen().first();
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QVERIFY2(box.text.startsWith(QStringLiteral("Результат не удалось записать")), qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Warning);

    QVERIFY(form3().isVisible());
    QCOMPARE(QuizState.questionNumber, qint16(0));
    QVERIFY(mainLabel(10)->isVisible());
    QTest::mouseClick(form3().Command1, Qt::LeftButton);
    QVERIFY(form1().isEnabled());
}

// Started in a folder other than the one with the question files (a shortcut's working
// folder left as it was): said after the name, before a topic is picked, naming the folder.
void TestQuiz::folderWithoutQuestionsIsSaidAtStart()
{
    FreshRun run;
    for (const QString &file : QDir().entryList({QStringLiteral("qes*.ssu")}))
        QVERIFY(QFile::remove(file));
    SeenDialog notice;
    enterProgram(QStringLiteral("Ученик"), &notice);
    QCOMPARE(notice.title, QStringLiteral("Внимание"));
    QVERIFY2(notice.text.startsWith(QStringLiteral("В папке ") + QDir::toNativeSeparators(run.path())
                                    + QStringLiteral(" нет файлов вопросов (qes1.ssu"))
                 && !notice.text.contains(u"records.ssu"),
             qPrintable(notice.text));
    QVERIFY(form1().isVisible() && form1().isEnabled());
}

QTEST_MAIN(TestQuiz)
#include "test_gui_quiz.moc"
