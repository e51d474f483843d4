#pragma once

#include "BreakUpPlan.h"
#include "WidgetTools.h"

#include <QMainWindow>

class Ui_MainWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_btnClear_clicked();
    void on_btnLoad_clicked();
    void on_btnPrune_clicked();
    void on_btnSort_clicked();
    void on_btnSave_clicked();
    void on_btnReplace_clicked();
    void on_btnRemove_clicked();
    void on_btnAddToAll_clicked();
    void on_rbConvertAllToLowercase_clicked();
    void on_rbConvertAllToUppercase_clicked();
    void on_btnCreateFiles_clicked();

private:
    void showItemCount();
    void showBreakUpMessage(const QString &text);
    // Writes every file of the plan and returns what went wrong, if anything.
    QString writeBreakUpFiles(const QList<quillmark::BreakUpFile> &plan, const QString &folder,
                              const QString &beginning);

    Ui_MainWindow *ui;
    WidgetTools tools;
};
