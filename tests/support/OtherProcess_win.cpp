// Another process at work on the test's files, for what only Windows does
// when two programs use one file: it holds a file open, sharing it as it is
// told, or writes a list the way Save does and stops part of the way, for
// the test to end it there with TerminateProcess. It reports one line on its
// standard output once it has got there ("held", "cut"), or why it could
// not, and then waits for its standard input to end: the test closes it, or
// the test itself ends, so that it never outlives the test with a file open.
//
// usage: other_process hold FILE none|SHARING   (SHARING: read,write,delete or part of it)
//        other_process write FILE CUT           (a Save to FILE, stopped after CUT bytes)
//        other_process pieces FIRST FILE CUT    (FIRST written whole, then FILE as a piece)

#include "FileWriting.h"
#include "LargeList.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <qt_windows.h>

namespace {

void report(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

void waitForTheTest()
{
    while (std::fgetc(stdin) != EOF) {
    }
}

bool shareMode(const QString &sharing, DWORD *mode)
{
    *mode = 0;
    if (sharing == u"none")
        return true;
    for (const QString &word : sharing.split(u',')) {
        const DWORD flag = word == u"read" ? FILE_SHARE_READ
                : word == u"write"        ? FILE_SHARE_WRITE
                : word == u"delete"       ? FILE_SHARE_DELETE
                                          : 0;
        if (flag == 0)
            return false;
        *mode |= flag;
    }
    return true;
}

int hold(const QString &path, const QString &sharing)
{
    DWORD mode = 0;
    if (!shareMode(sharing, &mode)) {
        report(QStringLiteral("no such sharing: ") + sharing);
        return 2;
    }
    const QString name = QDir::toNativeSeparators(path);
    const HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_READ, mode, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        report(QStringLiteral("cannot open: ") + qt_error_string(int(::GetLastError())));
        return 1;
    }
    report(QStringLiteral("held"));
    waitForTheTest();
    ::CloseHandle(file);
    return 0;
}

// Should the test let it go on instead, it finishes the file as Save would.
int writeUntilCut(const QString &path, quillmark::FileWriter::Purpose purpose, qsizetype cut)
{
    const QByteArray list = wholeList();
    if (cut < 0 || cut > list.size()) {
        report(QStringLiteral("no such cut"));
        return 2;
    }
    quillmark::FileWriter file(path, purpose);
    if (!file.open() || !file.write(QByteArrayView(list).first(cut))) {
        report(QStringLiteral("cannot write: ") + file.commit().reason);
        return 1;
    }
    report(QStringLiteral("cut"));
    waitForTheTest();
    file.write(QByteArrayView(list).sliced(cut));
    return file.commit().ok() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    // For its arguments, which Windows gives in full only as UTF-16.
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString task = arguments.value(0);
    if (task == u"hold" && arguments.size() == 3)
        return hold(arguments[1], arguments[2]);
    if (task == u"write" && arguments.size() == 3)
        return writeUntilCut(arguments[1], quillmark::FileWriter::Save, arguments[2].toLongLong());
    if (task == u"pieces" && arguments.size() == 4) {
        if (const quillmark::FileFailure first = quillmark::writeTextFile(arguments[1], wholeList()); !first.ok()) {
            report(QStringLiteral("cannot write the first piece: ") + first.reason);
            return 1;
        }
        return writeUntilCut(arguments[2], quillmark::FileWriter::Piece, arguments[3].toLongLong());
    }
    report(QStringLiteral("usage: other_process hold FILE SHARING | write FILE CUT | pieces FIRST FILE CUT"));
    return 2;
}
