#include "ImmediateAnswerer.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

ImmediateAnswerer::ImmediateAnswerer()
{
    qApp->installEventFilter(this);
}

bool ImmediateAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (event->type() != QEvent::Show || !dialog || !dialog->isWindow())
        return false;
    if (QGuiApplication::overrideCursor())
        ++busyUnderModal;
    // Queued, so it runs inside the dialog's own event loop once exec() has
    // started; answering from the show event would be ignored.
    const QPointer<QDialog> guarded(dialog);
    QMetaObject::invokeMethod(
            this,
            [this, guarded] {
                if (!guarded)
                    return;
                if (auto *files = qobject_cast<QFileDialog *>(guarded.data())) {
                    files->selectFile(answer);
                    static_cast<QDialog *>(files)->done(QDialog::Accepted);
                } else if (auto *box = qobject_cast<QMessageBox *>(guarded.data())) {
                    boxes.append(box->text());
                    box->done(QMessageBox::Ok);
                } else {
                    guarded->reject();
                }
            },
            Qt::QueuedConnection);
    return false;
}
