#pragma once
// Placeholder for the records window until its own implementation lands.

#include <QWidget>

class Form5 : public QWidget {
    Q_OBJECT
public:
    Form5();
};

// "&Рекорды": lists records.ssu in Form5, disables the main window, shows Form5.
void listRecords();
