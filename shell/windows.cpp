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

// A secondary window opens centred on the main window and stays in front of it.
template <class Form>
Form &secondary(std::unique_ptr<Form> &slot)
{
    if (!slot) {
        slot = std::make_unique<Form>();
        Form1 &owner = form1();
        placeCentred(*slot, &owner);
        if (owner.isVisible()) {
            slot->winId();
            slot->windowHandle()->setTransientParent(owner.windowHandle());
        }
    }
    return *slot;
}

} // namespace

Form1 &form1()
{
    auto &slot = windows().form1;
    if (!slot) {
        slot = std::make_unique<Form1>();
        slot->Form_Load();
    }
    return *slot;
}

Form2 &form2() { return secondary(windows().form2); }
Form3 &form3() { return secondary(windows().form3); }
Form4 &form4() { return secondary(windows().form4); }
Form5 &form5() { return secondary(windows().form5); }
Form6 &form6() { return secondary(windows().form6); }

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
