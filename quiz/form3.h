#pragma once
// The result window, and the end of a test that shows it.

#include "shell/layout.h"
#include <QWidget>

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

// After the tenth answer: grade, result window, cue, records line, title screen.
void finishTest();
