#include "FileWriting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillmark {

namespace {

WriteResult failure(WriteResult::Failure kind, const QString &fileName, const QString &reason)
{
    return {kind, QStringLiteral("Cannot write %1:\n%2").arg(QDir::toNativeSeparators(fileName), reason)};
}

// Writes until all is written or a write fails. A disk that fills up (or a
// file-size limit) first shows as a short write with no error set; only the
// next write fails with the system's reason, which the message must name.
bool writeAll(QFileDevice &device, const QByteArray &content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const qint64 written = device.write(content.constData() + done, content.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool writePieces(QFileDevice &device, const ContentPieces &nextPiece)
{
    for (QByteArray piece = nextPiece(); !piece.isEmpty(); piece = nextPiece()) {
        if (!writeAll(device, piece))
            return false;
    }
    return true;
}

WriteResult writeDirectly(const QString &fileName, const ContentPieces &nextPiece)
{
    QFile device(fileName);
    if (!device.open(QIODevice::WriteOnly))
        return failure(WriteResult::CannotOpen, fileName, device.errorString());
    if (!writePieces(device, nextPiece) || !device.flush())
        return failure(WriteResult::CannotWrite, fileName, device.errorString());
    return {};
}

} // namespace

WriteResult writeWholeFile(const QString &fileName, const QByteArray &content)
{
    bool given = false;
    return writeWholeFile(fileName, [&] {
        if (given)
            return QByteArray();
        given = true;
        return content;
    });
}

WriteResult writeWholeFile(const QString &fileName, const ContentPieces &nextPiece)
{
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile() && !info.isDir())
        return writeDirectly(fileName, nextPiece);

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failure(WriteResult::CannotOpen, fileName, file.errorString());
    if (!writePieces(file, nextPiece) || !file.commit())
        return failure(WriteResult::CannotWrite, fileName, file.errorString());
    return {};
}

QString writeTextFile(const QString &fileName, const QByteArray &text)
{
    if (fileName.isEmpty() || text.isEmpty())
        return QStringLiteral("Nothing to write.");
    return writeWholeFile(fileName, text).message;
}

} // namespace quillmark
