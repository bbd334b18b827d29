#pragma once

#include <cstdint>

namespace d2v {

// A planar 4:2:0 picture: chroma planes are half width and half height.
struct Yuv420View {
    const uint8_t* y = nullptr;
    const uint8_t* u = nullptr;
    const uint8_t* v = nullptr;
    int yPitch = 0, uPitch = 0, vPitch = 0;
    int width = 0, height = 0; // luma size; even
};

enum class ChromaSiting { Interlaced, Progressive };

// The 13-bit fixed-point factors of one matrix and range.
struct RgbCoefficients {
    int offset; // subtracted from Y
    int scale;  // Y factor
    int bU;     // U into blue
    int gU, gV; // U and V into green
    int rV;     // V into red
};

// matrix: the MPEG-2 matrix_coefficients code of the index line; pcScale: expand 16-235 to 0-255.
RgbCoefficients CoefficientsFor(int matrix, bool pcScale);

// Converts to packed B,G,R rows, top row first, pitch = 3 x width. Chroma is brought to full size
// vertically (per field when interlaced) then horizontally, before the matrix.
void ConvertToBgr24(const Yuv420View& in, ChromaSiting siting, const RgbCoefficients& k, uint8_t* out);

} // namespace d2v
