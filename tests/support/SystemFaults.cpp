// The test program's own read and statvfs64 take the place of the C
// library's for every caller in it, Qt included, and hand on to those.
#undef _FORTIFY_SOURCE

#include "SystemFaults.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::atomic<bool> readFails{false};
dev_t failingDevice = 0;
ino_t failingInode = 0;
off_t failingOffset = 0;

std::atomic<qint64> freeBytes{-1};

template <typename Function>
Function *next(const char *name)
{
    return reinterpret_cast<Function *>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" ssize_t read(int descriptor, void *buffer, size_t count)
{
    static const auto real = next<ssize_t(int, void *, size_t)>("read");
    struct stat status = {};
    if (readFails && fstat(descriptor, &status) == 0 && status.st_dev == failingDevice
        && status.st_ino == failingInode) {
        const off_t at = lseek(descriptor, 0, SEEK_CUR);
        if (at >= failingOffset) {
            errno = EIO;
            return -1;
        }
        count = std::min(count, size_t(failingOffset - at));
    }
    return real(descriptor, buffer, count);
}

extern "C" int statvfs64(const char *path, struct statvfs64 *status)
{
    static const auto real = next<int(const char *, struct statvfs64 *)>("statvfs64");
    const int result = real(path, status);
    const qint64 bytes = freeBytes;
    if (result == 0 && bytes >= 0) {
        const qint64 block = status->f_frsize ? qint64(status->f_frsize) : qint64(status->f_bsize);
        status->f_bavail = status->f_bfree = fsblkcnt64_t(bytes / block);
    }
    return result;
}

ReadFailure::ReadFailure(const QString &path, qint64 offset)
{
    struct stat status = {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        qFatal("cannot find %s", qPrintable(path));
    failingDevice = status.st_dev;
    failingInode = status.st_ino;
    failingOffset = off_t(offset);
    readFails = true;
}

ReadFailure::~ReadFailure()
{
    readFails = false;
}

FreeSpace::FreeSpace(qint64 bytes)
{
    freeBytes = bytes;
}

FreeSpace::~FreeSpace()
{
    freeBytes = -1;
}
