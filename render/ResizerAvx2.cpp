// Compiled for AVX2 alone; called only where the processor has it.
#include "render/ResizerSimd.h"

namespace ResizerSimd {

namespace {

struct Avx2 {
    using V = __m256i;
    static constexpr int Width = 32;
    static V Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
    static void Store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
    static V Set(int32_t x) { return _mm256_set1_epi32(x); }
    static V Bytes(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
    static V HighBytes(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
    static V Words(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    static V HighWords(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    static V Dwords(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
    static V HighDwords(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
    static V Qwords(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
    static V HighQwords(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
    static V MultiplyAdd(V a, V b) { return _mm256_madd_epi16(a, b); }
    static V Add(V a, V b) { return _mm256_add_epi32(a, b); }
    static V Scale(V a) { return _mm256_srai_epi32(a, WeightBits); }
    static V ToWords(V a, V b) { return _mm256_packs_epi32(a, b); }
    static V ToBytes(V a, V b) { return _mm256_packus_epi16(a, b); }
};

} // namespace

void FilterRow32(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width) {
    FilterRowAnyTaps<Avx2>(in, pitch, count, pairWeights, out, width);
}

// The strip turned with 256-bit registers: rows r and r + 16 of a block in the two halves, so
// that each register that comes out is one 32-sample column.
void TurnStrip32(const uint8_t* const row[32], int width, uint8_t* columns) {
    __m256i in[16];
    __m256i out[16];
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        for (int r = 0; r < 16; ++r)
            in[r] = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row[r] + x))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(row[r + 16] + x)), 1);
        Transpose16<Avx2>(in, out);
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
        Transpose16<Avx2>(in, out);
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
