#include "records/diskview.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

// File systems where this machine may keep a copy of the file that differs from what the
// server holds: network shares and FUSE views.
bool cachedRemotely(int fd)
{
    struct statfs info = {};
    if (::fstatfs(fd, &info) != 0)
        return true;
    constexpr unsigned long Remote[] = {
        0x6969,       // NFS
        0x517B,       // SMB
        0xFF534D42,   // CIFS
        0xFE534D42,   // SMB2
        0x65735546,   // FUSE
        0x01021997,   // 9P
        0x00C36400,   // Ceph
        0x5346414F,   // AFS
    };
    return std::find(std::begin(Remote), std::end(Remote), static_cast<unsigned long>(info.f_type))
        != std::end(Remote);
}

} // namespace

qint64 currentSize(QFile &file)
{
    // Asks a share's server, and refreshes where this machine's appends will land.
    struct statx info = {};
    if (::statx(file.handle(), "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_SIZE, &info) == 0)
        return qint64(info.stx_size);
    return file.size();
}

qint64 nextData(QFile &file, qint64 from)
{
    const off_t data = ::lseek(file.handle(), off_t(from), SEEK_DATA);
    if (data >= 0)
        return qint64(data);
    return errno == ENXIO ? qMax(from, file.size()) : from;
}

void forgetCachedData(QFile &file)
{
    const int fd = file.handle();
    if (fd < 0 || !cachedRemotely(fd))
        return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}
