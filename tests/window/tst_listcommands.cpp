#include "ModalAnswerer.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using Fields = QVariantMap; // object name -> text of a line edit, or state of a check box
Q_DECLARE_METATYPE(Fields)

// Every input field holds text that would show in the result if the wrong
// command read it, or read a field whose box is not checked.
static const Fields distractors{
        {"txtReplaceBefore", "an"},     {"txtReplaceAfter", "#"},      {"txtRemoveAllAfter", "n"},
        {"txtAddStringInFront", "<"},   {"txtAddStringAfterAll", ">"}, {"txtEntryCount", "1"},
        {"txtFileText", "f"},           {"chkAddStringInFrontAll", false}, {"chkAddStringAfterAll", false},
};
static const QString sentinelTitle = QStringLiteral("Quillmark [42]");

class TestListCommands : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rewritesInPlace_data();
    void rewritesInPlace();
    void caseButtonConvertsOnEveryClick_data();
    void caseButtonConvertsOnEveryClick();
    void titleFromCount_data();
    void titleFromCount();
    void longRewrittenEntryStaysReachable_data();
    void longRewrittenEntryStaysReachable();
    void rewriteRepaintsTheView();

private:
    void setFields(const Fields &fields);
    Fields readFields() const;
    void click(const QString &button);
};

void TestListCommands::init()
{
    QVERIFY(showWindow());
    setFields(distractors);
    window->setWindowTitle(sentinelTitle);
}

void TestListCommands::cleanup()
{
    closeWindow();
}

void TestListCommands::setFields(const Fields &fields)
{
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (auto *edit = child<QLineEdit>(it.key()))
            edit->setText(it.value().toString());
        else
            child<QCheckBox>(it.key())->setChecked(it.value().toBool());
    }
}

Fields TestListCommands::readFields() const
{
    Fields fields;
    for (auto it = distractors.begin(); it != distractors.end(); ++it) {
        if (auto *edit = child<QLineEdit>(it.key()))
            fields.insert(it.key(), edit->text());
        else
            fields.insert(it.key(), child<QCheckBox>(it.key())->isChecked());
    }
    return fields;
}

// Every command must leave no wait cursor behind.
void TestListCommands::click(const QString &button)
{
    WindowFixture::click(button);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestListCommands::rewritesInPlace_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QStringList>("expected");
    // Entries: "Banana", "x", "".
    QTest::newRow("replace") << "btnReplace" << Fields{} << QStringList{"B##a", "x", ""};
    QTest::newRow("replace, empty 'with'") << "btnReplace" << Fields{{"txtReplaceAfter", ""}} << QStringList{"Ba", "x", ""};
    QTest::newRow("remove all after") << "btnRemove" << Fields{} << QStringList{"Ban", "x", ""};
    QTest::newRow("remove, empty marker") << "btnRemove" << Fields{{"txtRemoveAllAfter", ""}} << QStringList{"", "", ""};
    QTest::newRow("add, nothing checked") << "btnAddToAll" << Fields{} << QStringList{"Banana", "x", ""};
    QTest::newRow("add in front only") << "btnAddToAll" << Fields{{"chkAddStringInFrontAll", true}}
                                       << QStringList{"<Banana", "<x", "<"};
    QTest::newRow("add after only") << "btnAddToAll" << Fields{{"chkAddStringAfterAll", true}}
                                    << QStringList{"Banana>", "x>", ">"};
    QTest::newRow("add both") << "btnAddToAll" << Fields{{"chkAddStringInFrontAll", true}, {"chkAddStringAfterAll", true}}
                              << QStringList{"<Banana>", "<x>", "<>"};
    QTest::newRow("upper") << "rbConvertAllToUppercase" << Fields{} << QStringList{"BANANA", "X", ""};
    QTest::newRow("lower") << "rbConvertAllToLowercase" << Fields{} << QStringList{"banana", "x", ""};
    QTest::newRow("sort") << "btnSort" << Fields{} << QStringList{"", "Banana", "x"};
}

// Each command reads its own fields only, writes the new texts into the same
// item objects in one change notice, and leaves title, fields, current row and
// selection alone.
void TestListCommands::rewritesInPlace()
{
    QFETCH(QString, button);
    QFETCH(Fields, fields);
    QFETCH(QStringList, expected);
    setFields(fields);
    const Fields before = readFields();
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->addItems({"Banana", "x", ""});
    QList<QListWidgetItem *> items;
    for (int row = 0; row < list->count(); ++row)
        items.append(list->item(row));
    list->setCurrentRow(1);
    list->item(2)->setSelected(true);
    const QList<QListWidgetItem *> selected = list->selectedItems();
    QSignalSpy changed(list->model(), &QAbstractItemModel::dataChanged);
    ModalAnswerer answerer;

    click(button);

    QCOMPARE(texts(), expected);
    QCOMPARE(window->windowTitle(), sentinelTitle);
    QCOMPARE(readFields(), before);
    for (int row = 0; row < list->count(); ++row)
        QCOMPARE(list->item(row), items.at(row));
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->selectedItems(), selected);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), 0);
    QCOMPARE(changed.first().at(1).value<QModelIndex>().row(), 2);
    QVERIFY(answerer.boxes.isEmpty());
    QVERIFY(answerer.dialogCaptions.isEmpty());
}

void TestListCommands::caseButtonConvertsOnEveryClick_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("upper") << "rbConvertAllToUppercase" << QStringList{"MIXED", QStringLiteral("STRASSE")};
    QTest::newRow("lower") << "rbConvertAllToLowercase" << QStringList{"mixed", QStringLiteral("straße")};
}

void TestListCommands::caseButtonConvertsOnEveryClick()
{
    QFETCH(QString, button);
    QFETCH(QStringList, expected);
    const QStringList mixed{"mIxEd", QStringLiteral("Straße")};
    list->addItems(mixed);
    for (int round = 0; round < 3; ++round) {
        for (int row = 0; row < list->count(); ++row)
            list->item(row)->setText(mixed.at(row));
        click(button);
        QVERIFY(child<QRadioButton>(button)->isChecked());
        QCOMPARE(texts(), expected);
    }
}

void TestListCommands::titleFromCount_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("title");
    QTest::newRow("prune x y x") << "btnPrune" << QStringList{"x", "y", "x"} << QStringList{"x", "y"} << "Quillmark [2]";
    QTest::newRow("prune, same ending") << "btnPrune" << QStringList{"January report", "February report"}
                                        << QStringList{"January report", "February report"} << "Quillmark [2]";
    QTest::newRow("prune, no repeats") << "btnPrune" << QStringList{QStringLiteral("€")}
                                       << QStringList{QStringLiteral("€")} << "Quillmark [1]";
    // Survivors move to the last rows and the rows before them go.
    QTest::newRow("prune, repeats first, last and between")
            << "btnPrune" << QStringList{"a", "a", "b", "a", "c", "b", "d", "d"} << QStringList{"a", "b", "c", "d"}
            << "Quillmark [4]";
    QTest::newRow("prune empty list") << "btnPrune" << QStringList{} << QStringList{} << "Quillmark [0]";
    QTest::newRow("clear") << "btnClear" << QStringList{"a", "b"} << QStringList{} << "Quillmark [0]";
    QTest::newRow("clear empty list") << "btnClear" << QStringList{} << QStringList{} << "Quillmark [0]";
}

void TestListCommands::titleFromCount()
{
    QFETCH(QString, button);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    QFETCH(QString, title);
    list->addItems(entries);
    ModalAnswerer answerer;
    click(button);
    QCOMPARE(texts(), expected);
    QCOMPARE(window->windowTitle(), title);
    QVERIFY(answerer.boxes.isEmpty());
}

void TestListCommands::longRewrittenEntryStaysReachable_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<Fields>("fields");
    const QString wide(400, u'W');
    QTest::newRow("replace one deep entry") << "btnReplace"
                                            << Fields{{"txtReplaceBefore", "target"}, {"txtReplaceAfter", wide}};
    QTest::newRow("suffix on all") << "btnAddToAll" << Fields{{"chkAddStringAfterAll", true}, {"txtAddStringAfterAll", wide}};
}

// The view must learn of the new texts' sizes: an entry that a rewrite made
// wider than the view can be scrolled to, also far down a long list.
void TestListCommands::longRewrittenEntryStaysReachable()
{
    QFETCH(QString, button);
    QFETCH(Fields, fields);
    QStringList entries(5000, QStringLiteral("short"));
    entries[4000] = QStringLiteral("target");
    list->addItems(entries);
    setFields(fields);
    QTest::qWait(100);
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
    click(button);
    // The view lays rows out in batches, so the entry is reachable once its
    // batch is done: scroll to it and to the right end until it shows there.
    QListWidgetItem *item = list->item(4000);
    const auto reachable = [&] {
        list->scrollToItem(item);
        list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
        const QRect rect = list->visualItemRect(item);
        const int width = list->viewport()->width();
        return rect.isValid() && rect.left() < 0 && rect.right() <= width + 1 && rect.right() >= width - 20;
    };
    QTRY_VERIFY(reachable());
}

// The screen shows the new texts: a rewrite repaints the list, although the
// click itself only touches the button.
void TestListCommands::rewriteRepaintsTheView()
{
    class PaintCounter : public QObject
    {
    public:
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    list->addItems({"a", "b"});
    auto *button = child<QPushButton>(QStringLiteral("btnReplace"));
    setFields({{"txtReplaceBefore", "a"}, {"txtReplaceAfter", "A"}});
    button->setFocus();
    QTest::qWait(100);
    list->viewport()->installEventFilter(&counter);
    click(QStringLiteral("btnReplace"));
    QTRY_VERIFY(counter.paints > 0);
    QCOMPARE(texts(), (QStringList{"A", "b"}));
}

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
