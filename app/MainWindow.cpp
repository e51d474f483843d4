#include "MainWindow.h"

#include "ui_MainWindow.h"

#include "BreakUpPlan.h"
#include "BusyCursor.h"
#include "EntryCodec.h"
#include "EntryRewrites.h"
#include "FileWriting.h"
#include "MessageTexts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

using Entries = QList<quillmark::CompactText>;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    ui->setupUi(this);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::showItemCount()
{
    setWindowTitle(QStringLiteral("Quillmark [%1]").arg(ui->listWidget->count()));
}

void MainWindow::showBreakUpMessage(const QString &text)
{
    QMessageBox box(QMessageBox::Information, windowTitle(), text);
    box.setWindowIcon(windowIcon());
    box.exec();
}

void MainWindow::on_btnClear_clicked()
{
    {
        const BusyCursor busy;
        tools.releaseTexts(ui->listWidget);
        ui->listWidget->clear();
    }
    setWindowTitle(QStringLiteral("Quillmark [0]"));
}

void MainWindow::on_btnLoad_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import List..."));
    tools.loadList(ui->listWidget, path);
    showItemCount();
    if (ui->rbConvertAllToLowercase->isChecked())
        tools.rewriteList(ui->listWidget, quillmark::convertToLower);
    if (ui->rbConvertAllToUppercase->isChecked())
        tools.rewriteList(ui->listWidget, quillmark::convertToUpper);
}

void MainWindow::on_btnPrune_clicked()
{
    tools.pruneList(ui->listWidget);
    showItemCount();
}

void MainWindow::on_btnSort_clicked()
{
    tools.sortList(ui->listWidget);
}

void MainWindow::on_btnSave_clicked()
{
    if (ui->listWidget->count() == 0)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export List..."));
    tools.saveList(ui->listWidget, path);
}

void MainWindow::on_btnReplace_clicked()
{
    const QString before = ui->txtReplaceBefore->text();
    const QString after = ui->txtReplaceAfter->text();
    tools.rewriteList(ui->listWidget, [&](Entries &entries) { quillmark::replaceAll(entries, before, after); });
}

void MainWindow::on_btnRemove_clicked()
{
    const QString marker = ui->txtRemoveAllAfter->text();
    tools.rewriteList(ui->listWidget, [&](Entries &entries) { quillmark::removeAllAfter(entries, marker); });
}

void MainWindow::on_btnAddToAll_clicked()
{
    const quillmark::Affixes affixes{ui->chkAddStringInFrontAll->isChecked(), ui->txtAddStringInFront->text(),
                                     ui->chkAddStringAfterAll->isChecked(), ui->txtAddStringAfterAll->text()};
    tools.rewriteList(ui->listWidget, [&](Entries &entries) { quillmark::addAffixes(entries, affixes); });
}

void MainWindow::on_rbConvertAllToLowercase_clicked()
{
    tools.rewriteList(ui->listWidget, quillmark::convertToLower);
}

void MainWindow::on_rbConvertAllToUppercase_clicked()
{
    tools.rewriteList(ui->listWidget, quillmark::convertToUpper);
}

void MainWindow::on_btnCreateFiles_clicked()
{
    const int listSize = ui->listWidget->count();
    const auto perFile = quillmark::entriesPerFile(ui->txtEntryCount->text(), listSize);
    if (!perFile)
        return showBreakUpMessage(messages::tooFewEntriesText());
    const QString beginning = ui->txtFileText->text();
    if (const auto problem = quillmark::checkBeginningText(beginning); problem != quillmark::BeginningTextProblem::None)
        return showBreakUpMessage(messages::beginningTextText(problem));
    const QList<quillmark::BreakUpFile> plan = quillmark::planBreakUp(listSize, *perFile);
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select Folder"), QString(),
                                                             QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    const QString problems = writeBreakUpFiles(plan, folder, beginning);
    if (!problems.isEmpty())
        showBreakUpMessage(problems);
}

QString MainWindow::writeBreakUpFiles(const QList<quillmark::BreakUpFile> &plan, const QString &folder,
                                      const QString &beginning)
{
    const BusyCursor busy;
    int failed = 0;
    quillmark::FileFailure firstFailure;
    for (const quillmark::BreakUpFile &file : plan) {
        const QString name = quillmark::breakUpFileName(folder, beginning, file.number);
        // Only this file's texts are read, never the whole list at once.
        const QByteArray text = quillmark::encodeEntries(tools.texts(ui->listWidget, int(file.first), int(file.count)));
        const quillmark::FileFailure failure = quillmark::writeTextFile(name, text);
        if (!failure.ok() && failed++ == 0)
            firstFailure = failure;
        ui->progressBar->setValue(file.progress);
    }
    // New pieces are synced all at once, here, rather than one by one.
    const quillmark::FileFailure syncFailure =
            failed < plan.size() ? quillmark::syncPieces(folder) : quillmark::FileFailure();
    return messages::breakUpFailuresText(failed, plan.size(), firstFailure, syncFailure);
}
