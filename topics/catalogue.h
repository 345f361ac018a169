#pragma once
#include <QString>
#include <array>

struct Topic {
    QString name;   // display name, list entry and records field at once
    QString file;   // question file, e.g. "qes8.ssu"
};

// The nine topics in the order of the topic list (alphabetical).
const std::array<Topic, 9> &topicCatalogue();

// Sets QuizState.questionFile to the file of the topic named exactly so;
// leaves it unchanged when no topic matches.
void topicFileFor(const QString &name);
