#pragma once
// The records of a folder as a table of name, topic and grade, and the filter and order
// in which the results page shows them. A million rows sort and filter by small integers
// (the distinct names and topics are ranked once), never by comparing texts row by row.

#include "teacher/results/classresults.h"
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, TopicColumn, GradeColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Reads folder's records file afresh; opened() follows.
    void open(const QString &folder);
    const ClassResults &results() const { return results_; }
    QString recordsPath() const { return path_; }

    // Orders rows of a column: names and topics in Russian alphabetical order, grades by value.
    qint64 sortKey(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void opened();

private:
    ClassResults results_;
    QString path_;
    // Alphabetical rank of each distinct name and topic, made at the first sort.
    mutable std::vector<quint32> nameRank_;
    mutable std::vector<quint32> topicRank_;
};

class ResultsFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ResultsFilter(ResultsModel *model);

    // Rows whose name contains text, in any case; all rows for an empty text.
    void setNameFilter(const QString &text);
    // Rows of one topic (an index into the topics of the results); -1 for all.
    void setTopicFilter(int topic);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    ResultsModel *model_;
    QString nameText_;
    std::vector<bool> nameShown_;   // per distinct name, while nameText_ is not empty
    int topic_ = -1;
};
