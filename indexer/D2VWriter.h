#pragma once

#include "indexer/IndexLines.h"
#include "mpegstream/Demuxer.h"
#include "mpegstream/FileSet.h"

#include <atomic>
#include <string>
#include <vector>

namespace indexer {

// Value and fraction of the Frame_Rate line for a sequence rate num/den under a field operation.
struct FrameRateLine {
    int rate = 0;
    unsigned num = 0;
    unsigned den = 0;
};
FrameRateLine MakeFrameRateLine(unsigned num, unsigned den, int fieldOperation);

// `target` relative to the folder `baseDir` (both made absolute and normalised first), with '/'
// separators; the absolute target when no relative form exists.
std::string RelativePath(const std::string& target, const std::string& baseDir);

// Everything the index says beyond its data lines.
struct IndexHeader {
    std::vector<std::string> inputs; // as given
    std::string d2vPath;             // the file list is written relative to its folder...
    bool fullPaths = false;          // ...or with absolute paths
    int fieldOperation = 0;
    mpegstream::StreamFormat format;
    mpegstream::TransportPids pids;
};

// The text of a DGIndexProjectFile16 index.
std::string ComposeD2V(const IndexHeader& header, const mpegstream::FileSet& files, const LineBuilder& lines);

struct WriteFailure {
    enum class Kind {
        None,
        CannotCreate,  // no file can be made in the folder (missing, read-only, not a folder)
        WriteFailed,   // writing or flushing failed (a full disk)
        CannotReplace, // the finished file cannot take the name (a folder of that name)
        Cancelled,
    };
    Kind kind = Kind::None;
    int systemError = 0;
};

// Writes through a temporary file in the destination folder renamed over `path` at the end, so
// that a failure or a cancel (checked last thing before the rename) leaves neither a temporary
// file nor a half-written index, and an earlier file of that name as it was.
WriteFailure WriteFileAtomically(const std::string& path, const std::string& text,
                                 const std::atomic<bool>* cancel = nullptr);

} // namespace indexer
