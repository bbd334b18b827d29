#pragma once

#include "decoder/D2VFile.h"

#include <cstdint>
#include <vector>

namespace d2v {

// One output frame: the coded pictures (display-order indices into D2VFile::flags) that give its
// top and its bottom field. Equal for a whole picture; otherwise the frame is woven from two.
struct FramePair {
    int top = 0;
    int bottom = 0;
    bool operator==(const FramePair& o) const { return top == o.top && bottom == o.bottom; }
};

// The input of the builder for one coded picture.
struct PictureFlags {
    uint8_t flags = 0;
    bool progressiveLine = false; // its line's progressive_sequence bit
};

// Numbers output frames as Mpeg2Source does for the given Field_Operation (0 honour pulldown,
// 1 force film, 2 ignore pulldown).
std::vector<FramePair> BuildFrameList(const std::vector<PictureFlags>& pictures, int fieldOperation);
std::vector<FramePair> BuildFrameList(const D2VFile& file);

// The first frame Mpeg2Source serves in place of the frames before it, when the first GOP starts
// with `orphanBPictures` B pictures that cannot be decoded. 0 when there is nothing to replace.
int FirstServableFrame(const std::vector<FramePair>& frames, int orphanBPictures);

} // namespace d2v
