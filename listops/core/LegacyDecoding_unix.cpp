#include "LegacyDecoding.h"

#include <QStringDecoder>

#include <langinfo.h>
#include <locale.h>

namespace quillmark {

struct LegacyDecoder::Table {
    QStringDecoder decoder;
};

LegacyDecoder::LegacyDecoder(const LegacyEncoding &encoding)
    : table(new Table{QStringDecoder(encoding.name.constData(), QStringDecoder::Flag::Stateless)})
{
}

LegacyDecoder::~LegacyDecoder() = default;

bool LegacyDecoder::isValid() const
{
    return table->decoder.isValid();
}

std::optional<QString> LegacyDecoder::decode(QByteArrayView bytes)
{
    if (!isValid())
        return std::nullopt;
    table->decoder.resetState();
    QString text = table->decoder.decode(bytes);
    if (table->decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<LegacyEncoding> systemLegacyEncoding()
{
    // The user's locale as the environment names it, whether or not the
    // program has made it its own.
    const locale_t user = newlocale(LC_CTYPE_MASK, "", locale_t(nullptr));
    if (!user)
        return std::nullopt;
    const QByteArray codeset(nl_langinfo_l(CODESET, user));
    freelocale(user);
    if (codeset.isEmpty() || codeset.startsWith("UTF") || readsAsWindows1252(codeset))
        return std::nullopt;
    // The C library's names for its character sets (CP1251, KOI8-R, EUC-JP,
    // GB2312, BIG5) are names ICU knows too.
    return LegacyEncoding{codeset, 0};
}

} // namespace quillmark
