#pragma once

#include "CompactText.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace quillmark {

// Turns the bytes of a list file into its entries, one per line.
//
// A byte-order mark selects UTF-8, UTF-16 or UTF-32. Without one, UTF-16 and
// UTF-32 are told by the pattern of their zero bytes, valid UTF-8 is read as
// UTF-8, and anything else in the legacy encoding a detector guesses, where
// that reads it cleanly, or else as Windows-1252, which keeps every byte as
// one character so that it survives a later save. A line feed ends a line; a
// carriage return directly before it is part of the terminator. A final
// terminator adds no empty entry, a last line without one is still an entry.
QStringList decodeEntries(const QByteArray &data);

// The same, handed over a block of entries at a time in their compact form,
// so that the file is never held as text besides its entries.
void decodeEntries(const QByteArray &data, const std::function<void(QList<CompactText> &&)> &takeBlock);

// The bytes a list file holds for entries [first, first + count): each entry
// in UTF-8 followed by CR LF, the last one included. A count of -1 means up to
// the end of the list. Only when the first of them begins with U+FEFF is a
// UTF-8 byte-order mark written in front, so that it loads back whole, and
// only where the bytes start a file: startsFile is false for entries that
// continue a file written piece by piece.
QByteArray encodeEntries(const QStringList &entries, qsizetype first = 0, qsizetype count = -1,
                         bool startsFile = true);

} // namespace quillmark
