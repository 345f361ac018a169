#include "quiz/codepage.h"

#include <array>

namespace {

// Windows-1251 holds ASCII at 0x00-0x7F, the 64 letters А-я in order at 0xC0-0xFF
// (U+0410-U+044F), and these 64 characters at 0x80-0xBF. The byte 0x98 is unassigned
// and stands for U+0098, as in Qt's own converter, so that every byte reads back as it
// was. The table is kept here: opening the system's converter for it costs more than
// a megabyte of memory.
constexpr std::array<char16_t, 64> UpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};
constexpr int LetterOffset = 0x0410 - 0xC0;

constexpr std::array<char16_t, 256> makeByteTable()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = char16_t(b < 0x80 ? b : b < 0xC0 ? UpperHalf[b - 0x80] : b + LetterOffset);
    return table;
}
constexpr std::array<char16_t, 256> ByteTable = makeByteTable();

// The byte of one character; -1 when Windows-1251 has no place for it.
int byteOf(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= 0x0410 && c <= 0x044F)
        return c - LetterOffset;
    for (int i = 0; i < int(UpperHalf.size()); ++i) {
        if (UpperHalf[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString decode1251(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(ByteTable[uchar(bytes[i])]);
    return text;
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
