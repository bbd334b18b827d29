// Films made for the test (ffmpeg, mpeg2enc) and indexed by d2vindex. Every source picture carries
// its number, so each frame shows which pictures it was decoded from.
#include "DecoderLibrary.h"
#include "common/TestFilms.h"
#include "decoder/D2VFile.h"
#include "decoder/FrameList.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

struct Film {
    const char* name;
    TestFilmRecipe recipe;
};

void PrintTo(const Film& c, std::ostream* os) {
    *os << c.name;
}

TestFilmRecipe Recipe(TestFilmRecipe::Standard standard, int frames, int gop, bool closed) {
    TestFilmRecipe s;
    s.standard = standard;
    s.frames = frames;
    s.gopSize = gop;
    s.closedGops = closed;
    return s;
}

std::vector<Film> Films() {
    using Standard = TestFilmRecipe::Standard;
    std::vector<Film> films;
    films.push_back({"pal_gop12_open", Recipe(Standard::Pal, 150, 12, false)});
    films.push_back({"pal_gop15_closed", Recipe(Standard::Pal, 150, 15, true)});
    films.push_back({"ntsc_interlaced", Recipe(Standard::Ntsc, 150, 15, false)});
    TestFilmRecipe mpeg1 = Recipe(Standard::Pal, 120, 12, false);
    mpeg1.mpeg1 = true;
    films.push_back({"mpeg1", mpeg1});
    TestFilmRecipe es = Recipe(Standard::Pal, 100, 12, false);
    es.elementary = true;
    films.push_back({"elementary", es});
    TestFilmRecipe split = Recipe(Standard::Pal, 150, 12, false);
    split.splitAt = 90001; // not on a pack boundary, inside a GOP
    films.push_back({"split_in_two_files", split});
    for (int fo = 0; fo <= 2; ++fo) {
        TestFilmRecipe pulldown = Recipe(Standard::Ntsc, 120, 15, false);
        pulldown.pulldown = true;
        pulldown.fieldOperation = fo;
        films.push_back({fo == 0 ? "pulldown_fo0" : fo == 1 ? "pulldown_fo1" : "pulldown_fo2", pulldown});
    }
    return films;
}

class GeneratedFilmTest : public ::testing::TestWithParam<Film> {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
        path = MakeTestFilm(GetParam().recipe);
        ASSERT_FALSE(path.isEmpty());
        std::string error;
        ASSERT_TRUE(d2v::ReadD2VFile(path.toStdString(), file, error)) << error;
        frames = d2v::BuildFrameList(file);
        info = lib.open(path.toUtf8().constData());
        ASSERT_NE(info, nullptr) << lib.lastError();
    }

    DecoderLibrary lib;
    QString path;
    d2v::D2VFile file;
    std::vector<d2v::FramePair> frames;
    const DecoderVideoInfo* info = nullptr;
};

TEST_P(GeneratedFilmTest, EachFrameShowsThePicturesItsNumberNames) {
    const TestFilmRecipe& recipe = GetParam().recipe;
    EXPECT_EQ(info->width, recipe.Width());
    EXPECT_EQ(info->height, recipe.Height());
    ASSERT_EQ(info->numberOfFrames, static_cast<int>(frames.size()));
    if (recipe.pulldown) {
        // Counted independently of the frame builder: two fields a picture plus one per repeat.
        int fields = 0;
        for (uint8_t f : file.flags)
            fields += 2 + (f & d2v::kFlagRepeatFirstField);
        // Force film passes an even 3:2 cadence through one frame per picture.
        const int expected = recipe.fieldOperation == 0 ? fields / 2 : static_cast<int>(file.flags.size());
        EXPECT_EQ(info->numberOfFrames, expected);
        EXPECT_EQ(static_cast<int>(file.flags.size()), recipe.frames);
    } else {
        EXPECT_EQ(info->numberOfFrames, recipe.frames);
    }
    int woven = 0;
    for (int n = 0; n < info->numberOfFrames; ++n) {
        const QImage image = lib.Frame(n, info->width, info->height);
        ASSERT_FALSE(image.isNull()) << "frame " << n << ": " << lib.lastError();
        const d2v::FramePair pair = frames[static_cast<size_t>(n)];
        EXPECT_EQ(ReadFieldPictureNumber(image, 0), pair.top) << "top field of frame " << n;
        EXPECT_EQ(ReadFieldPictureNumber(image, 1), pair.bottom) << "bottom field of frame " << n;
        woven += pair.top != pair.bottom;
    }
    // mpeg2enc's soft pulldown is film all through; ffmpeg's interlaced films none of it.
    const DecoderStreamFacts* facts = lib.facts();
    ASSERT_NE(facts, nullptr);
    if (recipe.pulldown && recipe.fieldOperation == 0) {
        EXPECT_EQ(woven * 5, info->numberOfFrames * 2) << "two woven frames in every five";
        EXPECT_GE(facts->filmShareHundredths, 9900);
    } else if (recipe.standard == TestFilmRecipe::Standard::Ntsc && !recipe.pulldown) {
        EXPECT_EQ(facts->filmShareHundredths, 0);
        EXPECT_EQ(facts->fieldOrder, 1) << "top field first";
    }
    if (recipe.splitAt > 0) {
        ASSERT_EQ(file.files.size(), 2u);
        EXPECT_EQ(file.lines.back().file, 1);
    }
}

TEST_P(GeneratedFilmTest, AnyAccessOrderGivesTheSamePictures) {
    lib.ExpectSamePicturesInAnyOrder(*info, 2024);
}

INSTANTIATE_TEST_SUITE_P(Films, GeneratedFilmTest, ::testing::ValuesIn(Films()),
                         [](const ::testing::TestParamInfo<Film>& param) {
                             return std::string(param.param.name);
                         });

} // namespace

namespace {

// A picture height that is not a whole number of macroblocks: frames come at the coded size, the
// picture at the top.
TEST(CodedSizeTest, FramesHaveTheCodedSize) {
    DecoderLibrary lib;
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    TestFilmRecipe recipe;
    recipe.height = 568;
    recipe.frames = 30;
    const QString path = MakeTestFilm(recipe);
    ASSERT_FALSE(path.isEmpty());
    const DecoderVideoInfo* info = lib.open(path.toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    EXPECT_EQ(info->width, 720);
    EXPECT_EQ(info->height, 576);
    for (int n : {0, 13, 29, 7}) {
        const QImage image = lib.Frame(n, info->width, info->height);
        ASSERT_FALSE(image.isNull()) << lib.lastError();
        EXPECT_EQ(ReadPictureNumber(image.copy(0, 0, 720, 568)), n);
    }
}

} // namespace
