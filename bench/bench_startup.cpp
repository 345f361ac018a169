// Start-up: from exec to the first window painted, for the floors and for the
// program, started alternately in the same way, many times.
//
//   bench_startup <label> <runs> <bare window program> <same-pixels floor> <program>
//
// The bare window runs twice: empty (the baseline) and with one line of text. The
// same-pixels floor shows the welcome window's picture, texts and buttons with no quiz
// code: the program's goal is measured against it.
// Each child runs with ZUF_BENCH_EXIT_ON_PAINT=1, prints the monotonic time of its
// first paint and ends; the clock starts just before posix_spawn. The platform
// (QT_QPA_PLATFORM, DISPLAY) comes from the environment. Prints medians, the ratios
// and the peak resident memory of each child up to that paint.

#include "bench/report.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Launch {
    double milliseconds;
    double peakMegabytes;
};

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Everything the child wrote on stdout until it closed it, or until the deadline.
std::string readUntilClosed(int fd, long long deadlineNs)
{
    std::string out;
    char buffer[256];
    for (;;) {
        const long long left = (deadlineNs - monotonicNs()) / 1000000;
        if (left <= 0)
            return out;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0)
            continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return out;
        out.append(buffer, size_t(n));
    }
}

std::optional<Launch> launchOnce(const char *program, const char *argument)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char *argv[] = {const_cast<char *>(program), const_cast<char *>(argument), nullptr};

    const long long start = monotonicNs();
    pid_t child = 0;
    const int failed = posix_spawn(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (failed != 0) {
        close(pipeFds[0]);
        std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(failed));
        return std::nullopt;
    }
    const std::string out = readUntilClosed(pipeFds[0], start + 20'000'000'000LL);
    close(pipeFds[0]);
    kill(child, SIGKILL);   // only if it never painted
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);

    long long painted = 0;
    if (std::sscanf(out.c_str(), "painted %lld", &painted) != 1) {
        std::fprintf(stderr, "%s did not report a paint\n", program);
        return std::nullopt;
    }
    return Launch{(painted - start) / 1e6, usage.ru_maxrss / 1024.0};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <label> <runs> <baseline program> <same-pixels floor> <program>\n", argv[0]);
        return 2;
    }
    const std::string label = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));
    struct Subject {
        const char *name;
        const char *program;
        const char *argument;
        std::vector<double> times, peaks;
    };
    Subject subjects[] = {{"bare window (baseline)", argv[3], nullptr, {}, {}},
                          {"bare window with one line of text", argv[3], "--text", {}, {}},
                          {"same-pixels floor", argv[4], nullptr, {}, {}},
                          {"zuf-quiz", argv[5], nullptr, {}, {}}};
    setenv("ZUF_BENCH_EXIT_ON_PAINT", "1", 1);

    // Font and shader caches, the page cache: the first starts are not what a pupil sees.
    for (int i = 0; i < 3; ++i)
        for (Subject &s : subjects)
            if (!launchOnce(s.program, s.argument))
                return 1;
    // Alternately, so that a busy moment of the machine falls on all of them alike.
    for (int i = 0; i < runs; ++i) {
        for (Subject &s : subjects) {
            const std::optional<Launch> launch = launchOnce(s.program, s.argument);
            if (!launch)
                return 1;
            s.times.push_back(launch->milliseconds);
            s.peaks.push_back(launch->peakMegabytes);
        }
    }

    report::heading("start-up, " + label + ", exec to first paint (median of " + std::to_string(runs) + ")");
    for (const Subject &s : subjects)
        report::figure(s.name, report::median(s.times), "ms",
                       "min " + report::number(*std::min_element(s.times.begin(), s.times.end()), 1));
    const auto time = [&subjects](int i) { return report::median(subjects[i].times); };
    const auto peak = [&subjects](int i) { return report::median(subjects[i].peaks); };
    report::ratio("zuf-quiz / same-pixels floor", time(3) / time(2), 1.2);
    report::ratio("zuf-quiz / bare window", time(3) / time(0));
    report::ratio("zuf-quiz / bare window with text", time(3) / time(1));
    report::ratio("same-pixels floor / bare window", time(2) / time(0));
    for (const Subject &s : subjects)
        report::figure(std::string("peak RSS, ") + s.name, report::median(s.peaks), "MB");
    report::limit("peak RSS, zuf-quiz above the floor", peak(3) - peak(2), 3, "MB");
    return 0;
}
