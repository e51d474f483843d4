#pragma once

#include <QByteArray>

// A large list as Save hands it to the writer, a block of entries at a time:
// what a process killed part of the way through writing it was writing.
constexpr int listBlocks = 4;

inline QByteArray listBlock(int block)
{
    QByteArray bytes;
    for (int entry = block << 16; entry < (block + 1) << 16; ++entry)
        bytes += "entry " + QByteArray::number(entry) + "\r\n";
    return bytes;
}

inline QByteArray wholeList()
{
    QByteArray bytes;
    for (int block = 0; block < listBlocks; ++block)
        bytes += listBlock(block);
    return bytes;
}
