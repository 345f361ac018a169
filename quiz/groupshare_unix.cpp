#include "quiz/groupshare.h"
#include "quiz/trustedlink.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file just created in a folder that its group may write is made writable by that group,
// whatever the umask took away; no class gets more than the folder gives it.
void shareWithFolderGroup(int fd, const QByteArray &folderName)
{
    struct stat file = {}, folder = {};
    if (::fstat(fd, &file) != 0 || ::stat(folderName.constData(), &folder) != 0)
        return;
    const bool groupWrites = (folder.st_mode & S_IWGRP) != 0;
    // Without the setgid bit the file gets its creator's group; a member may hand it over.
    const bool sameGroup = file.st_gid == folder.st_gid || (groupWrites && ::fchown(fd, -1, folder.st_gid) == 0);
    mode_t mode = file.st_mode & 07777 & ~mode_t(S_IWGRP | S_IWOTH);
    if (groupWrites && sameGroup)
        mode |= S_IRGRP | S_IWGRP;
    if (folder.st_mode & S_IWOTH)
        mode |= S_IROTH | S_IWOTH;
    // Whom the folder shuts out, the file does not let in either.
    mode &= ~(mode_t(S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH) & ~folder.st_mode);
    if (mode != (file.st_mode & 07777))
        ::fchmod(fd, mode);
}

} // namespace

// A pupil who opens the file the moment it appears can already write it.
int createShared(const QByteArray &name)
{
    const QByteArray folder = folderOf(name);
    const QByteArray base = name.mid(name.lastIndexOf('/') + 1);
    // Unique among the machines sharing the folder: a process number alone is not.
    const QByteArray draft = folder + "/." + base + '.' + QByteArray::number(::getpid()) + '.'
        + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".new";
    const int fd = openUninterrupted(draft.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    shareWithFolderGroup(fd, folder);
    int placed = ::link(draft.constData(), name.constData());
    if (placed != 0 && errno != EEXIST)
        placed = ::renameat2(AT_FDCWD, draft.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE);
    const int error = errno;
    ::unlink(draft.constData());
    if (placed == 0) {
        ::fcntl(fd, F_SETFL, O_APPEND);
        return fd;
    }
    ::close(fd);
    if (error == EEXIST) {
        errno = EEXIST;
        return -1;
    }
    // A file system with neither hard links nor a rename that keeps what is there: made
    // in place and widened at once.
    const int direct =
        openUninterrupted(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (direct >= 0)
        shareWithFolderGroup(direct, folder);
    return direct;
}
