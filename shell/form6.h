#pragma once
// The welcome window: "Вы желаете работать с тестами по ЗУФ?" with "Да" and "Нет".

#include "shell/layout.h"
#include <QWidget>

class QPushButton;

class Form6 : public QWidget {
    Q_OBJECT
public:
    Form6();

    QPushButton *Command1, *Command2;
    QLabel *Image1;
    CaptionLabel *Label1, *Label2;
    FrameShape *Shape1, *Shape2;

    void Command1_Click();
    void Command2_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
};
