#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillmark {

// The outcome of every write: a save, a break-up piece, the final sync.
struct WriteResult {
    enum Failure { None, NothingToWrite, CannotOpen, CannotWrite };
    Failure failure = None;
    // Names the file and the system's reason; empty on success.
    QString message;

    bool ok() const { return failure == None; }
};

// Content handed out piece by piece, so that it need not be held whole: each
// call returns the next piece, and an empty one ends it.
using ContentPieces = std::function<QByteArray()>;
// Each call starts the content again from its beginning, so that it can be
// measured before it is written where that is needed.
using ContentSource = std::function<ContentPieces()>;

// Writes bytes as the whole content of a file, following symbolic links to
// the file they name. All or nothing wherever the system allows it, also when
// the program is killed: a new file appears under its name, and an existing
// one is replaced, only once every byte of the new content is on the disk,
// keeping its owner, group and permissions.
// Where replacing would take the file from its owner or split it from its
// other hard links, or no file can be made beside it, it is written in place
// after checking that the content fits in the free space. A device is written
// directly; a pipe or socket is refused at once rather than waited on.
WriteResult writeWholeFile(const QString &fileName, const ContentSource &content);
WriteResult writeWholeFile(const QString &fileName, const QByteArray &content);

// Writes one break-up piece the same way, except that a link under its name
// is replaced rather than followed, so a piece is always a file in the chosen
// folder, and that a new piece is not synced on its own: syncPieces does that
// once for the run. With no name or nothing to write it touches nothing.
WriteResult writeTextFile(const QString &fileName, const QByteArray &text);
WriteResult syncPieces(const QString &folder);

} // namespace quillmark
