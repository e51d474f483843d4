#include "ListFileReading.h"

#include "FileNodes.h"

#include <algorithm>
#include <limits>

namespace quillmark {

namespace {

using nodes::Kind;

constexpr qint64 chunkSize = 1 << 20;

// Counted in a byte for each block of 240 bytes (fewer than 256, and whole
// vectors of 16), which the compiler does 16 bytes at a time; std::count
// widened every byte's count to 64 bits and took as long as decoding them.
qint64 lineFeedsIn(const char *data, qint64 size)
{
    qint64 count = 0;
    for (qint64 done = 0; done < size;) {
        const qint64 end = std::min(size, done + 240);
        uchar inBlock = 0;
        for (; done < end; ++done)
            inBlock += data[done] == '\n';
        count += inBlock;
    }
    return count;
}

// Appends up to a chunk; the bytes read, 0 at the end, -1 on failure.
qint64 readChunk(QFile &file, QByteArray &bytes, QString *reason)
{
    const qsizetype used = bytes.size();
    if (bytes.capacity() - used < chunkSize)
        bytes.reserve(std::max<qsizetype>(used + chunkSize, bytes.capacity() * 2));
    bytes.resize(used + chunkSize);
    const qint64 got = nodes::readSome(file, bytes.data() + used, chunkSize, reason);
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

// A list file read a chunk at a time, each chunk checked before it is used
// that the list the file makes still fits in memory.
class ChunkedFile
{
public:
    // holdsWhole: the chunks are to be kept together, so the first one makes
    // room for the whole file, which then needs no second buffer of its size.
    ChunkedFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem, bool holdsWhole);

    // Appends the next chunk to bytes; false at the end of the file, or when
    // reading cannot go on, which failure then tells.
    bool readInto(QByteArray &bytes);

    // None while all is well. Only where reading failed part of the way
    // (ReadPartWay) are the bytes read before it to be loaded; otherwise the
    // file is not to be loaded at all.
    FileFailure failure;

private:
    bool refuse(FileFailure::Kind kind, const QString &reason = {})
    {
        failure = {.kind = kind, .fileName = fileName, .reason = reason};
        return false;
    }
    bool refuseForMemory(FileFailure::Kind kind, qint64 size, qint64 needed)
    {
        failure = {.kind = kind, .fileName = fileName, .reason = {}, .size = size, .needed = needed,
                   .available = budget};
        return false;
    }

    QString fileName;
    qint64 budget;
    qint64 bytesPerItem;
    bool holdsWhole;
    QFile file;
    qint64 knownSize = 0;
    qint64 bytesRead = 0;
    qint64 lines = 0;
};

ChunkedFile::ChunkedFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem, bool holdsWhole)
    : fileName(fileName)
    , budget(memoryBudget < 0 ? std::numeric_limits<qint64>::max() / 4 : memoryBudget)
    , bytesPerItem(bytesPerItem)
    , holdsWhole(holdsWhole)
{
    nodes::Node node;
    QString reason;
    const bool opened = nodes::openForReading(file, fileName, &node, &reason);
    if (node.kind == Kind::Directory)
        refuse(FileFailure::Kind::IsFolder);
    else if (node.kind == Kind::PipeOrSocket)
        refuse(FileFailure::Kind::IsPipe);
    else if (!opened)
        refuse(FileFailure::Kind::CannotOpen, reason);
    else if (node.kind == Kind::Regular)
        knownSize = node.size;
}

bool ChunkedFile::readInto(QByteArray &bytes)
{
    if (!failure.ok())
        return false;
    // The first chunk of a file of known size tells how long its lines are,
    // and so how many items the whole file makes.
    const bool measures = knownSize > 0 && bytesRead == 0;
    const qsizetype before = bytes.size();
    QString reason;
    const qint64 got = readChunk(file, bytes, &reason);
    if (got < 0)
        return refuse(measures ? FileFailure::Kind::CannotRead : FileFailure::Kind::ReadPartWay, reason);
    if (got == 0)
        return false;
    bytesRead += got;
    lines += lineFeedsIn(bytes.constData() + before, got);
    if (measures) {
        const qint64 estimatedLines = qint64(double(lines) * knownSize / got);
        const qint64 cost = loadCost(knownSize, estimatedLines, bytesPerItem);
        if (cost > budget)
            return refuseForMemory(FileFailure::Kind::TooLarge, knownSize, cost);
        // Room for one more chunk, so that the read that finds the end
        // needs no second buffer of the file's size.
        if (holdsWhole)
            bytes.reserve(knownSize + chunkSize);
    } else if (loadCost(bytesRead, lines, bytesPerItem) > budget) {
        return refuseForMemory(FileFailure::Kind::DidNotEnd, bytesRead, 0);
    }
    return true;
}

} // namespace

ListFileContent readListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem)
{
    ChunkedFile file(fileName, memoryBudget, bytesPerItem, true);
    QByteArray bytes;
    while (file.readInto(bytes)) {
    }
    if (!file.failure.ok() && file.failure.kind != FileFailure::Kind::ReadPartWay)
        bytes.clear();
    return {bytes, file.failure};
}

ListFileLines readListFileLines(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                                const std::function<LinesTaken(QByteArrayView)> &takeLines)
{
    ChunkedFile file(fileName, memoryBudget, bytesPerItem, false);
    // The lines read whole so far, then the start of the next, carried over to
    // be completed by the next chunk.
    QByteArray bytes;
    // What was read stays, unless the file would not fit after all; a read
    // error part of the way keeps what came before it.
    const auto keepsLines = [&] { return file.failure.ok() || file.failure.kind == FileFailure::Kind::ReadPartWay; };
    // From a run refused on, the file is read whole after it: a device or a
    // terminal could not be read again.
    const auto readRest = [&] {
        while (file.readInto(bytes)) {
        }
        if (!keepsLines())
            return ListFileLines{.failure = file.failure, .keepsLines = false, .refused = true, .rest = {}};
        return ListFileLines{.failure = file.failure, .keepsLines = true, .refused = true, .rest = std::move(bytes)};
    };
    for (;;) {
        const qsizetype carried = bytes.size();
        if (!file.readInto(bytes)) {
            if (!keepsLines())
                return {.failure = file.failure, .keepsLines = false};
            // The last line, whole or up to a read error.
            switch (bytes.isEmpty() ? LinesTaken::Taken : takeLines(bytes)) {
            case LinesTaken::Taken:
                return {.failure = file.failure};
            case LinesTaken::Refused:
                return {.failure = file.failure, .refused = true, .rest = std::move(bytes)};
            case LinesTaken::Stop:
                return {.failure = {}, .stopped = true};
            }
        }
        // The carried start of a line holds no line feed.
        const qsizetype lastLineFeed = QByteArrayView(bytes).sliced(carried).lastIndexOf('\n');
        if (lastLineFeed < 0)
            continue;
        const qsizetype end = carried + lastLineFeed + 1;
        switch (takeLines(QByteArrayView(bytes).first(end))) {
        case LinesTaken::Taken:
            break;
        case LinesTaken::Refused:
            return readRest();
        case LinesTaken::Stop:
            return {.failure = {}, .stopped = true};
        }
        char *const start = bytes.data();
        std::copy(start + end, start + bytes.size(), start);
        bytes.truncate(bytes.size() - end);
    }
}

} // namespace quillmark
