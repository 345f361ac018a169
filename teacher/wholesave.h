#pragma once
// Saving a file whole: afterwards the file holds either all of the new bytes or,
// when anything failed, exactly what it held before. The previous file is kept
// beside it as FILE.bak.

#include <QByteArray>
#include <QString>
#include <optional>

// nullopt when saved; otherwise the sentence for the teacher (nothing was changed).
std::optional<QString> saveWhole(const QString &path, const QByteArray &bytes);

// The write itself, without the backup: through a temporary file that replaces path only
// once complete. nullopt when written; otherwise the system's reason.
std::optional<QString> writeWhole(const QString &path, const QByteArray &bytes);
