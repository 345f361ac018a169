#pragma once
// The rows of the records window, built from the file's bytes only when the list
// shows them: a school's file of a million lines lists at once and costs little
// more than its own size.

#include "records/recordsfile.h"
#include <QAbstractListModel>
#include <QByteArray>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

class RecordsModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Offsets are kept in 32 bits; a larger file is not listed.
    static_assert(MaxRecordsFileBytes <= std::numeric_limits<std::uint32_t>::max());

    // No rows and no bytes.
    void clear();
    // Takes the bytes of a records file and indexes every whole record in one pass,
    // with the name and topic pads carried from row to row. Each record passes
    // through the process-wide RecordEntry, which keeps the last one.
    void setFileBytes(QByteArray bytes);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The text of row i, as buildRecordRow gives it.
    QString rowText(int i) const;
    // Row i as a screen reader reads it: name, topic and grade.
    QString spokenRowText(int i) const;

private:
    // The record of row i, read from the bytes up to the end of the data.
    std::optional<RecordEntryRecord> entryAt(int i) const;

    // Where a record starts and the pads its row carries: eight bytes a row.
    struct RowIndex {
        std::uint32_t offset;
        std::uint8_t namePad;
        std::uint8_t topicPad;
    };

    QByteArray bytes_;
    qsizetype dataEnd_ = 0;   // after the last byte that is not blank
    std::vector<RowIndex> rows_;
};
