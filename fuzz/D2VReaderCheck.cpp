#include "fuzz/Checks.h"

#include "decoder/D2VFile.h"
#include "decoder/FrameList.h"

#include <vector>

namespace fuzzchecks {

std::string CheckD2VReader(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    d2v::D2VFile file;
    std::string error;
    if (!d2v::ParseD2V(text, file, error))
        return error.empty() ? "a refusal without a message" : std::string();

    // What the parser accepts must be consistent enough for everything that walks it.
    size_t pictures = 0;
    for (const d2v::IndexLine& line : file.lines) {
        if (line.firstPicture < 0 || line.pictureCount <= 0 || line.file < 0 ||
            static_cast<size_t>(line.file) >= file.files.size())
            return "data line " + std::to_string(line.textLine) + " out of bounds";
        if (static_cast<size_t>(line.firstPicture) != pictures)
            return "data line " + std::to_string(line.textLine) + " does not follow the one before";
        pictures += static_cast<size_t>(line.pictureCount);
    }
    if (pictures != file.flags.size())
        return "the lines hold " + std::to_string(pictures) + " pictures, the flags " +
               std::to_string(file.flags.size());
    for (size_t p = 0; p < file.flags.size(); ++p) {
        const int line = file.LineOfPicture(static_cast<int>(p));
        if (line < 0 || static_cast<size_t>(line) >= file.lines.size())
            return "picture " + std::to_string(p) + " belongs to no line";
    }
    const std::vector<d2v::FramePair> frames = d2v::BuildFrameList(file);
    for (const d2v::FramePair& frame : frames)
        if (frame.top < 0 || frame.bottom < 0 || static_cast<size_t>(frame.top) >= file.flags.size() ||
            static_cast<size_t>(frame.bottom) >= file.flags.size())
            return "a frame made of pictures that do not exist";
    for (int orphans = 0; orphans < 3; ++orphans) {
        const int first = d2v::FirstServableFrame(frames, orphans);
        if (first < 0 || (first > 0 && static_cast<size_t>(first) >= frames.size()))
            return "first servable frame " + std::to_string(first) + " of " + std::to_string(frames.size());
    }
    return {};
}

} // namespace fuzzchecks
