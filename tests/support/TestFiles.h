#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The files a test writes as its input and reads back as its outcome.

// Returns the file's path. A test cannot go on without its input, so a file
// that cannot be written ends the run.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
    return path;
}

// A file that cannot be read gives a marker that no test expects as content.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot read>";
    return file.readAll();
}

// Why the system refuses to open a path that cannot be opened, in its own
// words, so that a test expects the same reason on every platform.
inline QString reasonForNotOpening(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QStringLiteral("<it opens>") : file.errorString();
}
