#pragma once

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
    void on_btnLoad_clicked();

private:
    void showItemCount();

    Ui_MainWindow *ui;
    WidgetTools tools;
};
