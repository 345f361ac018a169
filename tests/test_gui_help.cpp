// The help window through the menu: what a pupil reads there (the requirements, the
// scoring and the grading the program really applies, where to write), the credits,
// the way back to the main window.

#include "gui_support.h"
#include "quiz/grading.h"
#include "quiz/questionfile.h"
#include "topics/catalogue.h"
#include "shell/form4.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextDocument>

using namespace gui;

namespace {

void openHelp()
{
    mainAction("help")->trigger();
    QVERIFY(form4().isVisible());
}

// The text as the window shows it: toPlainText() would turn no-break spaces into spaces.
QString shownHelpText()
{
    return form4().Text1->document()->toRawText();
}

// The grade the help promises for a share of the points, read from its criteria
// "91%-100% - оценка 5; … меньше 65% - оценка 2".
struct Criterion {
    int fromPercent;
    int grade;
};
QList<Criterion> promisedCriteria(const QString &text)
{
    QList<Criterion> criteria;
    static const QRegularExpression range(QStringLiteral("(\\d+)%-(\\d+)% - оценка (\\d)"));
    for (const QRegularExpressionMatch &m : range.globalMatch(text))
        criteria.append({m.captured(1).toInt(), m.captured(3).toInt()});
    static const QRegularExpression below(QStringLiteral("меньше (\\d+)% - оценка 2"));
    if (below.match(text).hasMatch())
        criteria.append({0, 2});
    return criteria;
}

int promisedGrade(const QList<Criterion> &criteria, int score, int maxScore)
{
    for (const Criterion &c : criteria) {
        if (100 * score >= c.fromPercent * maxScore)
            return c.grade;
    }
    return 0;
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

    void showsWhatAPupilNeeds();
    void criteriaAreTheGradesGiven();
    void textIsTheSameOnEveryOpening();
    void textCannotBeEdited();
    void creditsNameTwoPeople();
    void returnsToMainWindow_data();
    void returnsToMainWindow();
    void opensWithCyrillicAccessKeys();

private:
    std::unique_ptr<FreshRun> run_;
};

void TestHelp::showsWhatAPupilNeeds()
{
    openHelp();
    QCOMPARE(form4().windowTitle(), QStringLiteral("Справка"));
    const QString text = shownHelpText();
    QVERIFY(text.startsWith(QStringLiteral("Системные требования к программе:")));
    QVERIFY(text.contains(QStringLiteral("Минимальное разрешение экрана=800*600")));
    QVERIFY(text.contains(QStringLiteral("За каждый правильный ответ начисляется один балл, "
                                         "за каждый неправильный ответ вычитается один бал.")));
    // The rule as the program applies it: a right tick earns one point, a wrong one costs one.
    QuestionBank.correct1[1] = 1;
    QCOMPARE(answerPoints(1, {true, false, false, false}), 1);
    QCOMPARE(answerPoints(1, {false, true, false, false}), -1);
    // The passages meet without a separator, in one paragraph.
    QVERIFY(text.contains(QStringLiteral("не вмещаються)Программа 'Тесты по ЗУФ'")));
    QVERIFY(text.contains(QStringLiteral("один бал.Критерии оценки:")));
    QCOMPARE(text.count(u'\n'), 0);
    // The last sentence asks for wishes and remarks by post, to the address in single
    // quotes at the very end.
    const QString last = text.sliced(text.indexOf(QStringLiteral("оценка 2!. ")) + 11);
    static const QRegularExpression request(QStringLiteral("^[А-Я][^'.]*пожелания[^']*замечания[^']*'([^']+)'$"));
    const QRegularExpressionMatch match = request.match(last);
    QVERIFY2(match.hasMatch(), qPrintable(last));
    const QString address = match.captured(1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{6}, ")).match(address).hasMatch(), qPrintable(address));
    QVERIFY(address.contains(QStringLiteral("школ")));
}

// Every score of every shipped topic earns the grade the help's criteria promise for
// its share of the most points a test of that topic can give.
void TestHelp::criteriaAreTheGradesGiven()
{
    openHelp();
    const QList<Criterion> criteria = promisedCriteria(shownHelpText());
    QCOMPARE(criteria.size(), 4);
    for (const Topic &topic : topicCatalogue()) {
        const QuestionFileContents file = readQuestionFileAt(QStringLiteral(ZUF_SHIPPED_DATA "/") + topic.file);
        QVERIFY2(!file.fault, qPrintable(topic.file));
        const int maxScore = shownRightAnswers(file.records);
        for (int score = 0; score <= maxScore; ++score) {
            const int given = computeGrade(qint16(score), file.threshold5, file.threshold4, file.threshold3);
            QVERIFY2(given == promisedGrade(criteria, score, maxScore),
                     qPrintable(QStringLiteral("%1: %2 of %3 points give %4").arg(topic.file).arg(score).arg(maxScore).arg(given)));
        }
    }
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
    openHelp();
    Form4 &help = form4();
    gui::checkSecondaryWindowRoundTrip(help, help.Command1, mainMenu("hp"), Qt::Key(0x0421), QStringLiteral("с"),
                                       desktopClose);
}

void TestHelp::opensWithCyrillicAccessKeys()
{
    Form1 &main = form1();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::sendKeyEvent(QTest::Click, &main, Qt::Key(0x0421), QStringLiteral("с"), Qt::AltModifier);
    QTRY_VERIFY(mainMenu("hp")->isVisible());
    QTest::sendKeyEvent(QTest::Click, mainMenu("hp"), Qt::Key(0x041F), QStringLiteral("п"), Qt::NoModifier);
    QTRY_VERIFY(form4().isVisible());
    QVERIFY(!main.isEnabled());
    QVERIFY(form4().Text1->toPlainText().startsWith(QStringLiteral("Системные требования к программе:")));
}

QTEST_MAIN(TestHelp)
#include "test_gui_help.moc"
