// Start-up with the welcome window, the name prompt, changing the name, and the two
// ways out, driven through the real windows.

#include "gui_support.h"
#include "shell/username.h"
#include "topics/form2.h"

#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>

using namespace gui;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }

    void opensWithWelcomeWindow();
    void welcomeWindowPaintsBeforeTheMainWindowIsBuilt();
    void yesShowsMainWindowAndAsksName();
    void asksAgainUntilNameIsAcceptable_data();
    void asksAgainUntilNameIsAcceptable();
    void cancelAsksAgain();
    void changeNameFromMenu();
    void noEndsTheRun();
    void exitAsksFirst_data();
    void exitAsksFirst();
    void desktopCloseOfMainWindowAsksToo();
    void desktopCloseOfWelcomeWindowActsAsNo();
    void menuOpensWithCyrillicAccessKeys();
    void enterPressesTheFocusedButton();
};

void TestStartup::opensWithWelcomeWindow()
{
    FreshRun run;
    Form1 &main = form1();
    Form6 &welcome = form6();
    QVERIFY(welcome.isVisible());
    QVERIFY(!main.isVisible());
    QVERIFY(welcome.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(QTest::qWaitForWindowActive(&welcome));
    QCOMPARE(QApplication::focusWidget(), welcome.Command1);
    QCOMPARE(welcome.Label1->text(), QStringLiteral("Вы желаете работать с тестами по ЗУФ?"));

    // The title screen, with the answer labels present but empty.
    for (QWidget *hidden : {static_cast<QWidget *>(mainBox(1)), static_cast<QWidget *>(mainBox(4)),
                            static_cast<QWidget *>(mainButton()), static_cast<QWidget *>(mainLabel(6)),
                            static_cast<QWidget *>(mainLabel(9)), static_cast<QWidget *>(mainShape(3)),
                            static_cast<QWidget *>(mainShape(10))})
        QVERIFY2(!hidden->isVisibleTo(&main), qPrintable(hidden->objectName()));
    for (CaptionLabel *label : {mainLabel(1), mainLabel(2), mainLabel(5)}) {
        QVERIFY(label->isVisibleTo(&main));
        QVERIFY(label->text().isEmpty());
    }
    QCOMPARE(mainLabel(10)->text(), QStringLiteral("Тесты по ЗУФ"));
    QVERIFY(mainLabel(11)->text().startsWith(QStringLiteral("Программа представляет собой сборник тестов")));
    QVERIFY(mainLabel(11)->text().endsWith(QStringLiteral("по пятибальной шкале.")));
    QVERIFY(mainLabel(12)->text().contains(QStringLiteral("('Помощь')")));
    QVERIFY(mainShape(1)->isVisibleTo(&main));
    QCOMPARE(QuizState.welcomeDone, qint16(0));
}

static QWidget *builtMainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == u"Form1")
            return w;
    return nullptr;
}

void TestStartup::welcomeWindowPaintsBeforeTheMainWindowIsBuilt()
{
    FreshRun run;
    int ended = 0;
    startProgram([&ended] { ++ended; });
    Form6 &welcome = form6();
    QVERIFY(welcome.isVisible());
    QVERIFY(!builtMainWindow());
    const QRect welcomePlace = welcome.frameGeometry();

    // Built once the welcome window has painted, the main window stands where the
    // welcome window was centred on, still hidden.
    QTRY_VERIFY(builtMainWindow());
    Form1 &main = form1();
    QCOMPARE(builtMainWindow(), &main);
    QVERIFY(!main.isVisible());
    QCOMPARE(main.geometry(), mainWindowPlace().geometry);
    QCOMPARE(main.frameGeometry(), main.geometry().marginsAdded(mainWindowPlace().frame));
    // Centred on the main window as on a built one: placed afresh, it stands where it stood.
    placeCentred(welcome, &main);
    QCOMPARE(welcome.frameGeometry(), welcomePlace);
    QVERIFY(QTest::qWaitForWindowActive(&welcome));
    QCOMPARE(QApplication::focusWidget(), welcome.Command1);

    QTest::mouseClick(welcome.Command2, Qt::LeftButton);
    QCOMPARE(ended, 1);
}

void TestStartup::yesShowsMainWindowAndAsksName()
{
    FreshRun run;
    form1();
    ModalAnswers answers;
    bool mainShownFirst = false;
    answers.then([&](QWidget *dialog) {
        // While the prompt is open, the main window is already back and the welcome gone.
        mainShownFirst = form1().isVisible() && !form6().isVisible() && QuizState.welcomeDone == 1;
        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Пётр"));
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QTest::mouseClick(form6().Command1, Qt::LeftButton);

    QVERIFY(answers.allAnswered());
    QVERIFY(mainShownFirst);
    QCOMPARE(answers.seen().size(), 1);
    const SeenDialog &prompt = answers.seen().first();
    QCOMPARE(prompt.kind, QStringLiteral("input"));
    QCOMPARE(prompt.title, QStringLiteral("Регистрация"));
    QCOMPARE(prompt.text, QStringLiteral("Введите свое имя"));
    QCOMPARE(prompt.buttons, (QStringList{QStringLiteral("ОК"), QStringLiteral("Отмена")}));
    QCOMPARE(QuizState.userName, QStringLiteral("Пётр"));
    QVERIFY(QTest::qWaitForWindowActive(&form1()));
}

void TestStartup::asksAgainUntilNameIsAcceptable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("ordinary") << QStringLiteral("Ученик") << true;
    QTest::newRow("15 characters") << QStringLiteral("Александра Иван") << true;
    QTest::newRow("one character") << QStringLiteral("Я") << true;
    QTest::newRow("quote not first") << QStringLiteral("Иван \"Гроза\"") << true;
    QTest::newRow("leading space") << QStringLiteral(" Оля") << true;
    QTest::newRow("latin and digits") << QStringLiteral("Pupil 7") << true;
    QTest::newRow("16 characters") << QStringLiteral("Александра Ивано") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("only spaces") << QStringLiteral("   ") << false;
    QTest::newRow("comma") << QStringLiteral("Иванов,Пётр") << false;
    QTest::newRow("leading quote") << QStringLiteral("\"Иван") << false;
    QTest::newRow("quote after spaces") << QStringLiteral("  \"Иван") << false;
    QTest::newRow("not in 1251") << QStringLiteral("李雷") << false;
    QTest::newRow("emoji") << QStringLiteral("Оля \U0001F600") << false;
    QTest::newRow("tab") << QStringLiteral("Оля\tИра") << false;
}

void TestStartup::asksAgainUntilNameIsAcceptable()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QCOMPARE(isAcceptableUserName(name), accepted);

    FreshRun run;
    form1();
    ModalAnswers answers;
    answers.enter(name);
    if (!accepted)
        answers.enter(QStringLiteral("Ученик"));
    QTest::mouseClick(form6().Command1, Qt::LeftButton);

    QVERIFY(answers.allAnswered());
    QVERIFY(answers.unexpected().isEmpty());
    QCOMPARE(QuizState.userName, accepted ? name : QStringLiteral("Ученик"));
    QCOMPARE(answers.seen().size(), accepted ? 1 : 2);
    if (!accepted) {
        // The repeated prompt keeps its first line and says what a name may hold.
        const QString again = answers.seen().last().text;
        QVERIFY(again.startsWith(QStringLiteral("Введите свое имя\n")));
        QCOMPARE(again.count(u'\n'), 1);
        QCOMPARE(answers.seen().last().title, QStringLiteral("Регистрация"));
    }
}

void TestStartup::cancelAsksAgain()
{
    FreshRun run;
    form1();
    ModalAnswers answers;
    answers.cancel().cancel().enter(QStringLiteral("Маша"));
    QTest::mouseClick(form6().Command1, Qt::LeftButton);
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.seen().size(), 3);
    QCOMPARE(QuizState.userName, QStringLiteral("Маша"));
}

void TestStartup::changeNameFromMenu()
{
    FreshRun run;
    enterProgram(QStringLiteral("Маша"));
    ModalAnswers answers;
    answers.cancel().enter(QStringLiteral("Даша"));
    mainAction("Newpers")->trigger();
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.seen().size(), 2);
    QCOMPARE(QuizState.userName, QStringLiteral("Даша"));
}

void TestStartup::noEndsTheRun()
{
    FreshRun run;
    QSignalSpy ended(&form1(), &Form1::programEnded);
    ModalAnswers answers;   // "Нет" asks nothing
    QTest::mouseClick(form6().Command2, Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(soundPath, ExitCue);
    QVERIFY(answers.seen().isEmpty() && answers.unexpected().isEmpty());
}

void TestStartup::exitAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void TestStartup::exitAsksFirst()
{
    QFETCH(bool, yes);
    FreshRun run;
    enterProgram();
    QSignalSpy ended(&form1(), &Form1::programEnded);
    ModalAnswers answers;
    answers.press(yes ? QMessageBox::Yes : QMessageBox::No);
    mainAction("quit")->trigger();

    QVERIFY(answers.allAnswered());
    const SeenDialog &box = answers.seen().first();
    QCOMPARE(box.title, QStringLiteral("Выход"));
    QCOMPARE(box.text, QStringLiteral("Вы точно хотите выйти?"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")}));
    QCOMPARE(box.defaultButton, QStringLiteral("Да"));
    QCOMPARE(ended.count(), yes ? 1 : 0);
    QCOMPARE(soundPath, yes ? ExitCue : QString());
    QVERIFY(form1().isVisible() && form1().isEnabled());
    QCOMPARE(QuizState.userName, QStringLiteral("Ученик"));
}

void TestStartup::desktopCloseOfMainWindowAsksToo()
{
    FreshRun run;
    enterProgram();
    QSignalSpy ended(&form1(), &Form1::programEnded);
    ModalAnswers answers;
    answers.press(QMessageBox::No);
    QVERIFY(!form1().close());
    QVERIFY(answers.allAnswered());
    QCOMPARE(answers.seen().first().text, QStringLiteral("Вы точно хотите выйти?"));
    QVERIFY(form1().isVisible());
    QCOMPARE(ended.count(), 0);

    // While a secondary window holds it disabled, the main window does not close or ask.
    mainAction("New")->trigger();
    QVERIFY(!form1().isEnabled());
    QVERIFY(!form1().close());
    QTest::qWait(50);
    QCOMPARE(answers.seen().size(), 1);
    QVERIFY(answers.unexpected().isEmpty());
    QVERIFY(form1().isVisible());
}

void TestStartup::desktopCloseOfWelcomeWindowActsAsNo()
{
    FreshRun run;
    QSignalSpy ended(&form1(), &Form1::programEnded);
    QVERIFY(!form6().close());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(soundPath, ExitCue);
}

void TestStartup::menuOpensWithCyrillicAccessKeys()
{
    FreshRun run;
    enterProgram();
    Form1 &main = form1();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::sendKeyEvent(QTest::Click, &main, Qt::Key(0x0424), QStringLiteral("ф"), Qt::AltModifier);
    QTRY_VERIFY(mainMenu("File")->isVisible());
    QTest::sendKeyEvent(QTest::Click, mainMenu("File"), Qt::Key(0x041D), QStringLiteral("н"), Qt::NoModifier);
    QTRY_VERIFY(form2().isVisible());
    QVERIFY(!main.isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), form2().List1);
}

void TestStartup::enterPressesTheFocusedButton()
{
    FreshRun run;
    form1();
    QVERIFY(QTest::qWaitForWindowActive(&form6()));
    ModalAnswers answers;
    answers.enter(QStringLiteral("Ученик"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(answers.allAnswered());
    QCOMPARE(QuizState.userName, QStringLiteral("Ученик"));
    QVERIFY(!form6().isVisible());
}

QTEST_MAIN(TestStartup)
#include "test_gui_startup.moc"
