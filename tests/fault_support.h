#pragma once
// Shared by the fault tests: a folder made read-only, a tiny disk that is full, the
// records file contents before a fault, and copies of the program run as other users.
// Linux only.
//
// As root, permission bits mean nothing, so a read-only folder is a read-only bind mount
// and a full disk a tiny tmpfs. Both are mounted inside a mount namespace of the test
// process: nothing outlives the test, even when it crashes. Where mounting is not allowed
// the immutable attribute is tried, and for other users plain mode bits.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace faults {

// Moves this process into a mount namespace of its own, once; false when not allowed.
inline bool privateMounts()
{
    static const bool done = ::unshare(CLONE_NEWNS) == 0
        && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return done;
}

// The errno of creating a file in dir: 0 when it could be created (and is removed again).
inline int createError(const QString &dir)
{
    const QByteArray probe = QFile::encodeName(dir + QStringLiteral("/.probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(probe.constData());
    return 0;
}

inline bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

// Makes a folder, and the files already in it, read-only by the first means that works.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &dir) : dir_(dir)
    {
        files_ = QDir(dir).entryList(QDir::Files | QDir::Hidden);
        const QByteArray path = QFile::encodeName(dir);
        if (privateMounts() && ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0) {
            if (::mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0
                && takeIfEffective(QStringLiteral("read-only bind mount")))
                return;
            ::umount(path.constData());
        }
        if (setImmutable(dir, true)) {
            for (const QString &file : files_)
                setImmutable(dir + u'/' + file, true);
            if (takeIfEffective(QStringLiteral("immutable attribute")))
                return;
            clearImmutable();
        }
        ::chmod(path.constData(), 0555);
        for (const QString &file : files_)
            ::chmod(QFile::encodeName(dir + u'/' + file).constData(), 0444);
        if (!takeIfEffective(QStringLiteral("mode bits")))
            restoreModes();
    }
    ~ReadOnlyFolder() { lift(); }

    // Empty when no means worked here (root without the right to mount or to set attributes).
    const QString &method() const { return method_; }
    // What opening a file for writing in the folder fails with.
    int error() const { return error_; }

    void lift()
    {
        // Detached, so that a working folder inside does not hold the mount; whoever works
        // there enters the folder again.
        if (method_ == QStringLiteral("read-only bind mount"))
            ::umount2(QFile::encodeName(dir_).constData(), MNT_DETACH);
        else if (method_ == QStringLiteral("immutable attribute"))
            clearImmutable();
        else if (method_ == QStringLiteral("mode bits"))
            restoreModes();
        method_.clear();
    }

private:
    bool takeIfEffective(const QString &method)
    {
        error_ = createError(dir_);
        if (error_ != 0)
            method_ = method;
        return error_ != 0;
    }
    void clearImmutable()
    {
        for (const QString &file : files_)
            setImmutable(dir_ + u'/' + file, false);
        setImmutable(dir_, false);
    }
    void restoreModes()
    {
        ::chmod(QFile::encodeName(dir_).constData(), 0755);
        for (const QString &file : files_)
            ::chmod(QFile::encodeName(dir_ + u'/' + file).constData(), 0644);
    }

    QString dir_;
    QStringList files_;
    QString method_;
    int error_ = 0;
};

// A tmpfs of a few pages mounted at dir (which must exist); unmounted on destruction.
class TinyDisk {
public:
    TinyDisk(const QString &dir, int kilobytes) : dir_(dir)
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0755";
        mounted_ = privateMounts()
            && ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TinyDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

    // Fills what is left with a filler file; true when the disk is then full.
    bool fill()
    {
        QFile filler(dir_ + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        return true;
    }
    void makeRoom() { QFile::remove(dir_ + QStringLiteral("/filler")); }

private:
    QString dir_;
    bool mounted_ = false;
};

// Whole records lines, exactly `size` bytes long, that end with CR LF.
inline QByteArray recordsOfSize(qsizetype size)
{
    const QByteArray line = QByteArray("Pupil,Floods, 4\r\n");
    QByteArray bytes;
    while (size - bytes.size() >= 2 * line.size())
        bytes += line;
    const qsizetype nameLength = size - bytes.size() - (line.size() - 5);
    bytes += QByteArray(nameLength, 'P') + ",Floods, 4\r\n";
    return bytes;
}

// Another user for a child process, as pupils of one lab are: a uid of its own, a group
// shared with others, and Debian's default umask unless told otherwise. Only root may
// start one; the child gets no capabilities (everything a plain user has, nothing more).
struct LabUser {
    uid_t uid;
    gid_t group;   // supplementary; 0: none
    mode_t umask = 022;
};

// Sets the process up to run program as that user; false when this process is not root.
inline bool runAs(QProcess &process, const LabUser &user)
{
    if (::geteuid() != 0)
        return false;
    process.setChildProcessModifier([user] {
        const gid_t groups[] = {user.group};
        if (::setgroups(user.group != 0 ? 1 : 0, groups) != 0 || ::setgid(user.uid) != 0 || ::setuid(user.uid) != 0)
            ::_exit(121);
        ::umask(user.umask);
    });
    return true;
}

// True when every folder above path lets other users pass (a temporary folder under a
// home of mode 0700 does not).
inline bool reachableByOthers(const QString &path)
{
    for (QDir dir(QFileInfo(path).absolutePath());; ) {
        struct stat info = {};
        if (::stat(QFile::encodeName(dir.path()).constData(), &info) != 0 || !(info.st_mode & S_IXOTH))
            return false;
        if (!dir.cdUp())
            return true;
    }
}

// A copy of program in dir that other users may run, wherever the build lies (a clone in
// root's home is closed to them); empty when it could not be made.
inline QString copyForOtherUsers(const QString &program, const QString &dir)
{
    const QString copy = dir + u'/' + QFileInfo(program).fileName();
    if (!QFile::copy(program, copy)
        || !QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::ExeOther))
        return {};
    return copy;
}

} // namespace faults
