#pragma once

#include "CompactText.h"
#include "EntryBlocks.h"
#include "ToEnd.h"

#include <QByteArray>
#include <QStringDecoder>

#include <functional>
#include <vector>

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
// The entries are handed over a block at a time in their compact form, so
// that the file is never held as text besides its entries.
void decodeEntries(const QByteArray &data, const std::function<void(QList<CompactText> &&)> &takeBlock);

// Decodes a list file in the common case, UTF-8 (or ASCII) without zero bytes,
// a run of whole lines at a time, so that the file need never be held whole:
// the entries decodeEntries makes of the whole file, handed over a block at a
// time. A line feed byte is never part of a longer UTF-8 sequence, so runs
// that are each valid UTF-8 make a valid whole.
class Utf8LineDecoder
{
public:
    explicit Utf8LineDecoder(const std::function<void(QList<CompactText> &&)> &takeBlock);

    // Decodes the next run of lines, each ending in a line feed but the last
    // of the file. False when the run shows that the file is not of that
    // kind: it must then be decoded whole, and nothing handed over counts.
    bool decode(QByteArrayView lines);

    // Hands over the last entries, at the end of the file.
    void finish() { blocks.flush(); }

    // The bytes that the entries handed over were decoded from, given back
    // in order: the start of the file, for decoding it whole once a later run
    // shows that it is not of this kind.
    QByteArray bytesOf(const QList<CompactText> &entries) const;

private:
    EntryBlocks blocks;
    QStringDecoder utf8;
    bool atStart = true;
    // Whether the file began with a byte-order mark, and for each line
    // handed over whether it ended in CR LF rather than LF alone.
    bool startsWithMark = false;
    std::vector<bool> crLfEnds;
};

// The bytes a list file holds for the entries: each in UTF-8 followed by
// CR LF, the last one included. Only when the first of them begins with
// U+FEFF is a UTF-8 byte-order mark written in front, so that it loads back
// whole, and only where the bytes start a file: startsFile is false for
// entries that continue a file written piece by piece.
QByteArray encodeEntries(const QList<CompactText> &entries, bool startsFile = true);

} // namespace quillmark
