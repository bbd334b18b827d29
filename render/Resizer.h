#pragma once

// AviSynth's BicubicResize and BilinearResize on one 8-bit plane, computed as AviSynth+ computes
// them, so that an encode of cinescriptor-render's frames matches one of the scripts the program
// writes. No Qt here: the renderer and its tests are the only users.

#include <cstddef>
#include <cstdint>
#include <vector>

// One of AviSynth's resampling kernels: an even function that is 0 beyond its support.
class ResizeKernel {
public:
    // The Mitchell-Netravali family of BicubicResize (b = c = 1/3 when a script gives none).
    static ResizeKernel Bicubic(double b, double c);
    // The triangle of BilinearResize.
    static ResizeKernel Bilinear();

    double Support() const { return support; }
    double operator()(double x) const;

private:
    ResizeKernel() = default;
    double support = 1;
    bool isCubic = false;
    // Polynomial coefficients of the two cubic pieces, |x| < 1 and 1 <= |x| < 2.
    double p0 = 0, p2 = 0, p3 = 0, q0 = 0, q1 = 0, q2 = 0, q3 = 0;
};

// The taps of one axis: output sample i reads Count source samples from Offsets[i] on, weighted
// by Weights[i * Count ...] in 14-bit fixed point (they sum to exactly 16384). Offsets[i] + Count
// never passes the source size.
struct AxisTaps {
    static constexpr int WeightBits = 14;

    int SourceSize = 0;
    int TargetSize = 0;
    int Count = 0;
    std::vector<int> Offsets;
    std::vector<int16_t> Weights;
};

// AviSynth's taps for resizing sourceSize samples to targetSize (both at least 1): pixel centres
// aligned (the source position of output sample i is (i + 0.5) * source / target - 0.5), the
// kernel widened by source / target when shrinking, taps beyond the edges given to the edge sample,
// weights normalised to 1 and rounded cumulatively so that their sum is exact.
AxisTaps MakeAxisTaps(const ResizeKernel& kernel, int sourceSize, int targetSize);

// Resizes planes of one size to another, as AviSynth does a plane of a clip: an axis whose size
// does not change is left alone (a copy), otherwise one axis after the other through an 8-bit
// intermediate plane, horizontal first unless vertical first gives a larger intermediate. Holds
// its intermediate plane, so resizing frame after frame allocates nothing.
class PlaneResizer {
public:
    PlaneResizer(const ResizeKernel& kernel, int sourceWidth, int sourceHeight, int targetWidth,
                 int targetHeight);

    // source: sourceHeight rows of sourceWidth samples, sourcePitch bytes apart; target likewise.
    void Resize(const uint8_t* source, ptrdiff_t sourcePitch, uint8_t* target, ptrdiff_t targetPitch);

    bool IsHorizontalFirst() const { return horizontalFirst; }

private:
    // Taps prepared for the vectorised loops: pairs of vertical weights, horizontal weights padded
    // to a multiple of eight.
    struct Pass {
        AxisTaps Taps;
        std::vector<int32_t> WeightPairs;   // vertical: (w[k + 1] << 16) | w[k] per pair of taps
        std::vector<int16_t> PaddedWeights; // horizontal: PaddedCount per output sample
        int PaddedCount = 0;
        int VectorEnd = 0; // horizontal: outputs before it read PaddedCount samples in bounds
    };
    static Pass MakePass(const ResizeKernel& kernel, int sourceSize, int targetSize);
    static void Horizontal(const Pass& pass, const uint8_t* source, ptrdiff_t sourcePitch, int rows,
                           uint8_t* target, ptrdiff_t targetPitch);
    static void Vertical(const Pass& pass, const uint8_t* source, ptrdiff_t sourcePitch, int width,
                         uint8_t* target, ptrdiff_t targetPitch);

    int sourceWidth;
    int sourceHeight;
    int targetWidth;
    int targetHeight;
    bool resizeHorizontally;
    bool resizeVertically;
    bool horizontalFirst;
    Pass horizontal;
    Pass vertical;
    std::vector<uint8_t> between;
};
