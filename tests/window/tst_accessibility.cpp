#include "WindowFixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

// A screen reader announces a line edit by its accessible name, so each edit
// must be named after the text a sighted user reads beside it.
class TestAccessibility : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyLineEditIsNamed();
    void nameMatchesTheTextBeside_data();
    void nameMatchesTheTextBeside();
};

namespace {

QString visibleText(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    return {};
}

bool sameRow(const QRect &a, const QRect &b)
{
    return a.top() < b.bottom() && b.top() < a.bottom();
}

// The nearest label or check box in the same row on one side of the edit;
// push buttons act rather than describe, so they never name an edit.
QWidget *nearestBeside(const QLineEdit *edit, bool leftSide)
{
    QWidget *nearest = nullptr;
    int nearestDistance = 0;
    const QRect editRect = edit->geometry();
    for (QObject *object : edit->parentWidget()->children()) {
        auto *widget = qobject_cast<QWidget *>(object);
        if (!widget || widget == edit || qobject_cast<QPushButton *>(widget) || visibleText(widget).isEmpty())
            continue;
        const QRect rect = widget->geometry();
        if (!sameRow(rect, editRect))
            continue;
        const int distance = leftSide ? editRect.left() - rect.left() : rect.left() - editRect.right();
        if (distance <= 0)
            continue;
        if (!nearest || distance < nearestDistance) {
            nearest = widget;
            nearestDistance = distance;
        }
    }
    return nearest;
}

// Each edit, the text before it and, where the sentence goes on after the
// edit, the text that ends it.
struct Row {
    const char *edit;
    const char *before;
    const char *after;
};
const Row rows[] = {
    {"txtReplaceBefore", "label", ""},
    {"txtReplaceAfter", "label_2", ""},
    {"txtRemoveAllAfter", "label_3", ""},
    {"txtAddStringInFront", "chkAddStringInFrontAll", ""},
    {"txtAddStringAfterAll", "chkAddStringAfterAll", ""},
    {"txtEntryCount", "label_4", "label_5"},
    {"txtFileText", "label_6", ""},
};

QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

void TestAccessibility::init()
{
    QVERIFY(showWindow());
}

void TestAccessibility::cleanup()
{
    closeWindow();
}

void TestAccessibility::everyLineEditIsNamed()
{
    const QList<QLineEdit *> edits = window->findChildren<QLineEdit *>();
    QVERIFY(!edits.isEmpty());
    for (QLineEdit *edit : edits) {
        const QByteArray name = edit->objectName().toLatin1();
        QVERIFY2(std::any_of(std::begin(rows), std::end(rows), [&](const Row &row) { return name == row.edit; }),
                 QByteArray(name + " has no row in this test: name it after its label and add it").constData());
        QVERIFY2(!accessibleName(edit).isEmpty(), name.constData());
    }
}

void TestAccessibility::nameMatchesTheTextBeside_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    for (const Row &row : rows)
        QTest::newRow(row.edit) << QString::fromLatin1(row.edit) << QString::fromLatin1(row.before)
                                << QString::fromLatin1(row.after);
}

void TestAccessibility::nameMatchesTheTextBeside()
{
    QFETCH(QString, edit);
    QFETCH(QString, before);
    QFETCH(QString, after);

    auto *lineEdit = child<QLineEdit>(edit);
    QVERIFY(lineEdit);
    QWidget *beforeWidget = child(before);
    QVERIFY(beforeWidget);
    QCOMPARE(nearestBeside(lineEdit, true), beforeWidget);
    QString expected = visibleText(beforeWidget);
    if (!after.isEmpty()) {
        QWidget *afterWidget = child(after);
        QVERIFY(afterWidget);
        QCOMPARE(nearestBeside(lineEdit, false), afterWidget);
        expected += QStringLiteral(" \u2026 ") + visibleText(afterWidget);
    }
    QCOMPARE(accessibleName(lineEdit), expected);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
