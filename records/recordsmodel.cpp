#include "records/recordsmodel.h"

#include <QHash>

namespace {

// The three fields of a record read from offset; nullopt when they cannot be read.
std::optional<RecordEntryRecord> readRecordAt(QByteArrayView bytes, qsizetype offset)
{
    FieldReader reader(bytes.sliced(offset));
    try {
        RecordEntryRecord entry;
        entry.name = reader.readText();
        entry.topic = reader.readText();
        entry.grade = reader.readInt();
        return entry;
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
    bytes_ = {};
    dataEnd_ = 0;
    endResetModel();
}

void RecordsModel::setFileBytes(QByteArray bytes)
{
    beginResetModel();
    rows_ = {};
    bytes_ = std::move(bytes);
    dataEnd_ = 0;
    if (bytes_.size() <= MaxRecordsFileBytes) {
        // A records line is rarely shorter than 30 bytes.
        rows_.reserve(size_t(bytes_.size() / 30));
        RecordReader reader(bytes_);
        dataEnd_ = reader.dataEnd();
        PadRules rules;
        int namePad = 0;
        int topicPad = 0;
        while (reader.next(RecordEntry)) {
            rules.apply(RecordEntry, namePad, topicPad);
            rows_.push_back({std::uint32_t(reader.recordStart()), std::uint8_t(namePad), std::uint8_t(topicPad)});
        }
        rows_.shrink_to_fit();
    }
    endResetModel();
}

int RecordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

std::optional<RecordEntryRecord> RecordsModel::entryAt(int i) const
{
    // Read only up to the end of the data: a blank tail after the last record (a file
    // padded with spaces) would otherwise be searched again for every row shown or read out.
    return readRecordAt(QByteArrayView(bytes_).first(dataEnd_), rows_[size_t(i)].offset);
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
