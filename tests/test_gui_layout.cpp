// What the layout builder makes of the tables: fixed windows without window buttons,
// stacking and click pass-through, fonts with Cyrillic, colours, access keys in
// labels, whole lines only, tick boxes without captions, tab order.

#include "gui_support.h"
#include "quiz/form3.h"
#include "topics/form2.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QListWidget>
#include <QMenuBar>

using namespace gui;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { prepareApplication(*qApp); }
    void init() { run_ = std::make_unique<FreshRun>(); }
    void cleanup() { run_.reset(); }

    void windowsAreFixedWithoutButtons_data();
    void windowsAreFixedWithoutButtons();
    void fontsKeepSizeStyleAndCyrillic_data();
    void fontsKeepSizeStyleAndCyrillic();
    void coloursFollowTheTables_data();
    void coloursFollowTheTables();
    void framesLieOverLabelsAndPassClicks();
    void labelHidesAccessKeyMarks_data();
    void labelHidesAccessKeyMarks();
    void labelShowsOnlyWholeLines();
    void doubleClickOnAnswerTogglesOnce();
    void tickBoxesNeverShowCaptions();
    void tabOrderFollowsTabIndex();
    void picturesAndIconsAreLoaded();

private:
    std::unique_ptr<FreshRun> run_;
};

static QWidget *windowNamed(const QString &name)
{
    if (name == u"Form1")
        return &form1();
    if (name == u"Form2")
        return &form2();
    if (name == u"Form3")
        return &form3();
    return &form6();
}

static QWidget *controlOf(const QString &window, const QString &name)
{
    QWidget *w = windowNamed(window);
    if (auto *main = qobject_cast<QMainWindow *>(w))
        w = main->centralWidget();
    return w->findChild<QWidget *>(name);
}

void TestLayout::windowsAreFixedWithoutButtons_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QSize>("client");   // twips / 15
    QTest::addColumn<QString>("caption");
    QTest::newRow("Form1") << "Form1" << QSize(544, 457) << QStringLiteral("Тесты по ЗУФ");
    QTest::newRow("Form2") << "Form2" << QSize(425, 175) << QStringLiteral("Выбор темы");
    QTest::newRow("Form3") << "Form3" << QSize(283, 261) << QStringLiteral("Оценка");
    QTest::newRow("Form6") << "Form6" << QSize(401, 166) << QStringLiteral("Form6");
}

void TestLayout::windowsAreFixedWithoutButtons()
{
    QFETCH(QString, window);
    QFETCH(QSize, client);
    QFETCH(QString, caption);
    QWidget *w = windowNamed(window);
    QCOMPARE(w->objectName(), window);
    QCOMPARE(w->windowTitle(), caption);
    const Qt::WindowFlags flags = w->windowFlags();
    for (Qt::WindowType button : {Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
                                  Qt::WindowMaximizeButtonHint})
        QVERIFY(!(flags & button));
    QCOMPARE(bool(flags & Qt::FramelessWindowHint), window == u"Form6");

    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    if (auto *main = qobject_cast<QMainWindow *>(w)) {
        QCOMPARE(main->centralWidget()->size(), client);
        // The client area begins below the menu bar.
        QCOMPARE(main->centralWidget()->y(), main->menuBar()->height());
        QCOMPARE(w->height(), client.height() + main->menuBar()->height());
    } else {
        QCOMPARE(w->size(), client);
    }
}

void TestLayout::fontsKeepSizeStyleAndCyrillic_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("family");   // the metric-compatible family where the classic one is missing
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    const QString serif = QStringLiteral("Liberation Serif");
    const QString sans = QStringLiteral("Liberation Sans");
    QTest::newRow("Form1 default") << "Form1" << "Label15" << serif << 8.25 << false << false;
    QTest::newRow("Form1 inherited") << "Form1" << "Check1" << serif << 9.75 << false << false;
    QTest::newRow("question") << "Form1" << "Label1" << sans << 9.75 << false << false;
    QTest::newRow("answer") << "Form1" << "Label2" << sans << 8.25 << false << false;
    QTest::newRow("series") << "Form1" << "Label14" << serif << 33.75 << true << false;
    QTest::newRow("notice") << "Form1" << "Label12" << serif << 12.0 << true << true;
    QTest::newRow("topic list") << "Form2" << "List1" << serif << 11.25 << false << false;
    QTest::newRow("dialog default") << "Form2" << "Command1" << sans << 8.25 << false << false;
    QTest::newRow("grade") << "Form3" << "Label1" << serif << 150.0 << false << false;
    QTest::newRow("welcome") << "Form6" << "Label1" << serif << 15.75 << true << true;
}

void TestLayout::fontsKeepSizeStyleAndCyrillic()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QWidget *w = controlOf(window, control);
    QVERIFY(w);
    const QFontInfo info(w->font());
    if (QFontDatabase::hasFamily(family))
        QCOMPARE(info.family(), family);
    QCOMPARE(w->font().pointSizeF(), points);
    QCOMPARE(info.bold(), bold);
    QCOMPARE(info.italic(), italic);
    QVERIFY(QFontMetrics(w->font()).inFontUcs4(U'Ж'));
}

void TestLayout::coloursFollowTheTables_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QColor>("colour");
    const QColor face = systemColourValue(15);
    QTest::newRow("question text") << "Form1" << "Label1" << int(QPalette::WindowText) << QColor(64, 0, 0);
    QTest::newRow("label default back") << "Form1" << "Label3" << int(QPalette::Window) << face;
    QTest::newRow("label default text") << "Form1" << "Label3" << int(QPalette::WindowText) << systemColourValue(18);
    QTest::newRow("about back") << "Form1" << "Label11" << int(QPalette::Window) << systemColourValue(10);
    QTest::newRow("title text") << "Form1" << "Label10" << int(QPalette::WindowText) << systemColourValue(6);
    QTest::newRow("topic list back") << "Form2" << "List1" << int(QPalette::Base) << systemColourValue(0);
    QTest::newRow("topic list text") << "Form2" << "List1" << int(QPalette::Text) << QColor(Qt::black);
    QTest::newRow("welcome question") << "Form6" << "Label1" << int(QPalette::Window) << systemColourValue(4);
}

void TestLayout::coloursFollowTheTables()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QColor, colour);
    QWidget *w = controlOf(window, control);
    QVERIFY(w);
    QCOMPARE(w->palette().color(QPalette::Active, QPalette::ColorRole(role)), colour);
}

void TestLayout::framesLieOverLabelsAndPassClicks()
{
    Form1 &main = form1();
    QWidget *client = main.centralWidget();
    setShown({mainLabel(10), mainLabel(11), mainLabel(12)}, false);
    mainShape(3)->show();
    mainLabel(2)->setText(QStringLiteral("Ответ"));
    client->resize(client->size());
    const QImage image = client->grab().toImage();

    // Shape3's top edge runs over Label2 (x 72..520, y 216..256) and is drawn over it.
    const QPoint onEdge(300, 216);
    QCOMPARE(QColor(image.pixel(onEdge)), systemColourValue(3));
    QCOMPARE(QColor(image.pixel(300, 230)), systemColourValue(0));
    // A click there reaches the label under the frame.
    QCOMPARE(client->childAt(onEdge), mainLabel(2));
    // Tick boxes and buttons lie above every frame.
    mainBox(1)->show();
    QCOMPARE(client->childAt(mainBox(1)->geometry().center()), mainBox(1));
}

void TestLayout::labelHidesAccessKeyMarks_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("underline");
    QTest::newRow("plain") << "Вода" << "Вода" << -1;
    QTest::newRow("access key") << "&Файл" << "Файл" << 0;
    QTest::newRow("inside") << "Сменить &имя" << "Сменить имя" << 8;
    QTest::newRow("double") << "Соль && сахар" << "Соль & сахар" << -1;
    QTest::newRow("double then key") << "&&&Да" << "&Да" << 1;
    QTest::newRow("trailing") << "Да&" << "Да" << -1;
    QTest::newRow("only the first marks") << "&а&б" << "аб" << 0;
}

void TestLayout::labelHidesAccessKeyMarks()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QFETCH(int, underline);
    int at = -2;
    QCOMPARE(stripMnemonic(caption, &at), shown);
    QCOMPARE(at, underline);

    // The label paints what it shows, not the marks.
    if (shown.contains(u'&'))
        return;
    mainLabel(2)->setText(caption);
    const QImage withMarks = mainLabel(2)->grab().toImage();
    mainLabel(2)->setText(shown);
    const QImage withoutMarks = mainLabel(2)->grab().toImage();
    QCOMPARE(withMarks == withoutMarks, underline < 0);
}

void TestLayout::labelShowsOnlyWholeLines()
{
    CaptionLabel *label = mainLabel(1);
    QStringList words;
    for (int i = 0; i < 200; ++i)
        words << QStringLiteral("слово");
    label->setText(words.join(u' '));
    const QImage image = label->grab().toImage();

    const qreal lineHeight = QFontMetricsF(label->font()).height();
    const int whole = int(label->height() / lineHeight);
    QVERIFY(whole >= 2 && label->height() - whole * lineHeight >= 4);   // room for a cut line
    auto inkInRows = [&](int from, int to) {
        for (int y = from; y < to; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qRed(image.pixel(x, y)) < 150)
                    return true;
        return false;
    };
    QVERIFY(inkInRows(0, int(lineHeight)));
    QVERIFY(inkInRows(int((whole - 1) * lineHeight), int(whole * lineHeight)));
    QVERIFY(!inkInRows(int(std::ceil(whole * lineHeight)) + 1, image.height()));
    QCOMPARE(label->size(), QSize(497, 97));   // never grows
}

void TestLayout::doubleClickOnAnswerTogglesOnce()
{
    mainLabel(3)->setText(QStringLiteral("Ответ"));
    QTest::mouseClick(mainLabel(3), Qt::LeftButton);
    QVERIFY(mainBox(2)->isChecked());
    QTest::mouseClick(mainLabel(3), Qt::LeftButton);
    QTest::mouseDClick(mainLabel(3), Qt::LeftButton);
    QTest::mouseRelease(mainLabel(3), Qt::LeftButton);
    QVERIFY(!mainBox(2)->isChecked());
    // A box ticked by its text and then clicked directly is unticked again.
    QTest::mouseClick(mainLabel(5), Qt::LeftButton);
    mainBox(4)->show();
    QTest::mouseClick(mainBox(4), Qt::LeftButton);
    QVERIFY(!mainBox(4)->isChecked());
}

void TestLayout::tickBoxesNeverShowCaptions()
{
    TickBox *box = mainBox(1);
    box->resize(120, 17);   // wide enough that a caption would show
    box->setText(QStringLiteral("Подпись"));
    const QImage withCaption = box->grab().toImage();
    box->setText(QString());
    QCOMPARE(box->grab().toImage(), withCaption);
}

// The next control of the same window in the focus chain (a list's viewport is skipped).
static QWidget *nextControl(QWidget *w)
{
    QWidget *next = w->nextInFocusChain();
    while (next->parentWidget() != w->parentWidget())
        next = next->nextInFocusChain();
    return next;
}

void TestLayout::tabOrderFollowsTabIndex()
{
    // On the question screen the question comes first, then the answers, then "Ответ".
    QCOMPARE(nextControl(mainLabel(1)), mainBox(1));
    QCOMPARE(nextControl(mainBox(1)), mainBox(2));
    QCOMPARE(nextControl(mainBox(3)), mainBox(4));
    QCOMPARE(nextControl(mainBox(4)), mainButton());
    QCOMPARE(nextControl(form2().List1), form2().Command1);
    QCOMPARE(nextControl(form2().Command1), form2().Command2);
    QCOMPARE(nextControl(form6().Command1), form6().Command2);
    for (QWidget *label : {static_cast<QWidget *>(mainLabel(2)), static_cast<QWidget *>(form3().Label1)})
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    QVERIFY(!mainButton()->autoDefault() && !mainButton()->isDefault());
}

void TestLayout::picturesAndIconsAreLoaded()
{
    QVERIFY(!form6().Image1->pixmap().isNull());
    QVERIFY(form6().Image1->hasScaledContents());
    QVERIFY(form3().Image1->pixmap().isNull());
    for (QWidget *w : {static_cast<QWidget *>(&form1()), static_cast<QWidget *>(&form2()),
                       static_cast<QWidget *>(&form3())})
        QVERIFY2(!w->windowIcon().isNull(), qPrintable(w->objectName()));
    QVERIFY(form2().List1->isSortingEnabled());
}

QTEST_MAIN(TestLayout)
#include "test_gui_layout.moc"
