#pragma once

#include <QtGlobal>

// What the system tells of its memory: MemoryBudget_linux.cpp and
// MemoryBudget_win.cpp.
namespace quillmark {

// The bytes this process may still allocate before the system refuses it or
// kills it: the least of the memory the system has available, what the
// process's control group still allows, and what its address-space limit
// leaves. -1 where none of them can be told.
qint64 availableMemory();

// Hands memory that the process has freed but its allocator still keeps back
// to the system; where the allocator cannot be asked, this does nothing.
void releaseFreedMemory();

} // namespace quillmark
