#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Answers every modal dialog the moment its event loop starts, so a timing
// holds the command's own work and no polling delay. File and folder dialogs
// get the path set with setPath; a message box is recorded and closed.
class ImmediateAnswerer : public QObject
{
public:
    ImmediateAnswerer();

    void setPath(const QString &path) { answer = path; }

    // Texts of the message boxes that came up: in a benchmark run every one
    // is a failure.
    QStringList boxes;
    // Dialogs or boxes that opened under the wait cursor.
    int busyUnderModal = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString answer;
};
