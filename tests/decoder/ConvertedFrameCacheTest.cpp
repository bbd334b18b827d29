// A converted frame asked again is served from the cache, unchanged; another film never sees it.
#include "DecoderLibrary.h"
#include "SourceFixture.h"

#include <QImage>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST_F(SourceFixture, ConvertedFrameAskedAgainIsServedUnchangedWithoutDecoding) {
    d2v::Mpeg2Source source;
    ASSERT_NE(OpenFilm(source, Gop12()), nullptr) << source.LastError();
    const std::vector<uint8_t> first = Rgb(source, 40);
    ASSERT_FALSE(first.empty()) << source.LastError();
    // A few other frames in between, fewer than the cache holds.
    for (int n : {41, 90, 7, 63})
        ASSERT_FALSE(Rgb(source, n).empty()) << source.LastError();
    const int sent = source.Statistics().picturesSent;
    const int hits = source.Statistics().rgbHits;
    EXPECT_EQ(Rgb(source, 40), first);
    EXPECT_EQ(source.Statistics().picturesSent, sent);
    EXPECT_EQ(source.Statistics().rgbHits, hits + 1);
    // A refused frame leaves the cached ones as they were.
    EXPECT_EQ(source.RgbFrame(5000), nullptr);
    EXPECT_FALSE(source.LastError().empty());
    EXPECT_EQ(Rgb(source, 40), first);
    EXPECT_TRUE(source.LastError().empty());
    // Pushed out by enough other frames, it is decoded again, to the same bytes.
    for (int n = 100; n < 112; ++n)
        ASSERT_FALSE(Rgb(source, n).empty()) << source.LastError();
    const int sentBefore = source.Statistics().picturesSent;
    EXPECT_EQ(Rgb(source, 40), first);
    EXPECT_GT(source.Statistics().picturesSent, sentBefore);
    // The planar frame of the same number matches the cached one's source.
    d2v::Mpeg2Source fresh;
    ASSERT_NE(OpenFilm(fresh, Gop12()), nullptr);
    EXPECT_EQ(Yuv(fresh, 40), Yuv(source, 40));
}

// Closing and opening another film of the same size must not serve the first film's frames.
TEST(ConvertedFrameCacheTest, AnotherFilmOpenedGivesItsOwnFrames) {
    DecoderLibrary lib;
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    TestFilmRecipe numbered;
    numbered.frames = 30;
    TestFilmRecipe dark = numbered;
    dark.blackFrom = 3;
    const QString numberedPath = MakeTestFilm(numbered);
    const QString darkPath = MakeTestFilm(dark);
    ASSERT_FALSE(numberedPath.isEmpty());
    ASSERT_FALSE(darkPath.isEmpty());

    const DecoderVideoInfo* info = lib.open(numberedPath.toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    const int width = info->width, height = info->height;
    EXPECT_EQ(ReadPictureNumber(lib.Frame(10, width, height)), 10);
    lib.close();
    EXPECT_EQ(lib.rgb(10), nullptr) << "no film open";

    info = lib.open(darkPath.toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    ASSERT_EQ(info->width, width);
    EXPECT_EQ(ReadPictureNumber(lib.Frame(10, width, height)), -1) << "the dark film's frame 10 is black";
    EXPECT_EQ(ReadPictureNumber(lib.Frame(1, width, height)), 1);

    // Reopening the first film in place of the second, without closing.
    info = lib.open(numberedPath.toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    EXPECT_EQ(ReadPictureNumber(lib.Frame(10, width, height)), 10);
    lib.close();
}

} // namespace
