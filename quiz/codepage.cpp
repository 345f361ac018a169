#include "quiz/codepage.h"

#include <array>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

using ByteTable = std::array<char16_t, 256>;
inline constexpr char16_t NoCharacter = 0xFFFF;

// The character of one byte as the system's converter reads it, or NoCharacter.
// On Windows that is the system's own code page 1251, present on every installation;
// Qt has no converter for it there unless it is built with ICU. Elsewhere it is the
// C library's iconv: Qt's converter would bring in the ICU data, more than a megabyte
// of memory for 256 characters.
#ifdef Q_OS_WIN
ByteTable decodeEveryByte()
{
    ByteTable table;
    table.fill(NoCharacter);
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        wchar_t wide = 0;
        if (MultiByteToWideChar(1251, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1)
            table[b] = char16_t(wide);
    }
    return table;
}
#else
ByteTable decodeEveryByte()
{
    ByteTable table;
    table.fill(NoCharacter);
    const iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1251");
    if (cd == iconv_t(-1))
        return table;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        unsigned char out[4] = {};
        char *inPtr = &in;
        char *outPtr = reinterpret_cast<char *>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1) && outLeft == 2)
            table[b] = char16_t(out[0] | out[1] << 8);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return table;
}
#endif

// Filled once from the converter: a records file of a million lines then decodes
// without a converter call per field. A byte the code page leaves unassigned (0x98)
// reads as the control character of the same number, so that every byte of a file
// reads back as it was written.
const ByteTable &byteTable()
{
    static const ByteTable table = [] {
        ByteTable t = decodeEveryByte();
        for (int b = 0; b < 256; ++b) {
            if (t[b] == NoCharacter)
                t[b] = char16_t(b);
        }
        return t;
    }();
    return table;
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
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = byteOf(text[i].unicode());
        if (b < 0)
            return std::nullopt;
        bytes[i] = char(b);
    }
    return bytes;
}
