// The windows under a real window manager (openbox on an X server of the test's own,
// from tools/run-under-openbox.sh). What a pupil would meet is read from the X server, not
// from Qt: which window is transient for which, the stacking order, the focus, the
// iconic state and where each frame stands. Clicks go through the X server too.

#include "gui_support.h"
#include "quiz/form3.h"
#include "quiz/quizsession.h"
#include "records/form5.h"
#include "shell/form4.h"
#include "topics/form2.h"

#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <xcb/xcb.h>

using namespace gui;

namespace {

// Generous: the window manager is another process, on a machine that may be busy.
constexpr int XTimeout = 20000;

// A connection of the test's own to the X server, asking it what the window manager
// made of the program's windows and sending what a pupil's desktop would send.
class XServer {
public:
    enum WmState { Withdrawn = 0, Normal = 1, Iconic = 3 };

    XServer() : c_(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(c_))
            root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~XServer() { xcb_disconnect(c_); }
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool connected() const { return root_ != 0; }

    bool windowManagerRunning() { return !property(root_, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).isEmpty(); }

    xcb_window_t transientFor(xcb_window_t w) { return first(property(w, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW)); }
    xcb_window_t activeWindow() { return first(property(root_, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW)); }
    // Bottom to top.
    QList<quint32> stacking() { return property(root_, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW); }

    bool isAbove(xcb_window_t upper, xcb_window_t lower)
    {
        const QList<quint32> order = stacking();
        return order.contains(upper) && order.contains(lower) && order.indexOf(upper) > order.indexOf(lower);
    }

    // Whether the program leaves the window manager free to offer minimise, maximise or
    // close (the Motif hints: flags, then functions). Some window managers, openbox among
    // them, offer them all the same.
    bool allowsWindowButtons(xcb_window_t w)
    {
        const QList<quint32> hints = property(w, "_MOTIF_WM_HINTS", XCB_ATOM_ANY);
        constexpr quint32 HasFunctions = 1, All = 1, Minimise = 8, Maximise = 16, Close = 32;
        if (hints.size() < 2 || !(hints[0] & HasFunctions))
            return true;
        return hints[1] & (All | Minimise | Maximise | Close);
    }

    WmState wmState(xcb_window_t w)
    {
        return WmState(first(property(w, "WM_STATE", atom("WM_STATE"))));
    }

    // The client area in screen coordinates.
    QRect client(xcb_window_t w)
    {
        auto *geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
        auto *origin = xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
        QRect r;
        if (geometry && origin)
            r = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        free(geometry);
        free(origin);
        return r;
    }
    // The client area with the decorations the window manager put around it.
    QRect frame(xcb_window_t w)
    {
        const QList<quint32> e = property(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);   // left, right, top, bottom
        const QRect r = client(w);
        return e.size() == 4 ? r.adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3])) : r;
    }

    QSize screenSize()
    {
        auto *geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, root_), nullptr);
        const QSize size = geometry ? QSize(geometry->width, geometry->height) : QSize();
        free(geometry);
        return size;
    }

    // What a title bar's close button does: the window manager asks the program
    // (WM_DELETE_WINDOW) to close the window.
    void closeFromTitleBar(xcb_window_t w) { sendToWindowManager(w, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, 2}); }
    // A minimise through the window manager, as its title bar or a taskbar does.
    void minimise(xcb_window_t w) { sendToWindowManager(w, "WM_CHANGE_STATE", {Iconic}); }
    // A click on the window's taskbar entry.
    void activate(xcb_window_t w) { sendToWindowManager(w, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0}); }

private:
    static quint32 first(const QList<quint32> &values) { return values.isEmpty() ? 0 : values.first(); }

    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : XCB_ATOM_NONE;
        free(reply);
        return a;
    }

    QList<quint32> property(xcb_window_t w, const char *name, xcb_atom_t type)
    {
        QList<quint32> values;
        auto *reply = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, atom(name), type, 0, 1024), nullptr);
        if (reply && reply->format == 32) {
            const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
            values = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
        }
        free(reply);
        return values;
    }

    void sendToWindowManager(xcb_window_t w, const char *message, std::initializer_list<quint32> data)
    {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = atom(message);
        std::copy(data.begin(), data.end(), event.data.data32);
        xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
        xcb_flush(c_);
    }

    xcb_connection_t *c_;
    xcb_window_t root_ = 0;
};

xcb_window_t xid(QWidget *w) { return xcb_window_t(w->winId()); }

// A real click of the left button at a point of the screen, through the X server.
bool clickAt(QPoint p)
{
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("mousemove"), QString::number(p.x()),
                              QString::number(p.y()), QStringLiteral("click"), QStringLiteral("1")})
           == 0;
}

// A point of the main window's client area that the secondary window does not cover.
QPoint uncoveredPoint(const QRect &mainClient, const QRect &cover)
{
    const QRect inner = mainClient.adjusted(8, 8, -8, -8);
    for (QPoint p : {inner.bottomLeft(), inner.bottomRight(), inner.topLeft(), inner.topRight()})
        if (!cover.contains(p))
            return p;
    return {};
}

// Counts the close requests that reach a window, whether it accepts them or not.
class CloseCounter : public QObject {
public:
    explicit CloseCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            ++count;
        return false;
    }
};

const QString Floods = QStringLiteral("Наводнения");   // qes8.ssu

void chooseTopic(const QString &topic)
{
    const QList<QListWidgetItem *> items = form2().List1->findItems(topic, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    form2().List1->setCurrentItem(items.first());
}

// How a secondary window is opened over the main window.
using Opener = std::function<QWidget *()>;

} // namespace

Q_DECLARE_METATYPE(Opener)

class TestWindowManager : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { run_.reset(); }

    void secondaryWindowStaysInFrontOfMainWindow_data();
    void secondaryWindowStaysInFrontOfMainWindow();
    void minimisedAndRestoredWithMainWindow();
    void boxesBelongToTheirWindow_data();
    void boxesBelongToTheirWindow();
    void mainWindowClosedFromTitleBar();
    void welcomeWindowClosedByDesktopActsAsNo();
    void windowsStandOnScreen_data();
    void windowsStandOnScreen();
    void welcomeWindowStandsAsCentredOnTheMainWindow();

private:
    // Waits until the window manager has taken the window into its care and shows it.
    // A real click, then time for the window manager and the program to answer it:
    // whatever they restack or refocus on it shows within moments, and the checks
    // that follow poll for the end state.
    bool clickAndSettle(QPoint p)
    {
        const QList<quint32> stacking = x_->stacking();
        const xcb_window_t active = x_->activeWindow();
        if (!clickAt(p))
            return false;
        (void)QTest::qWaitFor([&] { return x_->stacking() != stacking || x_->activeWindow() != active; }, 1000);
        QTest::qWait(300);
        return true;
    }
    bool managed(QWidget *w) { return QTest::qWaitFor([&] { return x_->wmState(xid(w)) == XServer::Normal; }, XTimeout); }
    void checkInFrontAndFocused(QWidget *secondary);
    void checkOnScreen(QWidget *w);

    std::unique_ptr<XServer> x_;
    std::unique_ptr<FreshRun> run_;
};

void TestWindowManager::initTestCase()
{
    prepareApplication(*qApp);
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    x_ = std::make_unique<XServer>();
    QVERIFY(x_->connected());
    QTRY_VERIFY_WITH_TIMEOUT(x_->windowManagerRunning(), 30000);
    // The window manager announces itself before it is ready to take windows in.
    QWidget probe;
    probe.show();
    QTRY_COMPARE_WITH_TIMEOUT(x_->wmState(xid(&probe)), XServer::Normal, 30000);
}

void TestWindowManager::init()
{
    run_ = std::make_unique<FreshRun>();
    QVERIFY(writeFile(QStringLiteral("qes8.ssu"), simpleQuestionFile()));
    QVERIFY(writeFile(RecordsFileName, encode1251(QStringLiteral("Ученик,Наводнения, 4\r\n")).value()));
}

void TestWindowManager::checkInFrontAndFocused(QWidget *secondary)
{
    Form1 &main = form1();
    QTRY_VERIFY_WITH_TIMEOUT(x_->isAbove(xid(secondary), xid(&main)), XTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(x_->activeWindow(), xid(secondary), XTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(secondary->isActiveWindow(), XTimeout);
    QVERIFY(!main.isEnabled());
}

void TestWindowManager::secondaryWindowStaysInFrontOfMainWindow_data()
{
    QTest::addColumn<Opener>("open");
    QTest::newRow("topics") << Opener([] { mainAction("New")->trigger(); return &form2(); });
    QTest::newRow("records") << Opener([] { mainAction("Rec")->trigger(); return &form5(); });
    QTest::newRow("help") << Opener([] { mainAction("help")->trigger(); return &form4(); });
    QTest::newRow("result") << Opener([] {
        QuizState.topicName = Floods;
        quizSession().finish();
        return &form3();
    });
}

// The hidden-behind scenario: a click on the disabled main window must not bury the
// secondary window; closing the secondary window from its title bar gives the main
// window back, as its own button does.
void TestWindowManager::secondaryWindowStaysInFrontOfMainWindow()
{
    QFETCH(Opener, open);
    enterProgram();
    Form1 &main = form1();
    QVERIFY(managed(&main));

    QWidget *secondary = open();
    QVERIFY(managed(secondary));
    QCOMPARE(x_->transientFor(xid(secondary)), xid(&main));
    QVERIFY(!x_->allowsWindowButtons(xid(secondary)));
    QVERIFY(!x_->allowsWindowButtons(xid(&main)));
    checkInFrontAndFocused(secondary);
    if (QTest::currentTestFailed())
        return;

    const QPoint onMain = uncoveredPoint(x_->client(xid(&main)), x_->frame(xid(secondary)));
    QVERIFY(!onMain.isNull());
    QVERIFY(clickAndSettle(onMain));
    checkInFrontAndFocused(secondary);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(secondary->isVisible());

    x_->closeFromTitleBar(xid(secondary));
    QTRY_VERIFY_WITH_TIMEOUT(!secondary->isVisible(), XTimeout);
    QVERIFY(main.isEnabled());
    QVERIFY(mainAction("Newpers")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(x_->activeWindow(), xid(&main), XTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(x_->wmState(xid(secondary)), XServer::Withdrawn, XTimeout);
}

// The design offers no minimise; a window manager that minimises anyway must not
// lose the secondary window: restoring the main window brings it back in front.
void TestWindowManager::minimisedAndRestoredWithMainWindow()
{
    enterProgram();
    Form1 &main = form1();
    QVERIFY(managed(&main));
    mainAction("help")->trigger();
    Form4 &help = form4();
    QVERIFY(managed(&help));
    checkInFrontAndFocused(&help);
    if (QTest::currentTestFailed())
        return;

    x_->minimise(xid(&help));
    QTRY_COMPARE_WITH_TIMEOUT(x_->wmState(xid(&help)), XServer::Iconic, XTimeout);

    x_->activate(xid(&main));
    QTRY_COMPARE_WITH_TIMEOUT(x_->wmState(xid(&main)), XServer::Normal, XTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(x_->wmState(xid(&help)), XServer::Normal, XTimeout);
    checkInFrontAndFocused(&help);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(help.isVisible());
}

namespace {

// What the X server showed of one box while it was open.
struct SeenBox {
    QString title;
    xcb_window_t transientFor = 0;
    bool aboveOwner = false;
    bool keptAfterClickOnOwner = false;   // in front and focused after a click on its owner
    QRect frame;
};

} // namespace

void TestWindowManager::boxesBelongToTheirWindow_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("owner");   // objectName of the window it opens over
    QTest::newRow("name prompt") << "Регистрация" << "Form1";
    QTest::newRow("empty answer") << "Повтор ввода" << "Form1";
    QTest::newRow("exit") << "Выход" << "Form1";
    QTest::newRow("refused question file") << "Ошибка" << "Form2";
    QTest::newRow("records not saved") << "Ошибка" << "Form3";
}

// Every box stands transient for the window it was asked over, in front of it and on
// the screen, and stays in front and focused when that window is clicked; closed from
// its title bar it acts as its refusing button.
void TestWindowManager::boxesBelongToTheirWindow()
{
    QFETCH(QString, title);
    QFETCH(QString, owner);
    const QString row = QString::fromLatin1(QTest::currentDataTag());

    QList<SeenBox> seen;
    auto watchAndClose = [&](QWidget *box) {
        SeenBox s;
        s.title = box->windowTitle();
        QWidget *over = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        if (QTest::qWaitFor([&] { return x_->wmState(xid(box)) == XServer::Normal; }, XTimeout) && over) {
            s.transientFor = x_->transientFor(xid(box));
            s.aboveOwner = QTest::qWaitFor([&] { return x_->isAbove(xid(box), xid(over)); }, XTimeout);
            s.frame = x_->frame(xid(box));
            const QPoint onOwner = uncoveredPoint(x_->client(xid(over)), s.frame);
            s.keptAfterClickOnOwner = !onOwner.isNull() && clickAndSettle(onOwner) && QTest::qWaitFor([&] {
                return x_->activeWindow() == xid(box) && x_->isAbove(xid(box), xid(over)) && box->isActiveWindow();
            }, XTimeout);
        }
        seen << s;
        x_->closeFromTitleBar(xid(box));
    };
    QSignalSpy ended(&form1(), &Form1::programEnded);
    Form1 &main = form1();
    QWidget *expectedOwner = &main;

    if (row == u"name prompt") {
        // Closed, the prompt counts as Cancel and asks again.
        ModalAnswers answers;
        answers.then(watchAndClose).enter(QStringLiteral("Ученик"));
        QTest::mouseClick(form6().Command1, Qt::LeftButton);
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(QuizState.userName, QStringLiteral("Ученик"));
    } else {
        enterProgram();
        QVERIFY(managed(&main));
        ModalAnswers answers;
        answers.then(watchAndClose);
        if (row == u"empty answer") {
            mainAction("New")->trigger();
            chooseTopic(Floods);
            QTest::mouseClick(form2().Command1, Qt::LeftButton);
            QCOMPARE(QuizState.questionNumber, qint16(1));
            QTest::mouseClick(mainButton(), Qt::LeftButton);
            QCOMPARE(QuizState.questionNumber, qint16(1));   // asked again
        } else if (row == u"exit") {
            mainAction("quit")->trigger();
            QCOMPARE(ended.count(), 0);   // closed, the question counts as No
            QVERIFY(main.isVisible());
        } else if (row == u"refused question file") {
            QVERIFY(writeFile(QStringLiteral("qes8.ssu"), "9,7,5,0\r\n\"Вопрос\",broken"));
            mainAction("New")->trigger();
            expectedOwner = &form2();
            chooseTopic(Floods);
            QVERIFY(managed(&form2()));
            QTest::mouseClick(form2().Command1, Qt::LeftButton);
            QVERIFY(form2().isVisible());
        } else if (row == u"records not saved") {
            QVERIFY(QFile::remove(RecordsFileName));
            QVERIFY(QDir().mkdir(RecordsFileName));
            QuizState.topicName = Floods;
            expectedOwner = &form3();
            quizSession().finish();
            QVERIFY(form3().isVisible());
        }
        QVERIFY(answers.allAnswered());
        QVERIFY2(answers.unexpected().isEmpty(), qPrintable(answers.unexpected().join(u", ")));
    }

    QVERIFY(!seen.isEmpty());
    const SeenBox &box = seen.first();
    QCOMPARE(box.title, title);
    QCOMPARE(expectedOwner->objectName(), owner);
    QCOMPARE(box.transientFor, xid(expectedOwner));
    QVERIFY(box.aboveOwner);
    QVERIFY(box.keptAfterClickOnOwner);
    const QRect screen(QPoint(0, 0), x_->screenSize());
    QVERIFY2(screen.contains(box.frame), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(box.frame.x()).arg(box.frame.y())
                                                         .arg(box.frame.width()).arg(box.frame.height())));
}

// The main window's own close: refused while a secondary window holds it disabled,
// otherwise the exit question.
void TestWindowManager::mainWindowClosedFromTitleBar()
{
    enterProgram();
    Form1 &main = form1();
    QVERIFY(managed(&main));
    QSignalSpy ended(&main, &Form1::programEnded);
    CloseCounter closes(&main);

    mainAction("help")->trigger();
    QVERIFY(managed(&form4()));
    x_->closeFromTitleBar(xid(&main));
    QTRY_COMPARE_WITH_TIMEOUT(closes.count, 1, XTimeout);
    QVERIFY(main.isVisible());
    QVERIFY(form4().isVisible());
    QVERIFY(!main.isEnabled());
    checkInFrontAndFocused(&form4());
    if (QTest::currentTestFailed())
        return;

    QTest::mouseClick(form4().Command1, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(x_->activeWindow(), xid(&main), XTimeout);
    ModalAnswers answers;
    answers.press(QMessageBox::No).press(QMessageBox::Yes);
    x_->closeFromTitleBar(xid(&main));
    QTRY_COMPARE_WITH_TIMEOUT(closes.count, 2, XTimeout);
    QTRY_VERIFY(answers.seen().size() == 1);
    QCOMPARE(answers.seen().first().title, QStringLiteral("Выход"));
    QCOMPARE(ended.count(), 0);
    QVERIFY(main.isVisible());

    x_->closeFromTitleBar(xid(&main));
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, XTimeout);
    QVERIFY(answers.allAnswered());
}

void TestWindowManager::welcomeWindowClosedByDesktopActsAsNo()
{
    form1();
    Form6 &welcome = form6();
    QVERIFY(managed(&welcome));
    QSignalSpy ended(&form1(), &Form1::programEnded);
    x_->closeFromTitleBar(xid(&welcome));
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, XTimeout);
    QCOMPARE(soundPath, ExitCue);
}

void TestWindowManager::windowsStandOnScreen_data()
{
    QTest::addColumn<Opener>("open");
    QTest::newRow("welcome") << Opener([] { form1(); return &form6(); });
    QTest::newRow("main") << Opener([] { enterProgram(); return &form1(); });
    QTest::newRow("topics") << Opener([] { enterProgram(); mainAction("New")->trigger(); return &form2(); });
    QTest::newRow("records") << Opener([] { enterProgram(); mainAction("Rec")->trigger(); return &form5(); });
    QTest::newRow("help") << Opener([] { enterProgram(); mainAction("help")->trigger(); return &form4(); });
    QTest::newRow("result") << Opener([] {
        enterProgram();
        QuizState.topicName = Floods;
        quizSession().finish();
        return &form3();
    });
}

// Every window stands wholly on the screen where it fits; where the screen is smaller
// than the window, its title bar (and the main window's menu) is still on it.
void TestWindowManager::windowsStandOnScreen()
{
    QFETCH(Opener, open);
    QWidget *w = open();
    QVERIFY(managed(w));
    const QRect screen(QPoint(0, 0), x_->screenSize());
    QRect frame;
    // The frame is final once the window manager has told its extents.
    QVERIFY(QTest::qWaitFor([&] {
        frame = x_->frame(xid(w));
        return frame != x_->client(xid(w)) || w == &form6();
    }, XTimeout));
    const QString where = QStringLiteral("%1,%2 %3x%4 on %5x%6")
                              .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
                              .arg(screen.width()).arg(screen.height());
    if (frame.width() <= screen.width() && frame.height() <= screen.height()) {
        QVERIFY2(screen.contains(frame), qPrintable(where));
    } else {
        QVERIFY2(screen.contains(frame.topLeft()), qPrintable(where));
        QVERIFY2(frame.left() == 0 || frame.right() < screen.width(), qPrintable(where));
    }
}

// The program shows the welcome window before the main window exists; it stands where
// it stands centred on a built main window.
void TestWindowManager::welcomeWindowStandsAsCentredOnTheMainWindow()
{
    startProgram([] {});
    QVERIFY(managed(&form6()));
    const QRect atStart = x_->frame(xid(&form6()));

    run_.reset();
    run_ = std::make_unique<FreshRun>();
    form1();
    QVERIFY(managed(&form6()));
    QCOMPARE(x_->frame(xid(&form6())), atStart);
}

QTEST_MAIN(TestWindowManager)
#include "test_wm_windows.moc"
