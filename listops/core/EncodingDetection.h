#pragma once

#include "LegacyEncodings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringConverter>
#include <QStringView>

#include <optional>

namespace quillmark {

// Telling how to read a file that has no byte-order mark.

// UTF-32 or UTF-16, either byte order, told by where the zero bytes fall. In
// such text nearly every unit of a character below U+0100 (line feeds, digits,
// Latin letters) has a zero high byte, while a zero low byte takes a unit that
// is a multiple of 256, which is rare; data with zero bytes at random places
// shows no such lean. Only data that decodes without a lone surrogate or a
// unit beyond U+10FFFF qualifies, so reading it that way loses nothing.
std::optional<QStringConverter::Encoding> unicodeByZeroBytes(QByteArrayView data);

// Whether every line feed byte of data is a whole line feed unit of encoding:
// true of UTF-16 or UTF-32 text of ASCII characters, which would pass for
// UTF-8 as well, and false of every file Save writes, which ends in a carriage
// return byte and a line feed byte.
bool lineFeedsAreWhole(QByteArrayView data, QStringConverter::Encoding encoding);

// The lines of data that hold non-ASCII bytes, each followed by a line feed,
// as many whole ones as fit in 64 KiB: all that tells one legacy encoding
// from another, and as much as a detector gets through in a few hundredths
// of a second. Only a first line longer than that is cut short.
QByteArray legacySample(QByteArrayView data);

// What a detector makes of a sample of text in a legacy encoding.
struct LegacyGuess {
    // Whether it could tell at all: not where the sample holds too few
    // non-ASCII bytes to go on, or the detector gives no answer.
    bool told = false;
    // The encoding it told, where it is one other than Windows-1252 that
    // this system has a table for; nothing otherwise.
    std::optional<LegacyEncoding> encoding;
};
LegacyGuess guessLegacyEncoding(QByteArrayView sample);

// How many characters of text look like the wrong code page was used to read
// it: an accent standing on its own ("˙"), a symbol, control character or
// fraction between two letters ("na´ve", "Wroc³aw"), or a capital right after
// a small letter outside ASCII ("ZoŽl"). Meant for comparing two readings of
// the same bytes.
qsizetype misreadCharacters(QStringView text);

} // namespace quillmark
