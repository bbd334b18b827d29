// Frame numbering from hand-made flag sequences. Flag bytes: 0x02 top field first, 0x01 repeat
// first field; the picture-type bits do not take part in the numbering.
#include "decoder/FrameList.h"

#include <gtest/gtest.h>
#include <ostream>

using d2v::BuildFrameList;
using d2v::FramePair;
using d2v::PictureFlags;

namespace {

std::vector<PictureFlags> Pictures(std::initializer_list<uint8_t> flags, bool progressiveLine = false) {
    std::vector<PictureFlags> out;
    for (uint8_t f : flags)
        out.push_back({f, progressiveLine});
    return out;
}

std::vector<FramePair> Whole(std::initializer_list<int> pictures) {
    std::vector<FramePair> out;
    for (int p : pictures)
        out.push_back({p, p});
    return out;
}

struct Case {
    const char* name;
    std::vector<PictureFlags> pictures;
    int fieldOperation;
    std::vector<FramePair> expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class FrameListTest : public ::testing::TestWithParam<Case> {};

TEST_P(FrameListTest, NumbersFramesLikeTheReference) {
    const Case& c = GetParam();
    const std::vector<FramePair> got = BuildFrameList(c.pictures, c.fieldOperation);
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].top, c.expected[i].top) << c.name << " frame " << i;
        EXPECT_EQ(got[i].bottom, c.expected[i].bottom) << c.name << " frame " << i;
    }
}

// The soft 3:2 cycle (tff,rff) = (1,1) (0,0) (0,1) (1,0): ten fields make five frames; the second
// and third frames take one field from each of two pictures.
const std::vector<PictureFlags> kCycle = Pictures({0x03, 0x00, 0x01, 0x02});

INSTANTIATE_TEST_SUITE_P(
    Sequences, FrameListTest,
    ::testing::Values(
        Case{"pulldown", kCycle, 0, {{0, 0}, {0, 1}, {1, 2}, {2, 2}, {3, 3}}},
        Case{"pulldown twice",
             Pictures({0x03, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x02}),
             0,
             {{0, 0}, {0, 1}, {1, 2}, {2, 2}, {3, 3}, {4, 4}, {4, 5}, {5, 6}, {6, 6}, {7, 7}}},
        Case{"pulldown ignored", kCycle, 2, Whole({0, 1, 2, 3})},
        Case{"pulldown forced to film", kCycle, 1, Whole({0, 1, 2, 3})},
        // Plain video under force film: once three fields short, a picture goes (the third), then
        // every fifth.
        Case{"force film drops", Pictures({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 1,
             Whole({0, 1, 3, 4, 5, 6, 8, 9})},
        // Every picture repeating a field: three repeats ahead, the third picture is shown twice,
        // then every fifth.
        Case{"force film duplicates", Pictures({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}), 1,
             Whole({0, 1, 2, 2, 3, 4, 5, 6, 7, 7, 8, 9})},
        // Progressive sequences repeat whole frames: once, twice with rff, three times with rff+tff.
        Case{"progressive doubling and tripling", Pictures({0x00, 0x01, 0x03}, true), 0,
             Whole({0, 1, 1, 2, 2, 2})},
        Case{"progressive repeats ignored", Pictures({0x00, 0x01, 0x03}, true), 2, Whole({0, 1, 2})},
        // Two top-field-first repeats in a row: the pending top field of the first picture is
        // completed by the second picture, whose own repeated top field replaces the pending one
        // instead of making a frame; the last picture closes that slot. Eight fields, three frames.
        Case{"illegal top field transition", Pictures({0x03, 0x03, 0x00}), 0, {{0, 0}, {0, 1}, {1, 2}}},
        // A repeated field left alone at the end makes no frame.
        Case{"half frame at the end", Pictures({0x00, 0x03}), 0, Whole({0, 1})},
        Case{"bottom field first pulldown",
             Pictures({0x01, 0x02, 0x03, 0x00}),
             0,
             {{0, 0}, {1, 0}, {2, 1}, {2, 2}, {3, 3}}}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name = param.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(FirstServableFrameTest, SkipsFramesThatShowOrphanPictures) {
    // Two undecodable B pictures lead: frames made only of pictures 2 and later can be served.
    EXPECT_EQ(d2v::FirstServableFrame(BuildFrameList(Pictures({0, 0, 0, 0}), 0), 2), 2);
    // With pulldown the frame (1,2) still holds an orphan field; (2,2) is the first whole one.
    EXPECT_EQ(d2v::FirstServableFrame(BuildFrameList(kCycle, 0), 2), 3);
    EXPECT_EQ(d2v::FirstServableFrame(BuildFrameList(kCycle, 0), 0), 0);
}

} // namespace
