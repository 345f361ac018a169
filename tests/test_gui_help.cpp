// The help window through the menu: its text from the first words to the closing
// quote of the address, the credits, the way back to the main window.

#include "gui_support.h"
#include "shell/form4.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocument>

using namespace gui;

namespace {

const QString Requirements = QStringLiteral(
    "Системные требования к программе: мышь; монитор; системный блок!;операционная система: все, что не DOS; "
    "оперативная память 4 Мб; DirectX, Sound & Graphic board'ы не требуются; 1-2 Мб памяти на жестком диске; "
    "Минимальное разрешение экрана=800*600 (при <800*600 некоторые формы не вмещаються)");
const QString Scoring = QStringLiteral(
    "Программа 'Тесты по ЗУФ' представляет собой тестирующую программу. Как и в любой другой тестирующей "
    "программе, оценка зависит от количества набранных баллов. За каждый правильный ответ начисляется один "
    "балл, за каждый неправильный ответ вычитается один бал.");
const QString Criteria = QStringLiteral(
    "Критерии оценки: 91%-100% - оценка 5; 81%-90% - оценка 4; 66%-80% - оценка 3; меньше 65% - оценка 2!.");

void openHelp()
{
    widget<QAction>(form1(), "help")->trigger();
    QVERIFY(form4().isVisible());
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }
    void init()
    {
        run_ = std::make_unique<FreshRun>();
        enterProgram();
    }
    void cleanup() { run_.reset(); }

    void showsTheHelpText();
    void textIsTheSameOnEveryOpening();
    void textCannotBeEdited();
    void creditsNameTwoPeople();
    void returnsToMainWindow_data();
    void returnsToMainWindow();
    void opensWithCyrillicAccessKeys();

private:
    std::unique_ptr<FreshRun> run_;
};

void TestHelp::showsTheHelpText()
{
    openHelp();
    // As the text box holds it: toPlainText() would turn no-break spaces into spaces.
    const QString text = form4().Text1->document()->toRawText();
    QVERIFY(text.startsWith(QStringLiteral("Системные требования к программе:")));
    QVERIFY(text.startsWith(Requirements + Scoring + Criteria + u' '));
    // The passages meet without a separator.
    QVERIFY(text.contains(QStringLiteral("не вмещаються)Программа 'Тесты по ЗУФ'")));
    QVERIFY(text.contains(QStringLiteral("один бал.Критерии оценки:")));
    // One more sentence asks for wishes and remarks by post, to the address in single
    // quotes at the very end.
    const QString last = text.sliced(Requirements.size() + Scoring.size() + Criteria.size() + 1);
    static const QRegularExpression request(QStringLiteral("^[А-Я][^'.]*пожелания[^']*замечания[^']*'([^']+)'$"));
    const QRegularExpressionMatch match = request.match(last);
    QVERIFY2(match.hasMatch(), qPrintable(last));
    const QString address = match.captured(1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{6}, ")).match(address).hasMatch(), qPrintable(address));
    QVERIFY(address.contains(QStringLiteral("школ")));
    QVERIFY(text.endsWith(u'\''));
    QCOMPARE(text, helpText());
    QVERIFY(text.count(u'\n') == 0);
}

void TestHelp::textIsTheSameOnEveryOpening()
{
    openHelp();
    Form4 &help = form4();
    const QString first = help.Text1->toPlainText();
    // Scrolled and selected, it still holds the same text the next time.
    help.Text1->selectAll();
    help.Text1->verticalScrollBar()->setValue(help.Text1->verticalScrollBar()->maximum());
    QTest::mouseClick(help.Command1, Qt::LeftButton);
    openHelp();
    QCOMPARE(&form4(), &help);
    QCOMPARE(help.Text1->toPlainText(), first);
    QTest::mouseClick(help.Command1, Qt::LeftButton);
    openHelp();
    QCOMPARE(help.Text1->toPlainText(), first);
}

void TestHelp::textCannotBeEdited()
{
    openHelp();
    Form4 &help = form4();
    QVERIFY(QTest::qWaitForWindowActive(&help));
    // The text box has the focus when the window opens.
    QTRY_COMPARE(QApplication::focusWidget(), help.Text1);
    const QString before = help.Text1->toPlainText();
    QTest::keyClicks(help.Text1, "abc");
    QTest::keyClick(help.Text1, Qt::Key_Backspace);
    QTest::keyClick(help.Text1, Qt::Key_Delete);
    QTest::keyClick(help.Text1, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(help.Text1, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(help.Text1->toPlainText(), before);
    QVERIFY(help.Text1->isReadOnly());
    QCOMPARE(help.Text1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(help.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // The whole text does not fit: it is read by scrolling.
    QVERIFY(help.Text1->verticalScrollBar()->maximum() > 0);
}

void TestHelp::creditsNameTwoPeople()
{
    Form4 &help = form4();
    auto nameAfter = [](CaptionLabel *label, const QString &role) {
        const QString text = label->text();
        return text.startsWith(role + u' ') ? text.sliced(role.size() + 1) : QString();
    };
    const QString first = nameAfter(help.Label3, QStringLiteral("Программирование:"));
    const QString second = nameAfter(help.Label5, QStringLiteral("Тестирование:"));
    QVERIFY(!first.isEmpty());
    QVERIFY(!second.isEmpty());
    QVERIFY(first != second);
    QCOMPARE(nameAfter(help.Label4, QStringLiteral("Подборка тестов:")), first);
    QCOMPARE(nameAfter(help.Label8, QStringLiteral("Дизайн:")), second);
    // Each credit line fits its label on one line.
    for (CaptionLabel *label : {help.Label3, help.Label4, help.Label5, help.Label8})
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width(),
                 qPrintable(label->text()));
    QCOMPARE(help.Label1->text(), QStringLiteral("Авторы:"));
    for (QLabel *picture : {help.Image1, help.Image2, help.Image5}) {
        QVERIFY2(!picture->pixmap().isNull(), qPrintable(picture->objectName()));
        QVERIFY(picture->hasScaledContents());
    }
    QCOMPARE(help.Image1->pixmap().size(), QSize(182, 161));
    QCOMPARE(help.Image2->pixmap().size(), QSize(155, 162));
    QCOMPARE(help.Image5->pixmap().size(), QSize(100, 150));
    QCOMPARE(help.windowTitle(), QStringLiteral("Справка"));
    QCOMPARE(help.size(), QSize(466, 399));
    for (int size : {16, 32, 48})
        QVERIFY(help.windowIcon().availableSizes().contains(QSize(size, size)));
}

void TestHelp::returnsToMainWindow_data()
{
    QTest::addColumn<bool>("desktopClose");
    QTest::newRow("Ok") << false;
    QTest::newRow("closed by the desktop") << true;
}

void TestHelp::returnsToMainWindow()
{
    QFETCH(bool, desktopClose);
    Form1 &main = form1();
    openHelp();
    Form4 &help = form4();
    gui::checkSecondaryWindowRoundTrip(help, help.Command1, widget<QMenu>(main, "hp"), Qt::Key(0x0421), QStringLiteral("с"),
                                       desktopClose);
}

void TestHelp::opensWithCyrillicAccessKeys()
{
    Form1 &main = form1();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::sendKeyEvent(QTest::Click, &main, Qt::Key(0x0421), QStringLiteral("с"), Qt::AltModifier);
    QTRY_VERIFY(widget<QMenu>(main, "hp")->isVisible());
    QTest::sendKeyEvent(QTest::Click, widget<QMenu>(main, "hp"), Qt::Key(0x041F), QStringLiteral("п"), Qt::NoModifier);
    QTRY_VERIFY(form4().isVisible());
    QVERIFY(!main.isEnabled());
    QVERIFY(form4().Text1->toPlainText().startsWith(Requirements + Scoring + Criteria));
}

QTEST_MAIN(TestHelp)
#include "test_gui_help.moc"
