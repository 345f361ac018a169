// A whole run with the keyboard alone, as a pupil without a mouse makes it: "Да",
// the name typed, the menus by their access keys, the topic found by its first
// letter, Tab and Space for the ticks and the answer button, Enter in the message
// boxes, the result, the records and the help, and "&Выход" confirmed by its access key.

#include "gui_support.h"
#include "quiz/form3.h"
#include "records/form5.h"
#include "records/recordsmodel.h"
#include "shell/form4.h"
#include "topics/form2.h"

#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace gui;

namespace {

const QString Floods = QStringLiteral("Наводнения");   // qes8.ssu

// Where a key goes: an open menu, else the focused control of the active window, else
// that window itself (the title screen has no control that takes the focus).
QWidget *keyTarget()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget *focused = QApplication::focusWidget())
        return focused;
    return QApplication::activeWindow();
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = keyTarget();
    QVERIFY2(target, "no window is active");
    QTest::keyClick(target, key, modifiers);
}

// A Cyrillic letter: Qt Test's own key table knows only Latin ones. Access keys
// match the upper-case key code.
void pressLetter(QChar letter, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = keyTarget();
    QVERIFY2(target, "no window is active");
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key(letter.toUpper().unicode()), QString(letter), modifiers);
}

void typeText(QWidget *edit, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Alt and the heading's letter open a menu; the item's letter alone chooses it.
void chooseMenuItem(QMenu *menu, QChar heading, QChar item)
{
    QTRY_COMPARE(QApplication::activeWindow(), &form1());
    pressLetter(heading, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    pressLetter(item);
}

// Tab until target has the focus, as a pupil would; fails when it never comes.
void tabTo(QWidget *target)
{
    for (int i = 0; i < 20 && QApplication::focusWidget() != target; ++i)
        pressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), target);
}

// Answers of the message boxes and the name prompt, given with keys.
ModalAnswers::Answer typeName(const QString &name)
{
    return [name](QWidget *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>();
        QVERIFY(edit);
        QTRY_VERIFY(edit->hasFocus());
        typeText(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

// The box's focused button, once the box has the keyboard; the box itself takes
// Enter and the access keys of its buttons.
QWidget *boxKeyTarget(QWidget *dialog)
{
    if (QTest::qWaitFor([dialog] { return dialog->isActiveWindow(); }, 20000) && dialog->focusWidget())
        return dialog->focusWidget();
    return dialog;
}

ModalAnswers::Answer pressEnter()
{
    return [](QWidget *dialog) { QTest::keyClick(boxKeyTarget(dialog), Qt::Key_Return); };
}

ModalAnswers::Answer pressAccessKey(QChar letter)
{
    return [letter](QWidget *dialog) {
        QTest::sendKeyEvent(QTest::Click, boxKeyTarget(dialog), Qt::Key(letter.toUpper().unicode()),
                            QString(letter), Qt::NoModifier);
    };
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }

    void wholeRunWithKeysAlone();
    void escapeClosesAndTheTitleScreenKeepsTheKeyboard_data();
    void escapeClosesAndTheTitleScreenKeepsTheKeyboard();
    void returnInTheTopicListStartsTheTopic();
};

void TestKeyboard::wholeRunWithKeysAlone()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile(9, 7, 5)));
    Form1 &main = form1();
    QSignalSpy ended(&main, &Form1::programEnded);

    // Welcome window: "Да" has the focus; Space presses it and the name prompt opens.
    Form6 &welcome = form6();
    QTRY_COMPARE(QApplication::activeWindow(), &welcome);
    QTRY_COMPARE(QApplication::focusWidget(), welcome.Command1);
    {
        ModalAnswers answers;
        answers.then(typeName(QStringLiteral("Ученик")));
        pressKey(Qt::Key_Space);
        QVERIFY(answers.allAnswered());
    }
    QCOMPARE(QuizState.userName, QStringLiteral("Ученик"));

    // "&Файл", "&Новый тест"; the topic by its first letter, then Tab to "Ok".
    chooseMenuItem(mainMenu("File"), u'ф', u'н');
    Form2 &topics = form2();
    QTRY_VERIFY(topics.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &topics);
    QTRY_COMPARE(QApplication::focusWidget(), topics.List1);
    pressLetter(u'н');
    QCOMPARE(topics.selectedTopic(), Floods);
    tabTo(topics.Command1);
    pressKey(Qt::Key_Space);
    QVERIFY(!topics.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    QCOMPARE(QuizState.questionNumber, qint16(1));

    // The answer button pressed with no tick: the warning, closed with Enter.
    tabTo(mainButton());
    {
        ModalAnswers answers;
        answers.then(pressEnter());
        pressKey(Qt::Key_Space);
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen().first().title, QStringLiteral("Повтор ввода"));
    }
    QCOMPARE(QuizState.questionNumber, qint16(1));

    // Ten answers: Tab to the first box, Space ticks it, Tab on to "Ответ", Space.
    for (int n = 1; n <= 10; ++n) {
        QTRY_COMPARE(QApplication::activeWindow(), &main);
        tabTo(mainBox(1));
        pressKey(Qt::Key_Space);
        QVERIFY2(mainBox(1)->isChecked(), qPrintable(QStringLiteral("question %1").arg(n)));
        // Space again unticks, and once more ticks: the box follows the key.
        pressKey(Qt::Key_Space);
        QVERIFY(!mainBox(1)->isChecked());
        pressKey(Qt::Key_Space);
        tabTo(mainButton());
        pressKey(Qt::Key_Space);
    }

    // The result window has the focus on its "Ok".
    Form3 &result = form3();
    QVERIFY(result.isVisible());
    QCOMPARE(result.Label1->text(), QStringLiteral("5"));
    QTRY_COMPARE(QApplication::activeWindow(), &result);
    QTRY_COMPARE(QApplication::focusWidget(), result.Command1);
    pressKey(Qt::Key_Space);
    QVERIFY(!result.isVisible());
    QVERIFY(main.isEnabled() && mainAction("Newpers")->isEnabled());
    QCOMPARE(readFile(QStringLiteral("records.ssu")),
             encode1251(QStringLiteral("Ученик,Наводнения, 5\r\n")).value());

    // "&Рекорды": the list has the focus, Tab to "Ok", Space closes it.
    chooseMenuItem(mainMenu("File"), u'ф', u'р');
    Form5 &records = form5();
    QTRY_VERIFY(records.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &records);
    QTRY_COMPARE(QApplication::focusWidget(), records.List1);
    QCOMPARE(records.records->rowCount(), 1);
    tabTo(records.Command1);
    pressKey(Qt::Key_Space);
    QVERIFY(!records.isVisible());

    // "&Справка", "&Помощь": the text first, Tab leaves it for "Ok".
    chooseMenuItem(mainMenu("hp"), u'с', u'п');
    Form4 &help = form4();
    QTRY_VERIFY(help.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &help);
    QTRY_COMPARE(QApplication::focusWidget(), help.Text1);
    tabTo(help.Command1);
    pressKey(Qt::Key_Space);
    QVERIFY(!help.isVisible());

    // "&Сменить имя": a new name, typed.
    {
        ModalAnswers answers;
        answers.then(typeName(QStringLiteral("Петя")));
        chooseMenuItem(mainMenu("File"), u'ф', u'с');
        QTRY_VERIFY(answers.allAnswered());
    }
    QTRY_COMPARE(QuizState.userName, QStringLiteral("Петя"));

    // "&Выход": "Нет" by its access key keeps the run, "Да" ends it.
    {
        ModalAnswers answers;
        answers.then(pressAccessKey(u'н'));
        chooseMenuItem(mainMenu("File"), u'ф', u'в');
        QTRY_VERIFY(answers.allAnswered());
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }
    QCOMPARE(ended.count(), 0);
    QVERIFY(main.isVisible());
    {
        ModalAnswers answers;
        answers.then(pressAccessKey(u'д'));
        chooseMenuItem(mainMenu("File"), u'ф', u'в');
        QTRY_VERIFY(answers.allAnswered());
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(answers.seen().first().title, QStringLiteral("Выход"));
    }
    QCOMPARE(soundPath, ExitCue);
}

// Records and help close on Escape as on "Ok"; after any window over the title screen
// the keyboard is back on the title screen's text, so the main window's keys work.
void TestKeyboard::escapeClosesAndTheTitleScreenKeepsTheKeyboard_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("escapeCloses");
    QTest::newRow("records") << QStringLiteral("Form5") << true;
    QTest::newRow("help") << QStringLiteral("Form4") << true;
    QTest::newRow("topics, by Отмена") << QStringLiteral("Form2") << false;
}

void TestKeyboard::escapeClosesAndTheTitleScreenKeepsTheKeyboard()
{
    QFETCH(QString, window);
    QFETCH(bool, escapeCloses);
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("records.ssu"), encode1251(QStringLiteral("Аня,Наводнения, 5\r\n")).value()));
    enterProgram();
    Form1 &main = form1();
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(11));

    QAction *opens = window == u"Form5" ? mainAction("Rec") : window == u"Form4" ? mainAction("help") : mainAction("New");
    opens->trigger();
    QWidget *over = nullptr;
    QTRY_VERIFY((over = QApplication::activeWindow()) && over->objectName() == window);
    if (escapeCloses) {
        pressKey(Qt::Key_Escape);
    } else {
        tabTo(form2().Command2);
        pressKey(Qt::Key_Space);
    }
    QVERIFY(!over->isVisible());
    QVERIFY(main.isEnabled());
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(11));
}

// The list has the keyboard on its first topic; Return starts the one the keys went to.
void TestKeyboard::returnInTheTopicListStartsTheTopic()
{
    FreshRun run;
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile()));
    enterProgram();
    mainAction("New")->trigger();
    Form2 &topics = form2();
    QTRY_COMPARE(QApplication::focusWidget(), topics.List1);
    QCOMPARE(topics.List1->currentRow(), 0);
    for (int i = 0; i < 3; ++i)
        pressKey(Qt::Key_Down);
    QCOMPARE(topics.selectedTopic(), Floods);
    pressKey(Qt::Key_Return);
    QVERIFY(!topics.isVisible());
    QCOMPARE(QuizState.topicName, Floods);
    // The question has the keyboard; the answers follow it, "Ответ" comes last.
    QTRY_COMPARE(QApplication::focusWidget(), mainLabel(1));
    for (QWidget *next : std::initializer_list<QWidget *>{mainBox(1), mainBox(2), mainBox(3), mainBox(4), mainButton()}) {
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

QTEST_MAIN(TestKeyboard)
#include "test_gui_keyboard.moc"
