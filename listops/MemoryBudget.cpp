#include "MemoryBudget.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace quillmark {

namespace {

// Keeps the least of the known limits; -1 stands for none known yet.
void lower(qint64 &budget, qint64 limit)
{
    limit = std::max<qint64>(limit, 0);
    budget = budget < 0 ? limit : std::min(budget, limit);
}

#ifdef Q_OS_LINUX

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The number in a file such as memory.max, which holds "max" where there is
// no limit; -1 then and where the file cannot be read.
qint64 numberIn(const QString &path)
{
    bool ok = false;
    const qint64 value = readSmallFile(path).trimmed().toLongLong(&ok);
    return ok ? value : -1;
}

qint64 systemAvailable()
{
    const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/meminfo")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Every control group from the process's own up to the root limits it.
qint64 controlGroupAvailable()
{
    qint64 budget = -1;
    const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/self/cgroup")).split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith("0::"))
            continue;
        QString group = QStringLiteral("/sys/fs/cgroup") + QString::fromUtf8(line.mid(3)).chopped(line.endsWith('/') ? 1 : 0);
        while (group.startsWith(QStringLiteral("/sys/fs/cgroup"))) {
            const qint64 limit = numberIn(group + QStringLiteral("/memory.max"));
            const qint64 used = numberIn(group + QStringLiteral("/memory.current"));
            if (limit >= 0 && used >= 0)
                lower(budget, limit - used);
            group.truncate(group.lastIndexOf(u'/'));
        }
    }
    return budget;
}

#endif

} // namespace

qint64 availableMemory()
{
    qint64 budget = -1;
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (::GlobalMemoryStatusEx(&status))
        lower(budget, qint64(std::min(status.ullAvailPhys, status.ullAvailVirtual)));
#else
#ifdef Q_OS_LINUX
    if (const qint64 system = systemAvailable(); system >= 0)
        lower(budget, system);
    if (const qint64 group = controlGroupAvailable(); group >= 0)
        lower(budget, group);
#else
    lower(budget, qint64(::sysconf(_SC_AVPHYS_PAGES)) * ::sysconf(_SC_PAGESIZE));
#endif
    rlimit addressSpace = {};
    if (::getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY) {
        // What the process has mapped already counts against the limit.
        qint64 mapped = 0;
#ifdef Q_OS_LINUX
        mapped = readSmallFile(QStringLiteral("/proc/self/statm")).split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
#endif
        lower(budget, qint64(addressSpace.rlim_cur) - mapped);
    }
#endif
    return budget;
}

} // namespace quillmark
