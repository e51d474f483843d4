#include "ListFileReading.h"

#include "FileMessages.h"
#include "FileNodes.h"

#include <QLocale>

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillmark {

namespace {

using nodes::Kind;

constexpr qint64 chunkSize = 1 << 20;

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes);
}

qint64 lineFeedsIn(const char *data, qint64 size)
{
    return std::count(data, data + size, '\n');
}

ListFileContent cannotOpen(const QString &fileName, const QString &reason)
{
    return {{}, withOpenFailureHeading(fileFailure(QStringLiteral("open"), fileName, reason))};
}

ListFileContent cannotLoad(const QString &fileName, const QString &reason)
{
    return {{}, fileFailure(QStringLiteral("load"), fileName, reason)};
}

// Appends up to a chunk; the bytes read, 0 at the end, -1 on failure.
qint64 readChunk(QFile &file, QByteArray &bytes)
{
    const qsizetype used = bytes.size();
    if (bytes.capacity() - used < chunkSize)
        bytes.reserve(std::max<qsizetype>(used + chunkSize, bytes.capacity() * 2));
    bytes.resize(used + chunkSize);
    const qint64 got = file.read(bytes.data() + used, chunkSize);
    bytes.resize(used + std::max<qint64>(got, 0));
    return got;
}

// The memory that loading bytes of a file with that many lines takes at its
// peak: the bytes, their text (up to two bytes for every byte read), and an
// item for each line, the last one perhaps without its line feed.
qint64 loadCost(qint64 bytes, qint64 lines, qint64 bytesPerItem)
{
    return 3 * bytes + (lines + 1) * bytesPerItem;
}

} // namespace

ListFileContent readListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem)
{
    QFile file;
    nodes::Node node;
    QString reason;
    const bool opened = nodes::openForReading(file, fileName, &node, &reason);
    if (node.kind == Kind::Directory)
        return cannotOpen(fileName, isFolderReason());
    if (!opened)
        return cannotOpen(fileName, reason);
    if (node.kind == Kind::PipeOrSocket)
        return cannotOpen(fileName, isPipeReason());

    const qint64 budget = memoryBudget < 0 ? std::numeric_limits<qint64>::max() / 4 : memoryBudget;
    const qint64 knownSize = node.kind == Kind::Regular ? node.size : 0;
    QByteArray bytes;
    qint64 lines = 0;
    if (knownSize > 0) {
        // The first chunk tells how long the lines are, and so how many
        // items the whole file makes.
        if (readChunk(file, bytes) < 0)
            return cannotLoad(fileName, file.errorString());
        lines = lineFeedsIn(bytes.constData(), bytes.size());
        const qint64 estimatedLines = bytes.isEmpty() ? 0 : qint64(double(lines) * knownSize / bytes.size());
        const qint64 cost = loadCost(knownSize, estimatedLines, bytesPerItem);
        if (cost > budget) {
            return cannotLoad(fileName, QStringLiteral("It is %1 and would take about %2 of memory as a list, "
                                                       "but only %3 is free.")
                                                .arg(sizeText(knownSize), sizeText(cost), sizeText(budget)));
        }
        // Room for one more chunk, so that the read that finds the end
        // needs no second buffer of the file's size.
        bytes.reserve(knownSize + chunkSize);
    }
    for (;;) {
        const qsizetype before = bytes.size();
        const qint64 got = readChunk(file, bytes);
        if (got == 0)
            return {bytes, {}};
        if (got < 0) {
            return {bytes, fileFailure(QStringLiteral("read"), fileName, file.errorString())
                                   + QStringLiteral("\nOnly the part before the error was loaded.")};
        }
        lines += lineFeedsIn(bytes.constData() + before, got);
        if (loadCost(bytes.size(), lines, bytesPerItem) > budget) {
            return cannotLoad(fileName, QStringLiteral("It did not end within %1, and more of it would take more "
                                                       "memory than the %2 that is free.")
                                                .arg(sizeText(bytes.size()), sizeText(budget)));
        }
    }
}

} // namespace quillmark
