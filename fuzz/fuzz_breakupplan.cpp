// The Create Files plan over random list sizes and counts, and the checks of
// the two fields that lead to it.
//
// For a list of L >= 1 entries and N >= 1 entries per file: the files are
// numbered 0, 1, 2 ... in order, each starts where the one before ended, the
// first at entry 0, so every entry is in exactly one file; every file but the
// last holds N entries and the last 1 to N; there are ceil(L / N) files; the
// bar values never fall, stay within 0 to 100 and end at 100. Any other L or
// N gives no files. A count accepted from the field lies in [1, L), and a
// beginning text accepted by the check names files inside the chosen folder.

#include "FuzzSupport.h"

#include "BreakUpPlan.h"

#include <QDir>

namespace {

void checkPlan(qsizetype listSize, int perFile)
{
    const QList<quillmark::BreakUpFile> files = quillmark::planBreakUp(listSize, perFile);
    if (listSize < 1 || perFile < 1) {
        FUZZ_REQUIRE(files.isEmpty());
        return;
    }
    FUZZ_REQUIRE(files.size() == (listSize + perFile - 1) / perFile);
    qsizetype next = 0;
    int bar = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const quillmark::BreakUpFile &file = files[i];
        FUZZ_REQUIRE(file.number == i);
        FUZZ_REQUIRE(file.first == next);
        if (i + 1 < files.size())
            FUZZ_REQUIRE(file.count == perFile);
        else
            FUZZ_REQUIRE(file.count >= 1 && file.count <= perFile);
        FUZZ_REQUIRE(file.progress >= bar && file.progress <= 100);
        next += file.count;
        bar = file.progress;
    }
    FUZZ_REQUIRE(next == listSize);
    FUZZ_REQUIRE(files.last().progress == 100);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    // Up to 2^40 entries, more than any list holds, so that sizes beyond the
    // 32-bit range are planned too.
    const qsizetype listSize = input.ConsumeIntegralInRange<qsizetype>(-3, qsizetype(1) << 40);
    int perFile = input.ConsumeIntegral<int>();
    // At most 2^16 files per plan, so one run stays quick and small.
    constexpr qsizetype mostFiles = qsizetype(1) << 16;
    if (perFile >= 1 && listSize / perFile >= mostFiles)
        perFile = int(listSize / mostFiles + 1);
    checkPlan(listSize, perFile);

    const QString countText = fuzzing::takeText(input, 24);
    if (const auto count = quillmark::entriesPerFile(countText, listSize))
        FUZZ_REQUIRE(*count >= 1 && *count < listSize);

    const QString folder = QStringLiteral("/chosen/folder");
    const QString beginning = fuzzing::takeText(input, 24);
    if (quillmark::checkBeginningText(beginning) == quillmark::BeginningTextProblem::None) {
        const int number = input.ConsumeIntegralInRange(0, 1 << 30);
        const QString path = QDir::cleanPath(quillmark::breakUpFileName(folder, beginning, number));
        FUZZ_REQUIRE(path.startsWith(folder + u'/') && !path.mid(folder.size() + 1).contains(u'/'));
    }
    return 0;
}
