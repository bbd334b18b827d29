#include "render/Resizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(CINESCRIPTOR_RESIZER_SIMD)
#include "render/ResizerSimd.h"

static_assert(ResizerSimd::WeightBits == AxisTaps::WeightBits);
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
    for (int i = 0; i < t.TargetSize; ++i) {
        const int16_t* w = &t.Weights[static_cast<size_t>(i * t.Count)];
        for (int k = 0; k < pairs; ++k) {
            const auto low = static_cast<uint16_t>(w[2 * k]);
            const auto high = static_cast<uint16_t>(2 * k + 1 < t.Count ? w[2 * k + 1] : 0);
            pass.WeightPairs[static_cast<size_t>(i * pairs + k)] =
                static_cast<int32_t>(uint32_t{high} << 16 | low);
        }
    }
    return pass;
}

void AllowAvx2Resizing(bool allowed) {
#if defined(CINESCRIPTOR_RESIZER_SIMD)
    ResizerSimd::AllowAvx2(allowed);
#else
    (void)allowed;
#endif
}

PlaneResizer::PlaneResizer(const ResizeKernel& kernel, int sourceWidth_, int sourceHeight_, int targetWidth_,
                           int targetHeight_)
    : sourceWidth(sourceWidth_), sourceHeight(sourceHeight_), targetWidth(targetWidth_),
      targetHeight(targetHeight_), resizeHorizontally(sourceWidth_ != targetWidth_),
      resizeVertically(sourceHeight_ != targetHeight_),
      // The larger intermediate plane loses less to its rounding to 8 bits.
      horizontalFirst(static_cast<double>(sourceHeight_) * targetWidth_ >=
                      static_cast<double>(sourceWidth_) * targetHeight_) {
#if defined(CINESCRIPTOR_RESIZER_SIMD)
    strip = ResizerSimd::HasAvx2() ? 32 : 16;
#endif
    if (resizeHorizontally) {
        horizontal = MakePass(kernel, sourceWidth, targetWidth);
        stripIn.resize(static_cast<size_t>(sourceWidth) * static_cast<size_t>(strip));
        stripOut.resize(static_cast<size_t>(targetWidth) * static_cast<size_t>(strip));
    }
    if (resizeVertically)
        vertical = MakePass(kernel, sourceHeight, targetHeight);
    // The intermediate plane is held a strip at a time, with the rows the vertical taps still
    // need: it stays in the cache between the two passes.
    if (resizeHorizontally && resizeVertically)
        between.resize(horizontalFirst ? static_cast<size_t>(strip + vertical.Taps.Count) *
                                             static_cast<size_t>(targetWidth)
                                       : static_cast<size_t>(strip) * static_cast<size_t>(sourceWidth));
}

void PlaneResizer::Resize(const uint8_t* source, ptrdiff_t sourcePitch, uint8_t* target,
                          ptrdiff_t targetPitch) {
    if (resizeHorizontally && resizeVertically && horizontalFirst) {
        const std::vector<int>& offsets = vertical.Taps.Offsets;
        const int capacity = static_cast<int>(between.size()) / targetWidth;
        int held = 0; // the intermediate row at the start of the buffer
        int done = 0; // output rows written
        for (int top = 0; top < sourceHeight; top += strip) {
            const int rows = std::min(strip, sourceHeight - top);
            if (top + rows > held + capacity) {
                const int keep =
                    done < targetHeight ? std::min(offsets[static_cast<size_t>(done)], top) : top;
                std::memmove(between.data(), between.data() + (keep - held) * targetWidth,
                             static_cast<size_t>(top - keep) * static_cast<size_t>(targetWidth));
                held = keep;
            }
            HorizontalStrip(source + top * sourcePitch, sourcePitch, rows,
                            between.data() + (top - held) * targetWidth, targetWidth);
            int end = done;
            while (end < targetHeight &&
                   offsets[static_cast<size_t>(end)] + vertical.Taps.Count <= top + rows)
                ++end;
            Vertical(vertical, between.data(), targetWidth, held, targetWidth, target + done * targetPitch,
                     targetPitch, done, end);
            done = end;
        }
    } else if (resizeHorizontally && resizeVertically) {
        for (int top = 0; top < targetHeight; top += strip) {
            const int rows = std::min(strip, targetHeight - top);
            Vertical(vertical, source, sourcePitch, 0, sourceWidth, between.data(), sourceWidth, top,
                     top + rows);
            HorizontalStrip(between.data(), sourceWidth, rows, target + top * targetPitch, targetPitch);
        }
    } else if (resizeHorizontally) {
        for (int top = 0; top < sourceHeight; top += strip)
            HorizontalStrip(source + top * sourcePitch, sourcePitch, std::min(strip, sourceHeight - top),
                            target + top * targetPitch, targetPitch);
    } else if (resizeVertically) {
        Vertical(vertical, source, sourcePitch, 0, sourceWidth, target, targetPitch, 0, targetHeight);
    } else {
        for (int y = 0; y < sourceHeight; ++y)
            std::memcpy(target + y * targetPitch, source + y * sourcePitch, static_cast<size_t>(sourceWidth));
    }
}

void PlaneResizer::Vertical(const Pass& pass, const uint8_t* source, ptrdiff_t sourcePitch,
                            int firstSourceRow, int width, uint8_t* target, ptrdiff_t targetPitch, int first,
                            int last) {
    const AxisTaps& t = pass.Taps;
    const int pairs = (t.Count + 1) / 2;
    for (int y = first; y < last; ++y) {
        const uint8_t* in = source + (t.Offsets[static_cast<size_t>(y)] - firstSourceRow) * sourcePitch;
        uint8_t* out = target + (y - first) * targetPitch;
#if defined(CINESCRIPTOR_RESIZER_SIMD)
        const int32_t* pairWeights = &pass.WeightPairs[static_cast<size_t>(y * pairs)];
        if (width >= 32 && ResizerSimd::HasAvx2()) {
            ResizerSimd::FilterRow32(in, sourcePitch, t.Count, pairWeights, out, width);
            continue;
        }
        if (width >= 16) {
            ResizerSimd::FilterRow16(in, sourcePitch, t.Count, pairWeights, out, width);
            continue;
        }
#endif
        const int16_t* w = &t.Weights[static_cast<size_t>(y * t.Count)];
        for (int x = 0; x < width; ++x) {
            int sum = Rounder;
            for (int k = 0; k < t.Count; ++k)
                sum += w[k] * in[k * sourcePitch + x];
            out[x] = ToSample(sum);
        }
    }
}

void PlaneResizer::HorizontalStrip(const uint8_t* source, ptrdiff_t sourcePitch, int rows, uint8_t* target,
                                   ptrdiff_t targetPitch) {
    const AxisTaps& t = horizontal.Taps;
#if defined(CINESCRIPTOR_RESIZER_SIMD)
    // The strip's rows turned into columns, so that the horizontal filter is the vertical one,
    // vectorised across the rows; then turned back. Rows past the plane repeat its last row and
    // are never written back.
    const uint8_t* in[32];
    uint8_t* out[32];
    for (int r = 0; r < strip; ++r) {
        in[r] = source + std::min(r, rows - 1) * sourcePitch;
        out[r] = target + r * targetPitch;
    }
    if (strip == 32) {
        ResizerSimd::TurnStrip32(in, t.SourceSize, stripIn.data());
        Vertical(horizontal, stripIn.data(), strip, 0, strip, stripOut.data(), strip, 0, t.TargetSize);
        ResizerSimd::TurnBack32(stripOut.data(), t.TargetSize, out, rows);
        return;
    }
    ResizerSimd::TurnStrip16(in, t.SourceSize, stripIn.data());
    Vertical(horizontal, stripIn.data(), strip, 0, strip, stripOut.data(), strip, 0, t.TargetSize);
    ResizerSimd::TurnBack16(stripOut.data(), t.TargetSize, out, rows);
#else
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = source + y * sourcePitch;
        uint8_t* out = target + y * targetPitch;
        for (int x = 0; x < t.TargetSize; ++x) {
            const uint8_t* from = in + t.Offsets[static_cast<size_t>(x)];
            const int16_t* w = &t.Weights[static_cast<size_t>(x * t.Count)];
            int sum = Rounder;
            for (int k = 0; k < t.Count; ++k)
                sum += w[k] * from[k];
            out[x] = ToSample(sum);
        }
    }
#endif
}
