#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace d2vindex {

struct IndexOptions {
    int fieldOperation = 0; // 0 honour pulldown, 1 force film, 2 ignore pulldown
    bool fullPaths = false; // absolute paths in the file list instead of paths relative to the index
};

using ProgressFn = std::function<void(int64_t done, int64_t total)>;

// Indexes `inputs`, read one after the other as a single stream, and returns the text of the
// index that is to be written at `d2vPath` (the file list is written relative to its folder).
// On failure returns false with a message that names the file concerned.
bool BuildIndex(const std::vector<std::string>& inputs, const std::string& d2vPath,
                const IndexOptions& options, std::string& text, std::string& error,
                const ProgressFn& progress = {});

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

// Writes through a temporary file in the destination folder and renames it over `path`, so that
// a failure never leaves a half-written index under the final name.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);

} // namespace d2vindex
