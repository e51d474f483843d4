#include "LegacyEncodings.h"

#include <algorithm>
#include <iterator>

namespace quillmark {

namespace {

struct NamedEncoding {
    const char *detectorName;
    const char *icuName;
    unsigned codePage;
};

// Every legacy name that uchardet 0.0.7 answers, but for the Western ones
// that read as Windows-1252 anyway; tst_legacyencodings holds the detector's
// whole list. Where one system has no table of its own for an encoding,
// another that is a superset of it stands in: Windows-874 for TIS-620 and
// ISO-8859-11. The detector's UHC is Windows-949, a superset of EUC-KR,
// which is what it answers for EUC-KR files too.
//
// Neither system has a table for ISO-8859-16 (Romanian, rarely used: its
// lists are in Windows-1250 or ISO-8859-2), VISCII (Vietnamese before
// Windows-1258), or the Georgian ones newer versions of the detector answer
// (GEORGIAN-ACADEMY, GEORGIAN-PS); Windows has none for EUC-TW and
// ISO-8859-10. Such files read as Windows-1252, keeping every byte.
//
// The detector answers ISO-2022-CN, -JP and -KR and HZ-GB-2312 only for text
// of 7-bit bytes, which is valid UTF-8 and read as such before it is asked.
constexpr NamedEncoding namedEncodings[] = {
    {"BIG5", "Big5", 950},
    {"EUC-JP", "EUC-JP", 20932},
    {"EUC-TW", "EUC-TW", 0},
    {"GB18030", "GB18030", 54936},
    {"IBM852", "IBM852", 852},
    {"IBM855", "IBM855", 855},
    {"IBM866", "IBM866", 866},
    {"ISO-8859-2", "ISO-8859-2", 28592},
    {"ISO-8859-3", "ISO-8859-3", 28593},
    {"ISO-8859-4", "ISO-8859-4", 28594},
    {"ISO-8859-5", "ISO-8859-5", 28595},
    {"ISO-8859-6", "ISO-8859-6", 28596},
    {"ISO-8859-7", "ISO-8859-7", 28597},
    {"ISO-8859-8", "ISO-8859-8", 28598},
    {"ISO-8859-9", "ISO-8859-9", 28599},
    {"ISO-8859-10", "ISO-8859-10", 0},
    {"ISO-8859-11", "windows-874", 874},
    {"ISO-8859-13", "ISO-8859-13", 28603},
    {"KOI8-R", "KOI8-R", 20866},
    {"MAC-CENTRALEUROPE", "x-mac-ce", 10029},
    {"MAC-CYRILLIC", "x-mac-cyrillic", 10007},
    {"SHIFT_JIS", "Shift_JIS", 932},
    {"TIS-620", "windows-874", 874},
    {"UHC", "windows-949", 949},
    {"WINDOWS-1250", "windows-1250", 1250},
    {"WINDOWS-1251", "windows-1251", 1251},
    {"WINDOWS-1253", "windows-1253", 1253},
    {"WINDOWS-1255", "windows-1255", 1255},
    {"WINDOWS-1256", "windows-1256", 1256},
    {"WINDOWS-1257", "windows-1257", 1257},
    {"WINDOWS-1258", "windows-1258", 1258},
};

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

bool readsAsWindows1252(QByteArrayView name)
{
    // The C locale's character set is ASCII, by its standard's name.
    for (const char *western : {"ASCII", "ANSI_X3.4-1968", "ISO-8859-1", "ISO-8859-15", "WINDOWS-1252", "CP1252"}) {
        if (sameName(name, western))
            return true;
    }
    return false;
}

std::optional<LegacyEncoding> legacyEncodingNamed(QByteArrayView detectorName)
{
    const auto named = std::find_if(std::begin(namedEncodings), std::end(namedEncodings),
                                    [&](const NamedEncoding &entry) { return sameName(detectorName, entry.detectorName); });
    if (named == std::end(namedEncodings))
        return std::nullopt;
    return LegacyEncoding{named->icuName, named->codePage};
}

} // namespace quillmark
