#pragma once

#include "MainWindow.h"

#include <QAbstractButton>
#include <QFile>
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

// Returns the file's path. A test cannot go on without its input, so a file
// that cannot be written ends the run.
inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
    return path;
}

// Why the system refuses to open a path that cannot be opened, in its own
// words, so that a test expects the same reason on every platform.
inline QString reasonForNotOpening(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QStringLiteral("<it opens>") : file.errorString();
}

// A file that cannot be read gives a marker that no test expects as content.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot read>";
    return file.readAll();
}
