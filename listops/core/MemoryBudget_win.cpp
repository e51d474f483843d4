#include "MemoryBudget.h"

#include <qt_windows.h>

#include <algorithm>

namespace quillmark {

qint64 availableMemory()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status))
        return -1;
    return qint64(std::min(status.ullAvailPhys, status.ullAvailVirtual));
}

// Windows' heap hands large freed blocks back to the system by itself, and
// has no call that would hand back the rest.
void releaseFreedMemory()
{
}

} // namespace quillmark
