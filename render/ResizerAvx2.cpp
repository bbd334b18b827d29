// Compiled for AVX2 alone; called only where the processor has it.
#include "render/ResizerSimd.h"

namespace ResizerSimd {

namespace {

// Two 16 x 16 blocks side by side, in the halves of the registers.
inline void Transpose16x2(const __m256i in[16], __m256i out[16]) {
    Transpose16<__m256i, _mm256_unpacklo_epi8, _mm256_unpackhi_epi8, _mm256_unpacklo_epi16,
                _mm256_unpackhi_epi16, _mm256_unpacklo_epi32, _mm256_unpackhi_epi32, _mm256_unpacklo_epi64,
                _mm256_unpackhi_epi64>(in, out);
}

// The same as FilterRow16, thirty-two columns at a time. AVX2 works in two 128-bit halves, each
// with its sixteen columns as there, so the packed bytes come out in order.
template <int Pairs>
void FilterRow32(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width) {
    const int pairs = Pairs > 0 ? Pairs : (count + 1) / 2;
    __m256i weights[Pairs > 0 ? Pairs : 1];
    if constexpr (Pairs > 0)
        for (int k = 0; k < Pairs; ++k)
            weights[k] = _mm256_set1_epi32(pairWeights[k]);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i rounder = _mm256_set1_epi32(Rounder);
    auto group = [&](int at) {
        __m256i acc0 = rounder;
        __m256i acc1 = rounder;
        __m256i acc2 = rounder;
        __m256i acc3 = rounder;
        for (int k = 0; k < pairs; ++k) {
            const uint8_t* row = in + 2 * k * pitch + at;
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row));
            const __m256i b =
                2 * k + 1 < count ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + pitch)) : a;
            const __m256i weight = Pairs > 0 ? weights[Pairs > 0 ? k : 0] : _mm256_set1_epi32(pairWeights[k]);
            const __m256i low = _mm256_unpacklo_epi8(a, zero);
            const __m256i high = _mm256_unpackhi_epi8(a, zero);
            const __m256i bLow = _mm256_unpacklo_epi8(b, zero);
            const __m256i bHigh = _mm256_unpackhi_epi8(b, zero);
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi16(low, bLow), weight));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi16(low, bLow), weight));
            acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi16(high, bHigh), weight));
            acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi16(high, bHigh), weight));
        }
        const __m256i words =
            _mm256_packs_epi32(_mm256_srai_epi32(acc0, WeightBits), _mm256_srai_epi32(acc1, WeightBits));
        const __m256i moreWords =
            _mm256_packs_epi32(_mm256_srai_epi32(acc2, WeightBits), _mm256_srai_epi32(acc3, WeightBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), _mm256_packus_epi16(words, moreWords));
    };
    int x = 0;
    for (; x + 32 <= width; x += 32)
        group(x);
    if (x < width)
        group(width - 32);
}

} // namespace

void FilterRow32(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width) {
    switch ((count + 1) / 2) {
    case 1:
        return FilterRow32<1>(in, pitch, count, pairWeights, out, width);
    case 2:
        return FilterRow32<2>(in, pitch, count, pairWeights, out, width);
    case 3:
        return FilterRow32<3>(in, pitch, count, pairWeights, out, width);
    case 4:
        return FilterRow32<4>(in, pitch, count, pairWeights, out, width);
    default:
        return FilterRow32<0>(in, pitch, count, pairWeights, out, width);
    }
}

void TurnStrip32(const uint8_t* const row[32], int width, uint8_t* columns) {
    __m256i in[16];
    __m256i out[16];
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        for (int r = 0; r < 16; ++r)
            in[r] = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row[r] + x))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(row[r + 16] + x)), 1);
        Transpose16x2(in, out);
        for (int c = 0; c < 16; ++c)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(columns + (x + c) * 32), out[c]);
    }
    for (; x < width; ++x)
        for (int r = 0; r < 32; ++r)
            columns[x * 32 + r] = row[r][x];
}

void TurnBack32(const uint8_t* columns, int width, uint8_t* const row[32], int rows) {
    __m256i in[16];
    __m256i out[16];
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        for (int c = 0; c < 16; ++c)
            in[c] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + (x + c) * 32));
        Transpose16x2(in, out);
        for (int r = 0; r < 16 && r < rows; ++r)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row[r] + x), _mm256_castsi256_si128(out[r]));
        for (int r = 16; r < rows; ++r)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row[r] + x),
                             _mm256_extracti128_si256(out[r - 16], 1));
    }
    for (; x < width; ++x)
        for (int r = 0; r < rows; ++r)
            row[r][x] = columns[x * 32 + r];
}

} // namespace ResizerSimd
