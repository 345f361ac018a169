// zuf-check: checks question files and records files as the quiz reads them.
// Exit status: 0 when no file has an error, 1 when one has, 2 on bad usage.

#include "checker.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <cstdio>

namespace {

const char Usage[] =
    "Использование: zuf-check [--json] ФАЙЛ... [--records ФАЙЛ...]\n"
    "Проверяет файлы вопросов (qes1.ssu ... qes9.ssu) так, как их читает программа.\n"
    "Файл records.ssu и файлы после --records читаются как файлы рекордов.\n"
    "  --json     вывести результат одним документом JSON\n"
    "  --records  следующие файлы - файлы рекордов\n";

struct Request {
    bool json = false;
    std::vector<std::pair<QString, FileKind>> files;
};

void print(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// nullopt on bad usage.
std::optional<Request> parseArguments(const QStringList &arguments)
{
    Request request;
    bool recordsFollow = false;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument.startsWith(QLatin1Char('-'))) {
            if (argument == QLatin1String("--json"))
                request.json = true;
            else if (argument == QLatin1String("--records"))
                recordsFollow = true;
            else if (argument == QLatin1String("--"))
                optionsEnded = true;
            else
                return std::nullopt;
            continue;
        }
        request.files.emplace_back(argument, kindOf(argument, recordsFollow));
    }
    if (request.files.empty())
        return std::nullopt;
    return request;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        print(stdout, Usage);
        return 0;
    }
    const std::optional<Request> request = parseArguments(arguments);
    if (!request) {
        print(stderr, Usage);
        return 2;
    }

    // Each file's report is written as soon as it is made, a records file's while it is
    // read: a large one is never held whole.
    bool allOk = true;
    bool firstReport = true;
    if (request->json)
        print(stdout, "[");
    for (const auto &[file, kind] : request->files) {
        FileReport report;
        if (!request->json) {
            report = kind == FileKind::Records ? checkRecordsFile(file) : checkQuestionFile(file);
            for (const QString &line : problemLines(report))
                print(stdout, (line + QLatin1Char('\n')).toUtf8());
        } else {
            if (!firstReport)
                print(stdout, ",");
            firstReport = false;
            if (kind == FileKind::Records) {
                report = writeRecordsJson(file, [](const QByteArray &bytes) { print(stdout, bytes); });
            } else {
                report = checkQuestionFile(file);
                print(stdout, QJsonDocument(reportJson(report)).toJson(QJsonDocument::Compact));
            }
        }
        allOk = allOk && report.ok();
    }
    if (request->json)
        print(stdout, "]\n");
    return allOk ? 0 : 1;
}
