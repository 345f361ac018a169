#pragma once
// The topic window: the nine topics, "Ok" and "Отмена".

#include "shell/layout.h"
#include <QItemSelection>
#include <QWidget>

class QListWidget;
class QPushButton;

class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2();

    QPushButton *Command1, *Command2;
    QListWidget *List1;
    FrameShape *Shape1;

    void Command1_Click();
    void Command2_Click();
    void List1_DblClick();
    void List1_Return();

    // Text of the selected entry of List1; empty when none is selected.
    QString selectedTopic() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void keepTopicSelected(const QItemSelection &selected, const QItemSelection &deselected);
};

// Starts a test of the topic selected in Form2.List1.
void startTest();
