#pragma once

#include "mpegstream/FileSet.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mpegstream {

// A window over the stream of a file set with as much look-ahead as a parser asks for.
class ByteReader {
public:
    // Reads from `start` (a stream offset) in chunks of `chunk` bytes.
    explicit ByteReader(FileSet& files, uint64_t start = 0, size_t chunk = 256 * 1024);

    // True when at least n bytes are in view; false at the end of the stream, on a read failure
    // (see Files().Failure()) or once the budget is spent.
    bool Ensure(size_t n);
    const uint8_t* Data() const { return buffer_.get() + pos_; }
    size_t Available() const { return end_ - pos_; }
    // Stream offset of Data()[0].
    uint64_t Offset() const { return bufferStart_ + pos_; }
    // Passes over n bytes; those beyond the window are never read.
    void Skip(uint64_t n);
    // True once the window reaches the end of the stream: nothing more can come.
    bool InViewToEnd() const { return bufferStart_ + end_ >= files_.TotalSize(); }

    // Stops reading once this many more bytes have come from the files, so that a search through
    // data holding no video ends early.
    void SetBudget(uint64_t bytes) { budget_ = fetched_ + bytes; }
    void ClearBudget() { budget_ = UINT64_MAX; }

    FileSet& Files() { return files_; }
    const FileSet& Files() const { return files_; }

private:
    FileSet& files_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_;
    size_t pos_ = 0;
    size_t end_ = 0;
    uint64_t bufferStart_; // stream offset of buffer_[0]
    uint64_t fetched_ = 0;
    uint64_t budget_ = UINT64_MAX;
};

} // namespace mpegstream
