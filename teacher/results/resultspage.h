#pragma once
// The "Результаты" tab of the teacher's workbench: a folder's records as a table that sorts
// and filters by name and topic, each topic's grades as a bar chart and a mean, and export
// to CSV. It only ever reads the records file.

#include <QWidget>

class ResultsPage : public QWidget {
    Q_OBJECT
public:
    explicit ResultsPage(QWidget *parent = nullptr);
    void openFolder(const QString &folder);
};
