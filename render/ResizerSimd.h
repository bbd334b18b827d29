#pragma once

// The resizers' vector loops for x86-64: SSE2, which every such processor has, and AVX2 where the
// processor has it. The AVX2 loops are compiled on their own for AVX2; what the two compilations
// share here is in an unnamed namespace, so neither ever runs the other's code.

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace ResizerSimd {

constexpr int WeightBits = 14;

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

// The loops below are written once for both vector widths, over Ops: the vector type V, its Width
// in bytes and its operations. 256-bit registers work as two 128-bit halves side by side, each as
// a 128-bit register would, so that the same steps give the same bytes in the same order.

// A 16 x 16 block of bytes turned over, rows into columns, in four rounds of interleaving (two
// blocks at a time in 256-bit registers, one in each half).
template <typename Ops>
[[gnu::always_inline]] inline void Transpose16(const typename Ops::V in[16], typename Ops::V out[16]) {
    using V = typename Ops::V;
    V pairs[16]; // [i], [i + 8]: columns 0-7, 8-15 of rows 2i and 2i + 1
    for (int i = 0; i < 8; ++i) {
        pairs[i] = Ops::Bytes(in[2 * i], in[2 * i + 1]);
        pairs[i + 8] = Ops::HighBytes(in[2 * i], in[2 * i + 1]);
    }
    V quads[16]; // [4g + q]: columns 4g to 4g + 3 of rows 4q to 4q + 3
    for (int q = 0; q < 4; ++q) {
        quads[q] = Ops::Words(pairs[2 * q], pairs[2 * q + 1]);
        quads[q + 4] = Ops::HighWords(pairs[2 * q], pairs[2 * q + 1]);
        quads[q + 8] = Ops::Words(pairs[8 + 2 * q], pairs[8 + 2 * q + 1]);
        quads[q + 12] = Ops::HighWords(pairs[8 + 2 * q], pairs[8 + 2 * q + 1]);
    }
    V octets[16]; // [2p + h]: columns 2p and 2p + 1 of rows 8h to 8h + 7
    for (int g = 0; g < 4; ++g)
        for (int h = 0; h < 2; ++h) {
            octets[4 * g + h] = Ops::Dwords(quads[4 * g + 2 * h], quads[4 * g + 2 * h + 1]);
            octets[4 * g + 2 + h] = Ops::HighDwords(quads[4 * g + 2 * h], quads[4 * g + 2 * h + 1]);
        }
    for (int p = 0; p < 8; ++p) {
        out[2 * p] = Ops::Qwords(octets[2 * p], octets[2 * p + 1]);
        out[2 * p + 1] = Ops::HighQwords(octets[2 * p], octets[2 * p + 1]);
    }
}

// One output row, Ops::Width columns at a time: two source rows per multiply-add, interleaved
// sample by sample; an odd last tap pairs with a zero weight and reads its own row again. Pairs is
// the number of such pairs when known at compile time (0: at run time), so that the usual tap
// counts keep their weights in registers. The last columns are done again as a whole group,
// overlapping the one before: the same values.
template <typename Ops, int Pairs>
void FilterRow(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
               int width) {
    using V = typename Ops::V;
    const int pairs = Pairs > 0 ? Pairs : (count + 1) / 2;
    V weights[Pairs > 0 ? Pairs : 1];
    if constexpr (Pairs > 0)
        for (int k = 0; k < Pairs; ++k)
            weights[k] = Ops::Set(pairWeights[k]);
    const V zero = Ops::Set(0);
    const V rounder = Ops::Set(1 << (WeightBits - 1));
    auto group = [&](int at) {
        V acc0 = rounder;
        V acc1 = rounder;
        V acc2 = rounder;
        V acc3 = rounder;
        for (int k = 0; k < pairs; ++k) {
            const uint8_t* row = in + 2 * k * pitch + at;
            const V a = Ops::Load(row);
            const V b = 2 * k + 1 < count ? Ops::Load(row + pitch) : a;
            const V weight = Pairs > 0 ? weights[Pairs > 0 ? k : 0] : Ops::Set(pairWeights[k]);
            const V low = Ops::Bytes(a, zero);
            const V high = Ops::HighBytes(a, zero);
            const V bLow = Ops::Bytes(b, zero);
            const V bHigh = Ops::HighBytes(b, zero);
            acc0 = Ops::Add(acc0, Ops::MultiplyAdd(Ops::Words(low, bLow), weight));
            acc1 = Ops::Add(acc1, Ops::MultiplyAdd(Ops::HighWords(low, bLow), weight));
            acc2 = Ops::Add(acc2, Ops::MultiplyAdd(Ops::Words(high, bHigh), weight));
            acc3 = Ops::Add(acc3, Ops::MultiplyAdd(Ops::HighWords(high, bHigh), weight));
        }
        const V words = Ops::ToWords(Ops::Scale(acc0), Ops::Scale(acc1));
        const V moreWords = Ops::ToWords(Ops::Scale(acc2), Ops::Scale(acc3));
        Ops::Store(out + at, Ops::ToBytes(words, moreWords));
    };
    int x = 0;
    for (; x + Ops::Width <= width; x += Ops::Width)
        group(x);
    if (x < width)
        group(width - Ops::Width);
}

template <typename Ops>
void FilterRowAnyTaps(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                      int width) {
    switch ((count + 1) / 2) {
    case 1:
        return FilterRow<Ops, 1>(in, pitch, count, pairWeights, out, width);
    case 2:
        return FilterRow<Ops, 2>(in, pitch, count, pairWeights, out, width);
    case 3:
        return FilterRow<Ops, 3>(in, pitch, count, pairWeights, out, width);
    case 4:
        return FilterRow<Ops, 4>(in, pitch, count, pairWeights, out, width);
    default:
        return FilterRow<Ops, 0>(in, pitch, count, pairWeights, out, width);
    }
}

} // namespace

} // namespace ResizerSimd
