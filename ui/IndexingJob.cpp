#include "ui/IndexingJob.h"

#include <utility>

IndexingJob::IndexingJob(indexer::IndexRequest indexRequest, QObject* parent)
    : QThread(parent), request(std::move(indexRequest)) {}

IndexingJob::~IndexingJob() {
    Cancel();
    wait();
}

void IndexingJob::run() {
    indexer::IndexControl control;
    control.cancel = &cancelled;
    control.progress = [this](uint64_t done, uint64_t total) { emit Progress(done, total); };
    result = indexer::IndexFilm(request, control);
}
