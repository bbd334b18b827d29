// The wide colour conversion gives exactly the integer matrix on every pixel.
#include "decoder/ColorConvert.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// With flat chroma every interpolation gives the plane's own value back, so each pixel is the
// matrix applied to its luma and that one U and V: 13-bit fixed point, rounded, clamped.
TEST(WideColorConvertTest, EveryPixelFollowsTheMatrix) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    const int chromaValues[] = {0, 16, 90, 128, 166, 240, 255};
    for (int width : {64, 22, 8, 720}) {
        const int height = 4;
        for (int matrix : {1, 4, 5, 7}) {
            for (bool pc : {false, true}) {
                const d2v::RgbCoefficients k = d2v::CoefficientsFor(matrix, pc);
                for (int u : chromaValues) {
                    for (int v : chromaValues) {
                        std::vector<uint8_t> y(static_cast<size_t>(width * height));
                        for (uint8_t& value : y)
                            value = static_cast<uint8_t>(byte(random));
                        // The extremes, so that both ends of the clamp are reached.
                        y[0] = 0;
                        y[1] = 255;
                        const std::vector<uint8_t> uPlane(static_cast<size_t>(width * height / 4),
                                                          static_cast<uint8_t>(u));
                        const std::vector<uint8_t> vPlane(uPlane.size(), static_cast<uint8_t>(v));
                        const d2v::Yuv420View view{y.data(),  uPlane.data(), vPlane.data(), width,
                                                   width / 2, width / 2,     width,         height};
                        std::vector<uint8_t> out(static_cast<size_t>(width * height * 3));
                        d2v::ConvertToBgr24(view, d2v::ChromaSiting::Interlaced, k, out.data());
                        int wrong = 0;
                        for (size_t i = 0; i < y.size(); ++i) {
                            const int yy = (y[i] - k.offset) * k.scale + 4096;
                            const int expected[3] = {
                                std::clamp((yy + k.bU * (u - 128)) >> 13, 0, 255),
                                std::clamp((yy + k.gU * (u - 128) + k.gV * (v - 128)) >> 13, 0, 255),
                                std::clamp((yy + k.rV * (v - 128)) >> 13, 0, 255)};
                            for (int c = 0; c < 3; ++c)
                                wrong += out[3 * i + static_cast<size_t>(c)] != expected[c];
                        }
                        EXPECT_EQ(wrong, 0) << "width " << width << " matrix " << matrix << " pc " << pc
                                            << " U " << u << " V " << v;
                    }
                }
            }
        }
    }
}

} // namespace
