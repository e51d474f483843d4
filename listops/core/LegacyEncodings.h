#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace quillmark {

// A legacy encoding as each system's own tables know it.
struct LegacyEncoding {
    // The name QStringDecoder knows it by where Qt has ICU; empty where ICU
    // has no table for it.
    QByteArray name;
    // Its Windows code page; 0 where Windows has none.
    unsigned codePage = 0;
};

// Whether text in the named encoding reads the same as Windows-1252 (ASCII,
// Latin-1, Latin-9 and Windows-1252 itself, by the detector's names or the
// system's), which keeps every byte and has the quotes, dashes and € that
// files from Windows hold where Latin-1 has control characters.
bool readsAsWindows1252(QByteArrayView name);

// The encoding a detector's name stands for, or nothing where neither system
// has a table for it.
std::optional<LegacyEncoding> legacyEncodingNamed(QByteArrayView detectorName);

} // namespace quillmark
