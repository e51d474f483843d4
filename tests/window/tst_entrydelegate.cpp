#include "ApplicationFont.h"
#include "EntryDelegate.h"
#include "EntryItem.h"
#include "WidgetTools.h"

#include <QListWidget>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTest>

// The list's rows are sized from cached advances instead of shaped text; the
// sizes must still be the ones the style would give, or the widest entry could
// be cut off or scrolled past.
class TestEntryDelegate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sizesMatchTheStyle_data();
    void sizesMatchTheStyle();
    void followsTheView_data();
    void followsTheView();
    void widthsFollowSortedTexts();
    void showsOnlyTheStartOfHugeEntries_data();
    void showsOnlyTheStartOfHugeEntries();

private:
    QSize sizeBy(const QAbstractItemDelegate &sizing, const QString &text) const;
    QSize sizeOfRow(const QAbstractItemDelegate &sizing, int row) const;
    QSize fastSize(const QString &text) const;
    QSize standardSize(const QString &text) const;

    QListWidget *list = nullptr;
    EntryDelegate *delegate = nullptr;
};

void TestEntryDelegate::initTestCase()
{
    useFittingFont();
    list = new QListWidget;
    delegate = new EntryDelegate(list);
    list->setItemDelegate(delegate);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list));
}

QSize TestEntryDelegate::sizeBy(const QAbstractItemDelegate &sizing, const QString &text) const
{
    list->clear();
    list->addItem(new EntryItem(quillmark::CompactText(text)));
    return sizeOfRow(sizing, 0);
}

QSize TestEntryDelegate::sizeOfRow(const QAbstractItemDelegate &sizing, int row) const
{
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.widget = list;
    option.font = list->font();
    return sizing.sizeHint(option, list->model()->index(row, 0));
}

QSize TestEntryDelegate::fastSize(const QString &text) const
{
    return sizeBy(*delegate, text);
}

QSize TestEntryDelegate::standardSize(const QString &text) const
{
    return sizeBy(QStyledItemDelegate(), text);
}

void TestEntryDelegate::sizesMatchTheStyle_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("word") << QStringLiteral("alpha");
    QTest::newRow("url") << QStringLiteral("https://www.example.org/path?key=7298");
    QTest::newRow("kerned pairs") << QStringLiteral("AVAVAV Type To WAVE LT");
    QTest::newRow("glyph past its advance last") << QStringLiteral("https://www.example.org/");
    QTest::newRow("leading spaces") << QStringLiteral("   indented");
    QTest::newRow("trailing spaces") << QStringLiteral("padded   ");
    QTest::newRow("Latin-1 letters") << QStringLiteral("Straße señor Müller café");
    QTest::newRow("euro sign") << QStringLiteral("Preis 20 € VAT");
    QTest::newRow("CJK then Latin after a space") << QStringLiteral("漢字 TANGO.JANUARY@host.invalid");
    QTest::newRow("Latin then CJK") << QStringLiteral("AVA 東京 To");
    QTest::newRow("Greek and Cyrillic") << QStringLiteral("Ωμέγα Привет AV");
    QTest::newRow("emoji") << QStringLiteral("smile \U0001F600 AV");
    QTest::newRow("tab") << QStringLiteral("key\tvalue");
    QTest::newRow("Arabic") << QStringLiteral("مرحبا بالعالم");
    QTest::newRow("combining accent") << QStringLiteral("cafe\u0301 AV");
    QTest::newRow("long") << QString(400, u'W');
    QTest::newRow("wider than 65,535 pixels") << QString(8000, u'W');
    QTest::newRow("leading digits") << QStringLiteral("12 AV");
    QTest::newRow("leading space before CJK") << QStringLiteral(" T東 AT");
    QTest::newRow("CJK, digits, Latin") << QStringLiteral("東京12AV");
    QTest::newRow("Cyrillic then Latin") << QStringLiteral("Привет AV");
    QTest::newRow("Latin then Cyrillic") << QStringLiteral("AV Привет");
    QTest::newRow("leading digits before Cyrillic") << QStringLiteral("12 Привет AV");
    QTest::newRow("leading spaces before CJK") << QStringLiteral("  東京 AV");
}

void TestEntryDelegate::sizesMatchTheStyle()
{
    QFETCH(QString, text);
    const QSize measured = fastSize(text);
    // Asked again, from the width the row remembers where it can.
    QCOMPARE(sizeOfRow(*delegate, 0), measured);
    QCOMPARE(measured, standardSize(text));
    // Measured as on a thread beside the view's, from what was measured
    // before alone, a text must remember the same width or be left over.
    const quillmark::CompactText copy(text);
    std::vector<const quillmark::CompactText *> unknown;
    delegate->rememberKnownWidths({&copy}, unknown);
    QVERIFY(unknown.size() == 1 || delegate->usualRowSize(delegate->rememberedWidth(copy)) == measured);
}

// A style that puts more room around an item's text than the application's.
class WideMarginStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_FocusFrameHMargin ? value + 20 : value;
    }
};

void TestEntryDelegate::followsTheView_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("newStyle"); // else a font three times as large
    QTest::newRow("font, shaped text") << QStringLiteral("Type AV 東京") << false;
    QTest::newRow("font, remembered width") << QStringLiteral("Type AV") << false;
    QTest::newRow("style with larger margins, remembered width") << QStringLiteral("Type AV") << true;
}

void TestEntryDelegate::followsTheView()
{
    QFETCH(QString, text);
    QFETCH(bool, newStyle);
    // Measured once in the view's first look, then in its new one.
    const QSize before = fastSize(text);
    WideMarginStyle style;
    QFont larger = list->font();
    larger.setPointSize(larger.pointSize() * 3);
    newStyle ? list->setStyle(&style) : list->setFont(larger);
    const QSize after = sizeOfRow(*delegate, 0);
    const QSize expected = standardSize(text);
    list->setFont(QFont());
    list->setStyle(nullptr);
    QCOMPARE(after, expected);
    QVERIFY(after.width() > before.width() * (newStyle ? 1 : 2));
}

// Rows remember their widths, and a sort moves the texts between rows.
void TestEntryDelegate::widthsFollowSortedTexts()
{
    list->clear();
    for (const char *text : {"WWWWWWWW", "iii", "MMMM"})
        list->addItem(new EntryItem(quillmark::CompactText::fromLatin1(text)));
    for (int row = 0; row < list->count(); ++row)
        sizeOfRow(*delegate, row);
    WidgetTools().sortList(list);
    for (int row = 0; row < list->count(); ++row)
        QCOMPARE(sizeOfRow(*delegate, row), sizeOfRow(QStyledItemDelegate(), row));
    QCOMPARE(list->item(0)->text(), QStringLiteral("MMMM"));
}

void TestEntryDelegate::showsOnlyTheStartOfHugeEntries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("shown");
    QTest::newRow("short entry whole") << QString(100, u'x') << qsizetype(100);
    QTest::newRow("long line cut") << QString(100000, u'x') << qsizetype(32768);
    const QString grin = QStringLiteral("\U0001F600");
    QTest::newRow("pair at the cut kept whole") << QString(32767, u'x') + grin + grin << qsizetype(32767);
}

void TestEntryDelegate::showsOnlyTheStartOfHugeEntries()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, shown);
    struct Exposed : EntryDelegate {
        using EntryDelegate::EntryDelegate;
        using EntryDelegate::initStyleOption;
    } exposed;
    list->clear();
    list->addItem(text);
    QStyleOptionViewItem option;
    exposed.initStyleOption(&option, list->model()->index(0, 0));
    QCOMPARE(option.text, text.left(shown));
}

QTEST_MAIN(TestEntryDelegate)
#include "tst_entrydelegate.moc"
