#include "teacher/results/resultsmodel.h"
#include "quiz/problemtexts.h"
#include "records/recordsfile.h"

#include <QCollator>
#include <QDir>
#include <QLocale>
#include <new>
#include <numeric>

namespace {

// Each text's place in Russian alphabetical order.
std::vector<quint32> alphabeticalRanks(const TextPool &texts)
{
    std::vector<quint32> order(size_t(texts.size()));
    std::iota(order.begin(), order.end(), 0u);
    QCollator collator{QLocale(QLocale::Russian)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(order.begin(), order.end(),
                     [&](quint32 a, quint32 b) { return collator.compare(texts[a], texts[b]) < 0; });
    std::vector<quint32> rank(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        rank[order[i]] = quint32(i);
    return rank;
}

} // namespace

void ResultsModel::open(const QString &folder)
{
    beginResetModel();
    results_ = {};   // the old rows go before the file is read again
    nameRank_.clear();
    topicRank_.clear();
    path_ = QDir(folder).filePath(RecordsFileName);
    try {
        results_ = readClassResults(path_);
    } catch (const std::bad_alloc &) {
        results_ = {};
        results_.fault = problemText(ProblemId::ResultsNoMemory, QDir::toNativeSeparators(path_));
    }
    endResetModel();
    emit opened();
}

qint64 ResultsModel::sortKey(int row, int column) const
{
    const ResultRow &r = results_.rows[size_t(row)];
    switch (column) {
    case NameColumn:
        if (nameRank_.empty())
            nameRank_ = alphabeticalRanks(results_.names);
        return nameRank_[r.name];
    case TopicColumn:
        if (topicRank_.empty())
            topicRank_ = alphabeticalRanks(results_.topics);
        return topicRank_[r.topic];
    default:
        return r.grade;
    }
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(results_.rows.size());
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ResultRow &row = results_.rows[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == GradeColumn)
        return int(Qt::AlignCenter);
    // A long topic is cut short in its column; the tip shows it whole.
    if (role != Qt::DisplayRole && !(role == Qt::ToolTipRole && index.column() == TopicColumn))
        return {};
    switch (index.column()) {
    case NameColumn:
        return results_.names[row.name].toString();
    case TopicColumn:
        return results_.topics[row.topic].toString();
    default:
        return int(row.grade);
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case NameColumn:
        return QStringLiteral("Имя");
    case TopicColumn:
        return QStringLiteral("Тема");
    default:
        return QStringLiteral("Оценка");
    }
}

ResultsFilter::ResultsFilter(ResultsModel *model) : QSortFilterProxyModel(model), model_(model)
{
    // Before the proxy's own handler, which filters the new rows at once.
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        topic_ = -1;
        setNameFilter(nameText_);
    });
    setSourceModel(model);
}

void ResultsFilter::setNameFilter(const QString &text)
{
    nameText_ = text.trimmed();
    nameShown_.clear();
    if (!nameText_.isEmpty()) {
        const TextPool &names = model_->results().names;
        nameShown_.reserve(size_t(names.size()));
        for (quint32 i = 0; i < quint32(names.size()); ++i)
            nameShown_.push_back(names[i].contains(nameText_, Qt::CaseInsensitive));
    }
    invalidateRowsFilter();
}

void ResultsFilter::setTopicFilter(int topic)
{
    topic_ = topic;
    invalidateRowsFilter();
}

bool ResultsFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const ResultRow &row = model_->results().rows[size_t(sourceRow)];
    return (topic_ < 0 || row.topic == quint32(topic_)) && (nameShown_.empty() || nameShown_[row.name]);
}

bool ResultsFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return model_->sortKey(left.row(), left.column()) < model_->sortKey(right.row(), right.column());
}
