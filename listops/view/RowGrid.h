#pragma once

#include <QObject>
#include <QSize>

class EntryListWidget;

// Lays a list's rows out in a grid of the size they share, where they are all
// equally high: the view then places every row where sizing each would, but
// without asking for each row's size, which at millions of rows was most of
// the time of every command. The grid is as wide as the widest row, so the
// horizontal scroll bar still reaches its end.
//
// Any change to the rows, or to the font or style they are drawn in, that
// does not end with fit() turns the grid off, and the view sizes every row
// itself as before.
class RowGrid : public QObject
{
    Q_OBJECT

public:
    explicit RowGrid(EntryListWidget *list);

    // Turns the grid on for the rows as they are now, or off where they differ
    // in height. A command that knows the size its rows share gives it, and
    // the rows are not looked at.
    void fit(QSize known = QSize());

    // While one lives, changes to the rows leave the grid as it is, for a
    // command that fits it afterwards: the list need not lay out rows whose
    // places stay (see EntryListWidget).
    class Held
    {
    public:
        explicit Held(RowGrid *grid)
            : grid(grid)
        {
            if (grid)
                grid->held = true;
        }
        ~Held()
        {
            if (grid)
                grid->held = false;
        }
        Held(const Held &) = delete;
        Held &operator=(const Held &) = delete;

    private:
        RowGrid *grid;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void turnOff();

    EntryListWidget *list;
    bool held = false;
};
