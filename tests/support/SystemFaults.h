#pragma once

// Faults of the system made on demand, for as long as an object lives, by
// standing in for the C library's own calls in the test program: a disk
// that fails part of the way through a file, one that is nearly full. Linux
// only (SystemFaults.cpp).

#include <QString>
#include <QtGlobal>

// Reads of the file fail as a failing disk makes them fail (EIO) from the
// given offset on, in every thread and in child processes started meanwhile.
class ReadFailure
{
public:
    ReadFailure(const QString &path, qint64 offset);
    ~ReadFailure();
    Q_DISABLE_COPY_MOVE(ReadFailure)
};

// Every file system tells that only the given number of bytes is free.
class FreeSpace
{
public:
    explicit FreeSpace(qint64 bytes);
    ~FreeSpace();
    Q_DISABLE_COPY_MOVE(FreeSpace)
};
