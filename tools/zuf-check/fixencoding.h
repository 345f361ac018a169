#pragma once
// zuf-check --fix-encoding: a question or records file saved in another encoding is
// rewritten in place in Windows-1251.

#include <QString>
#include <QStringList>

// Converts file into Windows-1251 with CR LF, keeping the old bytes as FILE.bak (or
// .bak.2, ...); a records file's lines each from its own encoding. Refuses, changing nothing, when a character has no Windows-1251 form.
// Lines to print; ok is false when the file was not converted and needed to be.
QStringList fixEncoding(const QString &file, bool &ok, bool records = false);
