#include "decoder/ColorConvert.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace d2v {

namespace {

enum class Matrix { Bt601, Bt709, Fcc, Smpte240 };

Matrix MatrixFor(int code) {
    switch (code) {
    case 4:
        return Matrix::Fcc;
    case 5:
    case 6:
        return Matrix::Bt601;
    case 7:
        return Matrix::Smpte240;
    default: // 1, and the unspecified or reserved codes, are read as BT.709
        return Matrix::Bt709;
    }
}

inline uint8_t Clamp8(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

RgbCoefficients CoefficientsFor(int matrix, bool pcScale) {
    const Matrix m = MatrixFor(matrix);
    if (pcScale) {
        // 16-235 expanded to 0-255, chroma scaled by 255/224 as well.
        switch (m) {
        case Matrix::Bt601:
            return {16, 9539, 16525, -3209, -6660, 13075};
        case Matrix::Fcc:
            return {16, 9539, 16600, -3095, -6639, 13056};
        case Matrix::Smpte240:
            return {16, 9539, 17029, -2113, -4445, 14697};
        case Matrix::Bt709:
            break;
        }
        return {16, 9539, 17306, -1748, -4367, 14687};
    }
    double kr = 0.2126, kb = 0.0722;
    if (m == Matrix::Bt601) {
        kr = 0.299;
        kb = 0.114;
    } else if (m == Matrix::Fcc) {
        kr = 0.30;
        kb = 0.11;
    } else if (m == Matrix::Smpte240) {
        kr = 0.212;
        kb = 0.087;
    }
    const double kg = 1.0 - kr - kb;
    auto fixed = [](double x) { return static_cast<int>(std::lround(x * 8192.0)); };
    return {0,
            8192,
            fixed(2.0 * (1.0 - kb)),
            fixed(-2.0 * kb * (1.0 - kb) / kg),
            fixed(-2.0 * kr * (1.0 - kr) / kg),
            fixed(2.0 * (1.0 - kr))};
}

void ConvertToBgr24(const Yuv420View& in, ChromaSiting siting, const RgbCoefficients& k, uint8_t* out) {
    const int width = in.width, height = in.height;
    const int cw = width / 2, ch = height / 2;
    if (width <= 0 || height <= 0 || cw <= 0 || ch <= 0)
        return;
    // One spare byte repeats the last chroma column for the horizontal step.
    std::vector<uint8_t> uRow(static_cast<size_t>(cw) + 1), vRow(static_cast<size_t>(cw) + 1);

    auto verticalRow = [&](const uint8_t* plane, int pitch, int r, std::vector<uint8_t>& dst) {
        int a = 0, b = 0, wa = 0, wb = 0, shift = 0, round = 0;
        // A single chroma row has no second field to interpolate within.
        if (siting == ChromaSiting::Progressive || ch < 2) {
            const int i = std::min(r >> 1, ch - 1);
            a = i;
            b = std::clamp((r & 1) ? i + 1 : i - 1, 0, ch - 1);
            wa = 3, wb = 1, shift = 2, round = 2;
        } else {
            // Each field's chroma sits a quarter (top) or three quarters (bottom) of the way
            // between its own field lines.
            const int field = r & 1;
            const int fieldRows = (ch - field + 1) / 2;
            const int fl = r >> 1;
            const int i = std::min(fl >> 1, fieldRows - 1);
            const bool lower = (fl & 1) != 0;
            const int j = std::clamp(lower ? i + 1 : i - 1, 0, fieldRows - 1);
            a = 2 * i + field;
            b = 2 * j + field;
            const bool near = field == 0 ? !lower : lower;
            wa = near ? 7 : 5;
            wb = near ? 1 : 3;
            shift = 3, round = 4;
        }
        const uint8_t* pa = plane + static_cast<std::ptrdiff_t>(a) * pitch;
        const uint8_t* pb = plane + static_cast<std::ptrdiff_t>(b) * pitch;
        int x = 0;
#ifdef __SSE2__
        // The weights add up to 1 << shift, so every sum fits 16 bits and the result 8.
        const __m128i zero16 = _mm_setzero_si128();
        const __m128i mwa = _mm_set1_epi16(static_cast<int16_t>(wa)),
                      mwb = _mm_set1_epi16(static_cast<int16_t>(wb));
        const __m128i mround = _mm_set1_epi16(static_cast<int16_t>(round));
        const __m128i mshift = _mm_cvtsi32_si128(shift);
        for (; x + 16 <= cw; x += 16) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa + x));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + x));
            auto mix = [&](__m128i a8, __m128i b8) {
                const __m128i sum =
                    _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a8, mwa), _mm_mullo_epi16(b8, mwb)), mround);
                return _mm_srl_epi16(sum, mshift);
            };
            const __m128i lo = mix(_mm_unpacklo_epi8(va, zero16), _mm_unpacklo_epi8(vb, zero16));
            const __m128i hi = mix(_mm_unpackhi_epi8(va, zero16), _mm_unpackhi_epi8(vb, zero16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst.data() + x), _mm_packus_epi16(lo, hi));
        }
#endif
        for (; x < cw; ++x)
            dst[static_cast<size_t>(x)] = static_cast<uint8_t>((wa * pa[x] + wb * pb[x] + round) >> shift);
        dst[static_cast<size_t>(cw)] = dst[static_cast<size_t>(cw) - 1];
    };

    std::vector<uint8_t> uFull(static_cast<size_t>(width)), vFull(static_cast<size_t>(width));
    auto horizontal = [cw](const std::vector<uint8_t>& half, std::vector<uint8_t>& full) {
        int j = 0;
#ifdef __SSE2__
        // The rounded-up average of neighbours is exactly pavgb.
        for (; j + 16 <= cw; j += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(half.data() + j));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(half.data() + j + 1));
            const __m128i mid = _mm_avg_epu8(a, b);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(full.data() + 2 * j), _mm_unpacklo_epi8(a, mid));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(full.data() + 2 * j + 16), _mm_unpackhi_epi8(a, mid));
        }
#endif
        for (; j < cw; ++j) {
            const int a = half[static_cast<size_t>(j)];
            const int b = half[static_cast<size_t>(j + 1)];
            full[static_cast<size_t>(2 * j)] = static_cast<uint8_t>(a);
            full[static_cast<size_t>(2 * j + 1)] = static_cast<uint8_t>((a + b + 1) >> 1);
        }
    };

#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i c128 = _mm_set1_epi16(128);
    const __m128i offset = _mm_set1_epi16(static_cast<int16_t>(k.offset));
    const __m128i round = _mm_set1_epi32(4096);
    auto pairOf = [](int a, int b) {
        return _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(static_cast<uint16_t>(b)) << 16) |
                                               static_cast<uint16_t>(a)));
    };
    auto fits16 = [](int f) { return f >= INT16_MIN && f <= INT16_MAX; };
    const bool wide =
        fits16(k.offset) && fits16(k.scale) && fits16(k.bU) && fits16(k.gU) && fits16(k.gV) && fits16(k.rV);
    const __m128i kB = pairOf(k.scale, k.bU), kGu = pairOf(k.scale, k.gU), kGv = pairOf(k.gV, 0),
                  kR = pairOf(k.scale, k.rV);
#endif
    for (int r = 0; r < height; ++r) {
        verticalRow(in.u, in.uPitch, r, uRow);
        verticalRow(in.v, in.vPitch, r, vRow);
        horizontal(uRow, uFull);
        horizontal(vRow, vFull);
        const uint8_t* yRow = in.y + static_cast<std::ptrdiff_t>(r) * in.yPitch;
        uint8_t* o = out + static_cast<std::ptrdiff_t>(r) * width * 3;
        const uint8_t* uf = uFull.data();
        const uint8_t* vf = vFull.data();
        int x = 0;
#ifdef __SSE2__
        // Eight pixels at a time: the same integer sums as below, each pair of products taken by
        // one multiply-add (every factor fits 16 bits). The last row keeps its last pixel for the plain loop,
        // which writes no spare byte.
        const int simdEnd = r + 1 < height ? width : width - 1;
        for (; wide && x + 8 <= simdEnd; x += 8) {
            const __m128i y16 = _mm_sub_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(yRow + x)), zero), offset);
            const __m128i u16 = _mm_sub_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(uf + x)), zero), c128);
            const __m128i v16 = _mm_sub_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(vf + x)), zero), c128);
            const __m128i yuLo = _mm_unpacklo_epi16(y16, u16), yuHi = _mm_unpackhi_epi16(y16, u16);
            const __m128i yvLo = _mm_unpacklo_epi16(y16, v16), yvHi = _mm_unpackhi_epi16(y16, v16);
            const __m128i v0Lo = _mm_unpacklo_epi16(v16, zero), v0Hi = _mm_unpackhi_epi16(v16, zero);
            auto finish = [&](__m128i lo, __m128i hi) {
                lo = _mm_srai_epi32(_mm_add_epi32(lo, round), 13);
                hi = _mm_srai_epi32(_mm_add_epi32(hi, round), 13);
                const __m128i w = _mm_packs_epi32(lo, hi);
                return _mm_packus_epi16(w, w);
            };
            const __m128i b8 = finish(_mm_madd_epi16(yuLo, kB), _mm_madd_epi16(yuHi, kB));
            const __m128i g8 = finish(_mm_add_epi32(_mm_madd_epi16(yuLo, kGu), _mm_madd_epi16(v0Lo, kGv)),
                                      _mm_add_epi32(_mm_madd_epi16(yuHi, kGu), _mm_madd_epi16(v0Hi, kGv)));
            const __m128i r8 = finish(_mm_madd_epi16(yvLo, kR), _mm_madd_epi16(yvHi, kR));
            // B,G,R,0 per pixel, each written as four bytes three apart: the zero is overwritten by
            // the next pixel (the loop stops short of the buffer's last pixel).
            const __m128i bg = _mm_unpacklo_epi8(b8, g8), r0 = _mm_unpacklo_epi8(r8, zero);
            __m128i quad = _mm_unpacklo_epi16(bg, r0);
            uint8_t* px = o + 3 * x;
            for (int half = 0; half < 2; ++half) {
                for (int i = 0; i < 4; ++i) {
                    const uint32_t word = static_cast<uint32_t>(_mm_cvtsi128_si32(quad));
                    std::memcpy(px, &word, 4);
                    px += 3;
                    quad = _mm_srli_si128(quad, 4);
                }
                quad = _mm_unpackhi_epi16(bg, r0);
            }
        }
#endif
        for (; x < width; ++x) {
            const int yy = (yRow[x] - k.offset) * k.scale + 4096;
            const int u = uf[x] - 128, v = vf[x] - 128;
            o[3 * x + 0] = Clamp8((yy + k.bU * u) >> 13);
            o[3 * x + 1] = Clamp8((yy + k.gU * u + k.gV * v) >> 13);
            o[3 * x + 2] = Clamp8((yy + k.rV * v) >> 13);
        }
    }
}

} // namespace d2v
