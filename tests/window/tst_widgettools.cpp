#include "CompactLists.h"
#include "EntryCodec.h"
#include "EntryItem.h"
#include "EntryListWidget.h"
#include "EntryRewrites.h"
#include "RowGrid.h"
#include "WidgetTools.h"
#include "WorkThreads.h"

#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// WidgetTools works on long lists a block of rows at a time; every row must
// be reached, blocks' ends included, and the view still hears of the change
// once.
class TestWidgetTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rewriteReachesEveryBlock_data();
    void rewriteReachesEveryBlock();
    void saveWritesEveryBlockOnce();
    void rewriteShowsTheWaitCursor();
    void entryRowActsAsAnyItem();
    void gridPlacesRowsAsSizingEach_data();
    void gridPlacesRowsAsSizingEach();
    void rewriteRepaintsRowsInView();

private:
    QListWidget *list = nullptr;
};

void TestWidgetTools::init()
{
    // The window's list, which measures its rows and lays them out on a grid.
    list = new EntryListWidget;
}

void TestWidgetTools::cleanup()
{
    delete list;
}

void TestWidgetTools::rewriteReachesEveryBlock_data()
{
    QTest::addColumn<int>("count");
    // Rows as Load makes them, or standard items as any other code might.
    QTest::addColumn<bool>("entryRows");
    // Blocks are rewritten on this many threads at once.
    QTest::addColumn<int>("threads");
    for (int count : {0, 1, 16383, 16384, 16385, 40000})
        QTest::addRow("%d entries", count) << count << true << 1;
    QTest::addRow("16385 standard items") << 16385 << false << 1;
    QTest::addRow("40000 entries on two threads") << 40000 << true << 2;
    QTest::addRow("120000 entries on three threads") << 120000 << true << 3;
}

void TestWidgetTools::rewriteReachesEveryBlock()
{
    QFETCH(int, count);
    QFETCH(bool, entryRows);
    QFETCH(int, threads);
    quillmark::setWorkThreads(threads);
    const auto oneThreadPerCore = qScopeGuard([] { quillmark::setWorkThreads(0); });
    // Every third entry is beyond Latin-1, so rows of both forms change.
    QStringList entries;
    for (int row = 0; row < count; ++row)
        entries.append((row % 3 == 0 ? QStringLiteral("€") : QString()) + QString::number(row));
    if (entryRows) {
        WidgetTools().appendEntries(list, compact(entries));
    } else {
        list->addItems(entries);
    }
    QList<QListWidgetItem *> items;
    for (int row = 0; row < count; ++row)
        items.append(list->item(row));
    QSignalSpy changed(list->model(), &QAbstractItemModel::dataChanged);

    // Only entries ending in an odd digit change.
    WidgetTools().rewriteList(list, [](QList<quillmark::CompactText> &texts) {
        for (quillmark::CompactText &text : texts) {
            QString changed = text.toString();
            if (changed.back().digitValue() % 2 == 1)
                text = quillmark::CompactText(changed.append(u'!'));
        }
    });

    QCOMPARE(list->count(), count);
    for (int row = 0; row < count; ++row) {
        QCOMPARE(list->item(row), items.at(row));
        QCOMPARE(list->item(row)->text(), row % 2 == 1 ? entries.at(row) + u'!' : entries.at(row));
    }
    if (count == 0) {
        QCOMPARE(changed.size(), 0);
    } else {
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), 0);
        QCOMPARE(changed.first().at(1).value<QModelIndex>().row(), count - 1);
    }
}

// Save writes the file a block of rows at a time; the file must be the same
// as the whole list encoded at once: a byte-order mark only in front of the
// first entry, never in front of a later block that begins with U+FEFF.
void TestWidgetTools::saveWritesEveryBlockOnce()
{
    QStringList entries;
    for (int row = 0; row < 40000; ++row)
        entries.append(QStringLiteral("entry %1 é").arg(row));
    for (int row : {0, 16384, 32768})
        entries[row].prepend(QChar::ByteOrderMark);
    list->addItems(entries);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.txt"));

    WidgetTools().saveList(list, path);

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), quillmark::encodeEntries(compact(entries)));
}

// A rewrite of a long list takes noticeable time: the wait cursor shows while
// it runs and is gone afterwards.
void TestWidgetTools::rewriteShowsTheWaitCursor()
{
    list->addItems({"a", "b"});
    bool busy = false;
    WidgetTools().rewriteList(list, [&](QList<quillmark::CompactText> &) {
        busy = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    QVERIFY(busy);
    QVERIFY(!QGuiApplication::overrideCursor());
}

// The compact row is still a list item: its text, display and edit data are
// the entry's, a change of text reaches the view, and a copy keeps the text.
void TestWidgetTools::entryRowActsAsAnyItem()
{
    WidgetTools().appendEntries(list, {quillmark::CompactText(u"é"), quillmark::CompactText(u"€")});
    QCOMPARE(list->count(), 2);
    QListWidgetItem *item = list->item(1);
    QCOMPARE(item->type(), EntryItem::Type);
    QCOMPARE(item->text(), QStringLiteral("€"));
    QCOMPARE(item->data(Qt::EditRole).toString(), QStringLiteral("€"));
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("é"));

    QSignalSpy changed(list->model(), &QAbstractItemModel::dataChanged);
    item->setText(QStringLiteral("x"));
    QCOMPARE(item->text(), QStringLiteral("x"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), 1);
    const std::unique_ptr<QListWidgetItem> copy(item->clone());
    QCOMPARE(copy->text(), QStringLiteral("x"));
}

void TestWidgetTools::gridPlacesRowsAsSizingEach_data()
{
    QTest::addColumn<QStringList>("entries");
    // Whether the rows are surely equally high, and so laid out in a grid.
    QTest::addColumn<bool>("surelyInGrid");
    QTest::newRow("Latin-1") << QStringList{"iii", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", "a b", ""} << true;
    QTest::newRow("Cyrillic and CJK") << QStringList{"iii", QStringLiteral("Привет мир"), QStringLiteral("東京"), "W"}
                                      << false;
    QTest::newRow("emoji and Arabic") << QStringList{"a", QStringLiteral("smile \U0001F600"), QStringLiteral("مرحبا")}
                                      << false;
}

// Rows in a grid must sit exactly where sizing each row puts them, and the
// scroll bars reach as far, the widest row's end included.
void TestWidgetTools::gridPlacesRowsAsSizingEach()
{
    QFETCH(QStringList, entries);
    QFETCH(bool, surelyInGrid);
    list->resize(60, 40);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    WidgetTools().appendEntries(list, compact(entries + entries));
    WidgetTools().sortList(list);
    // A rewrite finds the rows' size from the new texts, and a sort keeps it.
    WidgetTools().rewriteList(list, [](QList<quillmark::CompactText> &texts) {
        quillmark::addAffixes(texts, {false, {}, true, QStringLiteral("W")});
    });
    WidgetTools().sortList(list);
    QCOMPARE(list->gridSize().isValid() || !surelyInGrid, true);
    // As the view has them now, laid out last before the sort or not.
    const auto placed = [&] {
        QList<QRect> places;
        for (int row = 0; row < list->count(); ++row)
            places.append(list->visualRect(list->model()->index(row, 0)));
        places.append(QRect(0, 0, list->horizontalScrollBar()->maximum(), list->verticalScrollBar()->maximum()));
        return places;
    };
    const QList<QRect> inGrid = placed();
    list->setGridSize(QSize());
    QCOMPARE(placed(), inGrid);
    // Any change from elsewhere turns the grid off.
    WidgetTools().sortList(list);
    list->addItem(QStringLiteral("added"));
    QVERIFY(!list->gridSize().isValid());
}

// On a grid the list repaints only the rows in view after a rewrite; the
// screen must show their new texts, not the old ones.
void TestWidgetTools::rewriteRepaintsRowsInView()
{
    list->resize(120, 80);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    // The widest row, out of view, keeps the grid as it was.
    WidgetTools().appendEntries(list, compact({"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf",
                                               "hotel", "india", "juliet", "kilo", "lima", QString(40, u'W')}));
    qobject_cast<EntryListWidget *>(list)->rowGrid().fit();
    QVERIFY(list->gridSize().isValid());
    const auto onScreen = [&] { return list->screen()->grabWindow(list->winId()).toImage(); };
    QTRY_COMPARE(onScreen(), list->grab().toImage());
    const QImage before = onScreen();

    const QSize grid = list->gridSize();
    WidgetTools().rewriteList(list, quillmark::convertToUpper);

    QCOMPARE(list->gridSize(), grid);
    QTRY_COMPARE(onScreen(), list->grab().toImage());
    QVERIFY(onScreen() != before);
}

QTEST_MAIN(TestWidgetTools)
#include "tst_widgettools.moc"
