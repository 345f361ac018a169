#pragma once
// Text in another Cyrillic encoding, for the tests: Qt's encoder where Qt has one (built
// with ICU, as on Debian), else the program's own decoding read backwards (a Qt for
// Windows without ICU), so that the detection is tried on Windows too.

#include "quiz/codepage.h"
#include <QHash>
#include <QStringEncoder>

inline QByteArray encodeCyrillic(const QString &text, CyrillicEncoding encoding, const char *qtName)
{
    QStringEncoder encoder(qtName);
    if (encoder.isValid())
        return encoder.encode(text);
    QHash<QChar, char> byteOf;
    for (int b = 255; b >= 0; --b) {
        const char byte = char(b);
        byteOf.insert(decodeSingleByte(QByteArrayView(&byte, 1), encoding).at(0), byte);
    }
    QByteArray bytes;
    for (const QChar c : text)
        bytes += byteOf.value(c, '?');
    return bytes;
}
