#include "quiz/codepage.h"
#include "quiz/quizerror.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace {

// Windows-1251 is single-byte, so decoding byte by byte is exact. The table is
// filled once by Qt's converter: records files of a million lines decode
// without opening a converter per field.
using ByteTable = std::array<char16_t, 256>;

ByteTable makeByteTable()
{
    QStringDecoder decoder("windows-1251", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw QuizError(QStringLiteral("Кодировка Windows-1251 недоступна: программа не может читать свои файлы."));
    ByteTable table{};
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString one = decoder.decode(QByteArrayView(&byte, 1));
        table[b] = one.size() == 1 ? one.at(0).unicode() : char16_t(0xFFFD);
    }
    return table;
}

const ByteTable &byteTable()
{
    static const ByteTable table = makeByteTable();
    return table;
}

} // namespace

QString decode1251(QByteArrayView bytes)
{
    const ByteTable &table = byteTable();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(table[uchar(bytes[i])]);
    return text;
}

std::optional<QByteArray> encode1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}
