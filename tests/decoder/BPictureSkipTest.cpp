// B pictures left out while catching up to a frame change no frame.
#include "SourceFixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Frames reached directly, without the B pictures before them, equal the same frames decoded in
// order; and a direct access sends no more than the references it needs, the frame, and the
// pictures of the frame before it.
TEST_F(SourceFixture, DirectAccessSkipsUnshownBPicturesAndGivesTheSameFrames) {
    const TestFilmRecipe films[] = {Gop12(), [] {
                                        TestFilmRecipe recipe;
                                        recipe.frames = 90;
                                        recipe.gopSize = 15;
                                        recipe.closedGops = true;
                                        return recipe;
                                    }()};
    for (const TestFilmRecipe& recipe : films) {
        d2v::Mpeg2Source inOrder;
        ASSERT_NE(OpenFilm(inOrder, recipe), nullptr) << inOrder.LastError();
        std::vector<std::vector<uint8_t>> expected;
        for (int n = 0; n < inOrder.FrameCount(); ++n) {
            expected.push_back(Yuv(inOrder, n));
            ASSERT_FALSE(expected.back().empty()) << inOrder.LastError();
        }
        const int gop = recipe.gopSize;
        const d2v::D2VFile& file = inOrder.File();
        int skipped = 0;
        for (int n = 0; n < inOrder.FrameCount(); ++n) {
            d2v::Mpeg2Source direct;
            ASSERT_NE(OpenFilm(direct, recipe), nullptr);
            EXPECT_EQ(Yuv(direct, n), expected[static_cast<size_t>(n)]) << "frame " << n << " GOP " << gop;
            const int sent = direct.Statistics().picturesSent;
            // Progressive pictures: one picture a frame.
            const int p = inOrder.Frames()[static_cast<size_t>(n)].top;
            const auto line =
                std::find_if(file.lines.begin(), file.lines.end(), [p](const d2v::IndexLine& l) {
                    return p >= l.firstPicture && p < l.firstPicture + l.pictureCount;
                });
            ASSERT_NE(line, file.lines.end());
            int references = 0, firstReference = -1;
            for (int q = line->firstPicture; q <= p; ++q) {
                if (d2v::FlagPictureType(file.flags[static_cast<size_t>(q)]) != d2v::PictureType::B) {
                    ++references;
                    if (firstReference < 0)
                        firstReference = q;
                }
            }
            // Leading B pictures of an open GOP need the GOP before: not bounded here.
            if (firstReference < 0 || firstReference > p)
                continue;
            // The references up to the frame and the next one, the frame, the frame before it.
            EXPECT_LE(sent, references + 3) << "frame " << n << " GOP " << gop;
            skipped += sent < p - line->firstPicture + 1;
            // The frame before, when in the same GOP, comes from what was decoded for this one.
            if (p - 1 >= firstReference) {
                const int before = direct.Statistics().picturesSent;
                EXPECT_EQ(Yuv(direct, n - 1), expected[static_cast<size_t>(n - 1)]) << "frame " << n - 1;
                EXPECT_EQ(direct.Statistics().picturesSent, before) << "frame " << n - 1 << " after " << n;
            }
        }
        EXPECT_GT(skipped, inOrder.FrameCount() / 3) << "B pictures are left out";
    }
}

} // namespace
