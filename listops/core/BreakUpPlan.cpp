#include "BreakUpPlan.h"

#include <QDir>

#include <cmath>

namespace quillmark {

std::optional<int> entriesPerFile(const QString &countText, qsizetype listSize)
{
    bool ok = false;
    const int count = countText.toInt(&ok, 10);
    if (!ok || count < 1 || count >= listSize)
        return std::nullopt;
    return count;
}

BeginningTextProblem checkBeginningText(const QString &text)
{
    if (text.isEmpty())
        return BeginningTextProblem::Empty;
    if (text.contains(u'/') || text.contains(u'\\') || text == u"." || text == u"..")
        return BeginningTextProblem::LeavesFolder;
    return BeginningTextProblem::None;
}

QList<BreakUpFile> planBreakUp(qsizetype listSize, int perFile)
{
    QList<BreakUpFile> files;
    if (perFile < 1 || listSize < 1)
        return files;
    const int fileCount = int(std::ceil(double(listSize) / double(perFile)));
    files.reserve(fileCount);
    for (qsizetype first = 0; first < listSize; first += perFile) {
        const int number = int(files.size());
        // Whole numbers, so k / F * 100 truncates exactly: in floating point
        // 29 / 100 * 100 comes out just below 29 and would show 28.
        const int progress = int((qint64(number) + 1) * 100 / fileCount);
        files.append({number, first, qMin<qsizetype>(perFile, listSize - first), progress});
    }
    return files;
}

QString breakUpFileName(const QString &folder, const QString &beginning, int number)
{
    return folder + QDir::toNativeSeparators(QStringLiteral("//")) + beginning + u'_'
            + QString::number(number, 10) + QStringLiteral(".txt");
}

} // namespace quillmark
