#include "mpegstream/Headers.h"

namespace mpegstream {

SequenceHeader ReadSequenceHeader(const uint8_t* h) {
    SequenceHeader s;
    s.width = h[0] << 4 | h[1] >> 4;
    s.height = (h[1] & 0x0F) << 8 | h[2];
    s.aspectCode = h[3] >> 4;
    s.frameRateCode = h[3] & 0x0F;
    return s;
}

SequenceExtension ReadSequenceExtension(const uint8_t* h) {
    // After the identifier: profile and level (8 bits), then the fields below.
    SequenceExtension e;
    e.progressiveSequence = (h[1] >> 3) & 1;
    e.chromaFormat = (h[1] >> 1) & 3;
    e.widthExtension = (h[1] & 1) << 1 | h[2] >> 7;
    e.heightExtension = (h[2] >> 5) & 3;
    // Bit rate extension, marker, buffer size extension and low delay lie between.
    e.frameRateExtensionN = (h[5] >> 5) & 3;
    e.frameRateExtensionD = h[5] & 0x1F;
    return e;
}

int ReadMatrixCoefficients(const uint8_t* h) {
    // Identifier, video format (3 bits), colour description flag, primaries, transfer, matrix.
    if (!(h[0] & 1))
        return -1;
    return h[3];
}

bool ReadClosedGop(const uint8_t* h) {
    return (h[3] >> 6) & 1; // after the 25-bit time code
}

PictureHeader ReadPictureHeader(const uint8_t* h) {
    PictureHeader p;
    p.temporalReference = h[0] << 2 | h[1] >> 6;
    p.codingType = (h[1] >> 3) & 7;
    return p;
}

PictureCodingExtension ReadPictureCodingExtension(const uint8_t* h) {
    // Identifier, four f codes, intra DC precision, then the fields below.
    PictureCodingExtension e;
    e.structure = h[2] & 3;
    e.topFieldFirst = h[3] >> 7;
    e.repeatFirstField = (h[3] >> 1) & 1;
    e.progressiveFrame = h[4] >> 7;
    return e;
}

FrameRate FrameRateOf(int frameRateCode) {
    static const FrameRate rates[16] = {{0, 0},  {24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1},
                                        {50, 1}, {60000, 1001}, {60, 1}, {0, 0},  {0, 0},        {0, 0},
                                        {0, 0},  {0, 0},        {0, 0},  {0, 0}};
    return rates[frameRateCode & 15];
}

} // namespace mpegstream
