#include "EntryOrdering.h"

#include <QSet>

#include <algorithm>

namespace quillmark {

void sortEntries(QStringList &entries)
{
    std::sort(entries.begin(), entries.end());
}

QStringList pruneEntries(const QStringList &entries)
{
    // Views into the entries themselves: hashing needs no copy of any text.
    QSet<QStringView> seen;
    seen.reserve(entries.size());
    QStringList survivors;
    for (const QString &entry : entries) {
        const qsizetype before = seen.size();
        seen.insert(entry);
        if (seen.size() != before)
            survivors.append(entry);
    }
    return survivors;
}

} // namespace quillmark
