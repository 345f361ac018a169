#include "quiz/codepage.h"

#include "quiz/codepage_system.h"

namespace {

// Filled once from the converter: a records file of a million lines then decodes
// without a converter call per field. A byte the code page leaves unassigned (0x98)
// reads as the control character of the same number, so that every byte of a file
// reads back as it was written.
ByteTable completeTable(CyrillicEncoding encoding)
{
    ByteTable table = systemByteTable(encoding);
    for (int b = 0; b < 256; ++b) {
        if (table[b] == NoCharacter)
            table[b] = char16_t(b);
    }
    return table;
}

const ByteTable &byteTable()
{
    static const ByteTable table = completeTable(CyrillicEncoding::Windows1251);
    return table;
}

QString decodeByTable(QByteArrayView bytes, const ByteTable &table)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(table[uchar(bytes[i])]);
    return text;
}

// The byte of one character; -1 when Windows-1251 has no place for it.
int byteOf(char16_t c)
{
    if (c < 0x80)
        return c;
    const ByteTable &table = byteTable();
    for (int b = 0x80; b < 256; ++b) {
        if (table[b] == c)
            return b;
    }
    return -1;
}

} // namespace

const char *iconvName(CyrillicEncoding encoding)
{
    switch (encoding) {
    case CyrillicEncoding::Koi8R: return "KOI8-R";
    case CyrillicEncoding::Cp866: return "CP866";
    case CyrillicEncoding::Iso88595: return "ISO-8859-5";
    case CyrillicEncoding::MacCyrillic: return "MACCYRILLIC";
    case CyrillicEncoding::Windows1251: break;
    }
    return "WINDOWS-1251";
}

QString decode1251(QByteArrayView bytes)
{
    return decodeByTable(bytes, byteTable());
}

QString decodeSingleByte(QByteArrayView bytes, CyrillicEncoding encoding)
{
    if (encoding == CyrillicEncoding::Windows1251)
        return decode1251(bytes);
    // Made when first asked for: most runs never meet another encoding.
    static const ByteTable tables[] = {{}, completeTable(CyrillicEncoding::Koi8R),
                                       completeTable(CyrillicEncoding::Cp866),
                                       completeTable(CyrillicEncoding::Iso88595),
                                       completeTable(CyrillicEncoding::MacCyrillic)};
    return decodeByTable(bytes, tables[int(encoding)]);
}

std::optional<QByteArray> encode1251(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = byteOf(text[i].unicode());
        if (b < 0)
            return std::nullopt;
        bytes[i] = char(b);
    }
    return bytes;
}
