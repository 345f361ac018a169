#pragma once
// How every benchmark prints: a heading, figures in aligned columns, and ratios
// against their baseline with the goal beside them.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace report {

// Peak resident memory starts again from the current value (Linux 4.0 and later).
inline void resetPeak()
{
    if (std::FILE *refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

// A figure of /proc/self/status ("VmRSS:", "VmHWM:") in megabytes; 0 where there is none.
inline double statusMegabytes(const char *field)
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double kilobytes = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, std::strlen(field)) == 0) {
            kilobytes = std::strtod(line + std::strlen(field), nullptr);
            break;
        }
    }
    std::fclose(status);
    return kilobytes / 1024.0;
}

inline std::string number(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// label padded to width characters (UTF-8: counted by characters, not bytes).
inline std::string padded(const std::string &label, size_t width = 44)
{
    size_t characters = 0;
    for (const char c : label)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return label + std::string(characters < width ? width - characters : 0, ' ');
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

inline void heading(const std::string &text)
{
    std::printf("\n== %s\n", text.c_str());
}

inline void figure(const std::string &label, double value, const char *unit, const std::string &note = {})
{
    const int decimals = value != 0 && value < 10 && value > -10 ? 2 : 1;
    std::printf("  %s %10s %-3s %s\n", padded(label).c_str(), number(value, decimals).c_str(), unit, note.c_str());
    std::fflush(stdout);
}

// value against the goal "at most goal"; no goal (0) prints the ratio alone.
inline void ratio(const std::string &label, double value, double goal = 0)
{
    std::string note;
    if (goal > 0)
        note = "goal <= " + number(goal, 2) + (value <= goal ? "  met" : "  MISSED");
    std::printf("  %s %10s x   %s\n", padded(label).c_str(), number(value, 2).c_str(), note.c_str());
    std::fflush(stdout);
}

// An absolute goal: value at most limit.
inline void limit(const std::string &label, double value, double limitValue, const char *unit)
{
    std::printf("  %s %10s %-3s goal < %s %s%s\n", padded(label).c_str(), number(value, 2).c_str(), unit,
                number(limitValue, 2).c_str(), unit, value < limitValue ? "  met" : "  MISSED");
    std::fflush(stdout);
}

} // namespace report
