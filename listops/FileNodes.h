#pragma once

#include <QFile>
#include <QString>

// What the file system holds under a name, and the few calls on it that Qt
// does not make the way list files need: opening never blocks on a pipe,
// new files are made exclusively, and a replaced file keeps its owner.
namespace quillmark::nodes {

enum class Kind { Missing, Regular, Directory, SymbolicLink, PipeOrSocket, Device };

struct Node {
    Kind kind = Kind::Missing;
    qint64 size = 0;
    // Disk space the file takes now, which writing it anew gives back.
    qint64 allocatedBytes = 0;
    qint64 linkCount = 1;
    uint owner = 0;
    uint group = 0;
    uint mode = 0;
    quint64 device = 0;
    quint64 inode = 0;
};

// The node under the name itself: a symbolic link is not followed.
Node inspect(const QString &path);

// The name with every symbolic link along the last part followed, so that a
// save through a link reaches its target. A dangling link yields the path the
// file would be created at.
QString followLinks(const QString &path);

// The system's reason for the last failed call, as the user should read it.
QString lastReason();

// Opens for reading. A pipe or socket opens without waiting for a writer, and
// reads from it or from a device never wait either. The node is what was
// opened, not what the name held a moment before; where the system refuses
// to open a folder it is what the name holds.
bool openForReading(QFile &file, const QString &path, Node *opened, QString *reason);

// Creates a file that did not exist, unbuffered: writes reach the system at
// once, so a failing one is seen. Never follows a link and never replaces
// anything.
bool createNew(QFile &file, const QString &path, QString *reason);

// A new file beside path with a short name of its own (path's name may use up
// all that the system allows), for a replacement to be written into.
// *denied tells whether the folder refused it (no temporary file can be made).
bool createTemporaryBeside(QFile &file, const QString &path, QString *temporaryPath, bool *denied, QString *reason);

// Opens an existing file or device for writing without truncating it or
// waiting on it; with followLink false a link at the name is refused.
bool openExisting(QFile &file, const QString &path, bool followLink, Node *opened, QString *reason);

// Whether we may write the existing file itself, as opening it would tell;
// a file its owner made read-only is not replaced behind their back.
bool mayWrite(const QString &path, QString *reason);

// Gives a replacement the owner, group and permissions of the file it is to
// replace; false where the system does not let us, which means replacing the
// file would take it from its owner.
bool adoptOwnership(QFile &file, const Node &old);

// A new file's permissions as the user's file-creation mask makes them.
bool applyDefaultPermissions(QFile &file);

// Whether the folder's sticky bit keeps us from renaming over the file.
bool stickyFolderProtects(const QString &path, const Node &node);

bool syncToDisk(QFile &file, QString *reason);

// Puts replacement in place of target in one step.
bool replace(const QString &replacement, const QString &target, QString *reason);

// Makes everything written into the folder's file system durable, and the
// folder's own entries with it.
bool syncFileSystemOf(const QString &folder, QString *reason);

} // namespace quillmark::nodes
