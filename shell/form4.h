#pragma once
// The help window: the authors, the system requirements, the scoring and the
// grading criteria, and "Ok".

#include "shell/layout.h"
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class Form4 : public QWidget {
    Q_OBJECT
public:
    Form4();   // creates the controls and loads the window (Form_Load)

    QPushButton *Command1;
    QPlainTextEdit *Text1;
    FrameShape *Shape1, *Shape2, *Shape3;
    LineShape *Line3;
    QLabel *Image1, *Image2, *Image5;
    CaptionLabel *Label1, *Label3, *Label4, *Label5, *Label8;

    void Form_Load();
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};

// The fixed text of Text1: requirements, scoring and criteria, joined directly.
QString helpText();
