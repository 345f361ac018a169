#pragma once
// Saving a file whole: afterwards the file holds either all of the new bytes or,
// when anything failed, exactly what it held before. The previous file is kept
// beside it as FILE.bak.

#include <QByteArray>
#include <QString>
#include <optional>

// nullopt when saved; otherwise the sentence for the teacher (nothing was changed).
std::optional<QString> saveWhole(const QString &path, const QByteArray &bytes);
