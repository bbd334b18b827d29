#pragma once

// The resizers' vector loops for x86-64: SSE2, which every such processor has, and AVX2 where the
// processor has it. The AVX2 loops are compiled on their own for AVX2; this header includes
// nothing that would have the two compilations share inline code.

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace ResizerSimd {

constexpr int WeightBits = 14;
constexpr int Rounder = 1 << (WeightBits - 1);

bool HasAvx2();
void AllowAvx2(bool allowed);

// One output row of a vertical pass over width (at least 16, or 32) columns: rows in, in + pitch,
// ... weighted by count taps, given as pairs (w[k + 1] << 16 | w[k]).
void FilterRow16(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width);
void FilterRow32(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width);

// A strip of 16 (or 32) rows, width samples each, into width columns of 16 (or 32) bytes; and back,
// writing the first rows of the strip only.
void TurnStrip16(const uint8_t* const row[16], int width, uint8_t* columns);
void TurnBack16(const uint8_t* columns, int width, uint8_t* const row[16], int rows);
void TurnStrip32(const uint8_t* const row[32], int width, uint8_t* columns);
void TurnBack32(const uint8_t* columns, int width, uint8_t* const row[32], int rows);

namespace {

// A 16 x 16 block of bytes turned over, rows into columns, in four rounds of interleaving. Written
// once for both vector widths: 256-bit registers turn two blocks at a time, one in each half.
template <typename V, V Bytes(V, V), V HighBytes(V, V), V Words(V, V), V HighWords(V, V), V Dwords(V, V),
          V HighDwords(V, V), V Qwords(V, V), V HighQwords(V, V)>
[[gnu::always_inline]] inline void Transpose16(const V in[16], V out[16]) {
    V pairs[16]; // [i], [i + 8]: columns 0-7, 8-15 of rows 2i and 2i + 1
    for (int i = 0; i < 8; ++i) {
        pairs[i] = Bytes(in[2 * i], in[2 * i + 1]);
        pairs[i + 8] = HighBytes(in[2 * i], in[2 * i + 1]);
    }
    V quads[16]; // [4g + q]: columns 4g to 4g + 3 of rows 4q to 4q + 3
    for (int q = 0; q < 4; ++q) {
        quads[q] = Words(pairs[2 * q], pairs[2 * q + 1]);
        quads[q + 4] = HighWords(pairs[2 * q], pairs[2 * q + 1]);
        quads[q + 8] = Words(pairs[8 + 2 * q], pairs[8 + 2 * q + 1]);
        quads[q + 12] = HighWords(pairs[8 + 2 * q], pairs[8 + 2 * q + 1]);
    }
    V octets[16]; // [2p + h]: columns 2p and 2p + 1 of rows 8h to 8h + 7
    for (int g = 0; g < 4; ++g)
        for (int h = 0; h < 2; ++h) {
            octets[4 * g + h] = Dwords(quads[4 * g + 2 * h], quads[4 * g + 2 * h + 1]);
            octets[4 * g + 2 + h] = HighDwords(quads[4 * g + 2 * h], quads[4 * g + 2 * h + 1]);
        }
    for (int p = 0; p < 8; ++p) {
        out[2 * p] = Qwords(octets[2 * p], octets[2 * p + 1]);
        out[2 * p + 1] = HighQwords(octets[2 * p], octets[2 * p + 1]);
    }
}

} // namespace

} // namespace ResizerSimd
