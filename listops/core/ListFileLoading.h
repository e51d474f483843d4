#pragma once

#include "CompactText.h"
#include "FileFailure.h"

#include <QList>
#include <QString>

#include <functional>

namespace quillmark {

// Reads a list file once and hands its entries to takeBlock a block at a
// time, as decodeEntries makes them of the whole file, with readListFile's
// checks and failures. A UTF-8 file is decoded as it is read, so that its
// bytes are never held whole; any other is read whole from where that
// decoding stopped on, since only all of it tells its encoding. takeBack must
// remove every entry handed over so far and give them back in order: when a
// file turns out not to be UTF-8 (they make its first bytes again), or would
// not fit after all.
FileFailure loadListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                         const std::function<void(QList<CompactText> &&)> &takeBlock,
                         const std::function<QList<CompactText>()> &takeBack);

} // namespace quillmark
