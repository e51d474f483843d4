#pragma once

#include "CompactText.h"

#include <QSize>

#include <thread>
#include <vector>

class EntryDelegate;
class QListWidget;

// Measures the widths of rows added to a list on a thread of its own, while
// the thread that owns the list adds more: Load adds millions of rows, and
// measuring each, then reading every row again for the size they share, took
// a third of that thread's time after them. It measures a batch of rows at a
// time from the characters the delegate has measured before, and this thread
// measures the rest; the first batch is measured here, so that the delegate
// knows the list's characters before the other thread meets them. Rows given
// must stay in the list, unchanged, until finish() or stop().
class MeasuringThread
{
public:
    // For rows added after those the list holds now.
    explicit MeasuringThread(const QListWidget *list);
    ~MeasuringThread() { stop(); }
    MeasuringThread(const MeasuringThread &) = delete;
    MeasuringThread &operator=(const MeasuringThread &) = delete;

    // Takes the text of a row just added, and once the rows of a block are
    // all added, hands a full batch to the thread.
    void add(const quillmark::CompactText &text) { batch.push_back(&text); }
    void blockAdded();
    // Measures what is left, and gives the size every row of the list now
    // shares, as EntryDelegate::commonRowSize would, or an invalid size where
    // it cannot tell that without reading the rows.
    QSize finish();
    // Waits for the thread and forgets the rows given, which may then go.
    void stop();

private:
    void handOver();
    void join();
    // Measures texts on this thread, and counts them in.
    void measureHere(const std::vector<const quillmark::CompactText *> &texts);
    // Takes the widths of measured texts into account.
    void takeWidths(const std::vector<const quillmark::CompactText *> &texts);

    const QListWidget *list;
    // The size the rows before shared, and their count.
    QSize earlierSize;
    int earlierRows;
    const EntryDelegate *delegate = nullptr;
    std::vector<const quillmark::CompactText *> batch;
    std::vector<const quillmark::CompactText *> measuring;
    std::vector<const quillmark::CompactText *> unknown;
    std::thread thread;
    int threadWidest = 0;
    // Over the rows measured so far, all of them remembering their widths
    // where allRemembered holds.
    int widest = 0;
    qsizetype measured = 0;
    bool allRemembered = true;
};
