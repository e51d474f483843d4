#pragma once

#include "LineMeasurer.h"

#include <QSize>
#include <QStyledItemDelegate>

class QStyle;

// Draws entries as the standard delegate does, and sizes them as it does too,
// but from the line each text remembers (LineMeasurer) instead of laying it
// out on every ask: the list view asks for the size of every row each time it
// lays out, which is after every command.
//
// Every row of the list is a plain text item, so its size is its text's line
// with the room the style puts around a one-line text: this is the one place
// that puts them together.
class EntryDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Takes the font and style the view draws its rows in from the options
    // it hands them, as sizeHint does; where texts may remember lines from a
    // font long gone, the view's rows forget theirs.
    void prepareFor(const QStyleOptionViewItem &option) const;
    const LineMeasurer &measurer() const { return lines; }

    // The size of a row whose text makes this line, or an invalid size for
    // an invalid line.
    QSize rowSize(LineMeasurer::Line line) const;

protected:
    // Shows only the start of an entry of more than maxShownLength units:
    // shaping a line of millions of characters on every paint froze the
    // window for most of a minute, and no screen shows more than its start.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    mutable LineMeasurer lines;
    mutable const QStyle *style = nullptr;
    mutable bool prepared = false;
    // What the style adds around a one-line text: margins and focus frame.
    mutable QSize frame;
};
