#include "quiz/fieldreader.h"
#include "quiz/codepage.h"
#include "quiz/problemtexts.h"

#include <limits>

namespace {

bool isLineBreak(char c) { return c == '\r' || c == '\n'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || isLineBreak(c); }

QString shown(QByteArrayView raw)
{
    constexpr qsizetype Shown = 40;
    QString text = decode1251(raw.first(qMin(raw.size(), Shown)));
    return raw.size() > Shown ? text + QStringLiteral("…") : text;
}

} // namespace

// The end is found once: looking for it before every record would scan a long run
// of blank lines again for each record.
FieldReader::FieldReader(QByteArrayView bytes) : bytes_(bytes), contentEnd_(bytes.size())
{
    while (contentEnd_ > 0 && isBlank(bytes_[contentEnd_ - 1]))
        --contentEnd_;
}

bool FieldReader::atEnd() const
{
    return pos_ >= contentEnd_;
}

int FieldReader::line() const { return line_; }
int FieldReader::column() const { return int(pos_ - lineStart_) + 1; }
qsizetype FieldReader::offset() const { return pos_; }

void FieldReader::fail(FileProblem problem) const
{
    throw QuizError(QString(), std::move(problem));
}

void FieldReader::advanceOverLineBreak()
{
    if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n')
        ++pos_;
    ++pos_;
    ++line_;
    lineStart_ = pos_;
}

void FieldReader::skipSeparator()
{
    last_.endedLine = true;
    if (pos_ >= bytes_.size())
        return;
    if (bytes_[pos_] == ',') {
        ++pos_;
        last_.endedLine = false;
    } else {
        advanceOverLineBreak();
    }
}

void FieldReader::skipLine()
{
    while (pos_ < bytes_.size() && !isLineBreak(bytes_[pos_]))
        ++pos_;
    if (pos_ < bytes_.size())
        advanceOverLineBreak();
}

void FieldReader::restartLine(const FieldInfo &field)
{
    pos_ = field.lineOffset;
    lineStart_ = field.lineOffset;
    line_ = field.line;
}

// A question file of ninety records has about 900 fields and at most two notes each;
// a records file of a million lines, which nobody asks for notes, must not pile them up.
void FieldReader::note(FileProblem problem)
{
    constexpr size_t MaxNotes = 2048;
    if (notes_.size() < MaxNotes)
        notes_.push_back(std::move(problem));
}

// Only spaces are skipped in front of a field: after a tab the quotes are part of the
// text, which pupils would see. The rule stays, as existing files rely on it.
void FieldReader::noteTabBeforeQuote(QByteArrayView raw)
{
    qsizetype i = 0;
    while (i < raw.size() && (raw[i] == '\t' || raw[i] == ' '))
        ++i;
    if (i < raw.size() && raw[i] == '"')
        note(problemAt(last_.line, last_.column, ProblemId::TabBeforeQuote));
}

bool FieldReader::restOfLineBlank() const
{
    for (qsizetype i = pos_; i < bytes_.size() && !isLineBreak(bytes_[i]); ++i) {
        if (bytes_[i] != ' ' && bytes_[i] != '\t')
            return false;
    }
    return true;
}

QByteArrayView FieldReader::readField()
{
    if (exhausted())
        fail(problemAt(line_, column(), ProblemId::FileEndsInsideRecord));
    while (pos_ < bytes_.size() && bytes_[pos_] == ' ')
        ++pos_;
    last_ = FieldInfo{line_, column(), false, false, lineStart_};

    QByteArrayView raw;
    if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
        last_.quoted = true;
        const qsizetype start = pos_ + 1;
        const qsizetype end = bytes_.sliced(start).indexOf('"');
        if (end < 0)
            fail(problemAt(last_.line, last_.column, ProblemId::QuoteNeverClosed));
        raw = bytes_.sliced(start, end);
        if (raw.contains('\n') || raw.contains('\r')) {
            // Rare: count the lines the text spans, so that later positions stay right.
            for (pos_ = start; pos_ < start + end;) {
                if (isLineBreak(bytes_[pos_]))
                    advanceOverLineBreak();
                else
                    ++pos_;
            }
            note(problemAt(last_.line, last_.column, ProblemId::QuoteOverLines));
        }
        pos_ = start + end + 1;   // after the closing quote
        const qsizetype after = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !isLineBreak(bytes_[pos_]))
            ++pos_;
        const QByteArrayView extra = bytes_.sliced(after, pos_ - after).trimmed();
        if (!extra.isEmpty())
            note(problemAt(line_, int(after - lineStart_) + 1, ProblemId::CharactersAfterQuote,
                                       shown(extra)));
    } else {
        const qsizetype start = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !isLineBreak(bytes_[pos_]))
            ++pos_;
        raw = bytes_.sliced(start, pos_ - start);
        if (raw.startsWith('\t'))
            noteTabBeforeQuote(raw);
    }
    if (raw.size() > MaxFieldBytes)
        fail(problemAt(last_.line, last_.column, ProblemId::FieldTooLong, MaxFieldBytes));
    skipSeparator();
    lastBytes_ = raw;
    return raw;
}

QString FieldReader::readText()
{
    return decode1251(readField());
}

void FieldReader::skipField()
{
    readField();
}

qint16 FieldReader::readInt()
{
    const QByteArrayView raw = readField().trimmed();
    if (raw.isEmpty())
        return 0;
    const bool negative = raw.front() == '-';
    const QByteArrayView digits = negative ? raw.sliced(1) : raw;
    bool isNumber = !digits.isEmpty();
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            isNumber = false;
            break;
        }
        value = qMin<qint64>(value * 10 + (c - '0'), qint64(1) << 20);
    }
    if (!isNumber)
        fail(problemAt(last_.line, last_.column, ProblemId::NotANumber, shown(raw)));
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        fail(problemAt(last_.line, last_.column, ProblemId::NumberOutOfRange, shown(raw)));
    return qint16(value);
}
