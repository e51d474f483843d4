#include "WorkThreads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quillmark {

namespace {

std::atomic<int> chosenThreads{0};

// Runs body(thread) on threads [0, count), the first on the calling thread;
// the first exception any of them throws is thrown again once all have ended.
void onThreads(int count, const std::function<void(int thread)> &body)
{
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto guarded = [&](int thread) {
        try {
            body(thread);
        } catch (...) {
            const std::lock_guard lock(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(count - 1));
    try {
        for (int thread = 1; thread < count; ++thread)
            helpers.emplace_back(guarded, thread);
    } catch (const std::system_error &) {
        // Fewer threads than asked for do the same work, only slower.
    }
    guarded(0);
    // A thread that could not start leaves its share to the others.
    for (std::thread &helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

int workThreads()
{
    if (const int chosen = chosenThreads.load(std::memory_order_relaxed); chosen > 0)
        return chosen;
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
}

void setWorkThreads(int count)
{
    chosenThreads.store(std::max(count, 0), std::memory_order_relaxed);
}

void forEachPart(qsizetype count, qsizetype minimumPart,
                 const std::function<void(qsizetype begin, qsizetype end)> &work)
{
    if (count <= 0)
        return;
    const qsizetype parts = std::clamp<qsizetype>(count / std::max<qsizetype>(minimumPart, 1), 1, workThreads());
    forEachTask(parts, [&](qsizetype part) { work(count * part / parts, count * (part + 1) / parts); });
}

void forEachTask(qsizetype parts, const std::function<void(qsizetype part)> &work)
{
    if (parts <= 0)
        return;
    if (parts == 1)
        return work(0);
    std::atomic<qsizetype> next{0};
    onThreads(int(std::min<qsizetype>(parts, workThreads())), [&](int) {
        for (qsizetype part = next++; part < parts; part = next++)
            work(part);
    });
}

} // namespace quillmark
