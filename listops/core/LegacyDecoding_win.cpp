#include "LegacyDecoding.h"

#include <qt_windows.h>

#include <limits>

namespace quillmark {

namespace {

// GB18030's code page is missing where GBK's is not (in Wine); GBK, which it
// extends, reads all but its four-byte sequences, which then count as bytes
// the encoding does not define.
// 0 where there is none.
UINT availableCodePage(UINT codePage)
{
    constexpr UINT gb18030 = 54936;
    constexpr UINT gbk = 936;
    if (codePage == gb18030 && !IsValidCodePage(gb18030))
        codePage = gbk;
    return codePage != 0 && IsValidCodePage(codePage) ? codePage : 0;
}

} // namespace

struct LegacyDecoder::Table {
    UINT codePage; // 0 where this system has none
};

LegacyDecoder::LegacyDecoder(const LegacyEncoding &encoding)
    : table(new Table{availableCodePage(encoding.codePage)})
{
}

LegacyDecoder::~LegacyDecoder() = default;

bool LegacyDecoder::isValid() const
{
    return table->codePage != 0;
}

std::optional<QString> LegacyDecoder::decode(QByteArrayView bytes)
{
    if (!isValid())
        return std::nullopt;
    if (bytes.isEmpty())
        return QString();
    // One call takes at most INT_MAX bytes, and a longer line cannot be cut
    // without perhaps cutting a character: it reads as Windows-1252 instead.
    if (bytes.size() > std::numeric_limits<int>::max())
        return std::nullopt;
    // Refusing what the code page does not define, rather than standing in
    // U+FFFD for it.
    const UINT codePage = table->codePage;
    const int size = int(bytes.size());
    const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (units <= 0)
        return std::nullopt;
    QString text(units, Qt::Uninitialized);
    auto *const wide = reinterpret_cast<wchar_t *>(text.data());
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide, units) != units)
        return std::nullopt;
    return text;
}

std::optional<LegacyEncoding> systemLegacyEncoding()
{
    const UINT codePage = GetACP();
    constexpr UINT western[] = {1252, 28591, 28605, 20127, CP_UTF8};
    for (const UINT other : western) {
        if (codePage == other)
            return std::nullopt;
    }
    return LegacyEncoding{{}, codePage};
}

} // namespace quillmark
