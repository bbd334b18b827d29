#include "render/Resizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

ResizeKernel ResizeKernel::Bicubic(double b, double c) {
    ResizeKernel k;
    k.support = 2;
    k.isCubic = true;
    k.p0 = (6 - 2 * b) / 6;
    k.p2 = (-18 + 12 * b + 6 * c) / 6;
    k.p3 = (12 - 9 * b - 6 * c) / 6;
    k.q0 = (8 * b + 24 * c) / 6;
    k.q1 = (-12 * b - 48 * c) / 6;
    k.q2 = (6 * b + 30 * c) / 6;
    k.q3 = (-b - 6 * c) / 6;
    return k;
}

ResizeKernel ResizeKernel::Bilinear() {
    return ResizeKernel();
}

double ResizeKernel::operator()(double x) const {
    x = std::fabs(x);
    if (!isCubic)
        return x < 1 ? 1 - x : 0;
    if (x < 1)
        return p0 + x * x * (p2 + x * p3);
    if (x < 2)
        return q0 + x * (q1 + x * (q2 + x * q3));
    return 0;
}

namespace {

constexpr int Unity = 1 << AxisTaps::WeightBits;
constexpr int Rounder = Unity / 2;

// AviSynth's rounding of a cumulated weight: half up, truncated towards zero.
int FixedPoint(double cumulated) {
    return static_cast<int>(cumulated * Unity + 0.5);
}

uint8_t ToSample(int sum) {
    const int value = sum >> AxisTaps::WeightBits;
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

} // namespace

AxisTaps MakeAxisTaps(const ResizeKernel& kernel, int sourceSize, int targetSize) {
    AxisTaps taps;
    taps.SourceSize = sourceSize;
    taps.TargetSize = targetSize;
    const double step = static_cast<double>(sourceSize) / targetSize;
    // Shrinking widens the kernel over as many source samples as one output sample covers.
    const double scale = std::max(step, 1.0);
    const double support = kernel.Support() * scale;
    const int window = std::max(static_cast<int>(std::ceil(support * 2)), 1);
    const int last = sourceSize - 1;

    // Taps of each output sample over the source samples it reaches, before padding.
    std::vector<int> firsts(static_cast<size_t>(targetSize));
    std::vector<std::vector<int>> weights(static_cast<size_t>(targetSize));
    std::vector<double> raw(static_cast<size_t>(window));
    // Centres meet: the first output centre lies half an output sample into the source.
    double position = step * 0.5 - 0.5;
    for (int i = 0; i < targetSize; ++i, position += step) {
        const int start = static_cast<int>(position + support) - window + 1;
        double total = 0;
        for (int k = 0; k < window; ++k) {
            raw[static_cast<size_t>(k)] = kernel((position - (start + k)) / scale);
            total += raw[static_cast<size_t>(k)];
        }
        if (total == 0)
            total = 1;
        // Taps before the first sample go to the first one, taps after the last to the last one;
        // each weight is the difference of rounded running sums, so the sum is exactly one.
        std::vector<int>& w = weights[static_cast<size_t>(i)];
        double pending = 0;
        double cumulated = 0;
        for (int k = 0; k < window; ++k) {
            pending += raw[static_cast<size_t>(k)];
            const int p = start + k;
            if (p < 0 || p > last)
                continue;
            const double next = cumulated + pending / total;
            w.push_back(FixedPoint(next) - FixedPoint(cumulated));
            cumulated = next;
            pending = 0;
        }
        if (w.empty())
            w.push_back(Unity);
        else if (pending != 0)
            w.back() += FixedPoint(cumulated + pending / total) - FixedPoint(cumulated);
        firsts[static_cast<size_t>(i)] = std::clamp(start, 0, last);
        taps.Count = std::max(taps.Count, static_cast<int>(w.size()));
    }

    // One tap count for all, zero weights filling in; near the far edge the taps move back so as
    // to stay within the source.
    taps.Offsets.resize(static_cast<size_t>(targetSize));
    taps.Weights.assign(static_cast<size_t>(targetSize) * static_cast<size_t>(taps.Count), 0);
    for (int i = 0; i < targetSize; ++i) {
        const int first = firsts[static_cast<size_t>(i)];
        const int offset = std::min(first, sourceSize - taps.Count);
        taps.Offsets[static_cast<size_t>(i)] = offset;
        const std::vector<int>& w = weights[static_cast<size_t>(i)];
        for (size_t k = 0; k < w.size(); ++k)
            taps.Weights[static_cast<size_t>(i * taps.Count + first - offset) + k] =
                static_cast<int16_t>(w[k]);
    }
    return taps;
}

PlaneResizer::Pass PlaneResizer::MakePass(const ResizeKernel& kernel, int sourceSize, int targetSize) {
    Pass pass;
    pass.Taps = MakeAxisTaps(kernel, sourceSize, targetSize);
    const AxisTaps& t = pass.Taps;
    const int pairs = (t.Count + 1) / 2;
    pass.WeightPairs.resize(static_cast<size_t>(t.TargetSize) * static_cast<size_t>(pairs));
    pass.PaddedCount = (t.Count + 7) / 8 * 8;
    pass.PaddedWeights.assign(static_cast<size_t>(t.TargetSize) * static_cast<size_t>(pass.PaddedCount), 0);
    for (int i = 0; i < t.TargetSize; ++i) {
        const int16_t* w = &t.Weights[static_cast<size_t>(i * t.Count)];
        for (int k = 0; k < pairs; ++k) {
            const auto low = static_cast<uint16_t>(w[2 * k]);
            const auto high = static_cast<uint16_t>(2 * k + 1 < t.Count ? w[2 * k + 1] : 0);
            pass.WeightPairs[static_cast<size_t>(i * pairs + k)] =
                static_cast<int32_t>(uint32_t{high} << 16 | low);
        }
        std::copy(w, w + t.Count, &pass.PaddedWeights[static_cast<size_t>(i * pass.PaddedCount)]);
        // Offsets only grow, so the outputs that may read a whole padded group come first.
        if (t.Offsets[static_cast<size_t>(i)] + pass.PaddedCount <= t.SourceSize)
            pass.VectorEnd = i + 1;
    }
    return pass;
}

PlaneResizer::PlaneResizer(const ResizeKernel& kernel, int sourceWidth_, int sourceHeight_, int targetWidth_,
                           int targetHeight_)
    : sourceWidth(sourceWidth_), sourceHeight(sourceHeight_), targetWidth(targetWidth_),
      targetHeight(targetHeight_), resizeHorizontally(sourceWidth_ != targetWidth_),
      resizeVertically(sourceHeight_ != targetHeight_),
      // The larger intermediate plane loses less to its rounding to 8 bits.
      horizontalFirst(static_cast<double>(sourceHeight_) * targetWidth_ >=
                      static_cast<double>(sourceWidth_) * targetHeight_) {
    if (resizeHorizontally)
        horizontal = MakePass(kernel, sourceWidth, targetWidth);
    if (resizeVertically)
        vertical = MakePass(kernel, sourceHeight, targetHeight);
    if (resizeHorizontally && resizeVertically)
        between.resize(horizontalFirst
                           ? static_cast<size_t>(sourceHeight) * static_cast<size_t>(targetWidth)
                           : static_cast<size_t>(targetHeight) * static_cast<size_t>(sourceWidth));
}

void PlaneResizer::Resize(const uint8_t* source, ptrdiff_t sourcePitch, uint8_t* target,
                          ptrdiff_t targetPitch) {
    if (resizeHorizontally && resizeVertically) {
        if (horizontalFirst) {
            Horizontal(horizontal, source, sourcePitch, sourceHeight, between.data(), targetWidth);
            Vertical(vertical, between.data(), targetWidth, targetWidth, target, targetPitch);
        } else {
            Vertical(vertical, source, sourcePitch, sourceWidth, between.data(), sourceWidth);
            Horizontal(horizontal, between.data(), sourceWidth, targetHeight, target, targetPitch);
        }
    } else if (resizeHorizontally) {
        Horizontal(horizontal, source, sourcePitch, sourceHeight, target, targetPitch);
    } else if (resizeVertically) {
        Vertical(vertical, source, sourcePitch, sourceWidth, target, targetPitch);
    } else {
        for (int y = 0; y < sourceHeight; ++y)
            std::memcpy(target + y * targetPitch, source + y * sourcePitch, static_cast<size_t>(sourceWidth));
    }
}

void PlaneResizer::Horizontal(const Pass& pass, const uint8_t* source, ptrdiff_t sourcePitch, int rows,
                              uint8_t* target, ptrdiff_t targetPitch) {
    const AxisTaps& t = pass.Taps;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = source + y * sourcePitch;
        uint8_t* out = target + y * targetPitch;
        int x = 0;
#if defined(__SSE2__)
        // Four outputs at a time, each a dot product of eight samples with eight weights.
        const __m128i zero = _mm_setzero_si128();
        for (; x + 4 <= pass.VectorEnd; x += 4) {
            __m128i sums[4];
            for (int j = 0; j < 4; ++j) {
                const uint8_t* from = in + t.Offsets[static_cast<size_t>(x + j)];
                const int16_t* w = &pass.PaddedWeights[static_cast<size_t>((x + j) * pass.PaddedCount)];
                __m128i sum = zero;
                for (int k = 0; k < pass.PaddedCount; k += 8) {
                    const __m128i samples =
                        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + k)), zero);
                    sum = _mm_add_epi32(
                        sum,
                        _mm_madd_epi16(samples, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + k))));
                }
                sums[j] = sum;
            }
            // Horizontal sums of the four, side by side.
            const __m128i s01 =
                _mm_add_epi32(_mm_unpacklo_epi32(sums[0], sums[1]), _mm_unpackhi_epi32(sums[0], sums[1]));
            const __m128i s23 =
                _mm_add_epi32(_mm_unpacklo_epi32(sums[2], sums[3]), _mm_unpackhi_epi32(sums[2], sums[3]));
            __m128i total = _mm_add_epi32(_mm_unpacklo_epi64(s01, s23), _mm_unpackhi_epi64(s01, s23));
            total = _mm_srai_epi32(_mm_add_epi32(total, _mm_set1_epi32(Rounder)), AxisTaps::WeightBits);
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(total, zero), zero);
            const int32_t four = _mm_cvtsi128_si32(bytes);
            std::memcpy(out + x, &four, 4);
        }
#endif
        for (; x < t.TargetSize; ++x) {
            const uint8_t* from = in + t.Offsets[static_cast<size_t>(x)];
            const int16_t* w = &t.Weights[static_cast<size_t>(x * t.Count)];
            int sum = Rounder;
            for (int k = 0; k < t.Count; ++k)
                sum += w[k] * from[k];
            out[x] = ToSample(sum);
        }
    }
}

void PlaneResizer::Vertical(const Pass& pass, const uint8_t* source, ptrdiff_t sourcePitch, int width,
                            uint8_t* target, ptrdiff_t targetPitch) {
    const AxisTaps& t = pass.Taps;
    const int pairs = (t.Count + 1) / 2;
    for (int y = 0; y < t.TargetSize; ++y) {
        const uint8_t* in = source + t.Offsets[static_cast<size_t>(y)] * sourcePitch;
        uint8_t* out = target + y * targetPitch;
        int x = 0;
#if defined(__SSE2__)
        // Sixteen columns at a time; two source rows per multiply-add, interleaved sample by sample.
        const __m128i zero = _mm_setzero_si128();
        const int32_t* pairWeights = &pass.WeightPairs[static_cast<size_t>(y * pairs)];
        auto columns = [&](int at) {
            __m128i acc0 = _mm_set1_epi32(Rounder);
            __m128i acc1 = acc0;
            __m128i acc2 = acc0;
            __m128i acc3 = acc0;
            for (int k = 0; k < pairs; ++k) {
                const uint8_t* row = in + 2 * k * sourcePitch + at;
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
                // An odd last tap pairs with a zero weight; its row is read again, not the next.
                const __m128i b = 2 * k + 1 < t.Count
                                      ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + sourcePitch))
                                      : a;
                const __m128i weight = _mm_set1_epi32(pairWeights[k]);
                const __m128i aLow = _mm_unpacklo_epi8(a, zero);
                const __m128i aHigh = _mm_unpackhi_epi8(a, zero);
                const __m128i bLow = _mm_unpacklo_epi8(b, zero);
                const __m128i bHigh = _mm_unpackhi_epi8(b, zero);
                acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), weight));
                acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), weight));
                acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), weight));
                acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), weight));
            }
            const __m128i low = _mm_packs_epi32(_mm_srai_epi32(acc0, AxisTaps::WeightBits),
                                                _mm_srai_epi32(acc1, AxisTaps::WeightBits));
            const __m128i high = _mm_packs_epi32(_mm_srai_epi32(acc2, AxisTaps::WeightBits),
                                                 _mm_srai_epi32(acc3, AxisTaps::WeightBits));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(low, high));
        };
        for (; x + 16 <= width; x += 16)
            columns(x);
        // The last columns again as a whole group, overlapping the ones done: the same values.
        if (x < width && width >= 16) {
            columns(width - 16);
            x = width;
        }
#endif
        for (; x < width; ++x) {
            const int16_t* w = &t.Weights[static_cast<size_t>(y * t.Count)];
            int sum = Rounder;
            for (int k = 0; k < t.Count; ++k)
                sum += w[k] * in[k * sourcePitch + x];
            out[x] = ToSample(sum);
        }
    }
}
