#pragma once

#include "CompactText.h"
#include "FileFailure.h"

#include <QList>
#include <QString>

#include <functional>

namespace quillmark {

// Reads a list file and hands its entries to takeBlock a block at a time, as
// decodeEntries makes them of the whole file, with readListFile's checks and
// failures. A UTF-8 file is decoded as it is read, so that its bytes are never
// held whole; any other is read whole, since only all of it tells its
// encoding. dropTaken must remove every entry handed over so far: when a UTF-8
// reading turns out wrong, or the file would not fit after all.
FileFailure loadListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                         const std::function<void(QList<CompactText> &&)> &takeBlock,
                         const std::function<void()> &dropTaken);

} // namespace quillmark
