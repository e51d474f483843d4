#pragma once

#include "CompactText.h"
#include "ToEnd.h"

#include <QSize>

#include <functional>
#include <vector>

class LineMeasurer;
class QListWidget;
class QListWidgetItem;
class SharedRowSize;

// Moves entries between the list view and the list logic. Every change
// reaches the view as one batch, never as one update per entry, so lists of
// millions of entries stay responsive.
//
// Every operation works on any QListWidget. On the window's list, an
// EntryListWidget, it also measures the rows it adds or changes beside the
// list's thread, and lays them out on the grid they share.
class WidgetTools
{
public:
    // Appends the lines of the named file; shows "IO Error" when it cannot be
    // read or would not fit in the memory left, with the list as it was. An
    // empty name does nothing.
    void loadList(QListWidget *list, const QString &fileName) const;

    // Replaces the named file by the list; shows "IO Error" when it cannot be
    // written, leaving any existing file as it was. An empty name does nothing.
    void saveList(QListWidget *list, const QString &fileName) const;

    // Appends entries as new rows, telling the view once for the whole block;
    // a file can be loaded a block at a time.
    void appendEntries(QListWidget *list, QList<quillmark::CompactText> texts) const;

    void sortList(QListWidget *list) const;
    void pruneList(QListWidget *list) const;

    // The texts of rows [first, first + count), shared with the rows.
    QList<quillmark::CompactText> texts(const QListWidget *list, int first = 0, int count = quillmark::toEnd) const;

    // Rewrites every entry's text in place, with a rewrite that treats each
    // entry on its own: rows keep their item objects, selection and current
    // row. It runs on a block of rows at a time, whose texts it moves out of
    // the rows and back without copying them; blocks are rewritten on
    // several threads at once, so the rewrite must be safe to run so. A text
    // the rewrite leaves as it was keeps its measured line; a new one is
    // summed where it was rewritten, from what was learnt before, or else
    // measured once it is back in its row.
    void rewriteList(QListWidget *list, const std::function<void(QList<quillmark::CompactText> &)> &rewrite) const;

    // Frees the rows' texts, ahead of QListWidget::clear: in row order, a few
    // rows ahead of use, as after a sort they lie scattered across memory and
    // freeing each one as its row went waited on memory every time.
    void releaseTexts(QListWidget *list) const;

private:
    // rewriteList's work on the rows, giving the size all rows share where
    // it finds one.
    QSize rewriteRows(QListWidget *list, const std::function<void(QList<quillmark::CompactText> &)> &rewrite) const;
    // appendEntries, adding each new row's text to those to measure where
    // they are given.
    void insertEntries(QListWidget *list, QList<quillmark::CompactText> texts,
                       std::vector<const quillmark::CompactText *> *toMeasure) const;
    // Moves the texts of rows [first, first + count) out of the list, and
    // texts back in from the first row given, without copying a text or
    // telling the view; announceChange tells it once for all rows.
    // putTexts and setText tell whether every row was an entry item.
    QList<quillmark::CompactText> takeTexts(QListWidget *list, int first = 0, int count = quillmark::toEnd) const;
    bool putTexts(QListWidget *list, QList<quillmark::CompactText> texts, int first = 0) const;
    // Moves one row's text out, or in, without telling the view.
    quillmark::CompactText takeText(QListWidgetItem *item) const;
    bool setText(QListWidgetItem *item, quillmark::CompactText text) const;
    // A command that knows the size every row shares gives it, so that the
    // rows need not be looked at again.
    void announceChange(QListWidget *list, QSize commonSize = QSize()) const;
    // Keeps the texts of the rows marked, in order, and only as many rows,
    // without telling the view of the texts' moves; adds the lines the kept
    // texts remember to kept, where a measurer is given.
    void keepRows(QListWidget *list, const std::vector<bool> &keep, const LineMeasurer *measurer,
                  SharedRowSize &kept) const;
    // Lays the rows out in one grid where they allow it (RowGrid), after a
    // command has changed them.
    void fitRows(QListWidget *list, QSize commonSize = QSize()) const;
};
