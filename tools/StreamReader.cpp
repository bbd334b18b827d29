#include "tools/StreamReader.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace d2vindex {

namespace {
constexpr size_t kBufferSize = 1 << 20;
}

ConcatenatedReader::~ConcatenatedReader() {
    if (fp_)
        std::fclose(fp_);
}

bool ConcatenatedReader::Open(const std::vector<std::string>& paths, std::string& error) {
    paths_ = paths;
    sizes_.clear();
    total_ = 0;
    for (const std::string& path : paths) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            error = "'" + path + "' is not a regular file";
            return false;
        }
        if (st.st_size == 0) {
            error = "'" + path + "' is empty";
            return false;
        }
        std::FILE* probe = std::fopen(path.c_str(), "rb");
        if (!probe) {
            error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
        std::fclose(probe);
        sizes_.push_back(static_cast<int64_t>(st.st_size));
        total_ += static_cast<int64_t>(st.st_size);
    }
    if (paths_.empty()) {
        error = "no input file";
        return false;
    }
    buffer_.resize(kBufferSize);
    file_ = 0;
    fp_ = std::fopen(paths_[0].c_str(), "rb");
    if (!fp_) {
        error = "cannot open '" + paths_[0] + "': " + std::strerror(errno);
        return false;
    }
    bufferStart_ = 0;
    consumedBefore_ = 0;
    pos_ = len_ = 0;
    return true;
}

bool ConcatenatedReader::Refill() {
    if (!fp_ || !failure_.empty())
        return false;
    bufferStart_ += static_cast<int64_t>(len_);
    pos_ = len_ = 0;
    for (;;) {
        len_ = std::fread(buffer_.data(), 1, buffer_.size(), fp_);
        if (len_ > 0)
            return true;
        if (std::ferror(fp_)) {
            failure_ = "cannot read '" + paths_[static_cast<size_t>(file_)] + "': " + std::strerror(errno);
            return false;
        }
        // End of this file: carry on with the next one.
        std::fclose(fp_);
        fp_ = nullptr;
        if (file_ + 1 >= FileCount())
            return false;
        consumedBefore_ += sizes_[static_cast<size_t>(file_)];
        ++file_;
        bufferStart_ = 0;
        fp_ = std::fopen(paths_[static_cast<size_t>(file_)].c_str(), "rb");
        if (!fp_) {
            failure_ = "cannot open '" + paths_[static_cast<size_t>(file_)] + "': " + std::strerror(errno);
            return false;
        }
    }
}

size_t ConcatenatedReader::Span(const uint8_t*& data, size_t max, FilePosition* where) {
    if (pos_ >= len_ && !Refill())
        return 0;
    size_t n = len_ - pos_;
    if (n > max)
        n = max;
    data = buffer_.data() + pos_;
    if (where)
        *where = {file_, bufferStart_ + static_cast<int64_t>(pos_)};
    pos_ += n;
    return n;
}

bool ConcatenatedReader::Skip(int64_t n) {
    while (n > 0) {
        const uint8_t* data = nullptr;
        size_t got = Span(data, static_cast<size_t>(n > (1 << 30) ? (1 << 30) : n));
        if (got == 0)
            return false;
        n -= static_cast<int64_t>(got);
    }
    return true;
}

} // namespace d2vindex
