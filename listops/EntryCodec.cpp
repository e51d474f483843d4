#include "EntryCodec.h"

#include <QStringDecoder>

namespace quillmark {

namespace {

// A UTF-16 or UTF-32 file may hold surrogates that pair with nothing. UTF-8
// cannot express them, so Save could not write them back; they become U+FFFD
// at once, and the list shows exactly what a save keeps.
QString withoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (unit.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

QString decodeText(const QByteArray &data)
{
    if (const auto bomEncoding = QStringConverter::encodingForData(data)) {
        // The decoder drops the mark itself. Stateless: a sequence cut off by
        // the end of the file becomes U+FFFD instead of being held back, unseen,
        // for input that never comes.
        QStringDecoder decoder(*bomEncoding, QStringDecoder::Flag::Stateless);
        return withoutLoneSurrogates(decoder(data));
    }
    // Stateless, so that a file ending in the first bytes of a UTF-8 sequence
    // (a Latin-1 file ending in "é", say) counts as not UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(data);
}

} // namespace

QStringList decodeEntries(const QByteArray &data)
{
    const QString text = decodeText(data);
    QStringList entries;
    const QStringView view(text);
    qsizetype start = 0;
    while (start < view.size()) {
        qsizetype end = view.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? view.size() : end + 1;
        if (end < 0)
            end = view.size();
        else if (end > start && view[end - 1] == u'\r')
            --end;
        entries.append(view.sliced(start, end - start).toString());
        start = next;
    }
    return entries;
}

QByteArray encodeEntries(const QStringList &entries, qsizetype first, qsizetype count)
{
    const qsizetype last = count < 0 ? entries.size() : first + count;
    qsizetype units = 0;
    for (qsizetype i = first; i < last; ++i)
        units += entries.at(i).size();
    QByteArray bytes;
    // Three bytes per UTF-16 unit is the UTF-8 worst case; reserving the
    // typical size avoids most regrowth without tripling the peak.
    bytes.reserve(units + units / 4 + 2 * (last - first));
    // Loading drops a byte-order mark at the start of a file, so a first entry
    // that begins with U+FEFF (a zero-width no-break space) would lose it.
    // Writing a mark in front keeps it; no other file gets one.
    if (first < last && entries.at(first).startsWith(QChar::ByteOrderMark))
        bytes += "\xEF\xBB\xBF";
    for (qsizetype i = first; i < last; ++i) {
        bytes += entries.at(i).toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace quillmark
