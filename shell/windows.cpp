#include "shell/windows.h"

#include "quiz/form3.h"
#include "quiz/quizsession.h"
#include "records/form5.h"
#include "records/recordsfile.h"
#include "shell/form1.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "topics/form2.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QBackingStore>
#include <QKeyEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

// The six windows and the test they show; each lives from its first use to the end of
// the program.
struct Windows {
    std::unique_ptr<QuizSession> session;
    std::unique_ptr<Form1> form1;
    std::unique_ptr<Form2> form2;
    std::unique_ptr<Form3> form3;
    std::unique_ptr<Form4> form4;
    std::unique_ptr<Form5> form5;
    std::unique_ptr<Form6> form6;
    // What ends the run, as startProgram was given it.
    std::function<void()> ended;
};

Windows &windows()
{
    // Never destroyed: widgets must not outlive the application object, and the
    // windows are meant to last until the process ends.
    static Windows *all = new Windows;
    return *all;
}

// Makes window belong to owner the desktop's way: a dialog transient for it
// (WM_TRANSIENT_FOR under X11, an owned window on Windows). Every window manager then
// keeps it above its owner, raises and minimises it together with its owner, and gives
// it no taskbar entry of its own. Qt writes the transient hint for dialogs only.
void ownBy(QWidget &window, QWidget &owner)
{
    window.setWindowFlags((window.windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    window.winId();
    owner.winId();
    window.windowHandle()->setTransientParent(owner.windowHandle());
}

// The secondary window that holds the main window disabled, if one is open.
QWidget *ownedWindow(const Form1 &main)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != &main && w->isVisible() && w->windowHandle()
            && w->windowHandle()->transientParent() == main.windowHandle())
            return w;
    }
    return nullptr;
}

// A click on the disabled main window, or its restoring after a minimise, brings the
// secondary window forward, restored, in front and with the keyboard, where a window
// manager would otherwise leave the pupil at a greyed-out main window.
void bringOwnedWindowForward(Form1 &main)
{
    if (main.isEnabled())
        return;
    QWidget *owned = ownedWindow(main);
    if (!owned)
        return;
    if (owned->isMinimized())
        owned->setWindowState(owned->windowState() & ~Qt::WindowMinimized);
    owned->raise();
    owned->activateWindow();
}

void watchMainWindow(Form1 &main)
{
    main.winId();
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &main, [&main](QWindow *focus) {
        if (focus && focus == main.windowHandle())
            bringOwnedWindowForward(main);
    });
    QObject::connect(main.windowHandle(), &QWindow::windowStateChanged, &main, [&main](Qt::WindowState state) {
        if (state != Qt::WindowMinimized)
            bringOwnedWindowForward(main);
    });
}

// The main window shows the test; the result window its end, after the main window
// returned to its title screen.
void showSessionIn(Form1 &main)
{
    auto &session = windows().session;
    session = std::make_unique<QuizSession>(RecordsFileName);
    main.follow(*session);
    QObject::connect(session.get(), &QuizSession::graded, &main, [](qint16 grade) { finishTest(grade); });
    QObject::connect(session.get(), &QuizSession::finished, &main,
                     [](const std::optional<QString> &notSaved) { reportUnsavedResult(notSaved); });
}

// A secondary window belongs to the main window and opens centred on it.
template <class Form>
Form &secondary(std::unique_ptr<Form> &slot)
{
    if (!slot) {
        slot = std::make_unique<Form>();
        Form1 &owner = form1();
        ownBy(*slot, owner);
        placeCentred(*slot, &owner);
    }
    return *slot;
}

} // namespace

Form1 &form1()
{
    auto &slot = windows().form1;
    if (!slot) {
        slot = std::make_unique<Form1>();
        if (windows().ended)
            QObject::connect(slot.get(), &Form1::programEnded, qApp, windows().ended);
        watchMainWindow(*slot);
        showSessionIn(*slot);
        slot->Form_Load();
    }
    return *slot;
}

QuizSession &quizSession()
{
    form1();
    return *windows().session;
}

QWidget &mainWindow()
{
    return form1();
}

void setMainWindowEnabled(bool enabled)
{
    form1().setEnabled(enabled);
}

Form2 &form2() { return secondary(windows().form2); }
Form3 &form3() { return secondary(windows().form3); }
Form4 &form4() { return secondary(windows().form4); }
Form5 &form5() { return secondary(windows().form5); }
// The welcome window stands alone, centred on where the main window will stand: the
// main window need not exist yet.
Form6 &form6()
{
    auto &slot = windows().form6;
    if (!slot) {
        slot = std::make_unique<Form6>();
        placeCentredOn(*slot, mainWindowPlace());
    }
    return *slot;
}

void showWelcomeWindow()
{
    if (!form6().isVisible())
        showWindow(form6());
}

namespace {

// Runs then once, in the first idle moment after window has painted (and its pixels
// went to the screen).
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget &window, std::function<void()> then) : QObject(&window), then_(std::move(then))
    {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, then_);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

} // namespace

void startProgram(std::function<void()> ended)
{
    windows().ended = std::move(ended);
    showWelcomeWindow();
    // Built while the pupil reads the welcome window, the main window is ready for "Да".
    new AfterFirstPaint(form6(), [] { form1(); });
}

// A hidden window needs no paint buffer: it is painted afresh when it is shown again.
// Kept, the buffers of the hidden windows would add up to more than the main
// window's own (a records window 683 x 316 pixels holds 860 KB).
static void releaseHiddenPaintBuffers()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() && w->backingStore() && w->backingStore()->size() != QSize(1, 1))
            w->backingStore()->resize(QSize(1, 1));
    }
}

void showWindow(QWidget &window)
{
    window.show();
    window.raise();
    window.activateWindow();
    releaseHiddenPaintBuffers();
}

void reshowMainWindow()
{
    showWindow(form1());
}

void returnToMainWindowAfterTest(QWidget &result)
{
    returnToMainWindow(result);
    form1().endTest();
}

void returnToMainWindow(QWidget &secondary)
{
    secondary.hide();
    Form1 &main = form1();
    main.setEnabled(true);
    // Where the keyboard was is gone (the test ended meanwhile) or was never set: the
    // title screen takes it, or the main window's keys would go nowhere.
    if (!main.focusWidget() || !main.focusWidget()->isVisible())
        main.focusTitleScreen();
    reshowMainWindow();
}

// A screen reader reads an object once as it gets the keyboard, and not again while it
// keeps it: to hear the row a second time, the keyboard seems to pass by the list.
static void announceCurrentRow(QAbstractItemView &view, bool again)
{
    if (!QAccessible::isActive() || !view.hasFocus() || !view.currentIndex().isValid())
        return;
    const auto tellRow = [&view] {
        if (!view.hasFocus() || !view.currentIndex().isValid())
            return;
        QAccessibleEvent row(&view, QAccessible::Focus);
        row.setChild(view.currentIndex().row());
        QAccessible::updateAccessibility(&row);
    };
    if (!again)
        return tellRow();
    QAccessibleEvent list(&view, QAccessible::Focus);
    QAccessible::updateAccessibility(&list);
    // A reader takes two changes of focus in one breath for the last alone; the row
    // follows a moment later.
    QTimer::singleShot(150, &view, tellRow);
}

void announceRowsOf(QAbstractItemView &view)
{
    // After Qt's own word on the list, which comes with the focus change itself.
    QObject::connect(qApp, &QApplication::focusChanged, &view, [&view](QWidget *, QWidget *now) {
        if (now == &view)
            QTimer::singleShot(0, &view, [&view] { announceCurrentRow(view, false); });
    });
}

bool walkRows(QAbstractItemView &view, QEvent &event)
{
    static const int keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
    if (event.type() != QEvent::KeyPress)
        return false;
    const auto &key = static_cast<const QKeyEvent &>(event);
    if (key.modifiers() != Qt::NoModifier || std::find(std::begin(keys), std::end(keys), key.key()) == std::end(keys))
        return false;
    const QModelIndex before = view.currentIndex();
    static_cast<QObject &>(view).event(&event);
    if (view.currentIndex() == before)
        announceCurrentRow(view, true);
    return true;
}

void endProgram()
{
    emit form1().programEnded();
}

void discardWindows()
{
    Windows &all = windows();
    all.form2.reset();
    all.form3.reset();
    all.form4.reset();
    all.form5.reset();
    all.form6.reset();
    all.form1.reset();
    all.session.reset();
    all.ended = nullptr;
}
