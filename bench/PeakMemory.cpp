#include "PeakMemory.h"

#include <QFile>

#include <sys/resource.h>

namespace PeakMemory {

bool reset()
{
    // Linux resets the high-water mark to the current size on "5".
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

namespace {

// A field of /proc/self/status in bytes, or -1.
qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith(name))
                return line.mid(qsizetype(qstrlen(name))).trimmed().split(' ').first().toLongLong() * 1024;
        }
    }
    return -1;
}

} // namespace

qint64 bytes()
{
    const qint64 peak = statusField("VmHWM:");
    if (peak >= 0)
        return peak;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

qint64 currentBytes()
{
    return statusField("VmRSS:");
}

} // namespace PeakMemory
