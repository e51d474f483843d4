#include "MemoryBudget.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quillmark {

namespace {

// Keeps the least of the known limits; -1 stands for none known yet.
void lower(qint64 &budget, qint64 limit)
{
    limit = std::max<qint64>(limit, 0);
    budget = budget < 0 ? limit : std::min(budget, limit);
}

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

// A "name value" line of a file such as /proc/meminfo or memory.stat; -1
// where there is none.
qint64 fieldIn(const QString &path, const QByteArray &name)
{
    const QList<QByteArray> lines = readSmallFile(path).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && (words[0] == name || words[0] == name + ':'))
            return words[1].toLongLong();
    }
    return -1;
}

qint64 systemAvailable()
{
    const qint64 kibibytes = fieldIn(QStringLiteral("/proc/meminfo"), "MemAvailable");
    return kibibytes < 0 ? -1 : kibibytes * 1024;
}

// Where a control group hierarchy keeps a group's limit and usage. Usage
// counts the file cache too, of which the inactive part is given back on
// demand, as the system's own available memory counts it.
struct Hierarchy {
    QString root;
    QString limit;
    QString usage;
    QByteArray inactiveCache;
};

// Each control group from the process's own up to the root of its hierarchy
// limits it: "0::/path" names it in the unified hierarchy, a line naming the
// memory controller ("4:memory:/path") in the older one of its own.
qint64 controlGroupAvailable()
{
    const Hierarchy unified{QStringLiteral("/sys/fs/cgroup"), QStringLiteral("/memory.max"),
                            QStringLiteral("/memory.current"), "inactive_file"};
    const Hierarchy memoryOnly{QStringLiteral("/sys/fs/cgroup/memory"), QStringLiteral("/memory.limit_in_bytes"),
                               QStringLiteral("/memory.usage_in_bytes"), "total_inactive_file"};
    qint64 budget = -1;
    const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/self/cgroup")).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() < 3)
            continue;
        const bool isUnified = fields[0] == "0" && fields[1].isEmpty();
        if (!isUnified && !fields[1].split(',').contains("memory"))
            continue;
        const Hierarchy &hierarchy = isUnified ? unified : memoryOnly;
        QString group = hierarchy.root + QString::fromUtf8(line.mid(fields[0].size() + fields[1].size() + 2));
        if (group.endsWith(u'/'))
            group.chop(1);
        for (;;) {
            const qint64 limit = numberIn(group + hierarchy.limit);
            const qint64 used = numberIn(group + hierarchy.usage);
            const qint64 reclaimable = fieldIn(group + QStringLiteral("/memory.stat"), hierarchy.inactiveCache);
            if (limit >= 0 && used >= 0)
                lower(budget, limit - used + std::max<qint64>(reclaimable, 0));
            if (group.size() <= hierarchy.root.size())
                break;
            group.truncate(group.lastIndexOf(u'/'));
        }
    }
    return budget;
}

} // namespace

qint64 availableMemory()
{
    qint64 budget = -1;
    if (const qint64 system = systemAvailable(); system >= 0)
        lower(budget, system);
    if (const qint64 group = controlGroupAvailable(); group >= 0)
        lower(budget, group);
    rlimit addressSpace = {};
    if (::getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY) {
        // What the process has mapped already counts against the limit.
        const qint64 mapped = readSmallFile(QStringLiteral("/proc/self/statm")).split(' ').value(0).toLongLong()
                * ::sysconf(_SC_PAGESIZE);
        lower(budget, qint64(addressSpace.rlim_cur) - mapped);
    }
    return budget;
}

void releaseFreedMemory()
{
    // musl's allocator cannot be asked.
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace quillmark
