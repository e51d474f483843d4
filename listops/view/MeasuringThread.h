#pragma once

#include "CompactText.h"

#include <thread>
#include <vector>

class EntryDelegate;
class QListWidget;

// Measures the widths of rows added to a list on a thread of its own, while
// the thread that owns the list adds more: Load adds millions of rows, and
// measuring each took a third of that thread's time after them. It measures
// a batch of rows at a time from what the delegate has measured before,
// leaving the rest to the view; the first batch is measured here, so that
// the delegate knows the list's characters before the thread meets them.
// Only rows that no other code changes or removes until stop() may be given.
class MeasuringThread
{
public:
    explicit MeasuringThread(const QListWidget *list)
        : list(list)
    {
    }
    ~MeasuringThread() { stop(); }
    MeasuringThread(const MeasuringThread &) = delete;
    MeasuringThread &operator=(const MeasuringThread &) = delete;

    // Takes the text of a row just added to measure, and hands a full batch
    // to the thread once the rows of a block are all added.
    void add(const quillmark::CompactText &text) { batch.push_back(&text); }
    void blockAdded();
    // Waits for the thread and drops what it has not been given; rows not
    // measured are left to the view.
    void stop();

private:
    void handOver();

    const QListWidget *list;
    const EntryDelegate *delegate = nullptr;
    std::vector<const quillmark::CompactText *> batch;
    std::vector<const quillmark::CompactText *> measuring;
    std::vector<const quillmark::CompactText *> unknown;
    std::thread thread;
};
