#pragma once

#include <QString>

namespace quillmark {

// What went wrong with a file, as data: the window words it for the user.
struct FileFailure {
    enum class Operation { Load, Save, WritePiece, Sync };
    enum class Kind {
        None,
        // The file could not be opened: for the system's reason, or because
        // the name holds something that is not to be opened as a file.
        CannotOpen,
        IsFolder,
        IsPipe,
        IsDevice,
        LinksInACircle,
        ReplacedWhileOpening,
        LinkCannotBeReplaced,
        // The first read failed, and nothing was loaded.
        CannotRead,
        // A read failed part of the way; what came before it was loaded.
        ReadPartWay,
        // The list would not fit in memory: a file of known size measured
        // before it was read, one of unknown size read until it would not.
        TooLarge,
        DidNotEnd,
        NotEnoughMemory,
        CannotWrite,
        NoRoomOnDisk,
        // Written in place, the file now holds only part of the new content.
        WrittenPartWay,
        NothingToWrite,
    };

    Operation operation = Operation::Load;
    Kind kind = Kind::None;
    QString fileName;
    // The system's own words, where it gave the reason.
    QString reason;
    // TooLarge: the file's size, the memory its list needs and the memory
    // free; DidNotEnd: the bytes read and the memory free; NoRoomOnDisk: the
    // bytes needed and those free on the disk.
    qint64 size = 0;
    qint64 needed = 0;
    qint64 available = 0;

    bool ok() const { return kind == Kind::None; }
    // Whether the file could not be opened at all.
    bool isOpenFailure() const { return kind >= Kind::CannotOpen && kind <= Kind::LinkCannotBeReplaced; }
};

} // namespace quillmark
