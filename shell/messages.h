#pragma once
// The program's message boxes and the name prompt, with Russian buttons.

#include <QString>

class QWidget;

// "Повтори ввод!" titled "Повтор ввода", OK, exclamation icon.
void showEmptyAnswerWarning(QWidget *parent);

// "Вы точно хотите выйти?" titled "Выход", Yes and No, Yes the default; true for Yes.
bool confirmExit(QWidget *parent);

// A warning box with an OK button, for faults the program mends.
void showFault(QWidget *parent, const QString &title, const QString &text);

// Before a test, what the working folder will not allow, in one warning box over parent:
// keeping the result and, when questionFilesToo, finding a question file. No box when the
// folder allows both. The test may still be taken.
void warnOfWorkingFolder(QWidget *parent, bool questionFilesToo);

// One "Регистрация" prompt; the entered text, or empty on Cancel. A repeated prompt
// says what a name may hold.
QString promptUserName(QWidget *parent, bool repeated);

// Asks until QuizState.userName holds an acceptable name.
void askUserName();
