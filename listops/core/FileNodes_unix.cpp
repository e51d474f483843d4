#include "FileNodes.h"

#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmark::nodes {

namespace {

Node fromStat(const struct stat &status)
{
    Node node;
    const mode_t type = status.st_mode & S_IFMT;
    node.kind = type == S_IFREG                     ? Kind::Regular
            : type == S_IFDIR                       ? Kind::Directory
            : type == S_IFLNK                       ? Kind::SymbolicLink
            : type == S_IFIFO || type == S_IFSOCK   ? Kind::PipeOrSocket
                                                    : Kind::Device;
    node.size = status.st_size;
    node.allocatedBytes = qint64(status.st_blocks) * 512;
    node.linkCount = qint64(status.st_nlink);
    node.owner = status.st_uid;
    node.group = status.st_gid;
    node.mode = status.st_mode & 07777;
    node.device = status.st_dev;
    node.inode = status.st_ino;
    return node;
}

// Hands a descriptor to the QFile, which closes it from then on.
bool adopt(QFile &file, int descriptor, QIODevice::OpenMode mode, Node *opened, QString *reason)
{
    if (descriptor < 0) {
        *reason = lastReason();
        return false;
    }
    if (opened) {
        struct stat status = {};
        if (::fstat(descriptor, &status) != 0) {
            *reason = lastReason();
            ::close(descriptor);
            return false;
        }
        *opened = fromStat(status);
    }
    if (!file.open(descriptor, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        *reason = file.errorString();
        ::close(descriptor);
        return false;
    }
    return true;
}

} // namespace

Node inspect(const QString &path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return fromStat(status);
}

QString lastReason()
{
    return qt_error_string(errno);
}

bool openForReading(QFile &file, const QString &path, Node *opened, QString *reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // A socket cannot be opened at all; what the name holds tells why.
    struct stat status = {};
    if (descriptor < 0 && opened && ::stat(name.constData(), &status) == 0)
        *opened = fromStat(status);
    return adopt(file, descriptor, QIODevice::ReadOnly, opened, reason);
}

qint64 readSome(QFile &file, char *data, qint64 size, QString *reason)
{
    // Read by itself, not through QFile, whose loop takes a terminal's end
    // of file for one more line and then fails on the read after it.
    for (;;) {
        const ssize_t got = ::read(file.handle(), data, size_t(size));
        if (got >= 0)
            return got;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR) {
            *reason = lastReason();
            return -1;
        }
    }
}

bool PendingFile::openUnnamed(bool *denied, QString *reason, bool *unsupported)
{
#ifdef O_TMPFILE
    // Where the system does not let us name the file by its descriptor, it
    // is named through the descriptor's entry in /proc, which must be there.
    static const bool descriptorsNamed = ::access("/proc/self/fd", X_OK) == 0;
    if (!descriptorsNamed) {
        *unsupported = true;
        return false;
    }
    const int descriptor = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                                  O_TMPFILE | O_WRONLY | O_CLOEXEC, purpose == New ? 0666 : 0600);
    if (descriptor < 0) {
        *unsupported = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
        *denied = errno == EACCES || errno == EPERM || errno == EROFS;
    }
    return adopt(device, descriptor, QIODevice::WriteOnly, nullptr, reason);
#else
    Q_UNUSED(denied);
    Q_UNUSED(reason);
    *unsupported = true;
    return false;
#endif
}

bool PendingFile::openNamed(bool *denied, QString *reason)
{
    if (purpose == New) {
        const int descriptor = ::open(QFile::encodeName(target).constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (!adopt(device, descriptor, QIODevice::WriteOnly, nullptr, reason))
            return false;
        visibleName = target;
        return true;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temporary = temporaryNameBeside(target);
        const int descriptor = ::open(QFile::encodeName(temporary).constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno == EEXIST)
            continue;
        *denied = descriptor < 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
        if (!adopt(device, descriptor, QIODevice::WriteOnly, nullptr, reason))
            return false;
        visibleName = temporary;
        return true;
    }
    *reason = qt_error_string(EEXIST);
    return false;
}

// The link is the moment the file appears: for a new file it is also the
// check that nothing took the name meanwhile. A replacement is linked beside
// its target first, since a link never replaces anything, and renamed over it.
PendingFile::Outcome PendingFile::nameUnnamed(QString *reason)
{
    // By the descriptor itself is the quicker way, but older systems let
    // only privileged processes use it; the descriptor's path in /proc works
    // for anyone.
    static std::atomic<bool> byDescriptor = true;
    const auto linkTo = [&](const QString &name) {
        const QByteArray to = QFile::encodeName(name);
        if (byDescriptor) {
            if (::linkat(device.handle(), "", AT_FDCWD, to.constData(), AT_EMPTY_PATH) == 0)
                return true;
            if (errno != ENOENT && errno != EPERM)
                return false;
            byDescriptor = false;
        }
        const QByteArray source = "/proc/self/fd/" + QByteArray::number(device.handle());
        return ::linkat(AT_FDCWD, source.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (purpose == New) {
        if (!linkTo(target)) {
            *reason = lastReason();
            return NameRefused;
        }
        visibleName = target;
        return closeChecked(reason) ? Committed : Failed;
    }
    for (int attempt = 0; visibleName.isEmpty(); ++attempt) {
        const QString temporary = temporaryNameBeside(target);
        if (linkTo(temporary))
            visibleName = temporary;
        else if (errno != EEXIST || attempt == 99) {
            *reason = lastReason();
            return Failed;
        }
    }
    if (!closeChecked(reason))
        return Failed;
    return replace(visibleName, target, reason) ? Committed : Failed;
}

bool openExisting(QFile &file, const QString &path, bool followLink, Node *opened, QString *reason)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    return adopt(file, descriptor, QIODevice::WriteOnly, opened, reason);
}

bool mayWrite(const QString &path, QString *reason)
{
    if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0)
        return true;
    *reason = lastReason();
    return false;
}

bool adoptOwnership(QFile &file, const Node &old)
{
    struct stat status = {};
    if (::fstat(file.handle(), &status) != 0)
        return false;
    // The owner first: changing it clears set-user-ID bits, which the mode
    // then puts back.
    if ((status.st_uid != old.owner || status.st_gid != old.group)
        && ::fchown(file.handle(), old.owner, old.group) != 0)
        return false;
    return ::fchmod(file.handle(), old.mode) == 0;
}

bool applyDefaultPermissions(QFile &file)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(file.handle(), 0666 & ~mask) == 0;
}

bool stickyFolderProtects(const QString &path, const Node &node)
{
    struct stat folder = {};
    if (::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) != 0)
        return false;
    const uid_t us = ::geteuid();
    return (folder.st_mode & S_ISVTX) && us != 0 && node.owner != us && folder.st_uid != us;
}

bool syncToDisk(QFile &file, QString *reason)
{
    // Devices and some file systems cannot sync, and say so with EINVAL:
    // there is nothing to wait for then.
    if (::fsync(file.handle()) == 0 || errno == EINVAL)
        return true;
    *reason = lastReason();
    return false;
}

bool replace(const QString &replacement, const QString &target, QString *reason)
{
    if (::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(target).constData()) != 0) {
        *reason = lastReason();
        return false;
    }
    // The new name must reach the disk too. The content is safe already, so
    // a folder that cannot be synced costs nothing worth reporting.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool syncFileSystemOf(const QString &folder, QString *reason)
{
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        *reason = lastReason();
        return false;
    }
#ifdef Q_OS_LINUX
    const bool synced = ::syncfs(descriptor) == 0;
#else
    ::sync();
    const bool synced = ::fsync(descriptor) == 0 || errno == EINVAL;
#endif
    if (!synced)
        *reason = lastReason();
    ::close(descriptor);
    return synced;
}

} // namespace quillmark::nodes
