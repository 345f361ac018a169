#pragma once
// The rows of the records window, read from the file only when the list shows them.
// What is kept is an index of the rows, eight bytes each, built while the file is read
// a piece at a time, and one block of the file around the rows last shown. The memory
// is bounded whatever the file: the index (at most MaxRows rows, 128 MiB), one piece
// while the file is read (RecordsPieceBytes, two for a line longer than one) and the
// block (64 KiB, MaxRowBytes for a row that needs more). A file that holds no records
// (say, 4 GB of zero bytes) costs only the piece.

#include "records/recordsfile.h"
#include <QAbstractListModel>
#include <QByteArray>
#include <QFile>
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

    // No rows; the file is closed and the memory of the index given back.
    void clear();
    // Lists the records file at path: indexes every whole record, with the name and topic
    // pads carried from row to row, and keeps the file open to read the rows shown. Each
    // record passes through the process-wide RecordEntry, which keeps the last one.
    // A missing file lists nothing; a fault is the message readRecordsFile would give,
    // and then nothing is listed.
    std::optional<QString> listFile(const QString &path);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The text of row i, as buildRecordRow gives it.
    QString rowText(int i) const;
    // Row i as a screen reader reads it: name, topic and grade.
    QString spokenRowText(int i) const;

    // The most rows listed: their index then takes at most 128 MiB. A file of more (a
    // school writes about 40 bytes a record; this is 16.7 million of them, 600 MB) is
    // refused as too large; its index is never built further.
    static constexpr size_t MaxRows = size_t(1) << 24;

    // The most a row read may take from the file; a record that needs more (only one with
    // runs of spaces inside) shows as an empty row.
    static constexpr qsizetype MaxRowBytes = 256 * 1024;

private:
    // The record of row i, read from the file between its start and the next row's.
    std::optional<RecordEntryRecord> entryAt(int i) const;
    // The file's bytes [from, to), from the block kept when it holds them.
    QByteArrayView bytesAt(qint64 from, qint64 to) const;

    // Where a record starts and the pads its row carries: eight bytes a row.
    struct RowIndex {
        std::uint32_t offset;
        std::uint8_t namePad;
        std::uint8_t topicPad;
    };

    mutable QFile file_;
    qint64 lastEnd_ = 0;            // where the last row's record ends: nothing after it is read
    std::vector<RowIndex> rows_;
    mutable QByteArray block_;      // the file's bytes from blockStart_, read for rows shown
    mutable qint64 blockStart_ = 0;
};
