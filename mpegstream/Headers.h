#pragma once

#include <cstddef>
#include <cstdint>

// The fields of the MPEG-1/2 video headers that indexing and decoding need. Each reader takes the
// bytes that follow the four-byte start code; every field read lies within kHeaderBytes of them.
namespace mpegstream {

constexpr uint8_t kPictureStartCode = 0x00;
constexpr uint8_t kSequenceHeaderCode = 0xB3;
constexpr uint8_t kExtensionStartCode = 0xB5;
constexpr uint8_t kSequenceEndCode = 0xB7;
constexpr uint8_t kGroupStartCode = 0xB8;
inline bool IsSliceCode(uint8_t code) {
    return code >= 0x01 && code <= 0xAF;
}

constexpr size_t kHeaderBytes = 8;

struct SequenceHeader {
    int width = 0;  // the low 12 bits; a sequence extension may add more
    int height = 0; // likewise
    int aspectCode = 0;
    int frameRateCode = 0;
};
SequenceHeader ReadSequenceHeader(const uint8_t* h);

enum class ExtensionId { Sequence = 1, SequenceDisplay = 2, PictureCoding = 8 };
inline int ReadExtensionId(const uint8_t* h) {
    return h[0] >> 4;
}

struct SequenceExtension {
    bool progressiveSequence = false;
    int chromaFormat = 1; // 1: 4:2:0
    int widthExtension = 0;
    int heightExtension = 0;
    int frameRateExtensionN = 0;
    int frameRateExtensionD = 0;
};
SequenceExtension ReadSequenceExtension(const uint8_t* h);

// matrix_coefficients of a sequence display extension; -1 when it carries no colour description.
int ReadMatrixCoefficients(const uint8_t* h);

// closed_gop of a group of pictures header.
bool ReadClosedGop(const uint8_t* h);

enum class CodingType { I = 1, P = 2, B = 3 }; // other values: D pictures and reserved

struct PictureHeader {
    int temporalReference = 0;
    int codingType = 0;
};
PictureHeader ReadPictureHeader(const uint8_t* h);

constexpr int kFramePicture = 3; // picture_structure: 1 top field, 2 bottom field, 3 frame

struct PictureCodingExtension {
    int structure = kFramePicture;
    bool topFieldFirst = false;
    bool repeatFirstField = false;
    bool progressiveFrame = false;
};
PictureCodingExtension ReadPictureCodingExtension(const uint8_t* h);

// The frame rate a frame_rate_code stands for; 0/0 for reserved codes.
struct FrameRate {
    unsigned num = 0;
    unsigned den = 0;
};
FrameRate FrameRateOf(int frameRateCode);

} // namespace mpegstream
