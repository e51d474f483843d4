#include "ApplicationFont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

void useFittingFont()
{
    // Metric-compatible with Arial first, then Arial itself.
    static const char *const candidates[] = {"Liberation Sans", "Arimo", "Arial"};
    const QStringList installed = QFontDatabase::families();
    QFont font = QApplication::font();
    font.setPointSize(8);
    for (const char *candidate : candidates) {
        const QString family = QString::fromLatin1(candidate);
        if (installed.contains(family)) {
            font.setFamily(family);
            break;
        }
    }
    QApplication::setFont(font);
}
