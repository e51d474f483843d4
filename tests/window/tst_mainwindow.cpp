#include "ApplicationFont.h"
#include "WindowFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

class TestMainWindow : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowFrame();
    void widgets_data();
    void widgets();
    void startState();
    void pointingHandOnlyOverPushButtons();
    void textsFitTheirWidgets();
    void longEntriesStayReachable();
};

void TestMainWindow::initTestCase()
{
    useFittingFont();
}

void TestMainWindow::init()
{
    QVERIFY(showWindow());
}

void TestMainWindow::cleanup()
{
    closeWindow();
}

void TestMainWindow::windowFrame()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillmark [0]"));
    QCOMPARE(window->size(), QSize(372, 660));
    QCOMPARE(window->minimumSize(), QSize(372, 618));
    QCOMPARE(window->maximumSize(), QSize(372, 660));
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("centralWidget"));
    QCOMPARE(window->qt_metacast("MainWindow"), static_cast<void *>(window));
}

void TestMainWindow::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("listWidget") << "listWidget" << "QListWidget" << "centralWidget" << QRect(10, 10, 351, 231) << "";
    QTest::newRow("groupBox") << "groupBox" << "QGroupBox" << "centralWidget" << QRect(10, 250, 351, 86) << "";
    QTest::newRow("btnPrune") << "btnPrune" << "QPushButton" << "groupBox" << QRect(79, 10, 61, 31) << "Prune";
    QTest::newRow("rbConvertAllToUppercase") << "rbConvertAllToUppercase" << "QRadioButton" << "groupBox"
                                             << QRect(136, 61, 121, 16) << "Convert to Upper";
    QTest::newRow("groupBox_2") << "groupBox_2" << "QGroupBox" << "centralWidget" << QRect(10, 340, 351, 84)
                                << "Replace and Remove";
    QTest::newRow("label_2") << "label_2" << "QLabel" << "groupBox_2" << QRect(230, 24, 31, 16) << "with";
    QTest::newRow("txtRemoveAllAfter") << "txtRemoveAllAfter" << "QLineEdit" << "groupBox_2"
                                       << QRect(210, 55, 131, 21) << "";
    QTest::newRow("chkAddStringInFrontAll") << "chkAddStringInFrontAll" << "QCheckBox" << "groupBox_3"
                                            << QRect(9, 20, 171, 20) << "Add string in front";
    QTest::newRow("btnAddToAll") << "btnAddToAll" << "QPushButton" << "groupBox_3" << QRect(10, 70, 331, 23)
                                 << "Add String to All";
    QTest::newRow("label_6") << "label_6" << "QLabel" << "groupBox_4" << QRect(10, 45, 171, 16)
                             << "Each file will being with the word";
    QTest::newRow("txtEntryCount") << "txtEntryCount" << "QLineEdit" << "groupBox_4" << QRect(140, 18, 141, 20)
                                   << "5000";
    QTest::newRow("progressBar") << "progressBar" << "QProgressBar" << "groupBox_4" << QRect(11, 95, 364, 16) << "";
}

void TestMainWindow::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    QWidget *widget = child(name);
    QVERIFY(widget);
    // The form's class, or one made from it, as the list is.
    QVERIFY2(widget->inherits(className.toLatin1().constData()), widget->metaObject()->className());
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), text);
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(group->title(), text);
}

void TestMainWindow::startState()
{
    QVERIFY(child<QRadioButton>("rbDoNothing")->isChecked());
    QVERIFY(!child<QRadioButton>("rbConvertAllToLowercase")->isChecked());
    QVERIFY(!child<QRadioButton>("rbConvertAllToUppercase")->isChecked());
    QVERIFY(!child<QCheckBox>("chkAddStringInFrontAll")->isChecked());
    QVERIFY(!child<QCheckBox>("chkAddStringAfterAll")->isChecked());
    for (QLineEdit *edit : window->findChildren<QLineEdit *>()) {
        if (edit->objectName() != QLatin1String("txtEntryCount"))
            QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
    }
    auto *bar = child<QProgressBar>("progressBar");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->text(), QString());
    QCOMPARE(child<QListWidget>("listWidget")->count(), 0);
    QCOMPARE(child<QLabel>("label_2")->alignment(), Qt::AlignCenter);
    QCOMPARE(child<QLineEdit>("txtEntryCount")->alignment(), Qt::AlignCenter);
    const auto lines = window->findChildren<QFrame *>(QRegularExpression(QStringLiteral("^line(_2)?$")));
    QCOMPARE(lines.size(), 2);
    for (const QFrame *line : lines) {
        QCOMPARE(line->frameShape(), QFrame::HLine);
        QCOMPARE(line->frameShadow(), QFrame::Sunken);
    }
}

void TestMainWindow::pointingHandOnlyOverPushButtons()
{
    int hands = 0;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const bool isPushButton = qobject_cast<QPushButton *>(widget) != nullptr;
        const bool hasHand = widget->testAttribute(Qt::WA_SetCursor)
                && widget->cursor().shape() == Qt::PointingHandCursor;
        QVERIFY2(hasHand == isPushButton, qPrintable(widget->objectName()));
        hands += hasHand;
    }
    QCOMPARE(hands, 9);
}

// Every caption must be readable at the fixed geometry: the text's advance
// plus what the style puts beside it must fit the widget's width.
void TestMainWindow::textsFitTheirWidgets()
{
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const QFontMetrics metrics(widget->font());
        QStyle *style = widget->style();
        int needed = 0;
        if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
            needed = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio)
                    + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio)
                    + metrics.horizontalAdvance(radio->text());
        } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
            needed = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check)
                    + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check)
                    + metrics.horizontalAdvance(check->text());
        } else if (auto *push = qobject_cast<QPushButton *>(widget)) {
            needed = 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, push)
                    + metrics.horizontalAdvance(push->text());
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            needed = 2 * label->margin() + 2 * label->frameWidth() + metrics.horizontalAdvance(label->text());
        } else {
            continue;
        }
        QVERIFY2(needed <= widget->width(),
                 qPrintable(QStringLiteral("%1 needs %2 px, has %3 (font %4)")
                                    .arg(widget->objectName())
                                    .arg(needed)
                                    .arg(widget->width())
                                    .arg(widget->font().toString())));
    }
}

// A list of many entries must still lay out every row: an entry wider than the
// view can be scrolled to.
void TestMainWindow::longEntriesStayReachable()
{
    QStringList entries(5000, QStringLiteral("short"));
    entries[4000] = QString(400, u'W');
    list->addItems(entries);
    QTRY_VERIFY(list->horizontalScrollBar()->maximum() > 0);
    list->scrollToItem(list->item(4000));
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    QVERIFY(list->visualItemRect(list->item(4000)).right() <= list->viewport()->width() + 1);
    QVERIFY(list->visualItemRect(list->item(4000)).right() >= list->viewport()->width() - 20);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
