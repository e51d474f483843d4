#include "LegacyDecoding.h"

#include <qt_windows.h>

#include <limits>

namespace quillmark {

namespace {

// The code pages of the ISO-2022 encodings take no flags at all.
DWORD strictFlags(UINT codePage)
{
    const bool takesFlags = codePage < 50220 || codePage > 50229;
    return takesFlags ? MB_ERR_INVALID_CHARS : 0;
}

} // namespace

struct LegacyDecoder::Table {
    UINT codePage;
};

LegacyDecoder::LegacyDecoder(const LegacyEncoding &encoding)
    : table(new Table{encoding.codePage})
{
}

LegacyDecoder::~LegacyDecoder() = default;

bool LegacyDecoder::isValid() const
{
    return table->codePage != 0 && IsValidCodePage(table->codePage);
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
    const UINT codePage = table->codePage;
    const DWORD flags = strictFlags(codePage);
    const int size = int(bytes.size());
    const int units = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (units <= 0)
        return std::nullopt;
    QString text(units, Qt::Uninitialized);
    if (MultiByteToWideChar(codePage, flags, bytes.data(), size, reinterpret_cast<wchar_t *>(text.data()), units) != units)
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
