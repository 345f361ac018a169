// Windows' half of the file-opening seam. Windows has no pipes or devices under ordinary
// file names in a folder, and links there are made by administrators only; what it has is
// programs that hold a file open denying others the right to write it.
#include "quiz/regularfile.h"
#include "quiz/retrying.h"
#include "quiz/win32api.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <io.h>

namespace {

struct Handle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
};

// Another program holds the file open without sharing what is asked, or locks its bytes.
bool sharingConflict(const Handle &tried)
{
    return tried.error == ERROR_SHARING_VIOLATION || tried.error == ERROR_LOCK_VIOLATION;
}

Handle createFile(const QString &path, DWORD access, DWORD disposition, std::chrono::milliseconds sharingWait)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    return retryWhileBusy(
        sharingWait,
        [&] {
            // Shared for reading and writing, as every copy of the program opens it.
            const HANDLE handle = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
            return Handle{handle, handle == INVALID_HANDLE_VALUE ? GetLastError() : DWORD(ERROR_SUCCESS)};
        },
        sharingConflict);
}

// The system's own words for an error, in the desktop's language.
QString messageOf(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, int(length)) : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return systemReason(message);
}

OpenedFile refusal(const QString &path, DWORD error)
{
    OpenedFile refused;
    // A folder cannot be opened as a file: the system says only that access is denied.
    if (error == ERROR_ACCESS_DENIED && QFileInfo(path).isDir()) {
        refused.status = OpenedFile::Status::NotRegular;
        refused.what = NotAFile::Folder;
        return refused;
    }
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    refused.status = missing ? OpenedFile::Status::Missing : OpenedFile::Status::Failed;
    refused.reason = messageOf(error);
    return refused;
}

// Opens path for appending, creating it when it is missing, for reading too where the
// file's rights allow it.
Handle openAppending(const QString &path, std::chrono::milliseconds sharingWait, bool &readable)
{
    Handle opened = createFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, sharingWait);
    readable = opened.handle != INVALID_HANDLE_VALUE;
    if (opened.error == ERROR_ACCESS_DENIED && !QFileInfo(path).isDir())
        opened = createFile(path, GENERIC_WRITE, OPEN_ALWAYS, sharingWait);
    return opened;
}

} // namespace

std::optional<NotAFile> notAFileAt(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return std::nullopt;
    return info.isDir() ? NotAFile::Folder : NotAFile::Device;
}

OpenedFile openRegularFile(QFile &file, const QString &path, Access access, std::chrono::milliseconds sharingWait)
{
    file.close();
    bool readable = true;
    Handle opened;
    switch (access) {
    case Access::Read:
        opened = createFile(path, GENERIC_READ, OPEN_EXISTING, sharingWait);
        break;
    case Access::ReadWrite:
        opened = createFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, sharingWait);
        break;
    case Access::Append:
        opened = openAppending(path, sharingWait, readable);
        break;
    }
    if (opened.handle == INVALID_HANDLE_VALUE)
        return refusal(path, opened.error);
    // NUL, a console or a pipe: nothing written there stays, and a read may never end.
    LARGE_INTEGER size{};
    if (GetFileType(opened.handle) != FILE_TYPE_DISK || !GetFileSizeEx(opened.handle, &size)) {
        CloseHandle(opened.handle);
        return OpenedFile{OpenedFile::Status::NotRegular};
    }
    // Binary: the C runtime would otherwise turn CR LF into LF and stop at Ctrl+Z.
    const int flags = _O_BINARY | (access == Access::Read ? _O_RDONLY : 0) | (access == Access::Append ? _O_APPEND : 0);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(opened.handle), flags);
    if (fd < 0) {
        CloseHandle(opened.handle);
        return refusal(path, ERROR_TOO_MANY_OPEN_FILES);
    }
    if (!file.open(fd, openModeOf(access, readable) | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        OpenedFile refused;
        refused.reason = systemReason(file.errorString());
        return refused;
    }
    OpenedFile result{OpenedFile::Status::Opened, size.QuadPart};
    result.path = path;
    result.readable = readable;
    return result;
}
