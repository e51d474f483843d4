#pragma once

#include <QByteArrayView>
#include <QString>

namespace quillmark {

// Bytes read as Windows-1252, the code page of Western European text on
// Windows. The five bytes it leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the control characters of the same value, as in Latin-1, so that
// every byte is one character and nothing is lost. Needs no ICU.
QString fromWindows1252(QByteArrayView bytes);

} // namespace quillmark
