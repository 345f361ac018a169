#include "records/recordsfile.h"
#include "quiz/codepage.h"
#include "quiz/problemtexts.h"
#include "quiz/regularfile.h"
#include "records/diskview.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

RecordEntryRecord RecordEntry;

namespace {

QString secondsText(std::chrono::milliseconds wait)
{
    return QLocale(QLocale::Russian).toString(wait.count() / 1000.0, 'g', 3);
}

// The reasons a records write meets in a school lab, in the words a pupil reads.
struct SystemErrorPhrase {
    int error;
    ProblemId text;
};

constexpr SystemErrorPhrase SystemErrorPhrases[] = {
    {ENOENT, ProblemId::SystemNoFolder},
    {ENOTDIR, ProblemId::SystemFileInPath},
    {EACCES, ProblemId::SystemNoPermission},
    {EPERM, ProblemId::SystemNoPermission},
    {EROFS, ProblemId::SystemReadOnly},
    {ENOSPC, ProblemId::SystemDiskFull},
#ifdef EDQUOT
    {EDQUOT, ProblemId::SystemQuotaFull},
#endif
    {EISDIR, ProblemId::NotAFileFolder},
    {EMFILE, ProblemId::SystemTooManyFiles},
    {ENFILE, ProblemId::SystemTooManyFiles},
    {EAGAIN, ProblemId::SystemFileBusy},
    {ENOLCK, ProblemId::SystemNoLocks},
};

// A line torn by a power cut has no line break at its end.
bool endsWithLineBreak(QFile &file, qint64 size)
{
    if (size == 0)
        return true;
    if (!file.seek(size - 1))
        return false;
    const QByteArray last = file.read(1);
    return last == "\n" || last == "\r";
}

// Looks, under the lock, at what reached the file: exactly the bytes written, right after what
// was there. On a share whose locks do nothing another copy may have written at the same
// place or in the same moment. A file that cannot be read is judged by its size alone.
bool writtenAsMeant(QFile &file, qint64 sizeBefore, const QByteArray &bytes, bool readable)
{
    forgetCachedData(file);
    if (currentSize(file) != sizeBefore + bytes.size())
        return false;
    return !readable || (file.seek(sizeBefore) && file.read(bytes.size()) == bytes);
}

} // namespace

QString unconfirmedMessage(const QString &path)
{
    return problemText(ProblemId::RecordsUnconfirmed, path);
}

QString systemErrorText(int error)
{
    for (const SystemErrorPhrase &phrase : SystemErrorPhrases)
        if (phrase.error == error)
            return problemText(phrase.text);
    return qt_error_string(error);
}

QString failureReason(const QFile &file, int error)
{
    if (error != 0 && (file.error() == QFileDevice::NoError || file.errorString() == qt_error_string(error)))
        return systemErrorText(error);
    return file.errorString();
}

std::optional<QString> appendRecord(const QString &path, const RecordEntryRecord &entry,
                                    std::chrono::milliseconds lockWait)
{
    const std::optional<QByteArray> line = recordLine(entry);
    if (!line)
        return problemText(ProblemId::RecordsUnwritableCharacters);
    QFile file;
    const OpenedFile opening = openRegularFile(file, path, Access::Append, lockWait);
    if (opening.status == OpenedFile::Status::NotRegular)
        return problemText(opening.what == NotAFile::Folder ? ProblemId::RecordsOpenFailed : ProblemId::RecordsWriteFailed,
                           path, notAFileReason(opening.what));
    if (opening.status == OpenedFile::Status::UntrustedLink)
        return problemText(ProblemId::RecordsWriteFailed, path, opening.reason);
    if (opening.status != OpenedFile::Status::Opened)
        return problemText(ProblemId::RecordsOpenFailed, path,
                           opening.error != 0 ? systemErrorText(opening.error) : opening.reason);
    const FileLock lock(file, LockMode::Exclusive, lockWait);
    if (lock.state() == FileLock::State::Busy)
        return problemText(ProblemId::RecordsBusy, path, secondsText(lockWait));
    // A file system without locks still gets the line: one appending write of a short
    // line stays whole on a local disk, and losing the pupil's result would be worse.

    // Under the lock no other copy can write between this look at the end and the write.
    // A file that can be written but not read (mode 0200) keeps its line all the same,
    // unchecked for a torn line before it.
    const qint64 sizeBefore = currentSize(file);
    QByteArray bytes = *line;
    if (opening.readable && !endsWithLineBreak(file, sizeBefore))
        bytes.prepend("\r\n");
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString reason = failureReason(file, errno);
        // Part of a line (a disk that filled up during the write) would tear the file.
        if (currentSize(file) > sizeBefore)
            file.resize(sizeBefore);
        return problemText(ProblemId::RecordsWriteFailed, path, reason);
    }
    // After a clash nothing is cut: which bytes are this copy's and which another's whole
    // line cannot be told apart, and cutting could lose the other pupil's result.
    if (!writtenAsMeant(file, sizeBefore, bytes, opening.readable)) {
        return unconfirmedMessage(path);
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return problemText(ProblemId::RecordsWriteFailed, path, failureReason(file, errno));
    return std::nullopt;
}

namespace {

QString notAFileMessage(const QString &path, NotAFile what)
{
    return problemText(ProblemId::RecordsReadFailed, path, notAFileReason(what));
}

QString readFailedMessage(const QString &path, const QString &reason)
{
    return problemText(ProblemId::RecordsReadFailed, path, reason);
}


// Reads up to n bytes into data; fewer only at the end of the file (one cut short by
// hand meanwhile). -1 on a read error.
qint64 readUpTo(QFile &file, char *data, qint64 n)
{
    qint64 got = 0;
    while (got < n) {
        const qint64 r = file.read(data + got, n - got);
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += r;
    }
    return got;
}

} // namespace

RecordsOpening openRecordsFile(QFile &file, const QString &path, std::chrono::milliseconds lockWait)
{
    const OpenedFile opened = openRegularFile(file, path);
    switch (opened.status) {
    case OpenedFile::Status::Opened:
        break;
    case OpenedFile::Status::Missing:
        return {0, true, std::nullopt};
    case OpenedFile::Status::NotRegular:
        return {0, false, notAFileMessage(path, opened.what)};
    case OpenedFile::Status::UntrustedLink:   // never for reading
    case OpenedFile::Status::Failed:
        return {0, false, problemText(ProblemId::RecordsOpenFailed, path, opened.reason)};
    }
    // Writers only add at the end, and only while they hold the exclusive lock. So the
    // size seen under the shared lock ends after a whole line, and nothing before it
    // changes later: the lock is held for this one look, never for the read, and a
    // pupil finishing meanwhile waits for no listing however large the file.
    qint64 size = 0;
    {
        const FileLock lock(file, LockMode::Shared, lockWait);
        size = file.size();
    }
    if (size > MaxRecordsFileBytes)
        return {size, false, problemText(ProblemId::RecordsTooLarge, path)};
    return {size, false, std::nullopt};
}

RecordsFileBytes readRecordsFile(const QString &path, std::chrono::milliseconds lockWait)
{
    QFile file;
    const RecordsOpening snapshot = openRecordsFile(file, path, lockWait);
    if (snapshot.missing || snapshot.fault)
        return {{}, snapshot.fault};
    QByteArray bytes(qsizetype(snapshot.size), Qt::Uninitialized);
    const qint64 got = readUpTo(file, bytes.data(), snapshot.size);
    if (got < 0)
        return {{}, readFailedMessage(path, file.errorString())};
    bytes.truncate(qsizetype(got));
    return {std::move(bytes), std::nullopt};
}

RecordsScan scanRecordsFile(const QString &path, const std::function<void(const RecordEntryRecord &)> &onRecord,
                            std::chrono::milliseconds lockWait, qsizetype pieceBytes)
{
    QFile file;
    const RecordsOpening snapshot = openRecordsFile(file, path, lockWait);
    if (snapshot.missing || snapshot.fault)
        return {{}, snapshot.fault};
    return scanOpenRecords(file, snapshot.size, path,
                           [&](const RecordEntryRecord &entry, qint64, qint64) { onRecord(entry); }, pieceBytes);
}

namespace {

qsizetype lineBreakIn(QByteArrayView bytes)
{
    const qsizetype lf = bytes.indexOf('\n');
    const qsizetype cr = bytes.first(lf < 0 ? bytes.size() : lf).indexOf('\r');
    return cr >= 0 ? cr : lf;
}

} // namespace

RecordsScan scanOpenRecords(QFile &file, qint64 size, const QString &path,
                            const std::function<void(const RecordEntryRecord &, qint64, qint64)> &onRecord,
                            qsizetype pieceBytes)
{
    // A piece is read whole before its records are; a record is only taken from a piece
    // when it cannot depend on what follows the piece. Records starting in the last
    // Margin bytes go to the next piece, which begins at a line start.
    constexpr qsizetype Margin = 64 * 1024;
    static_assert(Margin > 3 * (MaxFieldBytes + 2));
    const qsizetype Piece = qMax(pieceBytes, 2 * Margin);

    RecordReader reader({});
    QByteArray buffer;    // one allocation, reused for every piece
    qsizetype filled = 0;
    qint64 base = 0;      // where the piece starts in the file
    int line = 1;         // the line the piece starts at
    qsizetype want = Piece;
    bool inOverlongLine = false;   // dropping the rest of a line longer than two pieces
    bool dropLineFeed = false;     // the line dropped ended in CR at a piece's end
    std::vector<std::tuple<RecordEntryRecord, qint64, qint64>> pending;   // read since the last line start
    RecordEntryRecord entry;
    UnicodeForm form = UnicodeForm::None;
    for (;;) {
        const qsizetype add = qsizetype(qMin<qint64>(want - filled, size - base - filled));
        if (buffer.size() < filled + add)
            buffer.resize(filled + add);
        const qint64 got = readUpTo(file, buffer.data() + filled, add);
        if (got < 0)
            return {reader.problems(), readFailedMessage(path, file.errorString())};
        filled += qsizetype(got);
        if (got < add)   // cut short meanwhile: what there is, is the file
            size = base + filled;
        if (dropLineFeed && filled > 0) {
            dropLineFeed = false;
            if (buffer[0] == '\n') {
                std::memmove(buffer.data(), buffer.constData() + 1, size_t(filled - 1));
                --filled;
                ++base;
            }
        }
        if (inOverlongLine) {
            // No record can lie in such a line: its bytes are passed over, not kept.
            const qsizetype end = lineBreakIn(QByteArrayView(buffer.constData(), filled));
            const bool last = base + filled >= size;
            if (end < 0 && !last) {
                // A hole in the file holds no line break: it is passed over unread.
                base = qMin(size, qMax(base + filled, nextData(file, base + filled)));
                filled = 0;
                if (!file.seek(base))
                    return {reader.problems(), readFailedMessage(path, file.errorString())};
                continue;
            }
            qsizetype next = end < 0 ? filled : end + 1;
            if (end >= 0 && buffer[end] == '\r') {
                if (next < filled && buffer[next] == '\n')
                    ++next;
                else if (next == filled)
                    dropLineFeed = true;
            }
            std::memmove(buffer.data(), buffer.constData() + next, size_t(filled - next));
            filled -= next;
            base += next;
            ++line;
            inOverlongLine = false;
            if (filled == 0 && base < size)
                continue;
        }
        const QByteArrayView window(buffer.constData(), filled);
        const bool last = base + window.size() >= size;
        if (base == 0)
            form = detectUnicodeForm(window, !last);

        reader.continueOn(window, line);
        qsizetype cut = 0;   // the last line start with every record before it taken
        int cutLine = line;
        pending.clear();
        for (;;) {
            if (!last && reader.atLineStart() && reader.offset() > window.size() - Margin)
                break;
            // One record read or skipped at a time: lines of damaged records are cut off
            // the piece as those of valid ones are, so that a file of nothing else is
            // still read a piece at a time.
            const std::optional<bool> read = reader.step(entry);
            // A record that ran into the piece's end may go on in the next piece.
            if (!last && (!read || reader.offset() >= window.size())) {
                reader.forgetProblemsFrom(cutLine);
                break;
            }
            if (!read)
                break;
            if (*read)
                pending.emplace_back(entry, base + reader.recordStart(), base + reader.offset());
            if (reader.atLineStart()) {
                for (const auto &[record, start, end] : pending)
                    onRecord(record, start, end);
                pending.clear();
                cut = reader.offset();
                cutLine = reader.line();
            }
        }
        if (last) {
            for (const auto &[record, start, end] : pending)
                onRecord(record, start, end);
            return {reader.problems(), std::nullopt, form};
        }
        if (cut > 0) {
            std::memmove(buffer.data(), buffer.constData() + cut, size_t(filled - cut));
            filled -= cut;
            base += cut;
            line = cutLine;
            want = Piece;
        } else if (window.size() >= 2 * Piece && lineBreakIn(window) < 0) {
            // One line of more than two pieces: the field reader refuses any field that long,
            // so the line is skipped as damaged without being held whole.
            reader.noteOverlongLine(line);
            inOverlongLine = true;
            base += filled;
            filled = 0;
            want = Piece;
        } else {
            want = window.size() * 2;   // not one whole line in the piece: a larger one
        }
    }
}

RecordReader::RecordReader(QByteArrayView bytes) : bytes_(bytes), reader_(bytes)
{
}

namespace {

// Where a field read by the field reader from `at` ends: at the comma or line break after
// it. Nullopt for what the quick look leaves to the field reader: a quoted field, one too
// long, or the end of the bytes.
struct PlainField {
    qsizetype start;      // after the spaces in front
    qsizetype end;
};
std::optional<PlainField> plainField(QByteArrayView bytes, qsizetype at)
{
    while (at < bytes.size() && bytes[at] == ' ')
        ++at;
    if (at >= bytes.size() || bytes[at] == '"')
        return std::nullopt;
    qsizetype end = at;
    while (end < bytes.size() && bytes[end] != ',' && bytes[end] != '\n' && bytes[end] != '\r')
        ++end;
    if (end - at > MaxFieldBytes || end >= bytes.size())
        return std::nullopt;
    return PlainField{at, end};
}

// The grade field as readInt takes it.
bool plainGrade(QByteArrayView raw)
{
    raw = raw.trimmed();
    if (raw.isEmpty())
        return true;
    const bool negative = raw.front() == '-';
    const QByteArrayView digits = negative ? raw.sliced(1) : raw;
    if (digits.isEmpty())
        return false;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = qMin(value * 10 + (c - '0'), 1 << 20);
    }
    return negative ? value <= 32768 : value <= 32767;
}

// Where the line starting at `from` ends: at its line break or at the end of the bytes.
qsizetype lineEnd(QByteArrayView bytes, qsizetype from)
{
    const qsizetype end = lineBreakIn(bytes.sliced(from));
    return end < 0 ? bytes.size() : from + end;
}

} // namespace

// The field reader reports a damaged record by throwing, which costs a thousand times
// more than reading a record. Once no more problems are kept, a record of three plain
// fields whose grade is no number is recognised here and passed over as the field
// reader would: reading goes on at the grade's line when that lies below the record's
// start, at the next line otherwise.
bool RecordReader::skipPlainlyDamaged(const FieldInfo &start)
{
    qsizetype at = reader_.offset();
    int line = start.line;
    qsizetype lineOffset = start.lineOffset;
    PlainField field{};
    for (int i = 0; i < 3; ++i) {
        const std::optional<PlainField> next = plainField(bytes_, at);
        if (!next)
            return false;
        field = *next;
        if (i == 2)
            break;
        at = field.end + 1;
        if (bytes_[field.end] != ',') {
            if (bytes_[field.end] == '\r' && at < bytes_.size() && bytes_[at] == '\n')
                ++at;
            ++line;
            lineOffset = at;
        }
    }
    if (plainGrade(bytes_.sliced(field.start, field.end - field.start)))
        return false;
    if (line > start.line) {
        reader_.restartLine(FieldInfo{line, 1, false, false, lineOffset});
    } else {
        reader_.restartLine(start);
        reader_.skipLine();
    }
    return true;
}

bool RecordReader::next(RecordEntryRecord &entry)
{
    for (;;) {
        const std::optional<bool> read = step(entry);
        if (!read || *read)
            return read.has_value();
    }
}

std::optional<bool> RecordReader::step(RecordEntryRecord &entry)
{
    if (atEnd())
        return std::nullopt;
    recordStart_ = reader_.offset();
    const int line = reader_.line();
    const FieldInfo start{line, 1, false, false, reader_.offset() - (reader_.column() - 1)};
    if (problems_.size() > MaxRecordProblems && skipPlainlyDamaged(start))
        return false;
    try {
        entry = readRecord(reader_);
        return true;
    } catch (const QuizError &error) {
        // Read on at the bad field's line when it lies below, since a record torn on an
        // earlier line leaves the next one whole there; otherwise at the line after the
        // record's start (a quote that is never closed runs to the end of the bytes).
        const FieldInfo bad = reader_.lastField();
        reader_.restartLine(bad.line > line ? bad : start);
        if (bad.line <= line)
            reader_.skipLine();
        // Only running out of fields is a torn last record; a bad grade there is a bad grade.
        if (error.problem().id == ProblemId::FileEndsInsideRecord && atEnd()) {
            note(problemAt(line, 1, ProblemId::LastRecordTorn));
            return std::nullopt;
        }
        // A line with too few fields lends the next line's first field to its record: the
        // fault is the end of the cut line, not that intact line.
        if (bad.line > line && bad.column == 1) {
            note(problemAt(line, int(lineEnd(bytes_, start.lineOffset) - start.lineOffset) + 1,
                           ProblemId::RecordSkipped, problemText(ProblemId::RecordLineCut), line));
            return false;
        }
        note(problemAt(error.problem().line, error.problem().column, ProblemId::RecordSkipped,
                       error.problem().message, line));
        return false;
    }
}

// A damaged file can hold a problem on every line; a few are enough to show.
void RecordReader::note(FileProblem problem)
{
    if (problems_.size() < MaxRecordProblems) {
        problems_.push_back(std::move(problem));
    } else if (problems_.size() == MaxRecordProblems) {
        problems_.push_back(problemAt(problem.line, problem.column, ProblemId::MoreDamagedRecords));
    }
}

const std::vector<FileProblem> &RecordReader::problems() const
{
    return problems_;
}

void RecordReader::continueOn(QByteArrayView bytes, int line)
{
    bytes_ = bytes;
    reader_ = FieldReader(bytes);
    reader_.restartLine(FieldInfo{line, 1, false, false, 0});
    recordStart_ = 0;
}

void RecordReader::noteOverlongLine(int line)
{
    note(problemAt(line, 1, ProblemId::RecordSkipped, problemText(ProblemId::FieldTooLong, MaxFieldBytes), line));
}

void RecordReader::forgetProblemsFrom(int line)
{
    std::erase_if(problems_, [line](const FileProblem &problem) { return problem.line >= line; });
}

qsizetype RecordReader::offset() const
{
    return reader_.offset();
}

int RecordReader::line() const
{
    return reader_.line();
}

namespace {

void updatePads(const RecordEntryRecord &entry, RowPads &pads)
{
    const qsizetype n = entry.name.size();
    if (n >= 1 && n <= 15)
        pads.name = QString(16 - n, QLatin1Char(' '));
    if (const std::optional<int> pad = topicPadFor(entry.topic))
        pads.topic = QString(*pad, QLatin1Char(' '));
}

} // namespace

std::optional<int> topicPadFor(const QString &topic, std::span<const Topic> topics)
{
    // Whichever row serves, the pad fills this topic to the column.
    const bool served = findTopic(topic, topics) || std::any_of(topics.begin(), topics.end(), [&](const Topic &row) {
        return row.pad == TopicPad::ByLength && row.name.size() == topic.size();
    });
    if (!served)
        return std::nullopt;
    return int(qMax<qsizetype>(0, TopicColumnWidth - topic.size()));
}

QString buildRecordRow(const RecordEntryRecord &entry, RowPads &pads)
{
    updatePads(entry, pads);
    return entry.name + pads.name + entry.topic + pads.topic + gradeText(entry.grade);
}
