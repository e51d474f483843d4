#include "ListFileLoading.h"

#include "EntryCodec.h"
#include "ListFileReading.h"

namespace quillmark {

QString loadListFile(const QString &fileName, qint64 memoryBudget, qint64 bytesPerItem,
                     const std::function<void(QList<CompactText> &&)> &takeBlock,
                     const std::function<void()> &dropTaken)
{
    Utf8LineDecoder decoder(takeBlock);
    const ListFileLines reading = readListFileLines(fileName, memoryBudget, bytesPerItem,
                                                    [&](QByteArrayView lines) { return decoder.decode(lines); });
    if (reading.stopped) {
        dropTaken();
        const ListFileContent content = readListFile(fileName, memoryBudget, bytesPerItem);
        decodeEntries(content.bytes, takeBlock);
        return content.error;
    }
    if (reading.keepsLines)
        decoder.finish();
    else
        dropTaken();
    return reading.error;
}

} // namespace quillmark
