#include "shell/windows.h"

#include "quiz/form3.h"
#include "records/form5.h"
#include "shell/form1.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "topics/form2.h"

#include <QApplication>
#include <QBackingStore>
#include <QWindow>
#include <memory>

namespace {

// The six windows; each lives from its first use to the end of the program.
struct Windows {
    std::unique_ptr<Form1> form1;
    std::unique_ptr<Form2> form2;
    std::unique_ptr<Form3> form3;
    std::unique_ptr<Form4> form4;
    std::unique_ptr<Form5> form5;
    std::unique_ptr<Form6> form6;
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
        watchMainWindow(*slot);
        slot->Form_Load();
    }
    return *slot;
}

Form2 &form2() { return secondary(windows().form2); }
Form3 &form3() { return secondary(windows().form3); }
Form4 &form4() { return secondary(windows().form4); }
Form5 &form5() { return secondary(windows().form5); }
// The welcome window stands alone: the main window it is centred on is still hidden.
Form6 &form6()
{
    auto &slot = windows().form6;
    if (!slot) {
        slot = std::make_unique<Form6>();
        placeCentred(*slot, &form1());
    }
    return *slot;
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

void returnToMainWindow(QWidget &secondary)
{
    secondary.hide();
    form1().setEnabled(true);
    reshowMainWindow();
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
}
