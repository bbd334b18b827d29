#include "render/ResizerSimd.h"

namespace ResizerSimd {

namespace {
bool isAvx2Allowed = true;
} // namespace

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && isAvx2Allowed;
}

void AllowAvx2(bool allowed) {
    isAvx2Allowed = allowed;
}

namespace {

inline void Transpose16(const __m128i in[16], __m128i out[16]) {
    Transpose16<__m128i, _mm_unpacklo_epi8, _mm_unpackhi_epi8, _mm_unpacklo_epi16, _mm_unpackhi_epi16,
                _mm_unpacklo_epi32, _mm_unpackhi_epi32, _mm_unpacklo_epi64, _mm_unpackhi_epi64>(in, out);
}

} // namespace

namespace {

// Sixteen columns of one output row: two source rows per multiply-add, interleaved sample by
// sample; an odd last tap pairs with a zero weight and reads its own row again. Pairs is the
// number of such pairs when known at compile time (0: given at run time), so that the usual tap
// counts keep their weights in registers and their loop unrolled.
template <int Pairs>
void FilterRow16(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width) {
    const int pairs = Pairs > 0 ? Pairs : (count + 1) / 2;
    __m128i weights[Pairs > 0 ? Pairs : 1];
    if constexpr (Pairs > 0)
        for (int k = 0; k < Pairs; ++k)
            weights[k] = _mm_set1_epi32(pairWeights[k]);
    const __m128i zero = _mm_setzero_si128();
    const __m128i rounder = _mm_set1_epi32(Rounder);
    auto group = [&](int at) {
        __m128i acc0 = rounder;
        __m128i acc1 = rounder;
        __m128i acc2 = rounder;
        __m128i acc3 = rounder;
        for (int k = 0; k < pairs; ++k) {
            const uint8_t* row = in + 2 * k * pitch + at;
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
            const __m128i b =
                2 * k + 1 < count ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + pitch)) : a;
            const __m128i weight = Pairs > 0 ? weights[Pairs > 0 ? k : 0] : _mm_set1_epi32(pairWeights[k]);
            const __m128i low = _mm_unpacklo_epi8(a, zero);
            const __m128i high = _mm_unpackhi_epi8(a, zero);
            const __m128i bLow = _mm_unpacklo_epi8(b, zero);
            const __m128i bHigh = _mm_unpackhi_epi8(b, zero);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(low, bLow), weight));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(low, bLow), weight));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(high, bHigh), weight));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(high, bHigh), weight));
        }
        const __m128i words =
            _mm_packs_epi32(_mm_srai_epi32(acc0, WeightBits), _mm_srai_epi32(acc1, WeightBits));
        const __m128i moreWords =
            _mm_packs_epi32(_mm_srai_epi32(acc2, WeightBits), _mm_srai_epi32(acc3, WeightBits));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(words, moreWords));
    };
    // The last columns are done again as a whole group, overlapping: the same values.
    int x = 0;
    for (; x + 16 <= width; x += 16)
        group(x);
    if (x < width)
        group(width - 16);
}

} // namespace

void FilterRow16(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width) {
    switch ((count + 1) / 2) {
    case 1:
        return FilterRow16<1>(in, pitch, count, pairWeights, out, width);
    case 2:
        return FilterRow16<2>(in, pitch, count, pairWeights, out, width);
    case 3:
        return FilterRow16<3>(in, pitch, count, pairWeights, out, width);
    case 4:
        return FilterRow16<4>(in, pitch, count, pairWeights, out, width);
    default:
        return FilterRow16<0>(in, pitch, count, pairWeights, out, width);
    }
}

void TurnStrip16(const uint8_t* const row[16], int width, uint8_t* columns) {
    __m128i in[16];
    __m128i out[16];
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        for (int r = 0; r < 16; ++r)
            in[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row[r] + x));
        Transpose16(in, out);
        for (int c = 0; c < 16; ++c)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(columns + (x + c) * 16), out[c]);
    }
    for (; x < width; ++x)
        for (int r = 0; r < 16; ++r)
            columns[x * 16 + r] = row[r][x];
}

void TurnBack16(const uint8_t* columns, int width, uint8_t* const row[16], int rows) {
    __m128i in[16];
    __m128i out[16];
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        for (int c = 0; c < 16; ++c)
            in[c] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + (x + c) * 16));
        Transpose16(in, out);
        for (int r = 0; r < rows; ++r)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row[r] + x), out[r]);
    }
    for (; x < width; ++x)
        for (int r = 0; r < rows; ++r)
            row[r][x] = columns[x * 16 + r];
}

} // namespace ResizerSimd
