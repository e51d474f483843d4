#pragma once

#include "BusyCursor.h"

#include <QStringList>

class QListWidget;

// Moves entries between the list view and the list logic. Every change
// reaches the view as one batch, never as one update per entry, so lists of
// millions of entries stay responsive.
class WidgetTools
{
public:
    // The view lays out long lists in batches: laying out every row at once
    // costs seconds per change at a million entries, and uniform item sizes
    // would make entries wider than the first one unreachable by scrolling.
    void prepareView(QListWidget *list) const;

    // Appends the lines of the named file; shows "IO Error" when it cannot be
    // read. An empty name does nothing.
    void loadList(QListWidget *list, const QString &fileName) const;

    // Replaces the named file by the list; shows "IO Error" when it cannot be
    // written, leaving any existing file as it was. An empty name does nothing.
    void saveList(QListWidget *list, const QString &fileName) const;

    void sortList(QListWidget *list) const;
    void pruneList(QListWidget *list) const;

    QStringList entries(const QListWidget *list) const;

    // Rewrites every entry's text in place: rows keep their item objects,
    // selection and current row.
    template <typename Rewrite>
    void rewriteList(QListWidget *list, Rewrite &&rewrite) const
    {
        const BusyCursor busy;
        QStringList texts = entries(list);
        rewrite(texts);
        setTexts(list, texts);
    }

private:
    void setTexts(QListWidget *list, const QStringList &texts) const;
};
