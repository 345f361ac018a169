#include "console.h"

#include <cerrno>

void beginReport(bool)
{
}

int writeText(std::FILE *stream, QByteArrayView utf8)
{
    if (std::fwrite(utf8.data(), 1, size_t(utf8.size()), stream) == size_t(utf8.size()))
        return 0;
    return errno ? errno : EIO;
}

// A terminal stays open after the program ends.
bool ownsConsole()
{
    return false;
}

void waitForKey()
{
}
