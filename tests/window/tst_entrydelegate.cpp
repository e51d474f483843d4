#include "ApplicationFont.h"
#include "EntryDelegate.h"
#include "EntryItem.h"
#include "EntryListWidget.h"
#include "WidgetTools.h"

#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTest>

#include <thread>

// The list's rows are sized from the lines their texts remember, summed from
// measured advances or laid out beside the list's thread; the sizes must
// still be the ones the style would give, or the widest entry could be cut
// off or scrolled past.
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

    EntryListWidget *list = nullptr;
    const EntryDelegate *delegate = nullptr;
};

void TestEntryDelegate::initTestCase()
{
    useFittingFont();
    list = new EntryListWidget;
    delegate = &list->readyDelegate();
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
    // Whether, its pieces learnt, it is summed rather than laid out.
    QTest::addColumn<bool>("summed");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("word") << QStringLiteral("alpha") << true;
    QTest::newRow("url") << QStringLiteral("https://www.example.org/path?key=7298") << true;
    QTest::newRow("kerned pairs") << QStringLiteral("AVAVAV Type To WAVE LT") << true;
    QTest::newRow("glyph past its advance last") << QStringLiteral("https://www.example.org/") << true;
    QTest::newRow("leading spaces") << QStringLiteral("   indented") << true;
    QTest::newRow("trailing spaces") << QStringLiteral("padded   ") << true;
    QTest::newRow("Latin-1 letters") << QStringLiteral("Straße señor Müller café") << true;
    QTest::newRow("euro sign") << QStringLiteral("Preis 20 € VAT") << true;
    QTest::newRow("CJK then Latin after a space") << QStringLiteral("漢字 TANGO.JANUARY@host.invalid") << true;
    QTest::newRow("Latin then CJK") << QStringLiteral("AVA 東京 To") << true;
    QTest::newRow("Greek and Cyrillic") << QStringLiteral("Ωμέγα Привет AV") << true;
    QTest::newRow("emoji") << QStringLiteral("smile \U0001F600 AV") << true;
    QTest::newRow("tab") << QStringLiteral("key\tvalue") << true;
    QTest::newRow("tab right before a stop") << QString(15, u'W') + QStringLiteral("\tAV") << true;
    QTest::newRow("tabs and kerning") << QStringLiteral("AV\tVA\t\tTo") << true;
    QTest::newRow("trailing tab") << QStringLiteral("word\t") << true;
    QTest::newRow("tab after CJK") << QStringLiteral("東京\t12AV") << true;
    QTest::newRow("kerned letter before a trailing space") << QStringLiteral("AT ") << true;
    QTest::newRow("no-break space last") << QStringLiteral("price\u00a0") << true;
    QTest::newRow("Arabic") << QStringLiteral("مرحبا بالعالم") << true;
    QTest::newRow("combining accent") << QStringLiteral("cafe\u0301 AV") << true;
    QTest::newRow("Arabic with a number") << QStringLiteral("الأخبار اليوم 2024") << true;
    QTest::newRow("Arabic beside Latin") << QStringLiteral("Peach كتاب جديد") << true;
    QTest::newRow("Latin affixes on Arabic") << QStringLiteral("pre_كتاب جديد 12_suf") << true;
    QTest::newRow("Latin in a right-to-left line") << QStringLiteral("كتاب Peach 12 AV") << true;
    QTest::newRow("number before Arabic") << QStringLiteral("2024 كتاب") << false;
    QTest::newRow("percent after Arabic digits") << QStringLiteral("خصم 50% AV") << false;
    QTest::newRow("Persian joiner") << QStringLiteral("می\u200Cخواهم کتاب") << true;
    QTest::newRow("brackets in Arabic") << QStringLiteral("(كتاب) AV") << false;
    QTest::newRow("explicit embedding") << QStringLiteral("\u202Bكتاب AV\u202C") << false;
    QTest::newRow("Hebrew") << QStringLiteral("שלום עולם") << true;
    QTest::newRow("Devanagari conjuncts") << QStringLiteral("क्षत्रिय प्रेम स्वतंत्रता") << true;
    QTest::newRow("Thai marks") << QStringLiteral("น้ำที่ผู้หญิง") << true;
    QTest::newRow("CJK and kana") << QStringLiteral("東京タワーありがとう中文") << true;
    QTest::newRow("Hangul") << QStringLiteral("서울 안녕하세요") << true;
    QTest::newRow("taller fallback glyph in Latin") << QStringLiteral("abc ส def") << true;
    QTest::newRow("emoji last") << QStringLiteral("smile \U0001F600") << true;
    QTest::newRow("skin tone") << QStringLiteral("ok \U0001F44D\U0001F3FD AV") << true;
    QTest::newRow("ZWJ family") << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467 home") << true;
    QTest::newRow("ZWJ family after kana") << QStringLiteral("タワー\U0001F468\u200D\U0001F469\u200D\U0001F467") << true;
    QTest::newRow("emoji in a CJK run") << QStringLiteral("東京 \U0001F600 \u2764\uFE0F 中文") << true;
    QTest::newRow("flags") << QStringLiteral("\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7 AV") << true;
    QTest::newRow("heart with variation selector") << QStringLiteral("I \u2764\uFE0F it") << true;
    QTest::newRow("astral letter") << QStringLiteral("\U0001D400 bold") << false;
    const auto decomposed = [](const QString &text) { return text.normalized(QString::NormalizationForm_D); };
    QTest::newRow("decomposed accents") << decomposed(QStringLiteral("Ångström café")) << true;
    QTest::newRow("two marks on a letter") << decomposed(QStringLiteral("Nguyễn AV")) << true;
    QTest::newRow("mark last") << QStringLiteral("Zoe\u0308") << true;
    QTest::newRow("mark on a space") << QStringLiteral("a \u0301b") << false;
    QTest::newRow("control character") << QStringLiteral("bell\u0007AV") << false;
    QTest::newRow("line separator") << QStringLiteral("two\u2028lines") << false;
    QTest::newRow("long") << QString(400, u'W') << true;
    QTest::newRow("wider than 65,535 pixels") << QString(8000, u'W') << true;
    QTest::newRow("leading digits") << QStringLiteral("12 AV") << true;
    QTest::newRow("leading space before CJK") << QStringLiteral(" T東 AT") << true;
    QTest::newRow("CJK, digits, Latin") << QStringLiteral("東京12AV") << true;
    QTest::newRow("Cyrillic then Latin") << QStringLiteral("Привет AV") << true;
    QTest::newRow("Latin then Cyrillic") << QStringLiteral("AV Привет") << true;
    QTest::newRow("leading digits before Cyrillic") << QStringLiteral("12 Привет AV") << true;
    QTest::newRow("leading spaces before CJK") << QStringLiteral("  東京 AV") << true;
}

void TestEntryDelegate::sizesMatchTheStyle()
{
    QFETCH(QString, text);
    QFETCH(bool, summed);
    const QSize measured = fastSize(text);
    // Asked again, from the width the row remembers where it can.
    QCOMPARE(sizeOfRow(*delegate, 0), measured);
    QCOMPARE(measured, standardSize(text));
    // Measured on a thread beside the view's, from what was learnt before
    // or laid out in that thread's font, a text must remember the same line
    // or be left over for learning.
    const LineMeasurer &measurer = delegate->measurer();
    const auto beside = measurer.measureBeside(quillmark::CompactText(text), nullptr);
    QCOMPARE(beside == LineMeasurer::Beside::Measured, summed);
    const quillmark::CompactText copy(text);
    bool measuredBeside = false;
    std::thread([&] {
        const QFont font = measurer.threadFont();
        measuredBeside = measurer.measureBeside(copy, &font) == LineMeasurer::Beside::Measured;
    }).join();
    if (measuredBeside)
        QCOMPARE(delegate->rowSize(measurer.remembered(copy)), measured);
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
    QTest::newRow("font, text all in a fallback font") << QStringLiteral("मरहबा दुनिया") << false;
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
