#include "console.h"
#include "quiz/win32api.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <conio.h>
#include <io.h>

namespace {

HANDLE handleOf(std::FILE *stream)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool isConsole(std::FILE *stream)
{
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

int writeBytes(std::FILE *stream, QByteArrayView bytes)
{
    if (std::fwrite(bytes.data(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()))
        return 0;
    return errno ? errno : EIO;
}

} // namespace

void beginReport(bool markFile)
{
    if (markFile && !isConsole(stdout))
        writeBytes(stdout, "\xEF\xBB\xBF");
}

// Console text in pieces the console takes whole; what the C runtime still holds goes first.
int writeText(std::FILE *stream, QByteArrayView utf8)
{
    if (!isConsole(stream))
        return writeBytes(stream, utf8);
    std::fflush(stream);
    const std::wstring text = QString::fromUtf8(utf8).toStdWString();
    for (size_t from = 0; from < text.size();) {
        DWORD written = 0;
        const DWORD piece = DWORD(std::min<size_t>(text.size() - from, 8192));
        if (!WriteConsoleW(handleOf(stream), text.data() + from, piece, &written, nullptr) || written == 0)
            return EIO;
        from += written;
    }
    return 0;
}

// Only where a key can be read: a run whose input is redirected never waits.
bool ownsConsole()
{
    DWORD processes[2];
    return isConsole(stdout) && isConsole(stdin) && GetConsoleProcessList(processes, 2) == 1;
}

void waitForKey()
{
    _getch();
}
