#pragma once
// The records window: every line of records.ssu as a fixed-width row of name,
// topic and grade under the headings "Имя", "Тест" and "Оценка".

#include "shell/layout.h"
#include <QWidget>

class QListView;
class QPushButton;
class RecordsModel;

class Form5 : public QWidget {
    Q_OBJECT
public:
    Form5();

    QPushButton *Command1;
    QListView *List1;            // over `records`: rows are built when shown
    RecordsModel *records;
    FrameShape *Shape1;
    CaptionLabel *Label1, *Label2, *Label3;

    void Command1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// "&Рекорды": lists records.ssu of the working folder in Form5, disables the main
// window, shows Form5. A missing file lists nothing; a file that cannot be read is
// reported and the window stays closed.
void listRecords();
