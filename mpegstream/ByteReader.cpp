#include "mpegstream/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace mpegstream {

ByteReader::ByteReader(FileSet& files, uint64_t start, size_t chunk)
    : files_(files), buffer_(new uint8_t[chunk]), capacity_(chunk), bufferStart_(start) {}

bool ByteReader::Ensure(size_t n) {
    if (Available() >= n)
        return true;
    if (pos_ > 0 || capacity_ < n) {
        // What is in view moves to the front (it is less than n bytes), so that the read that
        // follows fills a whole chunk; the buffer grows only for a look-ahead beyond a chunk.
        const size_t keep = Available();
        if (capacity_ < n) {
            std::unique_ptr<uint8_t[]> larger(new uint8_t[n]);
            std::memcpy(larger.get(), Data(), keep);
            buffer_ = std::move(larger);
            capacity_ = n;
        } else {
            std::memmove(buffer_.get(), Data(), keep);
        }
        bufferStart_ += pos_;
        pos_ = 0;
        end_ = keep;
    }
    while (end_ - pos_ < n) {
        if (fetched_ >= budget_)
            return false;
        const size_t got = files_.Read(bufferStart_ + end_, buffer_.get() + end_, capacity_ - end_);
        if (got == 0)
            return false;
        end_ += got;
        fetched_ += got;
    }
    return true;
}

void ByteReader::Skip(uint64_t n) {
    if (n <= Available()) {
        pos_ += static_cast<size_t>(n);
        return;
    }
    bufferStart_ = Offset() + n;
    pos_ = end_ = 0;
}

} // namespace mpegstream
