#pragma once
// Every file the program reads or writes is single-byte Windows-1251 text.

#include <QByteArray>
#include <QString>
#include <optional>

QString decode1251(QByteArrayView bytes);
// nullopt when the text holds a character that Windows-1251 cannot hold.
std::optional<QByteArray> encode1251(const QString &text);
