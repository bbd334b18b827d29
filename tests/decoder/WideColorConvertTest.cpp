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

// Random chroma on pictures wide enough for whole vector steps and a remainder, against the
// interpolation written out plainly: per field 7:1 / 5:3 (interlaced) or 3:1 (progressive)
// vertically, then even columns as they are and odd ones the rounded-up mean of their neighbours.
TEST(WideColorConvertTest, ChromaInterpolationMatchesThePlainRule) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int width : {96, 70, 34}) {
        for (int height : {16, 6, 2}) {
            for (auto siting : {d2v::ChromaSiting::Interlaced, d2v::ChromaSiting::Progressive}) {
                const int cw = width / 2, ch = height / 2;
                std::vector<uint8_t> y(static_cast<size_t>(width * height)), u(static_cast<size_t>(cw * ch)),
                    v(u.size());
                for (auto* plane : {&y, &u, &v})
                    for (uint8_t& value : *plane)
                        value = static_cast<uint8_t>(byte(random));
                const d2v::RgbCoefficients k = d2v::CoefficientsFor(1, false);
                const d2v::Yuv420View view{y.data(), u.data(), v.data(), width, cw, cw, width, height};
                std::vector<uint8_t> out(static_cast<size_t>(width * height * 3));
                d2v::ConvertToBgr24(view, siting, k, out.data());

                auto at = [&](const std::vector<uint8_t>& plane, int row, int col) {
                    return int(plane[static_cast<size_t>(row * cw + col)]);
                };
                auto vertical = [&](const std::vector<uint8_t>& plane, int r, int col) {
                    if (siting == d2v::ChromaSiting::Progressive || ch < 2) {
                        const int i = std::min(r / 2, ch - 1);
                        const int j = std::clamp(r % 2 ? i + 1 : i - 1, 0, ch - 1);
                        return (3 * at(plane, i, col) + at(plane, j, col) + 2) / 4;
                    }
                    const int field = r % 2, rows = (ch - field + 1) / 2, fl = r / 2;
                    const int i = std::min(fl / 2, rows - 1);
                    const bool lower = fl % 2 == 1;
                    const int j = std::clamp(lower ? i + 1 : i - 1, 0, rows - 1);
                    const bool near = field == 0 ? !lower : lower;
                    const int a = at(plane, 2 * i + field, col), b = at(plane, 2 * j + field, col);
                    return near ? (7 * a + b + 4) / 8 : (5 * a + 3 * b + 4) / 8;
                };
                auto full = [&](const std::vector<uint8_t>& plane, int r, int x) {
                    const int a = vertical(plane, r, x / 2);
                    if (x % 2 == 0)
                        return a;
                    return (a + vertical(plane, r, std::min(x / 2 + 1, cw - 1)) + 1) / 2;
                };
                int wrong = 0;
                for (int r = 0; r < height; ++r) {
                    for (int x = 0; x < width; ++x) {
                        const int yy = (y[static_cast<size_t>(r * width + x)] - k.offset) * k.scale + 4096;
                        const int cu = full(u, r, x) - 128, cv = full(v, r, x) - 128;
                        const int expected[3] = {std::clamp((yy + k.bU * cu) >> 13, 0, 255),
                                                 std::clamp((yy + k.gU * cu + k.gV * cv) >> 13, 0, 255),
                                                 std::clamp((yy + k.rV * cv) >> 13, 0, 255)};
                        for (int c = 0; c < 3; ++c)
                            wrong += out[static_cast<size_t>((r * width + x) * 3 + c)] != expected[c];
                    }
                }
                EXPECT_EQ(wrong, 0) << width << "x" << height << " interlaced "
                                    << (siting == d2v::ChromaSiting::Interlaced);
            }
        }
    }
}

} // namespace
