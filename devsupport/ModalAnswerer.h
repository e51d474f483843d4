#pragma once

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>

#include <functional>

// Answers the modal dialogs a command opens, the moment each one's event loop
// starts, so that a test never hangs on one and a timing holds the command's
// own work and no waiting. File and folder dialogs get the queued answers in
// order (an empty answer, or none left, cancels); message boxes are recorded
// and closed with their OK button.
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
        qApp->installEventFilter(this);
    }

    // What the file and folder dialogs still to come are answered with.
    QStringList answers;
    QList<Box> boxes;
    // Captions of the file and folder dialogs in the order they were answered.
    QStringList dialogCaptions;
    // Whether the wait cursor was showing while a dialog or box was open.
    bool sawBusyCursorUnderModal = false;
    // Runs with each dialog or box just before it is answered, to inspect it
    // or to change the world under it.
    std::function<void(QWidget *modal)> beforeAnswer;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() != QEvent::Show || !dialog || !dialog->isWindow())
            return false;
        if (QGuiApplication::overrideCursor())
            sawBusyCursorUnderModal = true;
        // Queued, so that it runs inside the dialog's own event loop once
        // exec() has started; answering from the show event would be ignored.
        QMetaObject::invokeMethod(
                this, [this, guarded = QPointer<QDialog>(dialog)] { answer(guarded); }, Qt::QueuedConnection);
        return false;
    }

private:
    void answer(QDialog *dialog)
    {
        if (!dialog || !dialog->isVisible())
            return;
        if (beforeAnswer)
            beforeAnswer(dialog);
        if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            dialogCaptions.append(files->windowTitle());
            const QString path = answers.isEmpty() ? QString() : answers.takeFirst();
            if (path.isEmpty()) {
                files->reject();
            } else {
                files->selectFile(path);
                static_cast<QDialog *>(files)->done(QDialog::Accepted);
            }
        } else if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            boxes.append({box->windowTitle(), box->text(), box->icon(), box->parentWidget() != nullptr,
                          box->buttons().size(), box->windowIcon()});
            box->done(QMessageBox::Ok);
        } else {
            dialog->reject();
        }
    }
};
