#pragma once

#include <QtGlobal>

#include <functional>

namespace quillmark {

// Commands on millions of entries spread the work that touches no widget
// (hashing, sorting, rewriting texts) over the processor's cores; the
// command waits for it, and its result is the same whatever the count.

// How many threads such work uses: one per core unless set otherwise.
int workThreads();
// Sets that count; 0 goes back to one per core.
void setWorkThreads(int count);

// Runs work on [0, count) split into workThreads() contiguous parts of at
// least minimumPart items each, the first part on the calling thread, and
// returns once every part is done. An exception that a part throws is thrown
// again here, after the other parts have ended.
void forEachPart(qsizetype count, qsizetype minimumPart,
                 const std::function<void(qsizetype begin, qsizetype end)> &work);

// Runs work(part) for every part of [0, parts) on workThreads() threads at
// once, the calling thread among them, each taking the next part not yet
// taken, and returns once all are done; exceptions as for forEachPart.
void forEachTask(qsizetype parts, const std::function<void(qsizetype part)> &work);

} // namespace quillmark
