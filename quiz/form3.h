#pragma once
// The result window, and the end of a test that shows it.

#include "shell/layout.h"
#include <QWidget>
#include <optional>

class QPushButton;

class Form3 : public QWidget {
    Q_OBJECT
public:
    Form3();

    QPushButton *Command1;
    CaptionLabel *Label1, *Label2;
    FrameShape *Shape1, *Shape2;
    QLabel *Image1;

    void Command1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};

// After the tenth answer, before its records line is written: the main window held,
// the grade in the result window, the cue.
void finishTest(qint16 grade);

// Once the line was tried: why the grade is not recorded, or may not be, over the
// result window; nothing when it was written.
void reportUnsavedResult(const std::optional<QString> &notSaved);
