// zuf-check: checks question files and records files as the quiz reads them.
// Exit status: 0 when no file has an error, 1 when one has, 2 on bad usage or
// when the report could not be written.

#include "checker.h"
#include "console.h"
#include "fixencoding.h"
#include "quiz/problemtexts.h"
#include "shell/appearance.h"
#include "shell/textfit.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

namespace {

const char Usage[] =
    "Использование: zuf-check [--json] ФАЙЛ... [--records ФАЙЛ...]\n"
    "               zuf-check --fix-encoding ФАЙЛ...\n"
    "Проверяет файлы вопросов (qes1.ssu ... qes9.ssu) так, как их читает программа.\n"
    "Файл records.ssu и файлы после --records читаются как файлы рекордов.\n"
    "  --json          вывести результат одним документом JSON\n"
    "  --records       следующие файлы - файлы рекордов\n"
    "  --fix-encoding  перевести файлы из UTF-8, UTF-16, KOI8-R, CP866, ISO-8859-5 или\n"
    "                  Mac Cyrillic в Windows-1251 (прежний файл сохраняется как ФАЙЛ.bak)\n";

const char PressAnyKey[] = "\nНажмите любую клавишу, чтобы закрыть окно.\n";

struct Request {
    bool json = false;
    bool fixEncoding = false;
    std::vector<std::pair<QString, FileKind>> files;
};

// The report on stdout. A report that did not reach its reader (a full disk, a
// closed descriptor) must not look like a clean bill of health: the first failure
// is kept and told at the end.
struct Report {
    int error = 0;

    void print(const QByteArray &bytes)
    {
        write(bytes);
    }
    // JSON: the C1 controls U+0080 to U+009F escaped as well, as the C0 ones are, since
    // a terminal or a log viewer may take them for commands. In UTF-8 they are C2 80 to
    // C2 9F, which in a JSON document stand only inside strings.
    void printJson(const QByteArray &bytes)
    {
        qsizetype from = 0;
        for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
            const auto next = static_cast<unsigned char>(bytes[i + 1]);
            if (static_cast<unsigned char>(bytes[i]) != 0xC2 || next < 0x80 || next > 0x9F)
                continue;
            write(bytes.sliced(from, i - from));
            write("\\u00" + QByteArray::number(next, 16));
            from = i + 2;
            ++i;
        }
        write(bytes.sliced(from));
    }
    void write(const QByteArray &bytes)
    {
        const int failure = writeText(stdout, bytes);
        if (failure && !error)
            error = failure;
    }
    void printLines(const QStringList &lines)
    {
        for (const QString &line : lines)
            print((line + QLatin1Char('\n')).toUtf8());
    }
    bool finish()
    {
        if (std::fflush(stdout) != 0 && !error)
            error = errno ? errno : EIO;
        if (!error)
            return true;
        writeText(stderr, (problemText(ProblemId::ReportNotWritten, qt_error_string(error)) + u'\n').toUtf8());
        return false;
    }
};

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
            else if (argument == QLatin1String("--fix-encoding"))
                request.fixEncoding = true;
            else if (argument == QLatin1String("--"))
                optionsEnded = true;
            else
                return std::nullopt;
            continue;
        }
        request.files.emplace_back(argument, kindOf(argument, recordsFollow));
    }
    if (request.files.empty() || (request.fixEncoding && request.json))
        return std::nullopt;
    return request;
}

// A file too large for the memory at hand is a message and exit 1, never an abort.
QString outOfMemory(const QString &file)
{
    return problemText(ProblemId::OutOfMemory, file);
}

int fixEncodings(const Request &request)
{
    Report out;
    bool allOk = true;
    for (const auto &[file, kind] : request.files) {
        bool ok = false;
        try {
            out.printLines(fixEncoding(file, ok, kind == FileKind::Records));
        } catch (const std::bad_alloc &) {
            out.printLines({outOfMemory(file)});
        }
        allOk = allOk && ok;
    }
    if (!out.finish())
        return 2;
    return allOk ? 0 : 1;
}

// Fonts need a display; a machine without one (a server, a remote shell) measures
// on Qt's offscreen platform, with the same fonts. Windows always has a display.
void measureWithoutDisplay()
{
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
}

// Whether the run checks a question file, whose texts the pupil's window measures. Told
// before Qt starts, by the same reading of the arguments as the run's own.
bool checksQuestionFiles(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h")))
        return false;
    const std::optional<Request> request = parseArguments(arguments);
    return request && !request->fixEncoding
        && std::any_of(request->files.begin(), request->files.end(),
                       [](const auto &file) { return file.second == FileKind::Questions; });
}

int check(int argc, char *argv[])
{
    // Qt's notes about its own set-up are no concern of a teacher reading the report.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            writeText(stderr, (message + u'\n').toUtf8());
    });
    // Records files and conversions need no fonts: a large records file is read in
    // little memory, without a window system.
    std::unique_ptr<QCoreApplication> application;
    TextFitTest fits;
    if (checksQuestionFiles(argc, argv)) {
        measureWithoutDisplay();
        auto gui = std::make_unique<QApplication>(argc, argv);
        prepareApplication(*gui);
        fits = pupilWindowFit();
        application = std::move(gui);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
        installRussianQtTexts(*application);
    }

    const QStringList arguments = application->arguments().mid(1);
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        beginReport(true);
        Report out;
        out.print(Usage);
        return out.finish() ? 0 : 2;
    }
    const std::optional<Request> request = parseArguments(arguments);
    if (!request) {
        writeText(stderr, Usage);
        return 2;
    }
    beginReport(!request->json);
    if (request->fixEncoding)
        return fixEncodings(*request);

    // Each file's report is written as soon as it is made, a records file's while it is
    // read: a large one is never held whole.
    Report out;
    bool allOk = true;
    bool firstReport = true;
    ShownQuestions shown;
    if (request->json)
        out.print("[");
    for (const auto &[file, kind] : request->files) {
        FileReport report;
        if (request->json && !std::exchange(firstReport, false))
            out.print(",");
        try {
            if (request->json && kind == FileKind::Records) {
                report = writeRecordsJson(file, [&out](const QByteArray &bytes) { out.printJson(bytes); });
            } else {
                report = kind == FileKind::Records ? checkRecordsFile(file) : checkQuestionFile(file, fits);
                if (kind == FileKind::Questions)
                    noteSharedQuestions(report, shown);
                if (request->json)
                    out.printJson(QJsonDocument(reportJson(report)).toJson(QJsonDocument::Compact));
                else
                    out.printLines(problemLines(report));
            }
        } catch (const std::bad_alloc &) {
            // A JSON document cut off in the middle is no report: the message goes alone.
            if (request->json) {
                out.finish();
                writeText(stderr, (outOfMemory(file) + u'\n').toUtf8());
                return 1;
            }
            out.printLines({outOfMemory(file)});
            allOk = false;
            continue;
        }
        allOk = allOk && report.ok();
    }
    if (request->json)
        out.print("]\n");
    if (!out.finish())
        return 2;
    return allOk ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const int status = check(argc, argv);
    // Its console closes with it: what it said stays until the reader is done.
    if (ownsConsole()) {
        writeText(stdout, PressAnyKey);
        waitForKey();
    }
    return status;
}
