#include "MeasuringThreads.h"

#include "EntryDelegate.h"
#include "WorkThreads.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace {

// Parts small enough that the threads end together, large enough that
// handing them out costs nothing beside measuring them.
constexpr qsizetype textsPerPart = 4096;
constexpr qsizetype piecesPerPart = 32;

qsizetype partsFor(qsizetype count, qsizetype perPart)
{
    return (count + perPart - 1) / perPart;
}

} // namespace

MeasuringThreads::MeasuringThreads(const EntryDelegate &delegate)
    : delegate(delegate)
{
}

MeasuringThreads::~MeasuringThreads()
{
    wait();
    dismiss();
}

void MeasuringThreads::start(std::vector<const quillmark::CompactText *> started)
{
    wait();
    measureLeftovers();
    texts = std::move(started);
    measureTexts(false, false);
}

void MeasuringThreads::measureTexts(bool joining, bool layOutUnknown)
{
    const qsizetype count = partsFor(qsizetype(texts.size()), textsPerPart);
    shares.assign(size_t(count), SharedRowSize());
    leftovers.assign(size_t(count), {});
    ownThread.assign(size_t(count), {});
    const LineMeasurer &measurer = delegate.measurer();
    run(count,
        [this, &measurer, layOutUnknown](qsizetype part, const QFont &font) {
            const size_t end = std::min(texts.size(), size_t(part + 1) * size_t(textsPerPart));
            for (size_t i = size_t(part) * size_t(textsPerPart); i < end; ++i) {
                switch (measurer.measureBeside(*texts[i], &font, layOutUnknown)) {
                case LineMeasurer::Beside::Measured:
                    shares[size_t(part)].add(measurer.remembered(*texts[i]));
                    break;
                case LineMeasurer::Beside::Unknown:
                    leftovers[size_t(part)].push_back(texts[i]);
                    break;
                case LineMeasurer::Beside::OnOwningThread:
                    ownThread[size_t(part)].push_back(texts[i]);
                    break;
                }
            }
        },
        joining);
}

SharedRowSize MeasuringThreads::finish()
{
    wait();
    measureLeftovers();
    if (std::exchange(failed, false))
        measured.add(LineMeasurer::Line());
    return std::exchange(measured, SharedRowSize());
}

void MeasuringThreads::abandon()
{
    wait();
    shares.clear();
    leftovers.clear();
    ownThread.clear();
    texts.clear();
    measured = SharedRowSize();
    failed = false;
}

SharedRowSize MeasuringThreads::measure(std::vector<const quillmark::CompactText *> given)
{
    wait();
    measureLeftovers();
    texts = std::move(given);
    measureTexts(true, false);
    return finish();
}

void MeasuringThreads::measureLeftovers()
{
    std::vector<const quillmark::CompactText *> left = gatherRound();
    if (left.empty())
        return;
    // What the texts left over share is learnt on every thread, and they are
    // measured again; those that need more are laid out. The first batch of
    // a list teaches most of what the rest needs.
    const LineMeasurer &measurer = delegate.measurer();
    QList<LineMeasurer::Piece> pieces = measurer.unknownPieces(left);
    run(partsFor(pieces.size(), piecesPerPart),
        [&pieces](qsizetype part, const QFont &font) {
            const qsizetype end = std::min(pieces.size(), (part + 1) * piecesPerPart);
            for (qsizetype i = part * piecesPerPart; i < end; ++i)
                LineMeasurer::measurePiece(pieces[i], font);
        },
        true);
    measurer.learn(pieces);
    texts = std::move(left);
    measureTexts(true, true);
    gatherRound();
}

std::vector<const quillmark::CompactText *> MeasuringThreads::gatherRound()
{
    std::vector<const quillmark::CompactText *> unknown;
    const LineMeasurer &measurer = delegate.measurer();
    for (size_t part = 0; part < shares.size(); ++part) {
        measured.add(shares[part]);
        unknown.insert(unknown.end(), leftovers[part].cbegin(), leftovers[part].cend());
        // Only this thread lays these out as the view would.
        for (const quillmark::CompactText *text : ownThread[part])
            measured.add(measurer.measure(*text));
    }
    shares.clear();
    leftovers.clear();
    ownThread.clear();
    texts.clear();
    return unknown;
}

void MeasuringThreads::run(qsizetype count, Job given, bool joining)
{
    staff();
    {
        const std::lock_guard guard(lock);
        job = std::move(given);
        parts = count;
        nextPart = 0;
        partsDone = 0;
    }
    wake.notify_all();
    if (!joining && !helpers.empty())
        return;
    // This thread measures in the font it owns, the view's own.
    const QFont &font = delegate.measurer().font();
    std::unique_lock guard(lock);
    while (nextPart < parts) {
        const qsizetype part = nextPart++;
        guard.unlock();
        runPart(part, font);
        guard.lock();
        ++partsDone;
    }
    done.wait(guard, [this] { return partsDone == parts; });
}

void MeasuringThreads::runPart(qsizetype part, const QFont &font)
{
    try {
        job(part, font);
    } catch (const std::bad_alloc &) {
        // Texts it could not list as left over stay unmeasured, and no size
        // is shared: the view sizes their rows itself.
        const std::lock_guard guard(lock);
        failed = true;
    }
}

void MeasuringThreads::wait()
{
    std::unique_lock guard(lock);
    done.wait(guard, [this] { return partsDone == parts; });
}

void MeasuringThreads::work()
{
    QFont font;
    quint32 fontGeneration = 0;
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return stopping || nextPart < parts; });
        if (stopping)
            return;
        const qsizetype part = nextPart++;
        guard.unlock();
        // The font changes only between commands, while no part is out.
        const LineMeasurer &measurer = delegate.measurer();
        if (fontGeneration != measurer.fontGeneration()) {
            font = measurer.threadFont();
            fontGeneration = measurer.fontGeneration();
        }
        runPart(part, font);
        guard.lock();
        if (++partsDone == parts)
            done.notify_all();
    }
}

void MeasuringThreads::staff()
{
    const size_t wanted = size_t(std::max(quillmark::workThreads() - 1, 0));
    if (helpers.size() == wanted)
        return;
    dismiss();
    try {
        for (size_t helper = 0; helper < wanted; ++helper)
            helpers.emplace_back([this] { work(); });
    } catch (const std::system_error &) {
        // Fewer helpers do the same work; this thread takes on what is left.
    }
}

void MeasuringThreads::dismiss()
{
    {
        const std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread &helper : helpers)
        helper.join();
    helpers.clear();
    stopping = false;
}
