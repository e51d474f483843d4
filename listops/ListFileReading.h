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
// given number of bytes of memory (the budget; -1 for no limit), each line
// costing its list item's bytesPerItem besides its text: a file of known size
// is measured before it is read, and a device or a file of unknown size
// (endless, like /dev/zero, or sized 0, like those of /proc) is read only
// until it ends or its cost reaches the budget. A pipe or socket is refused
// at once rather than waited on.
ListFileContent readListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem);

} // namespace quillmark
