#include "EntryCodec.h"

#include <QStringDecoder>

namespace quillmark {

namespace {

QString decodeText(const QByteArray &data)
{
    if (const auto bomEncoding = QStringConverter::encodingForData(data)) {
        // The decoder drops the mark itself.
        QStringDecoder decoder(*bomEncoding);
        return decoder(data);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
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
    for (qsizetype i = first; i < last; ++i) {
        bytes += entries.at(i).toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace quillmark
