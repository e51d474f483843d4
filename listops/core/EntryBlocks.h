#pragma once

#include "CompactText.h"

#include <QList>

#include <functional>
#include <utility>

namespace quillmark {

// Gathers entries into blocks for takeBlock, so that a list can take in a
// file's entries a block at a time, with one notice to its view per block.
class EntryBlocks
{
public:
    explicit EntryBlocks(std::function<void(QList<CompactText> &&)> takeBlock)
        : takeBlock(std::move(takeBlock))
    {
        block.reserve(blockSize);
    }

    void append(CompactText &&entry)
    {
        block.append(std::move(entry));
        if (block.size() == blockSize)
            flush();
    }

    // Hands over the entries gathered since the last block.
    void flush()
    {
        if (block.isEmpty())
            return;
        takeBlock(std::move(block));
        block.clear();
        block.reserve(blockSize);
    }

private:
    // Small enough to stay in the processor's cache on its way to the list.
    static constexpr qsizetype blockSize = 4096;

    std::function<void(QList<CompactText> &&)> takeBlock;
    QList<CompactText> block;
};

} // namespace quillmark
