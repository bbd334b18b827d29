#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace d2vindex {

// A byte's place in the list of input files.
struct FilePosition {
    int file = 0;
    int64_t offset = 0;
    bool operator==(const FilePosition&) const = default;
};

// Reads the input files one after the other as a single byte stream, remembering where each
// byte came from: a picture group may start in one file and end in the next.
class ConcatenatedReader {
public:
    ConcatenatedReader() = default;
    ~ConcatenatedReader();
    ConcatenatedReader(const ConcatenatedReader&) = delete;
    ConcatenatedReader& operator=(const ConcatenatedReader&) = delete;

    // Checks every file (exists, readable, not empty) before anything is read.
    bool Open(const std::vector<std::string>& paths, std::string& error);

    // Next byte, or -1 at the end of the last file (or on a read error, see Failed()).
    int Get() {
        if (pos_ < len_)
            return buffer_[pos_++];
        return Refill() ? buffer_[pos_++] : -1;
    }
    // Up to `max` bytes that lie contiguously in one file, and where the first lies; 0 at the end.
    size_t Span(const uint8_t*& data, size_t max, FilePosition* where = nullptr);
    // Skips n bytes; returns false if the stream ended first.
    bool Skip(int64_t n);

    // Where the byte returned by the last successful Get() lies.
    FilePosition LastPos() const { return {file_, bufferStart_ + static_cast<int64_t>(pos_) - 1}; }
    int64_t Consumed() const { return consumedBefore_ + bufferStart_ + static_cast<int64_t>(pos_); }
    int64_t TotalSize() const { return total_; }
    int64_t FileSize(int file) const { return sizes_[static_cast<size_t>(file)]; }
    int FileCount() const { return static_cast<int>(paths_.size()); }
    const std::string& Path(int file) const { return paths_[static_cast<size_t>(file)]; }
    // Set when a read failed (as opposed to a clean end of the data), with a message.
    const std::string& Failure() const { return failure_; }

private:
    bool Refill();

    std::vector<std::string> paths_;
    std::vector<int64_t> sizes_;
    int64_t total_ = 0;
    std::FILE* fp_ = nullptr;
    int file_ = 0;
    int64_t bufferStart_ = 0;    // offset in the current file of buffer_[0]
    int64_t consumedBefore_ = 0; // bytes of the files before the current one
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t len_ = 0;
    std::string failure_;
};

} // namespace d2vindex
