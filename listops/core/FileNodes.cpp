#include "FileNodes.h"

#include <QFileInfo>
#include <QRandomGenerator>

namespace quillmark::nodes {

QString temporaryNameBeside(const QString &path)
{
    const quint64 random = QRandomGenerator::global()->generate64() >> 16;
    return QFileInfo(path).absolutePath() + QStringLiteral("/.quillmark-%1.tmp").arg(random, 12, 16, QLatin1Char('0'));
}

QString followLinks(const QString &path)
{
    // A bound, as the system has, for links that lead round in a circle;
    // where it is reached the open that follows reports the loop.
    QString current = path;
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymbolicLink())
            return current;
        current = info.symLinkTarget();
    }
    return path;
}

PendingFile::~PendingFile()
{
    if (committed)
        return;
    device.close();
    if (!visibleName.isEmpty())
        QFile::remove(visibleName);
}

bool PendingFile::open(const QString &path, Purpose purpose, bool *denied, QString *reason)
{
    target = path;
    this->purpose = purpose;
    *denied = false;
    bool unsupported = false;
    unnamed = openUnnamed(denied, reason, &unsupported);
    return unnamed || (unsupported && openNamed(denied, reason));
}

PendingFile::Outcome PendingFile::commit(bool sync, QString *reason)
{
    if (sync && !syncToDisk(device, reason))
        return Failed;
    const Outcome outcome = unnamed ? nameUnnamed(reason) : nameNamed(reason);
    committed = outcome == Committed;
    return outcome;
}

// A file written under a name of its own is closed first, since on network
// file systems the close can still fail and must not come after the rename.
PendingFile::Outcome PendingFile::nameNamed(QString *reason)
{
    if (!closeChecked(reason))
        return Failed;
    if (purpose == New)
        return Committed;
    return replace(visibleName, target, reason) ? Committed : Failed;
}

bool PendingFile::closeChecked(QString *reason)
{
    device.close();
    if (device.error() == QFileDevice::NoError)
        return true;
    *reason = device.errorString();
    return false;
}

} // namespace quillmark::nodes
