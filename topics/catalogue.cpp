#include "topics/catalogue.h"
#include "quiz/quizstate.h"

#include <algorithm>

std::span<const Topic> topicCatalogue()
{
    // The rows of topics/topics.tsv, turned into C++ by the build.
    static const Topic catalogue[] = {
#include "topicrows.inc"
    };
    return catalogue;
}

const Topic *findTopic(const QString &name, std::span<const Topic> topics)
{
    // The names all differ, so the order of comparison cannot matter.
    const auto found = std::find_if(topics.begin(), topics.end(), [&](const Topic &topic) { return topic.name == name; });
    return found == topics.end() ? nullptr : &*found;
}

void topicFileFor(const QString &name)
{
    if (const Topic *topic = findTopic(name))
        QuizState.questionFile = topic->file;
}
