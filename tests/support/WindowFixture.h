#pragma once

#include "MainWindow.h"
#include "TestFiles.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

// The real main window, on screen as a user first meets it, for tests that
// drive it through its widgets. A test class derives from it beside QObject
// and calls showWindow() from init() and closeWindow() from cleanup(), so
// that no test function sees what another one left in the window.
class WindowFixture
{
public:
    WindowFixture() = default;
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;
    ~WindowFixture() { closeWindow(); }

    // False when the window never reached the screen; clicks and geometry
    // mean nothing until it has.
    [[nodiscard]] bool showWindow()
    {
        closeWindow();
        window = new MainWindow;
        window->show();
        const bool exposed = QTest::qWaitForWindowExposed(window);
        list = child<QListWidget>(QStringLiteral("listWidget"));
        return exposed;
    }

    void closeWindow()
    {
        delete window;
        window = nullptr;
        list = nullptr;
    }

    // An empty name finds nothing: findChild would take it to mean any name,
    // and a missing name would go unnoticed.
    template <typename T = QWidget>
    T *child(const QString &name) const
    {
        return name.isEmpty() ? nullptr : window->findChild<T *>(name);
    }

    // Read from the items row by row rather than through the code under
    // test, so that a fault there cannot hide itself.
    QStringList texts() const
    {
        QStringList result;
        for (int row = 0; row < list->count(); ++row)
            result.append(list->item(row)->text());
        return result;
    }

    // A real click with the mouse; on a radio button, on its indicator, which
    // takes the click however wide the button and its text are.
    void click(const QString &button) const
    {
        auto *widget = child<QAbstractButton>(button);
        QVERIFY2(widget, qPrintable(button));
        QPoint at = widget->rect().center();
        if (qobject_cast<QRadioButton *>(widget)) {
            QStyleOptionButton option;
            option.initFrom(widget);
            at = widget->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, widget).center();
        }
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    }

protected:
    MainWindow *window = nullptr;
    QListWidget *list = nullptr;
};
