#pragma once

#include "decoder/Report.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace d2v {

// Bits of a data line's info word.
constexpr uint32_t kInfoLineStart = 0x800;
constexpr uint32_t kInfoClosedGop = 0x400;
constexpr uint32_t kInfoProgressiveSequence = 0x200;
constexpr uint32_t kInfoGopStart = 0x100;

// Bits of a picture's flag byte.
constexpr uint8_t kFlagDecodable = 0x80;
constexpr uint8_t kFlagProgressiveFrame = 0x40;
constexpr uint8_t kFlagTopFieldFirst = 0x02;
constexpr uint8_t kFlagRepeatFirstField = 0x01;

enum class PictureType { Unknown = 0, I = 1, P = 2, B = 3 };
inline PictureType FlagPictureType(uint8_t flag) {
    return static_cast<PictureType>((flag >> 4) & 3);
}

enum class StreamType { Elementary = 0, Program = 1, Transport = 2, Pva = 3 };

// One data line: an I picture and the pictures up to the next line, flags in display order.
struct IndexLine {
    uint32_t info = 0;
    int matrix = 0;
    int file = 0;         // index into D2VFile::files
    int64_t position = 0; // byte offset inside that file
    int skip = 0;         // I pictures to pass over after seeking
    int vob = 0;
    int cell = 0;
    int firstPicture = 0; // index of the line's first flag in D2VFile::flags
    int pictureCount = 0;
    int textLine = 0; // 1-based line of the .d2v that holds it

    bool IsClosedGop() const { return (info & kInfoClosedGop) != 0; }
    bool IsProgressiveSequence() const { return (info & kInfoProgressiveSequence) != 0; }
};

struct D2VFile {
    enum class Format { DGIndex, DVD2AVI };
    Format format = Format::DGIndex;
    int version = 16;
    std::vector<std::string> files; // as written in the file

    StreamType streamType = StreamType::Program;
    int videoPid = -1, audioPid = -1, pcrPid = -1;
    int transportPacketSize = 188;
    int mpegType = 2;
    int idctAlgorithm = 0;
    int yuvRgbScale = 1; // 1: PC scale (16-235 expanded), 0: TV scale
    int luminanceGamma = 0, luminanceOffset = 0;
    int clipLeft = 0, clipRight = 0, clipTop = 0, clipBottom = 0;
    std::string aspectRatio;
    int pictureWidth = 0, pictureHeight = 0;
    int fieldOperation = 0; // 0 honour pulldown, 1 force film, 2 ignore pulldown
    int frameRateMilli = 0; // the value before the fraction, rate x 1000
    int frameRateNumerator = 0, frameRateDenominator = 0;
    std::vector<std::pair<std::string, std::string>> unknownSettings;

    std::vector<IndexLine> lines;
    std::vector<uint8_t> flags; // every coded picture, display order, across lines

    int LineOfPicture(int picture) const;
};

enum class DisplayAspect { Unknown = 0, FourThirds = 1, SixteenNinths = 2, Other = 3 };
enum class ScanType { Progressive = 0, Interlaced = 1, Mixed = 2 };
enum class FieldOrder { None = 0, TopFirst = 1, BottomFirst = 2 };

// What a .d2v says of its stream, from its header and the flags of every coded picture.
struct StreamFacts {
    DisplayAspect aspect = DisplayAspect::Unknown;
    int aspectMilli = 0; // the display ratio x 1000 (1333, 1778, 2210); 0 when unknown
    int codedPictures = 0;
    int progressivePictures = 0;      // progressive_frame set
    int topFieldFirstPictures = 0;    // of the others (the interlaced part)
    int bottomFieldFirstPictures = 0; // likewise
    int filmShareHundredths = 0;
    ScanType scan = ScanType::Progressive;
    FieldOrder fieldOrder = FieldOrder::None; // of the interlaced part; its majority
    bool ntscRate = false;                    // Frame_Rate is 30000/1001
    int fieldOperation = 0;
};

// "4:3", "16:9", another "W:H" display ratio ("2.21:1"), or Unknown for anything else (absent,
// garbage, and MPEG-2's "1:1", which says the samples are square, not what shape the screen is).
DisplayAspect ParseDisplayAspect(const std::string& text, int& milli);
StreamFacts ComputeStreamFacts(const D2VFile& file);

// Parses the text of a .d2v file. On failure returns false with the report naming the offending line.
bool ParseD2V(const std::string& text, D2VFile& out, Report& error);
// Reads and parses a .d2v file; the report names the file as well.
bool ReadD2VFile(const std::string& path, D2VFile& out, Report& error);
// The same with the reason in English ("line 7: ..."), for tools and tests.
bool ParseD2V(const std::string& text, D2VFile& out, std::string& error);
bool ReadD2VFile(const std::string& path, D2VFile& out, std::string& error);

// Finds the stream file a .d2v names: as written, with Windows separators turned, relative to the
// .d2v's folder, and finally by base name beside the .d2v (exact, then ignoring case). Returns an
// empty string when nothing exists.
std::string ResolveStreamPath(const std::string& written, const std::string& d2vFolder);

} // namespace d2v
