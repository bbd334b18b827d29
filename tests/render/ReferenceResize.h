#pragma once

// AviSynth's BicubicResize and BilinearResize of an 8-bit plane, written from the kernels' formulas
// and AviSynth's pixel-centre rule in plain double precision, with nothing of the renderer's
// fixed-point arithmetic: what the renderer's frames are checked against.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct ReferencePlane {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> samples;

    uint8_t At(int x, int y) const { return samples[static_cast<size_t>(y) * width + x]; }
};

struct ReferenceKernel {
    bool isCubic = true;
    double b = 0.33;
    double c = 0.33;

    double Support() const { return isCubic ? 2 : 1; }
    // Mitchell and Netravali's cubic, or the triangle.
    double operator()(double x) const {
        x = std::fabs(x);
        if (!isCubic)
            return std::max(0.0, 1 - x);
        if (x < 1)
            return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6;
        if (x < 2)
            return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x +
                    (8 * b + 24 * c)) /
                   6;
        return 0;
    }
};

// One line: output sample i sits at (i + 0.5) * n / size - 0.5 source samples; a shrink stretches
// the kernel by n / size; beyond the edges the edge sample repeats; the weights sum to one.
inline std::vector<double> ReferenceLine(const std::vector<double>& line, int size,
                                         const ReferenceKernel& kernel) {
    const int n = static_cast<int>(line.size());
    const double step = static_cast<double>(n) / size;
    const double stretch = std::max(step, 1.0);
    const double reach = kernel.Support() * stretch;
    std::vector<double> out(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) {
        const double centre = (i + 0.5) * step - 0.5;
        double sum = 0;
        double total = 0;
        for (int p = static_cast<int>(std::floor(centre - reach));
             p <= static_cast<int>(std::ceil(centre + reach)); ++p) {
            const double w = kernel((centre - p) / stretch);
            sum += w * line[static_cast<size_t>(std::clamp(p, 0, n - 1))];
            total += w;
        }
        out[static_cast<size_t>(i)] = sum / total;
    }
    return out;
}

// A clip's samples are 8-bit: each axis's result is rounded (halves up) and clamped.
inline uint8_t ReferenceSample(double value) {
    return static_cast<uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
}

inline ReferencePlane ReferenceAxis(const ReferencePlane& in, int width, int height,
                                    const ReferenceKernel& kernel) {
    ReferencePlane out{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    const bool horizontal = width != in.width;
    const int lines = horizontal ? in.height : in.width;
    const int length = horizontal ? in.width : in.height;
    for (int l = 0; l < lines; ++l) {
        std::vector<double> line(static_cast<size_t>(length));
        for (int k = 0; k < length; ++k)
            line[static_cast<size_t>(k)] = horizontal ? in.At(k, l) : in.At(l, k);
        const std::vector<double> resized = ReferenceLine(line, horizontal ? width : height, kernel);
        for (size_t k = 0; k < resized.size(); ++k) {
            const auto x = horizontal ? k : static_cast<size_t>(l);
            const auto y = horizontal ? static_cast<size_t>(l) : k;
            out.samples[y * static_cast<size_t>(width) + x] = ReferenceSample(resized[k]);
        }
    }
    return out;
}

// AviSynth resizes one axis after the other, the one that gives the larger intermediate picture
// first (horizontal on a tie), and leaves an axis whose size does not change untouched.
inline ReferencePlane ReferenceResize(const ReferencePlane& in, int width, int height,
                                      const ReferenceKernel& kernel) {
    const bool horizontalFirst =
        static_cast<double>(in.height) * width >= static_cast<double>(in.width) * height;
    ReferencePlane out = in;
    for (int pass = 0; pass < 2; ++pass) {
        const bool horizontal = (pass == 0) == horizontalFirst;
        if (horizontal && width != out.width)
            out = ReferenceAxis(out, width, out.height, kernel);
        if (!horizontal && height != out.height)
            out = ReferenceAxis(out, out.width, height, kernel);
    }
    return out;
}
