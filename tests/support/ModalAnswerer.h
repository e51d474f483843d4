#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the modal dialogs a command opens, so a test never hangs on one.
// File and folder dialogs get the queued answers in order (an empty answer
// cancels); message boxes are recorded and closed with their OK button.
class ModalAnswerer : public QObject
{
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        bool hasParent;
        qsizetype buttonCount;
        QIcon windowIcon;
    };

    explicit ModalAnswerer(QStringList fileAnswers = {})
        : answers(std::move(fileAnswers))
    {
        connect(&timer, &QTimer::timeout, this, [this] { answer(); });
        timer.start(5);
    }

    QList<Box> boxes;
    // Captions of the file and folder dialogs in the order they were answered.
    QStringList dialogCaptions;
    // Whether the wait cursor was showing while a dialog or box was open.
    bool sawBusyCursorUnderModal = false;
    // Runs with each dialog or box just before it is answered, to inspect it
    // or to change the world under it.
    std::function<void(QWidget *modal)> beforeAnswer;

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (QGuiApplication::overrideCursor())
            sawBusyCursorUnderModal = true;
        if (beforeAnswer)
            beforeAnswer(modal);
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            dialogCaptions.append(dialog->windowTitle());
            const QString path = answers.isEmpty() ? QString() : answers.takeFirst();
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(path);
                static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
            }
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->windowTitle(), box->text(), box->icon(), box->parentWidget() != nullptr,
                          box->buttons().size(), box->windowIcon()});
            box->done(QMessageBox::Ok);
        } else {
            modal->close();
        }
    }

    QStringList answers;
    QTimer timer;
};
