#pragma once
#include <QString>
#include <span>

// How the records window finds the pad of a topic's column: by the exact name, or by
// the name's length, which also serves topics that are in no row.
enum class TopicPad { ByName, ByLength };

struct Topic {
    QString name;   // display name, list entry and records field at once
    QString file;   // question file, e.g. "qes8.ssu"
    TopicPad pad;
};

// The topics in the order of the topic list (alphabetical), as topics/topics.tsv holds them.
std::span<const Topic> topicCatalogue();

// The row of `topics` named exactly so; nullptr when none is.
const Topic *findTopic(const QString &name, std::span<const Topic> topics = topicCatalogue());

// Sets QuizState.questionFile to the file of the topic named exactly so;
// leaves it unchanged when no topic matches.
void topicFileFor(const QString &name);
