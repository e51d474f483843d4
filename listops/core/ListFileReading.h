#pragma once

#include "FileFailure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace quillmark {

struct ListFileContent {
    QByteArray bytes;
    // None when the whole file was read. A file that cannot be opened or
    // would not fit in memory yields no bytes; one that fails part of the way
    // (ReadPartWay) yields the bytes read until then.
    FileFailure failure;
};

// Reads a list file whole, unless the list it makes would not fit in the
// given number of bytes of memory (the budget; -1 for no limit), each line
// costing its list item's bytesPerItem besides its text: a file of known size
// is measured before it is read, and a device or a file of unknown size
// (endless, like /dev/zero, or sized 0, like those of /proc) is read only
// until it ends or its cost reaches the budget. A pipe or socket is refused
// at once rather than waited on.
ListFileContent readListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem);

// How reading a list file a run of lines at a time ended.
struct ListFileLines {
    // None when the whole file was read.
    FileFailure failure;
    // Whether the lines handed over are to stay: all of them, or those before
    // a read error part of the way. None are when the file would not fit.
    bool keepsLines = true;
    // Whether takeLines refused a run of lines. That run and the rest of the
    // file are then read on whole, with the same checks, into rest: the file
    // is read once, whatever it turns out to be.
    bool refused = false;
    QByteArray rest = {};
    // Whether takeLines asked to stop; nothing else is then told.
    bool stopped = false;
};

// What takeLines did with a run of lines.
enum class LinesTaken { Taken, Refused, Stop };

// Reads a list file as readListFile does, with the same checks and failures,
// but hands its bytes to takeLines as they come, a run of whole lines of about
// a megabyte at a time (only the file's last line may lack its line feed), so
// that the file is never held whole, as long as takeLines takes them.
ListFileLines readListFileLines(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                                const std::function<LinesTaken(QByteArrayView)> &takeLines);

} // namespace quillmark
