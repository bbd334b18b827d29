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

// Lets the resizers made from now on use AVX2 where the processor has it (the default), or not, so
// that tests can check both vector paths on one machine.
void AllowAvx2Resizing(bool allowed);

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
    // Taps with their weights paired for the vectorised loop, two source lines a multiply-add.
    struct Pass {
        AxisTaps Taps;
        std::vector<int32_t> WeightPairs; // (w[k + 1] << 16) | w[k] for each pair of taps
    };
    static Pass MakePass(const ResizeKernel& kernel, int sourceSize, int targetSize);
    // rows (at most a strip) of the horizontal pass; source and target point at the strip's first row.
    void HorizontalStrip(const uint8_t* source, ptrdiff_t sourcePitch, int rows, uint8_t* target,
                         ptrdiff_t targetPitch);
    // Output rows first to last (excluded) of a vertical pass, from source, which holds the source
    // rows from firstSourceRow on, to target, which points at output row first.
    static void Vertical(const Pass& pass, const uint8_t* source, ptrdiff_t sourcePitch, int firstSourceRow,
                         int width, uint8_t* target, ptrdiff_t targetPitch, int first, int last);

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
    // Rows the horizontal pass takes at a time: as many as a vector holds bytes.
    int strip = 16;
    // A strip of rows of the horizontal pass, turned into columns, before and after.
    std::vector<uint8_t> stripIn;
    std::vector<uint8_t> stripOut;
};
