#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mpegstream {

// A byte's place in the listed files.
struct FilePosition {
    int file = 0;
    int64_t offset = 0;
    bool operator==(const FilePosition&) const = default;
};

// Why a listed file could not be used.
struct FileFailure {
    enum class Kind {
        None,
        Missing,    // there is no such file
        NotAFile,   // a folder, a device
        CannotOpen, // it exists but cannot be opened (permissions)
        ReadFailed, // the system reported an error while reading it
        Shrunk,     // it ended before the size it had when the set was opened
    };
    Kind kind = Kind::None;
    int file = -1;       // which listed file
    int systemError = 0; // errno, where the system gave one
    int64_t offset = 0;  // where in that file reading failed
};

// The listed files read as one byte stream (a DVD title's VOB files, a film cut in pieces): a
// picture group may start in one file and end in the next, and a file boundary is never a gap.
// Bytes are addressed by their stream offset, the sizes of the files before plus the offset in
// their own file; the sizes are those the files had when the set was opened.
class FileSet {
public:
    FileSet() = default;
    ~FileSet();
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;

    // Checks every file (exists, is a regular file, can be opened) and takes its size; false with
    // Failure() naming the first file that cannot be used.
    bool Open(std::vector<std::string> paths);
    const FileFailure& Failure() const { return failure_; }
    bool Failed() const { return failure_.kind != FileFailure::Kind::None; }
    // Reading stops at the first failure until this is called.
    void ClearFailure() { failure_ = {}; }

    int Count() const { return static_cast<int>(paths_.size()); }
    const std::string& Path(int file) const { return paths_[static_cast<size_t>(file)]; }
    int64_t Size(int file) const { return sizes_[static_cast<size_t>(file)]; }
    uint64_t TotalSize() const { return total_; }

    // An offset past the end of its file stands for the start of the next one.
    uint64_t StreamOffset(FilePosition position) const;
    // The file holding the byte at that offset (a file's first byte belongs to it, not to the end
    // of the file before); the end of the stream is the end of the last file.
    FilePosition PositionOf(uint64_t streamOffset) const;

    // Up to `size` bytes from `streamOffset`, all from one file; 0 at the end of the stream and on
    // a failure (see Failure()).
    size_t Read(uint64_t streamOffset, uint8_t* data, size_t size);

private:
    bool Use(int file);

    std::vector<std::string> paths_;
    std::vector<int64_t> sizes_;
    std::vector<uint64_t> starts_; // stream offset of each file's first byte
    uint64_t total_ = 0;
    int fd_ = -1;
    int fdFile_ = -1;
    FileFailure failure_;
};

} // namespace mpegstream
