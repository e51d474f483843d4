#pragma once

#include "LegacyEncodings.h"

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

// Reading legacy encodings through the system's own tables: ICU's, by name,
// through QStringDecoder (LegacyDecoding_unix.cpp: Qt has ICU there), or the
// code page's, through MultiByteToWideChar (LegacyDecoding_win.cpp: Qt has no
// ICU there).
namespace quillmark {

class LegacyDecoder
{
public:
    explicit LegacyDecoder(const LegacyEncoding &encoding);
    ~LegacyDecoder();
    LegacyDecoder(const LegacyDecoder &) = delete;
    LegacyDecoder &operator=(const LegacyDecoder &) = delete;

    // Whether this system has a table for the encoding.
    bool isValid() const;

    // The bytes as text, each call on its own; nothing where they hold a
    // sequence that the encoding does not define.
    std::optional<QString> decode(QByteArrayView bytes);

private:
    struct Table;
    std::unique_ptr<Table> table;
};

// The system's own 8-bit encoding, where it is a legacy one other than
// Windows-1252: the ANSI code page on Windows, the character set of the
// user's locale elsewhere. Nothing on a system that uses UTF-8 (as today's
// Linux desktops do) or a Western code page.
std::optional<LegacyEncoding> systemLegacyEncoding();

} // namespace quillmark
