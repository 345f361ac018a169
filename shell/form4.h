#pragma once
// Placeholder for the help window until its own implementation lands.

#include <QWidget>

class Form4 : public QWidget {
    Q_OBJECT
public:
    Form4();
};
