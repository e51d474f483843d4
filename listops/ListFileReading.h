#pragma once

#include <QByteArray>
#include <QString>

namespace quillmark {

struct ListFileContent {
    QByteArray bytes;
    // The text of the "IO Error" box; empty when the whole file was read. A
    // file that cannot be opened or would not fit in memory yields no bytes;
    // one that fails part of the way yields the bytes read until then.
    QString error;
};

// Reads a list file whole, unless the list it makes would not fit in the
// given number of bytes of memory (the budget; -1 for no limit): a file of
// known size is measured before it is read, and a device or a file of unknown
// size (endless, like /dev/zero, or sized 0, like those of /proc) is read only
// until it ends or its cost reaches the budget. A pipe or socket is refused at
// once rather than waited on.
ListFileContent readListFile(const QString &fileName, qint64 memoryBudget);

// The memory that loading a file of the given bytes and lines takes at its
// peak: the bytes, their text, and one list item for each line.
qint64 loadCost(qint64 bytes, qint64 lines);

} // namespace quillmark
