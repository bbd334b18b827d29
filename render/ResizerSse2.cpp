#include "render/ResizerSimd.h"

namespace ResizerSimd {

namespace {

struct Sse2 {
    using V = __m128i;
    static constexpr int Width = 16;
    static V Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
    static V Set(int32_t x) { return _mm_set1_epi32(x); }
    static V Bytes(V a, V b) { return _mm_unpacklo_epi8(a, b); }
    static V HighBytes(V a, V b) { return _mm_unpackhi_epi8(a, b); }
    static V Words(V a, V b) { return _mm_unpacklo_epi16(a, b); }
    static V HighWords(V a, V b) { return _mm_unpackhi_epi16(a, b); }
    static V Dwords(V a, V b) { return _mm_unpacklo_epi32(a, b); }
    static V HighDwords(V a, V b) { return _mm_unpackhi_epi32(a, b); }
    static V Qwords(V a, V b) { return _mm_unpacklo_epi64(a, b); }
    static V HighQwords(V a, V b) { return _mm_unpackhi_epi64(a, b); }
    static V MultiplyAdd(V a, V b) { return _mm_madd_epi16(a, b); }
    static V Add(V a, V b) { return _mm_add_epi32(a, b); }
    static V Scale(V a) { return _mm_srai_epi32(a, WeightBits); }
    static V ToWords(V a, V b) { return _mm_packs_epi32(a, b); }
    static V ToBytes(V a, V b) { return _mm_packus_epi16(a, b); }
};

bool isAvx2Allowed = true;

} // namespace

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && isAvx2Allowed;
}

void AllowAvx2(bool allowed) {
    isAvx2Allowed = allowed;
}

void FilterRow16(const uint8_t* in, ptrdiff_t pitch, int count, const int32_t* pairWeights, uint8_t* out,
                 int width) {
    FilterRowAnyTaps<Sse2>(in, pitch, count, pairWeights, out, width);
}

void TurnStrip16(const uint8_t* const row[16], int width, uint8_t* columns) {
    __m128i in[16];
    __m128i out[16];
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        for (int r = 0; r < 16; ++r)
            in[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row[r] + x));
        Transpose16<Sse2>(in, out);
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
        Transpose16<Sse2>(in, out);
        for (int r = 0; r < rows; ++r)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row[r] + x), out[r]);
    }
    for (; x < width; ++x)
        for (int r = 0; r < rows; ++r)
            row[r][x] = columns[x * 16 + r];
}

} // namespace ResizerSimd
