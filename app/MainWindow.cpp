#include "MainWindow.h"

#include "ui_MainWindow.h"

#include "EntryRewrites.h"

#include <QFileDialog>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    ui->setupUi(this);
    tools.prepareView(ui->listWidget);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::showItemCount()
{
    setWindowTitle(QStringLiteral("Quillmark [%1]").arg(ui->listWidget->count()));
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
