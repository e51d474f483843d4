#pragma once

#include <QtGlobal>

// The process's peak resident memory, read from the kernel.
namespace PeakMemory {

// Starts a new peak at the current resident size. Returns false where the
// system does not allow it; peaks then count from the start of the process.
bool reset();

// Peak resident bytes since the last reset (or the start of the process).
qint64 bytes();

// Resident bytes now.
qint64 currentBytes();

} // namespace PeakMemory
