#pragma once

#include "CompactText.h"

#include <QListWidgetItem>

// A list row that holds its entry as a CompactText instead of a QVariant
// holding a QString, which with the standard item's table of roles cost about
// 420 to 500 bytes for a path of 92 characters. Its text and display data are
// the entry's exact text, as for any item; every other role is the standard
// item's.
class EntryItem final : public QListWidgetItem
{
public:
    static constexpr int Type = QListWidgetItem::UserType + 1;

    explicit EntryItem(quillmark::CompactText text = {});

    // From a pool of blocks of their size: 72 bytes instead of the general
    // allocator's 80, in a third of its time.
    static void *operator new(size_t size);
    static void operator delete(void *item);

    // The row as an entry item, or null for a row of another kind.
    static EntryItem *of(QListWidgetItem *item)
    {
        return item && item->type() == Type ? static_cast<EntryItem *>(item) : nullptr;
    }
    static const EntryItem *of(const QListWidgetItem *item)
    {
        return item && item->type() == Type ? static_cast<const EntryItem *>(item) : nullptr;
    }

    QVariant data(int role) const override;
    void setData(int role, const QVariant &value) override;
    QListWidgetItem *clone() const override;

    // The text without a detour through QVariant, and moved out and back in
    // without copying, for commands on the whole list; the caller tells the
    // view once for all rows.
    quillmark::CompactText takeText() { return std::move(entry); }
    void putText(quillmark::CompactText text) { entry = std::move(text); }
    const quillmark::CompactText &compactText() const { return entry; }

    // The memory one entry of this many code units takes in the list, so that
    // Load can tell beforehand whether a file fits: the item with its text's
    // handle (72 bytes), the item's private part (a 48-byte block of glibc's),
    // its pointer in the model, its place and scroll step in the view's
    // layout (8 + 4 + 4), and the text itself.
    static constexpr qsizetype overheadBytes = 72 + 48 + 8 + 4 + 4;
    static constexpr qsizetype memoryBytes(qsizetype codeUnits, bool latin1)
    {
        return overheadBytes + quillmark::CompactText::memoryBytes(codeUnits, latin1);
    }

private:
    quillmark::CompactText entry;
};
