#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillmark {

struct WriteResult {
    enum Failure { None, CannotOpen, CannotWrite };
    Failure failure = None;
    // Names the file and the system's reason; empty on success.
    QString message;

    bool ok() const { return failure == None; }
};

// Writes bytes as the whole content of a file. A regular file (or a new one)
// is replaced only once all of the content has reached the disk, so a failed
// write leaves the old file intact; anything else that exists under the name,
// a device or a pipe, is written directly rather than renamed over.
WriteResult writeWholeFile(const QString &fileName, const QByteArray &content);

// The same for content handed out piece by piece, so that it need not be
// held whole: each call returns the next piece, and an empty one ends it.
using ContentPieces = std::function<QByteArray()>;
WriteResult writeWholeFile(const QString &fileName, const ContentPieces &nextPiece);

// Writes one break-up file the same way. With no name or nothing to write it
// touches nothing. Returns an empty string on success, else why it failed.
QString writeTextFile(const QString &fileName, const QByteArray &text);

} // namespace quillmark
