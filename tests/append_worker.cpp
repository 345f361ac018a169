// A stand-in for one copy of the program, started by the concurrency and fault tests.
//   append_worker append FILE WORKER COUNT   waits for a line on stdin, then appends COUNT
//                                            records named "Ученик<WORKER>-<k>", one each 0.2 ms
//   append_worker append FILE WORKER COUNT keep-going
//                                            the same, but goes on after a record that was
//                                            not saved and says "unsaved <k>: <message>"
//   append_worker once FILE                  appends "Ученик,Наводнения, 4" and prints "saved"
//                                            or the message the pupil would read
//   append_worker hold FILE                  takes the exclusive lock, says "locked" and
//                                            keeps it until stdin closes or it is killed
//   append_worker hold-shared FILE [MS]      the same with the shared lock a listing takes; with
//                                            MS, lets go by itself after MS milliseconds, saying
//                                            first "size <bytes>": what the file held meanwhile
//   append_worker list FILE                  lists FILE again and again, as the records window
//                                            does, saying "listing" after the first, until stdin closes

#include "quiz/regularfile.h"
#include "records/filelock.h"
#include "records/recordsfile.h"
#include "topics/catalogue.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

int appendMany(const QString &path, int worker, int count, bool keepGoing)
{
    std::string go;
    std::getline(std::cin, go);   // all copies start together
    for (int k = 0; k < count; ++k) {
        const RecordEntryRecord entry{QStringLiteral("Ученик%1-%2").arg(worker).arg(k),
                                      topicCatalogue()[std::size_t(k) % topicCatalogue().size()].name, qint16(2 + k % 4)};
        if (const std::optional<QString> fault = appendRecord(path, entry)) {
            if (!keepGoing) {
                std::fprintf(stderr, "record %d: %s\n", k, qPrintable(*fault));
                return 1;
            }
            std::printf("unsaved %d: %s\n", k, qPrintable(*fault));
        }
        // A breath between records, as between pupils: the other copies and the reader get
        // their turns instead of watching one copy write all its lines at once.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return 0;
}

int appendOnce(const QString &path)
{
    const std::optional<QString> fault =
        appendRecord(path, {QStringLiteral("Ученик"), QStringLiteral("Наводнения"), 4});
    std::printf("%s\n", fault ? qPrintable(*fault) : "saved");
    return 0;
}

int holdLock(const QString &path, LockMode mode, int holdMs)
{
    QFile file;
    if (openRegularFile(file, path, mode == LockMode::Shared ? Access::Read : Access::Append).status
        != OpenedFile::Status::Opened) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }
    const FileLock lock(file, mode, RecordsLockWait);
    if (lock.state() != FileLock::State::Held) {
        std::fprintf(stderr, "cannot lock %s\n", qPrintable(path));
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    if (holdMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        std::printf("size %lld\n", static_cast<long long>(QFile(path).size()));
        std::fflush(stdout);
        return 0;
    }
    std::string rest;
    while (std::getline(std::cin, rest)) {
    }
    return 0;
}

int listAgain(const QString &path)
{
    bool said = false;
    std::thread stop([] {
        std::string rest;
        while (std::getline(std::cin, rest)) {
        }
        std::_Exit(0);
    });
    for (;;) {
        if (readRecordsFile(path).fault) {
            std::fprintf(stderr, "cannot list %s\n", qPrintable(path));
            std::_Exit(1);
        }
        if (!said) {
            std::printf("listing\n");
            std::fflush(stdout);
            said = true;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string last = argv[argc - 1];
    if (mode == "append" && (argc == 5 || (argc == 6 && last == "keep-going")))
        return appendMany(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argc == 6);
    if (mode == "once" && argc == 3)
        return appendOnce(QString::fromLocal8Bit(argv[2]));
    if (mode == "hold" && argc == 3)
        return holdLock(QString::fromLocal8Bit(argv[2]), LockMode::Exclusive, 0);
    if (mode == "hold-shared" && (argc == 3 || argc == 4))
        return holdLock(QString::fromLocal8Bit(argv[2]), LockMode::Shared, argc == 4 ? std::atoi(argv[3]) : 0);
    if (mode == "list" && argc == 3)
        return listAgain(QString::fromLocal8Bit(argv[2]));
    std::fprintf(stderr, "usage: append_worker append FILE WORKER COUNT [keep-going] | once FILE | hold FILE"
                         " | hold-shared FILE [MS] | list FILE\n");
    return 2;
}
