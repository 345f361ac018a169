#include "records/recordsmodel.h"
#include "quiz/problemtexts.h"

#include <QHash>

namespace {

// The record that starts the bytes; nullopt when it cannot be read.
std::optional<RecordEntryRecord> readRecordAt(QByteArrayView bytes)
{
    FieldReader reader(bytes);
    try {
        return readRecord(reader);
    } catch (const QuizError &) {
        return std::nullopt;
    }
}

// What a record does to the carried pads, learnt from buildRecordRow once per topic
// and once per name length instead of once per row (building a row text for every
// record would take most of the listing's time). The name pad follows the name's
// length, the topic pad the topic.
class PadRules {
public:
    void apply(const RecordEntryRecord &entry, int &namePad, int &topicPad)
    {
        auto name = namePads_.constFind(entry.name.size());
        auto topic = topicPads_.constFind(entry.topic);
        if (name == namePads_.cend() || topic == topicPads_.cend()) {
            RowPads probe{Kept, Kept};
            buildRecordRow(entry, probe);
            name = namePads_.insert(entry.name.size(), probe.name == Kept ? -1 : int(probe.name.size()));
            topic = topicPads_.insert(entry.topic, probe.topic == Kept ? -1 : int(probe.topic.size()));
        }
        if (*name >= 0)
            namePad = *name;
        if (*topic >= 0)
            topicPad = *topic;
    }

private:
    // Never a pad: pads are spaces only.
    inline static const QString Kept = QStringLiteral("*");
    QHash<qsizetype, int> namePads_;   // -1: the pad of the row before stays
    QHash<QString, int> topicPads_;
};

} // namespace

void RecordsModel::clear()
{
    beginResetModel();
    rows_ = {};
    block_ = {};
    blockStart_ = 0;
    lastEnd_ = 0;
    file_.close();
    endResetModel();
}

std::optional<QString> RecordsModel::listFile(const QString &path)
{
    clear();
    const RecordsOpening opening = openRecordsFile(file_, path);
    if (opening.missing || opening.fault) {
        file_.close();
        return opening.fault;
    }
    // Built aside, so that a shortage of memory meanwhile leaves the model as it was: empty.
    std::vector<RowIndex> rows;
    qint64 lastEnd = 0;
    PadRules rules;
    int namePad = 0;
    int topicPad = 0;
    const RecordsScan scan = scanOpenRecords(file_, opening.size, path,
                                             [&](const RecordEntryRecord &entry, qint64 start, qint64 end) {
        if (rows.size() >= MaxRows)
            return;
        RecordEntry = entry;
        rules.apply(entry, namePad, topicPad);
        rows.push_back({std::uint32_t(start), std::uint8_t(namePad), std::uint8_t(topicPad)});
        lastEnd = end;
    });
    if (scan.fault || rows.size() >= MaxRows) {
        file_.close();
        return scan.fault ? scan.fault : problemText(ProblemId::RecordsTooLarge, path);
    }
    rows.shrink_to_fit();
    beginResetModel();
    rows_ = std::move(rows);
    lastEnd_ = lastEnd;
    endResetModel();
    return std::nullopt;
}

int RecordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QByteArrayView RecordsModel::bytesAt(qint64 from, qint64 to) const
{
    // Rows are shown a screenful at a time: one block read serves many of them.
    constexpr qint64 Block = 64 * 1024;
    const qint64 blockEnd = blockStart_ + block_.size();
    if (from < blockStart_ || to > blockEnd) {
        blockStart_ = from;
        block_.resize(qsizetype(qMax(to, qMin(from + Block, lastEnd_)) - from));
        qint64 got = 0;
        if (file_.seek(from)) {
            while (got < block_.size()) {
                const qint64 r = file_.read(block_.data() + got, block_.size() - got);
                if (r <= 0)
                    break;
                got += r;
            }
        }
        block_.truncate(qsizetype(got));
    }
    const qint64 end = qMin(to, blockStart_ + block_.size());
    return QByteArrayView(block_).sliced(qsizetype(from - blockStart_), qsizetype(qMax(end, from) - from));
}

std::optional<RecordEntryRecord> RecordsModel::entryAt(int i) const
{
    const qint64 from = rows_[size_t(i)].offset;
    const qint64 next = size_t(i) + 1 < rows_.size() ? qint64(rows_[size_t(i) + 1].offset) : lastEnd_;
    return readRecordAt(bytesAt(from, qMin(next, from + MaxRowBytes)));
}

QString RecordsModel::rowText(int i) const
{
    const RowIndex &row = rows_[size_t(i)];
    const std::optional<RecordEntryRecord> entry = entryAt(i);
    if (!entry)
        return {};
    // The pads stored are those after this row's own update, which gives them again.
    RowPads pads{QString(row.namePad, QLatin1Char(' ')), QString(row.topicPad, QLatin1Char(' '))};
    return buildRecordRow(*entry, pads);
}

// A screen reader reads a row as its three fields, not as the spaces that line them up.
QString RecordsModel::spokenRowText(int i) const
{
    const std::optional<RecordEntryRecord> entry = entryAt(i);
    if (!entry)
        return {};
    return QStringLiteral("%1, %2, оценка %3").arg(entry->name, entry->topic).arg(entry->grade);
}

QVariant RecordsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return rowText(index.row());
    if (role == Qt::AccessibleTextRole)
        return spokenRowText(index.row());
    return {};
}

Qt::ItemFlags RecordsModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
