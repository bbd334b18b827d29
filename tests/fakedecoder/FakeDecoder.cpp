// A stand-in for the decoder library, for what real streams cannot produce. The ".d2v" path
// names a text file of key=value lines:
//   width, height, num, den, frames   the record's five values
//   top, bottom, left, right          black bands in pixels
//   brightRow                         a white row drawn in every frame (inside a band, say)
//   blackFrames, failFrames           comma lists: all-black frames, frames returned as NULL
//   changeWidthAt                     the record's width grows by 16 when this frame is asked for
//   null=1                            openMPEG2Source returns NULL
// Lit pixel (x, y) of frame n is blue n & 255, green (n >> 8) & 255, red 64 + (x + 2y) % 192.
#include "decoder/Mpeg2Dec3Api.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Film {
    std::map<std::string, long long> values;
    std::set<long long> blackFrames;
    std::set<long long> failFrames;
    long long Get(const std::string& key, long long fallback) const {
        auto it = values.find(key);
        return it == values.end() ? fallback : it->second;
    }
};

Film film;
DecoderVideoInfo info{};
std::vector<unsigned char> pixels;
std::string lastError;
std::string requests;
int closeCount = 0;
bool isOpen = false;

std::set<long long> ParseList(const std::string& text) {
    std::set<long long> list;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ','))
        if (!item.empty())
            list.insert(std::stoll(item));
    return list;
}

} // namespace

extern "C" {

DecoderVideoInfo* openMPEG2Source(const char* path) {
    film = Film{};
    requests.clear();
    isOpen = false;
    std::ifstream in(path);
    if (!in) {
        lastError = "description introuvable";
        return nullptr;
    }
    std::string line;
    while (std::getline(in, line)) {
        const auto equal = line.find('=');
        if (equal == std::string::npos)
            continue;
        const std::string key = line.substr(0, equal);
        const std::string value = line.substr(equal + 1);
        if (key == "blackFrames")
            film.blackFrames = ParseList(value);
        else if (key == "failFrames")
            film.failFrames = ParseList(value);
        else
            film.values[key] = std::stoll(value);
    }
    if (film.Get("null", 0) != 0) {
        lastError = "flux MPEG-2 illisible";
        return nullptr;
    }
    info.width = static_cast<int32_t>(film.Get("width", 720));
    info.height = static_cast<int32_t>(film.Get("height", 576));
    info.frameRateNumerator = static_cast<int32_t>(film.Get("num", 25));
    info.frameRateDenominator = static_cast<int32_t>(film.Get("den", 1));
    info.numberOfFrames = static_cast<int32_t>(film.Get("frames", 100));
    lastError.clear();
    isOpen = true;
    return &info;
}

void closeVideo(void) {
    ++closeCount;
    isOpen = false;
}

#ifndef FAKE_WITHOUT_RGB
unsigned char* getRGBFrame(int32_t n) {
    if (!requests.empty())
        requests += ',';
    requests += std::to_string(n);
    if (!isOpen || film.failFrames.count(n) != 0) {
        lastError = "image " + std::to_string(n) + " corrompue";
        return nullptr;
    }
    if (film.Get("changeWidthAt", -1) == n)
        info.width += 16;
    const long long width = film.Get("width", 720), height = film.Get("height", 576);
    const long long top = film.Get("top", 0), bottom = film.Get("bottom", 0);
    const long long left = film.Get("left", 0), right = film.Get("right", 0);
    const long long brightRow = film.Get("brightRow", -1);
    const bool black = film.blackFrames.count(n) != 0;
    pixels.assign(static_cast<size_t>(width * height * 3), 0);
    for (long long y = 0; y < height; ++y) {
        for (long long x = 0; x < width; ++x) {
            unsigned char* p = &pixels[static_cast<size_t>((y * width + x) * 3)];
            if (y == brightRow) {
                p[0] = p[1] = p[2] = 255;
                continue;
            }
            if (black || y < top || y >= height - bottom || x < left || x >= width - right)
                continue;
            p[0] = static_cast<unsigned char>(n & 255);
            p[1] = static_cast<unsigned char>((n >> 8) & 255);
            p[2] = static_cast<unsigned char>(64 + (x + 2 * y) % 192);
        }
    }
    return pixels.data();
}
#endif

unsigned char* getFrame(int32_t) {
    return nullptr;
}

const char* getLastDecoderError(void) {
    return lastError.c_str();
}

// For the tests: the frames asked for since the last open, and how often the video was closed.
__attribute__((visibility("default"))) const char* fakeDecoderRequests(void) {
    return requests.c_str();
}
__attribute__((visibility("default"))) int fakeDecoderCloseCount(void) {
    return closeCount;
}
}
