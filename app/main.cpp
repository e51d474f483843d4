#include "ApplicationFont.h"
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillmark.Quillmark"));
    useFittingFont();
    MainWindow window;
    window.show();
    return app.exec();
}
