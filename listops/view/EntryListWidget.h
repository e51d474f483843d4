#pragma once

#include <QListWidget>

#include <memory>

class EntryDelegate;
class MeasuringThreads;
class RowGrid;

// The window's list. It sizes its rows with its own EntryDelegate, which
// measures a million entries in a fraction of a second where the standard
// delegate took seconds, measures new and rewritten rows beside its own
// thread (MeasuringThreads), and lays rows of one height out on a grid as wide
// as the widest (RowGrid): the view then places every row where sizing each
// would, without asking each for its size. Uniform item sizes would make
// entries wider than the first one unreachable by scrolling.
//
// While the rows share one grid, they keep their places when only their texts
// change: QListView lays out every row again after any change of data, a
// quarter of a second for each four million rows, although on a grid a row's
// place follows from its row number alone. Only the rows in view are
// repainted, and only they are reported to assistive tools as changed.
class EntryListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit EntryListWidget(QWidget *parent = nullptr);
    ~EntryListWidget() override;

    // The delegate, made ready to measure rows in the view's font and style.
    const EntryDelegate &readyDelegate();
    MeasuringThreads &measuring() { return *measuringThreads; }
    RowGrid &rowGrid() { return *grid; }

    // The grid the rows share, measuring those not measured yet, or an
    // invalid size where they differ in height.
    QSize sharedRowSize();

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    EntryDelegate *delegate;
    RowGrid *grid;
    std::unique_ptr<MeasuringThreads> measuringThreads;
};
