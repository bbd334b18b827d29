#include "fuzz/Checks.h"

#include "decoder/D2VFile.h"
#include "decoder/Mpeg2Source.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace fuzzchecks {

namespace {

namespace fs = std::filesystem;

void Clear(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        fs::remove_all(it->path(), ec);
}

bool Write(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Only plain names: the stream files must be the ones written here, never other files on the disk.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

std::string CheckDecoder(const uint8_t* data, size_t size, const std::string& folderName) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t marker = input.find(kStreamMarker);
    if (marker == std::string_view::npos)
        return {};
    const std::string text(input.substr(0, marker));
    const std::string_view stream = input.substr(marker + std::string_view(kStreamMarker).size());

    d2v::D2VFile index;
    std::string error;
    if (!d2v::ParseD2V(text, index, error))
        return {};
    for (const std::string& name : index.files)
        if (!IsPlainName(name))
            return {};

    const fs::path folder(folderName);
    Clear(folder);
    if (!Write(folder / "film.d2v", text))
        return "cannot write the index";
    // Several stream files share the bytes in equal parts, as a title set cut into VOBs.
    const size_t count = index.files.size();
    for (size_t i = 0; i < count; ++i) {
        const size_t begin = stream.size() * i / count;
        const size_t end = stream.size() * (i + 1) / count;
        std::error_code ec;
        if (fs::is_directory(folder / index.files[i], ec))
            return {};
        Write(folder / index.files[i], stream.substr(begin, end - begin));
    }

    d2v::Mpeg2Source source;
    if (!source.Open((folder / "film.d2v").string()))
        return source.LastError().empty() ? "a refused film without a message" : std::string();
    const int frames = source.FrameCount();
    if (frames <= 0 || source.Width() <= 0 || source.Height() <= 0)
        return "an open film of " + std::to_string(frames) + " frames of " + std::to_string(source.Width()) +
               "x" + std::to_string(source.Height());
    const size_t pixels = static_cast<size_t>(source.Width()) * static_cast<size_t>(source.Height());
    // Random access backwards and forwards, stepping, and frames that do not exist.
    const int wanted[] = {frames - 1, 0, 1, frames / 2, frames / 2 + 1, frames - 2, -1, frames};
    unsigned touched = 0;
    for (int frame : wanted) {
        const uint8_t* rgb = source.RgbFrame(frame);
        if ((frame < 0 || frame >= frames) && rgb != nullptr)
            return "frame " + std::to_string(frame) + " of " + std::to_string(frames) + " was given";
        if (rgb != nullptr)
            touched += rgb[0] ^ rgb[pixels * 3 - 1]; // a short buffer shows up under ASan
        else if (source.LastError().empty())
            return "frame " + std::to_string(frame) + " refused without a message";
    }
    if (const uint8_t* yuv = source.YuvFrame(frames / 3))
        touched += yuv[0] ^ yuv[pixels * 3 / 2 - 1];
    static std::atomic<unsigned> sink;
    sink.store(touched, std::memory_order_relaxed);
    return {};
}

} // namespace fuzzchecks
