#pragma once
// records.ssu: one line per finished test, "name,topic, grade" CR LF,
// Windows-1251, only ever appended to.

#include "quiz/fieldreader.h"
#include "quiz/quizerror.h"
#include "quiz/textencoding.h"
#include "records/filelock.h"
#include "records/recordline.h"
#include "topics/catalogue.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

inline const QString RecordsFileName = QStringLiteral("records.ssu");

// The records window reads each line into this one value.
extern RecordEntryRecord RecordEntry;

// Appends one line to the file at path (created when missing) with one write,
// holding the file's exclusive lock so that copies of the program sharing the file
// never mix their lines; waits at most lockWait for another copy to let go. When the
// file does not end with a line break, CR LF goes first so that the new record stays
// whole; a write cut short (a full disk) is taken back. Only a regular file is written
// (a link is followed; a pipe or a device is refused without waiting), and the line is
// read back under the lock: on a share whose locks do nothing another copy may have
// written over it, which is then said instead of success. Returns a plain Russian
// message when the line could not be written; the file then holds what it held before.
std::optional<QString> appendRecord(const QString &path, const RecordEntryRecord &entry,
                                    std::chrono::milliseconds lockWait = RecordsLockWait);

// What appendRecord says when the line was written but another copy may have written over
// it: the result may or may not be in the file.
QString unconfirmedMessage(const QString &path);

// A system error number as a pupil should read it: plain Russian for the reasons a records
// write meets (missing folder, no permission, read-only or full disk, a folder in the file's
// place, too many open files, a file held by another copy), the system's own text otherwise.
QString systemErrorText(int error);
// The reason for a failure of the file in those words: errno taken right after the failing
// call, used only when it is what the file itself reported (on Windows the file's own text
// always holds).
QString failureReason(const QFile &file, int error);

// A larger records file is refused before any of it is read: the records window keeps
// its rows' offsets in 32 bits, and no school fills 4 GB with three-field lines.
inline constexpr qint64 MaxRecordsFileBytes = 0xFFFF'FFFFLL;

// The bytes of a records file as they stood under the file's shared lock, so that a
// line that another copy is appending is never seen half-written (when the lock cannot
// be had in time the file is read all the same: reading changes nothing). A missing
// file reads as no bytes; a folder, a device, a pipe, a file larger than
// MaxRecordsFileBytes or one that cannot be read gives a plain Russian message.
struct RecordsFileBytes {
    QByteArray bytes;
    std::optional<QString> fault;
};
RecordsFileBytes readRecordsFile(const QString &path, std::chrono::milliseconds lockWait = RecordsLockWait);

// The records file opened for reading into `file`, and how many of its bytes make the
// listing: as readRecordsFile's, with the file left open.
struct RecordsOpening {
    qint64 size = 0;
    bool missing = false;
    std::optional<QString> fault;
};
RecordsOpening openRecordsFile(QFile &file, const QString &path, std::chrono::milliseconds lockWait = RecordsLockWait);

// The same file read a piece at a time, for a reader that needs no record twice: each
// whole record goes to onRecord as it is read, so that memory stays the same however
// long the file is. Records and problems are those RecordReader gives for the whole
// file's bytes, except that a line longer than two pieces, which cannot hold a record,
// is skipped as a field too long without being held whole.
// A piece is RecordsPieceBytes unless given (at least 128 KiB); it grows only for a
// line longer than itself, up to two pieces.
inline constexpr qsizetype RecordsPieceBytes = 4 * 1024 * 1024;
struct RecordsScan {
    std::vector<FileProblem> problems;
    std::optional<QString> fault;   // as readRecordsFile's; then no record was read
    UnicodeForm unicodeForm = UnicodeForm::None;   // judged by the first piece
};
RecordsScan scanRecordsFile(const QString &path, const std::function<void(const RecordEntryRecord &)> &onRecord,
                            std::chrono::milliseconds lockWait = RecordsLockWait,
                            qsizetype pieceBytes = RecordsPieceBytes);
// The first `size` bytes of a file opened by openRecordsFile, as scanRecordsFile reads
// them; onRecord also gets where the record starts in the file and where its last field ends.
RecordsScan scanOpenRecords(QFile &file, qint64 size, const QString &path,
                            const std::function<void(const RecordEntryRecord &, qint64 start, qint64 end)> &onRecord,
                            qsizetype pieceBytes = RecordsPieceBytes);

// Sequential reading of records, one at a time, from the bytes of a records file
// (the caller keeps the bytes alive; they are not copied).
class RecordReader {
public:
    explicit RecordReader(QByteArrayView bytes);
    // Reads the next whole record; false at the end. An incomplete last record is
    // skipped and noted in problems(). A line whose grade is not a number is
    // skipped and noted, and reading goes on with the next line.
    bool next(RecordEntryRecord &entry);
    // One try: true when a record was read, false when one was skipped (and noted),
    // nullopt at the end.
    std::optional<bool> step(RecordEntryRecord &entry);
    const std::vector<FileProblem> &problems() const;
    qsizetype offset() const;   // where the next record starts
    qsizetype recordStart() const { return recordStart_; }   // where the record next() gave starts
    int line() const;           // line of the next record, 1-based
    // After the last byte that is not a space, tab or line break: found once, here.
    qsizetype dataEnd() const { return reader_.contentEnd(); }

    // For reading a file in pieces. Reading goes on over `bytes`, whose first byte is
    // the start of line `line` of the file; offsets count from there.
    void continueOn(QByteArrayView bytes, int line);
    // Takes back the problems noted from `line` on, to be noted again when read again.
    void forgetProblemsFrom(int line);
    // Notes line `line`, too long for any record, as skipped.
    void noteOverlongLine(int line);
    bool atLineStart() const { return reader_.column() == 1; }
    // problems() holds at most this many, and then one more that says there are others.
    static constexpr size_t MaxRecordProblems = 100;

private:
    bool atEnd() const { return reader_.atEnd(); }
    void note(FileProblem problem);
    bool skipPlainlyDamaged(const FieldInfo &start);

    QByteArrayView bytes_;
    FieldReader reader_;
    qsizetype recordStart_ = 0;
    std::vector<FileProblem> problems_;
};

// The carried pads of one listing: both start empty and keep their value from row to row.
struct RowPads {
    QString name;
    QString topic;
};

// The records window's topic column: every pad fills a topic to this many characters.
inline constexpr int TopicColumnWidth = 59;

// The pad that fills `topic` to the column: for the row of that name, or for a row padded
// by length whose name is as long; nullopt when no row serves it (the row before's pad stays).
std::optional<int> topicPadFor(const QString &topic, std::span<const Topic> topics = topicCatalogue());

// name + name pad + topic + topic pad + gradeText(grade); updates pads first.
QString buildRecordRow(const RecordEntryRecord &entry, RowPads &pads);
