#include "CompactText.h"

namespace quillmark {

// A list holds millions of these: the remembered value must stay in what
// would otherwise be padding.
static_assert(sizeof(CompactText) == sizeof(QByteArray) + sizeof(void *));

namespace {

// Branch-free over the whole text, so that the compiler can check many units
// at once; nearly every text passes, so stopping early gains nothing.
bool allLatin1(QStringView text)
{
    char16_t high = 0;
    for (const QChar unit : text)
        high |= unit.unicode() & 0xff00;
    return high == 0;
}

} // namespace

CompactText::CompactText(QStringView text)
{
    if (allLatin1(text)) {
        units = text.toLatin1();
    } else {
        units = QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        wide = true;
    }
}

CompactText CompactText::fromLatin1(QByteArrayView latin1)
{
    CompactText text;
    text.units = latin1.toByteArray();
    return text;
}

QString CompactText::toString() const
{
    if (wide)
        return QString(reinterpret_cast<const QChar *>(units.constData()), units.size() / 2);
    return QString::fromLatin1(units);
}

} // namespace quillmark
