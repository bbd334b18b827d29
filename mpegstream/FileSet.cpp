#include "mpegstream/FileSet.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mpegstream {

FileSet::~FileSet() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileSet::Open(std::vector<std::string> paths) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fdFile_ = -1;
    paths_ = std::move(paths);
    sizes_.clear();
    starts_.clear();
    total_ = 0;
    failure_ = {};
    for (size_t i = 0; i < paths_.size(); ++i) {
        const int file = static_cast<int>(i);
        struct stat st {};
        if (::stat(paths_[i].c_str(), &st) != 0) {
            const int error = errno;
            failure_ = {error == ENOENT ? FileFailure::Kind::Missing : FileFailure::Kind::CannotOpen, file,
                        error, 0};
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            failure_ = {FileFailure::Kind::NotAFile, file, 0, 0};
            return false;
        }
        // Readable now, rather than failing half-way through a long read.
        if (!Use(file))
            return false;
        starts_.push_back(total_);
        sizes_.push_back(static_cast<int64_t>(st.st_size));
        total_ += static_cast<uint64_t>(st.st_size);
    }
    return true;
}

bool FileSet::Use(int file) {
    if (file == fdFile_ && fd_ >= 0)
        return true;
    if (fd_ >= 0)
        ::close(fd_);
    fdFile_ = file;
    fd_ = ::open(paths_[static_cast<size_t>(file)].c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        failure_ = {FileFailure::Kind::CannotOpen, file, errno, 0};
        return false;
    }
    return true;
}

uint64_t FileSet::StreamOffset(FilePosition position) const {
    if (position.file < 0 || position.file >= Count())
        return total_;
    const int64_t offset = std::clamp<int64_t>(position.offset, 0, Size(position.file));
    return starts_[static_cast<size_t>(position.file)] + static_cast<uint64_t>(offset);
}

FilePosition FileSet::PositionOf(uint64_t streamOffset) const {
    if (paths_.empty())
        return {};
    if (streamOffset >= total_)
        return {Count() - 1, Size(Count() - 1)};
    // The last file starting at or before the offset: empty files share their start with the
    // next one and are passed over.
    const auto next = std::upper_bound(starts_.begin(), starts_.end(), streamOffset);
    const int file = static_cast<int>(next - starts_.begin()) - 1;
    return {file, static_cast<int64_t>(streamOffset - starts_[static_cast<size_t>(file)])};
}

size_t FileSet::Read(uint64_t streamOffset, uint8_t* data, size_t size) {
    if (Failed() || size == 0 || streamOffset >= total_)
        return 0;
    const FilePosition at = PositionOf(streamOffset);
    if (!Use(at.file))
        return 0;
    const size_t n =
        static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), Size(at.file) - at.offset));
    for (;;) {
        const ssize_t got = ::pread(fd_, data, n, at.offset);
        if (got > 0)
            return static_cast<size_t>(got);
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0)
            failure_ = {FileFailure::Kind::Shrunk, at.file, 0, at.offset};
        else
            failure_ = {FileFailure::Kind::ReadFailed, at.file, errno, at.offset};
        return 0;
    }
}

} // namespace mpegstream
