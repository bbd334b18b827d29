// The renderer's resizers against the double-precision reference, on synthetic planes whose
// edges, peaks and alternations show any misplaced tap or centre.
#include "render/Resizer.h"
#include "ReferenceResize.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace {

struct Pattern {
    const char* name;
    std::function<int(int x, int y, int width, int height)> sample;
};

const Pattern Patterns[] = {
    {"horizontal ramp", [](int x, int, int w, int) { return w > 1 ? 16 + 219 * x / (w - 1) : 128; }},
    {"vertical ramp", [](int, int y, int, int h) { return h > 1 ? 255 * y / (h - 1) : 128; }},
    {"bright pixel", [](int x, int y, int w, int h) { return x == w / 3 && y == h / 2 ? 255 : 0; }},
    {"bright corner", [](int x, int y, int, int) { return x == 0 && y == 0 ? 255 : 16; }},
    {"checkerboard", [](int x, int y, int, int) { return (x + y) % 2 ? 235 : 16; }},
    {"noise", [](int x, int y, int, int) {
         return static_cast<int>((static_cast<uint32_t>(x * 7919 + y * 104729) * 2654435761u) >> 24);
     }}};

ReferencePlane MakePlane(const Pattern& pattern, int width, int height) {
    ReferencePlane plane{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            plane.samples[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>(pattern.sample(x, y, width, height));
    return plane;
}

struct Sizes {
    int sourceWidth, sourceHeight, targetWidth, targetHeight;
};

void PrintTo(const Sizes& c, std::ostream* os) {
    *os << c.sourceWidth << 'x' << c.sourceHeight << " to " << c.targetWidth << 'x' << c.targetHeight;
}

class ResizerAgainstReference : public ::testing::TestWithParam<std::tuple<Sizes, bool>> {
protected:
    void TearDown() override { AllowAvx2Resizing(true); }
};

TEST_P(ResizerAgainstReference, EverySampleWithinOne) {
    const Sizes s = std::get<0>(GetParam());
    // Both vector widths, where the processor has the wider one.
    AllowAvx2Resizing(std::get<1>(GetParam()));
    for (const bool cubic : {true, false}) {
        const ReferenceKernel reference{cubic, 0.33, 0.33};
        PlaneResizer resizer(cubic ? ResizeKernel::Bicubic(0.33, 0.33) : ResizeKernel::Bilinear(),
                             s.sourceWidth, s.sourceHeight, s.targetWidth, s.targetHeight);
        for (const Pattern& pattern : Patterns) {
            const ReferencePlane source = MakePlane(pattern, s.sourceWidth, s.sourceHeight);
            // Pitches wider than the rows, as the crop of a frame gives them.
            const int sourcePitch = s.sourceWidth + 5;
            const int targetPitch = s.targetWidth + 3;
            std::vector<uint8_t> in(static_cast<size_t>(sourcePitch) * s.sourceHeight, 77);
            for (int y = 0; y < s.sourceHeight; ++y)
                std::copy_n(&source.samples[static_cast<size_t>(y) * s.sourceWidth], s.sourceWidth,
                            &in[static_cast<size_t>(y) * sourcePitch]);
            std::vector<uint8_t> out(static_cast<size_t>(targetPitch) * s.targetHeight);
            resizer.Resize(in.data(), sourcePitch, out.data(), targetPitch);

            const ReferencePlane expected = ReferenceResize(source, s.targetWidth, s.targetHeight, reference);
            int worst = 0;
            std::string where;
            for (int y = 0; y < s.targetHeight; ++y)
                for (int x = 0; x < s.targetWidth; ++x) {
                    const int difference =
                        std::abs(out[static_cast<size_t>(y) * targetPitch + x] - expected.At(x, y));
                    if (difference > worst) {
                        worst = difference;
                        where = std::to_string(x) + "," + std::to_string(y);
                    }
                }
            EXPECT_LE(worst, 1) << (cubic ? "bicubic " : "bilinear ") << pattern.name << " at " << where;
            // An unchanged size is no filter at all: the samples come through as they are.
            if (s.sourceWidth == s.targetWidth && s.sourceHeight == s.targetHeight) {
                EXPECT_EQ(worst, 0) << pattern.name;
            }
        }
    }
}

// Each size with both vector widths, where the processor has the wider one.
INSTANTIATE_TEST_SUITE_P(Sizes, ResizerAgainstReference,
                         ::testing::Combine(::testing::Values(Sizes{64, 48, 100, 75}, // up
                                                              Sizes{100, 75, 64, 48}, // down
                                                              Sizes{720, 432, 640,
                                                                    272},             // the usual letterbox
                                                              Sizes{37, 23, 52, 17},  // odd, up and down
                                                              Sizes{100, 20, 9, 3},   // strong shrink
                                                              Sizes{64, 40, 50, 90},  // vertical pass first
                                                              Sizes{50, 300, 40, 20}, // tall, shrunk after
                                                              Sizes{33, 21, 33, 21},  // same size: a copy
                                                              Sizes{40, 30, 40, 17},  // one axis only
                                                              Sizes{2, 10, 6, 7},     // two samples wide
                                                              Sizes{7, 4, 2, 4},      // down to two wide
                                                              Sizes{10, 1, 17, 1},    // one line high
                                                              Sizes{16, 3, 9, 1}),    // down to one line
                                            ::testing::Bool()));

} // namespace
