#include "FileNodes.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillmark::nodes {

namespace {

// Short and fixed in length, so that it fits beside a name of the longest
// length the system allows; hidden, so that file lists do not show it in the
// moment it exists.
QString temporaryNameBeside(const QString &path)
{
    const quint64 random = QRandomGenerator::global()->generate64() >> 16;
    return QFileInfo(path).absolutePath() + QStringLiteral("/.quillmark-%1.tmp").arg(random, 12, 16, QLatin1Char('0'));
}

} // namespace

QString followLinks(const QString &path)
{
    // A bound, as the system has, for links that lead round in a circle;
    // where it is reached the open that follows reports the loop.
    QString current = path;
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymbolicLink())
            return current;
        current = info.symLinkTarget();
    }
    return path;
}

#ifndef Q_OS_WIN

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
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return adopt(file, descriptor, QIODevice::ReadOnly, opened, reason);
}

bool createNew(QFile &file, const QString &path, QString *reason)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    return adopt(file, descriptor, QIODevice::WriteOnly, nullptr, reason);
}

bool createTemporaryBeside(QFile &file, const QString &path, QString *temporaryPath, bool *denied, QString *reason)
{
    *denied = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = temporaryNameBeside(path);
        const int descriptor = ::open(QFile::encodeName(*temporaryPath).constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0 && errno == EEXIST)
            continue;
        *denied = descriptor < 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
        return adopt(file, descriptor, QIODevice::WriteOnly, nullptr, reason);
    }
    *reason = qt_error_string(EEXIST);
    return false;
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

#else // Q_OS_WIN

// Windows has no pipes in the file system's folders, no owners to keep and
// no links to split, so opening is Qt's own and most checks hold trivially.

Node inspect(const QString &path)
{
    const QFileInfo info(path);
    Node node;
    node.kind = info.isSymbolicLink() ? Kind::SymbolicLink
            : !info.exists()          ? Kind::Missing
            : info.isDir()            ? Kind::Directory
            : info.isFile()           ? Kind::Regular
                                      : Kind::Device;
    node.size = info.size();
    node.allocatedBytes = node.size;
    return node;
}

QString lastReason()
{
    return qt_error_string(int(::GetLastError()));
}

namespace {

bool openNamed(QFile &file, const QString &path, QIODevice::OpenMode mode, QString *reason)
{
    file.setFileName(path);
    if (file.open(mode | QIODevice::Unbuffered))
        return true;
    *reason = file.errorString();
    return false;
}

} // namespace

bool openForReading(QFile &file, const QString &path, Node *opened, QString *reason)
{
    *opened = inspect(path);
    return openNamed(file, path, QIODevice::ReadOnly, reason);
}

bool createNew(QFile &file, const QString &path, QString *reason)
{
    return openNamed(file, path, QIODevice::WriteOnly | QIODevice::NewOnly, reason);
}

bool createTemporaryBeside(QFile &file, const QString &path, QString *temporaryPath, bool *denied, QString *reason)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = temporaryNameBeside(path);
        if (openNamed(file, *temporaryPath, QIODevice::WriteOnly | QIODevice::NewOnly, reason))
            return true;
        if (!QFileInfo::exists(*temporaryPath))
            break;
    }
    *denied = !QFileInfo(QFileInfo(path).absolutePath()).isWritable();
    return false;
}

bool openExisting(QFile &file, const QString &path, bool, Node *opened, QString *reason)
{
    *opened = inspect(path);
    // Read and write, since write alone would truncate at once.
    return openNamed(file, path, QIODevice::ReadWrite | QIODevice::ExistingOnly, reason);
}

bool mayWrite(const QString &path, QString *reason)
{
    if (QFileInfo(path).isWritable())
        return true;
    *reason = qt_error_string(ERROR_ACCESS_DENIED);
    return false;
}

bool adoptOwnership(QFile &, const Node &)
{
    return true;
}

bool applyDefaultPermissions(QFile &)
{
    return true;
}

bool stickyFolderProtects(const QString &, const Node &)
{
    return false;
}

bool syncToDisk(QFile &file, QString *reason)
{
    if (::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(file.handle()))))
        return true;
    *reason = lastReason();
    return false;
}

bool replace(const QString &replacement, const QString &target, QString *reason)
{
    const QString from = QDir::toNativeSeparators(replacement);
    const QString to = QDir::toNativeSeparators(target);
    if (::MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()), reinterpret_cast<const wchar_t *>(to.utf16()),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *reason = lastReason();
    return false;
}

bool syncFileSystemOf(const QString &, QString *)
{
    // Flushing a whole volume needs administrator rights here; new pieces
    // are left to the system's own write-back.
    return true;
}

#endif

} // namespace quillmark::nodes
