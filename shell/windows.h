#pragma once
// The six windows of the program. Each is created, with all its controls, the first
// time it is used and is afterwards only hidden and shown until the program ends.

#include <functional>

class QAbstractItemView;
class QEvent;
class QWidget;
class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form6;
class QuizSession;

Form1 &form1();   // created and loaded (Form_Load) on first use
Form2 &form2();
Form3 &form3();
Form4 &form4();
Form5 &form5();
Form6 &form6();

// The pupil's test, which the main window shows; it lives as long as the main window.
QuizSession &quizSession();

// The main window as the other windows meet it: the parent of their messages, disabled
// while one of them holds it.
QWidget &mainWindow();
void setMainWindowEnabled(bool enabled);

// Shows a window non-modal, in front and active.
void showWindow(QWidget &window);

// The close of a secondary window: hide it, enable the main window and bring the
// main window back to the front, visible and active where it was.
void returnToMainWindow(QWidget &secondary);

// The close of the result window: as returnToMainWindow, and the test is over for
// the main window too.
void returnToMainWindowAfterTest(QWidget &result);

// Brings the main window to the front: visible, enabled state untouched, active.
void reshowMainWindow();

// A list tells a screen reader its current row whenever it gets the keyboard (Qt
// names only the list then).
void announceRowsOf(QAbstractItemView &view);
// For an event filter of the list: an arrow key that cannot move (the first or last
// row, or the only one) tells the row again. True when the event was a row key.
bool walkRows(QAbstractItemView &view, QEvent &event);

// Ends the run at once (through Form1::programEnded, which the main window passes on to
// what startProgram was given).
void endProgram();

// The start of the run: the welcome window at once; the main window is built once the
// welcome window has painted. ended runs when the run is over (endProgram).
void startProgram(std::function<void()> ended);
// The welcome window, shown unless it already is.
void showWelcomeWindow();

// For tests: destroys every window, so that the next use creates them afresh.
void discardWindows();
