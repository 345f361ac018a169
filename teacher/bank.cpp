#include "teacher/bank.h"
#include "quiz/codepage.h"
#include "quiz/problemtexts.h"
#include "quiz/regularfile.h"
#include "quiz/textencoding.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

const QString &fieldText(const QuestionRecord &record, int field)
{
    return field == 0 ? record.question : record.answers[size_t(qBound(1, field, 4) - 1)];
}

QString &fieldText(QuestionRecord &record, int field)
{
    return field == 0 ? record.question : record.answers[size_t(qBound(1, field, 4) - 1)];
}

namespace {

bool writable(QChar c)
{
    return c != u'"' && c != u'\r' && c != u'\n';
}

void appendText(QByteArray &out, const QString &text, int question, int field,
                std::vector<UnwritableCharacter> &unwritable)
{
    out += '"';
    if (const auto bytes = encode1251(text); bytes && std::all_of(text.begin(), text.end(), writable)) {
        out += *bytes;
    } else {
        for (QChar c : text) {
            const auto one = encode1251(QString(c));
            if (one && writable(c)) {
                out += *one;
            } else {
                out += '?';
                unwritable.push_back({question, field, c});
            }
        }
    }
    out += '"';
}

// A kept field as it was read. Read by the reader's rules it always can be: a quoted
// text holds no quote; a bare one no comma or line break and begins with neither a
// space nor a quote. Anything else was not read from a file and is written as 0.
QByteArray keptField(const IgnoredField &field)
{
    const auto bytes = encode1251(field.text);
    if (field.quoted && bytes && !bytes->contains('"'))
        return '"' + *bytes + '"';
    const bool bare = bytes && !bytes->startsWith(' ') && !bytes->startsWith('"')
        && std::none_of(bytes->begin(), bytes->end(), [](char c) { return c == ',' || c == '\r' || c == '\n'; });
    return !field.quoted && bare ? *bytes : QByteArray("0");
}

} // namespace

WrittenBank writeQuestionFile(const EditedBank &bank)
{
    WrittenBank written;
    QByteArray &out = written.bytes;
    out.reserve(qsizetype(bank.records.size()) * 300 + 16);
    out += QByteArray::number(bank.threshold5) + ',' + QByteArray::number(bank.threshold4) + ','
        + QByteArray::number(bank.threshold3) + ',' + keptField(bank.headerFourth) + "\r\n";
    for (size_t i = 0; i < bank.records.size(); ++i) {
        const QuestionRecord &r = bank.records[i];
        for (int field = 0; field < TextFieldsPerQuestion; ++field) {
            appendText(out, fieldText(r, field), int(i) + 1, field, written.unwritable);
            out += ',';
        }
        out += keptField(r.sixth);
        for (qint16 flag : r.correct)
            out += ',' + QByteArray::number(flag);
        out += "\r\n";
    }
    return written;
}

OpenedBank readBank(QByteArrayView bytes, const QString &file)
{
    OpenedBank opened;
    QByteArray converted;
    // UTF-8, UTF-16 and the other Cyrillic encodings are read with their letters right.
    {
        Windows1251Conversion conversion = convertToWindows1251(bytes);
        if (conversion.outcome == Windows1251Conversion::Outcome::Converted) {
            converted = std::move(conversion.bytes);
            bytes = converted;
            opened.convertedFrom = conversion.sourceName;
        } else if (conversion.refusal) {
            opened.problems.push_back(*conversion.refusal);
            opened.refused = true;
            return opened;
        }
    }
    QuestionFileContents contents = readQuestionFile(bytes, file);
    opened.bank.threshold5 = contents.threshold5;
    opened.bank.threshold4 = contents.threshold4;
    opened.bank.threshold3 = contents.threshold3;
    opened.bank.headerFourth = std::move(contents.headerFourth);
    opened.bank.records = std::move(contents.records);
    opened.problems = std::move(contents.warnings);
    if (contents.fault) {
        opened.problems.push_back(*contents.fault);
        opened.refused = true;
    }
    return opened;
}

OpenedBank openBankFile(const QString &path)
{
    const auto refuse = [](const QString &why) {
        OpenedBank opened;
        opened.refused = true;
        opened.problems.push_back(problemAt(0, 0, ProblemId::BankNotOpened, why));
        return opened;
    };
    QFile file;
    const OpenedFile status = openRegularFile(file, path);
    switch (status.status) {
    case OpenedFile::Status::Opened:
        break;
    case OpenedFile::Status::Missing:
        return refuse(problemText(ProblemId::BankMissing));
    case OpenedFile::Status::NotRegular:
        return refuse(notAFileReason(status.what));
    case OpenedFile::Status::UntrustedLink:   // only for writing; a bank is opened to read
    case OpenedFile::Status::Failed:
        return refuse(status.reason);
    }
    // One byte past the limit: a file that grows while it is read is caught too.
    const QByteArray bytes = status.size > MaxQuestionFileBytes ? QByteArray() : file.read(MaxQuestionFileBytes + 1);
    if (status.size > MaxQuestionFileBytes || bytes.size() > MaxQuestionFileBytes)
        return refuse(problemText(ProblemId::ConversionTooLarge, MaxQuestionFileBytes / (1024 * 1024)));
    if (file.error() != QFileDevice::NoError)
        return refuse(file.errorString());
    return readBank(bytes, QFileInfo(path).fileName());
}
