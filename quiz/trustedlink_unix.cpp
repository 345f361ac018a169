#include "quiz/trustedlink.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

int openUninterrupted(const char *name, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(name, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

QByteArray folderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : name.first(slash);
}

namespace {

// How many links in a row are followed, as the kernel's own limit for a path.
constexpr int MaxLinks = 40;

bool trustedLink(const struct stat &link, const QByteArray &folder)
{
    struct stat owner = {};
    if (::stat(folder.constData(), &owner) != 0)
        return false;
    return link.st_uid == ::geteuid() || link.st_uid == owner.st_uid || link.st_uid == 0;
}

// The target of the link under name, read from the link itself (opened without following
// it), so that what is judged and what is followed are one and the same link.
// Empty with errno when it cannot be read; untrusted when the link is not to be followed.
QByteArray trustedTarget(const QByteArray &name, bool &untrusted)
{
    const int link = openUninterrupted(name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (link < 0)
        return {};
    struct stat info = {};
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    ssize_t length = -1;
    if (::fstat(link, &info) == 0 && S_ISLNK(info.st_mode)) {
        untrusted = !trustedLink(info, folderOf(name));
        // The system call itself: the C library's wrapper is one a hardened build wants
        // fortified, which it cannot be for a buffer whose size only the run knows.
        if (!untrusted)
            length = ::syscall(SYS_readlinkat, link, "", target.data(), size_t(target.size()));
    } else {
        errno = ELOOP;   // a folder of the path that loops
    }
    const int error = errno;
    ::close(link);
    errno = untrusted ? EACCES : error;
    if (length <= 0 || length >= target.size())
        return {};
    target.truncate(length);
    return target.startsWith('/') ? target : folderOf(name) + '/' + target;
}

} // namespace

int openFollowingTrustedLinks(const QByteArray &name, int flags, mode_t mode, QByteArray &opened, bool &untrusted)
{
    untrusted = false;
    opened = name;
    for (int links = 0; links <= MaxLinks; ++links) {
        const int fd = openUninterrupted(opened.constData(), flags | O_NOFOLLOW, mode);
        // O_NOFOLLOW fails with ELOOP exactly when the name's last part is a link.
        if (fd >= 0 || errno != ELOOP)
            return fd;
        const QByteArray target = trustedTarget(opened, untrusted);
        if (target.isEmpty())
            return -1;
        opened = target;
    }
    errno = ELOOP;
    return -1;
}
