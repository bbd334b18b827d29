#include "decoder/FrameList.h"

namespace d2v {

namespace {

// Field_Operation 0 and 2: a slot fills with fields; a repeated first field carries over into the
// next slot. With rff ignored (2) every picture is one frame. Illegal field-order transitions are
// followed through this same machine on purpose: it is how the reference numbers them.
std::vector<FramePair> BuildFieldFrames(const std::vector<PictureFlags>& pictures, bool ignoreRepeat) {
    std::vector<FramePair> slots;
    slots.reserve(pictures.size() * 3 + 1);
    size_t c = 0;
    bool pendingTop = false, pendingBottom = false;
    auto slot = [&](size_t k) -> FramePair& {
        if (slots.size() <= k)
            slots.resize(k + 1);
        return slots[k];
    };
    for (size_t n = 0; n < pictures.size(); ++n) {
        const int i = static_cast<int>(n);
        const uint8_t f = pictures[n].flags;
        const bool tff = (f & kFlagTopFieldFirst) != 0;
        const bool rff = !ignoreRepeat && (f & kFlagRepeatFirstField) != 0;
        if (pictures[n].progressiveLine) {
            // Frame repetition of progressive sequences: shown two or three times.
            slot(c++) = {i, i};
            if (rff)
                slot(c++) = {i, i};
            if (rff && tff)
                slot(c++) = {i, i};
            continue;
        }
        if (pendingTop) {
            slot(c).bottom = i;
            ++c;
            slot(c).top = i;
        } else if (pendingBottom) {
            slot(c).top = i;
            ++c;
            slot(c).bottom = i;
        } else {
            slot(c++) = {i, i};
        }
        if (rff) {
            if (tff) {
                slot(c).top = i;
                pendingTop = true;
            } else {
                slot(c).bottom = i;
                pendingBottom = true;
            }
            if (pendingTop && pendingBottom) {
                pendingTop = pendingBottom = false;
                ++c;
            }
        }
    }
    // A half-filled last slot is not a frame.
    slots.resize(c);
    return slots;
}

// Field_Operation 1: whole pictures; a drift of repeated (or missing) fields beyond the threshold
// duplicates (or drops) one picture.
std::vector<FramePair> BuildForceFilm(const std::vector<PictureFlags>& pictures) {
    std::vector<FramePair> frames;
    frames.reserve(pictures.size());
    int on = 0, off = 0, threshold = 3;
    for (size_t n = 0; n < pictures.size(); ++n) {
        const int i = static_cast<int>(n);
        if (pictures[n].flags & kFlagRepeatFirstField)
            ++on;
        else
            ++off;
        if (off - on == threshold) {
            on = off = 0;
            threshold = 5;
        } else {
            frames.push_back({i, i});
        }
        if (on - off == threshold) {
            on = off = 0;
            threshold = 5;
            frames.push_back({i, i});
        }
    }
    return frames;
}

} // namespace

std::vector<FramePair> BuildFrameList(const std::vector<PictureFlags>& pictures, int fieldOperation) {
    if (fieldOperation == 1)
        return BuildForceFilm(pictures);
    return BuildFieldFrames(pictures, fieldOperation == 2);
}

std::vector<FramePair> BuildFrameList(const D2VFile& file) {
    std::vector<PictureFlags> pictures;
    pictures.reserve(file.flags.size());
    for (const IndexLine& line : file.lines)
        for (int k = 0; k < line.pictureCount; ++k)
            pictures.push_back(
                {file.flags[static_cast<size_t>(line.firstPicture + k)], line.IsProgressiveSequence()});
    return BuildFrameList(pictures, file.fieldOperation);
}

int FirstServableFrame(const std::vector<FramePair>& frames, int orphanBPictures) {
    if (orphanBPictures <= 0)
        return 0;
    for (size_t n = 0; n < frames.size(); ++n)
        if (frames[n].top >= orphanBPictures && frames[n].bottom >= orphanBPictures)
            return static_cast<int>(n);
    return 0;
}

} // namespace d2v
