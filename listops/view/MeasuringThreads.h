#pragma once

#include "CompactText.h"
#include "SharedRowSize.h"

#include <QFont>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class EntryDelegate;

// Measures the texts of a list's rows beside the thread that owns the list,
// and finds the size the rows share. Its helper threads live as long as the
// list: each builds the font engines it lays text out with once, where a
// thread started for each command would build them again every time.
//
// Texts given must stay where they are, unchanged, until they are measured;
// the owning thread leaves the list's delegate alone meanwhile.
class MeasuringThreads
{
public:
    explicit MeasuringThreads(const EntryDelegate &delegate);
    ~MeasuringThreads();
    MeasuringThreads(const MeasuringThreads &) = delete;
    MeasuringThreads &operator=(const MeasuringThreads &) = delete;

    // Starts measuring texts on the helper threads while the calling thread
    // goes on, once those started before are measured: Load adds rows
    // meanwhile.
    void start(std::vector<const quillmark::CompactText *> texts);
    // Measures whatever is left of the texts started, and gives the size
    // their rows share.
    SharedRowSize finish();
    // Measures texts on the helper threads and this one, and gives the size
    // their rows share.
    SharedRowSize measure(std::vector<const quillmark::CompactText *> texts);
    // Waits for the texts started and forgets them, which may then go.
    void abandon();

private:
    using Job = std::function<void(qsizetype part, const QFont &font)>;

    // Runs job on parts [0, parts) on the helper threads, and on this one
    // too where joining holds; returns at once otherwise (see wait()).
    void run(qsizetype parts, Job job, bool joining);
    void runPart(qsizetype part, const QFont &font);
    void wait();
    void work();
    void staff();
    void dismiss();
    // Measures texts on the helper threads, and on this one too where
    // joining holds: as far as what was learnt before tells, laying out those
    // it does not where layOutUnknown holds; leaves the rest over.
    void measureTexts(bool joining, bool layOutUnknown);
    // Measures what the helpers could not, learning the characters, pairs
    // and words that many texts share and laying out the others.
    void measureLeftovers();
    // Takes a round's measures in, measures here what only this thread can,
    // and gives the texts left over.
    std::vector<const quillmark::CompactText *> gatherRound();

    const EntryDelegate &delegate;
    std::vector<std::thread> helpers;
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    Job job;
    qsizetype parts = 0;
    qsizetype nextPart = 0;
    qsizetype partsDone = 0;
    bool stopping = false;
    bool failed = false;

    // The texts being measured, what each part measured and left over.
    std::vector<const quillmark::CompactText *> texts;
    std::vector<SharedRowSize> shares;
    std::vector<std::vector<const quillmark::CompactText *>> leftovers;
    std::vector<std::vector<const quillmark::CompactText *>> ownThread;
    SharedRowSize measured;
};
