// 4:2:0 to BGR24 on small hand-made pictures whose results are worked out by hand.
#include "decoder/ColorConvert.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace d2v;

namespace {

struct Picture {
    int width, height;
    std::vector<uint8_t> y, u, v;
    Picture(int w, int h, uint8_t luma)
        : width(w), height(h), y(static_cast<size_t>(w * h), luma), u(static_cast<size_t>(w * h / 4), 128),
          v(static_cast<size_t>(w * h / 4), 128) {}
    Yuv420View View() const {
        return {y.data(), u.data(), v.data(), width, width / 2, width / 2, width, height};
    }
    std::vector<uint8_t> Convert(ChromaSiting siting, const RgbCoefficients& k) const {
        std::vector<uint8_t> out(static_cast<size_t>(width * height * 3));
        ConvertToBgr24(View(), siting, k, out.data());
        return out;
    }
};

// Blue from luma 128 and the given U, TV scale BT.601: 1.772 x 8192 = 14516 in 13-bit fixed point.
int BlueOf(int u) {
    return std::clamp((128 * 8192 + 4096 + 14516 * (u - 128)) >> 13, 0, 255);
}

TEST(ColorConvertTest, PcScaleStretchesVideoRange) {
    const struct {
        uint8_t y;
        int expected;
    } cases[] = {{16, 0}, {235, 255}, {126, 128}, {0, 0}, {255, 255}};
    for (const auto& c : cases) {
        const Picture p(2, 2, c.y);
        const auto out = p.Convert(ChromaSiting::Interlaced, CoefficientsFor(5, true));
        for (uint8_t byte : out)
            EXPECT_EQ(byte, c.expected) << "Y=" << int(c.y);
    }
    // TV scale leaves grey where it is.
    const Picture grey(2, 2, 16);
    for (uint8_t byte : grey.Convert(ChromaSiting::Interlaced, CoefficientsFor(5, false)))
        EXPECT_EQ(byte, 16);
}

TEST(ColorConvertTest, MatrixCodesPickTheirCoefficients) {
    EXPECT_EQ(CoefficientsFor(5, true).bU, 16525);
    EXPECT_EQ(CoefficientsFor(6, true).rV, 13075);
    EXPECT_EQ(CoefficientsFor(1, true).bU, 17306);
    EXPECT_EQ(CoefficientsFor(0, true).bU, 17306); // unspecified: BT.709
    EXPECT_EQ(CoefficientsFor(4, true).gV, -6639);
    EXPECT_EQ(CoefficientsFor(7, true).rV, 14697);
    EXPECT_EQ(CoefficientsFor(5, false).bU, 14516);
    EXPECT_EQ(CoefficientsFor(5, false).rV, 11485);
}

// One chroma column of four rows, 0 80 160 240: rows 0 and 2 belong to the top field, 1 and 3 to
// the bottom one. Per field, each luma row mixes its field's nearest chroma rows 7:1 or 5:3.
TEST(ColorConvertTest, InterlacedChromaStaysInItsField) {
    Picture p(2, 8, 128);
    p.u = {0, 80, 160, 240};
    const auto out = p.Convert(ChromaSiting::Interlaced, CoefficientsFor(5, false));
    // top rows 0 2 4 6: 0, (5*0+3*160)/8, (7*160+0)/8, 160; bottom rows 1 3 5 7: 80, (7*80+240)/8,
    // (5*240+3*80)/8, 240 (each + 4, >> 3).
    const int expectedU[8] = {0, 80, 60, 100, 140, 180, 160, 240};
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(out[static_cast<size_t>(r * 6)], BlueOf(expectedU[r])) << "row " << r;
}

TEST(ColorConvertTest, ProgressiveChromaMixesNeighbours3To1) {
    Picture p(2, 8, 128);
    p.u = {0, 80, 160, 240};
    const auto out = p.Convert(ChromaSiting::Progressive, CoefficientsFor(5, false));
    const int expectedU[8] = {0, 20, 60, 100, 140, 180, 220, 240};
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(out[static_cast<size_t>(r * 6)], BlueOf(expectedU[r])) << "row " << r;
}

// Even pixels take their chroma sample, odd ones the rounded-up mean with the next; the last repeats.
TEST(ColorConvertTest, HorizontalChromaAveragesNeighbours) {
    Picture p(4, 2, 128);
    p.u = {100, 201};
    const auto out = p.Convert(ChromaSiting::Progressive, CoefficientsFor(5, false));
    const int expectedU[4] = {100, 151, 201, 201};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out[static_cast<size_t>(x * 3)], BlueOf(expectedU[x])) << "pixel " << x;
    // Green and red follow from U and V: V is neutral, so red is plain luma.
    EXPECT_EQ(out[2], 128);
}

} // namespace
