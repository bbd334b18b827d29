#pragma once

#include "indexer/Indexing.h"

#include <QThread>
#include <atomic>

// Indexes one film on a thread of its own, so that the windows stay responsive. It tells how far
// it is through Progress and that it is over through QThread::finished; Result() is read then.
class IndexingJob final : public QThread {
    Q_OBJECT

public:
    IndexingJob(indexer::IndexRequest request, QObject* parent);
    // Cancels a job still running and waits for it: nothing is written then.
    ~IndexingJob() override;

    // From the window's thread; the indexing stops at its next progress step.
    void Cancel() { cancelled = true; }
    bool IsCancelled() const { return cancelled; }
    // Valid once finished has been emitted.
    const indexer::IndexResult& Result() const { return result; }

signals:
    // Bytes read so far and in all, from the indexing thread (queued to the window's).
    void Progress(quint64 done, quint64 total);

protected:
    void run() override;

private:
    const indexer::IndexRequest request;
    std::atomic<bool> cancelled{false};
    indexer::IndexResult result;
};
