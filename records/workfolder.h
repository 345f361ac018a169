#pragma once
// What the working folder will not let a pupil do, found out before a test begins rather
// than after its tenth answer.

#include <QString>
#include <optional>

// The sentence saying that no result can be written into folder, and why; nothing when a
// records line could be appended there.
std::optional<QString> resultsUnsavableNotice(const QString &folder);

// The sentence saying that folder holds none of the topics' question files; nothing when
// at least one is there.
std::optional<QString> noQuestionFilesNotice(const QString &folder);
