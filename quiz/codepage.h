#pragma once
// Every file the program reads or writes is single-byte Windows-1251 text.

#include <QByteArray>
#include <QString>
#include <optional>

// The single-byte Cyrillic encodings a teacher's file may come in besides Windows-1251.
enum class CyrillicEncoding { Windows1251, Koi8R, Cp866, Iso88595, MacCyrillic };

// The encoding's name for iconv, the converter of POSIX systems and of the commands a
// teacher is told to run.
const char *iconvName(CyrillicEncoding encoding);

QString decode1251(QByteArrayView bytes);
// The text of bytes in one of those encodings, by the system's converter; every byte
// gives a character.
QString decodeSingleByte(QByteArrayView bytes, CyrillicEncoding encoding);
// nullopt when the text holds a character that Windows-1251 cannot hold.
std::optional<QByteArray> encode1251(const QString &text);
