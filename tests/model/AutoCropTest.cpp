#include "FakeFilm.h"
#include "model/TD2VFullProject.h"

#include "common/TestFilms.h"

#include <ostream>

namespace {

struct AutoCropCase {
    const char* name;
    const char* description;
    uint16_t top, bottom, left, right;
};

void PrintTo(const AutoCropCase& c, std::ostream* os) {
    *os << c.name;
}

class AutoCropFake : public FakeFilmTest, public ::testing::WithParamInterface<AutoCropCase> {};

TEST_P(AutoCropFake, SetsTheCropsFromTheFourSamples) {
    const AutoCropCase& c = GetParam();
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QString::fromLatin1(c.description))));
    EXPECT_TRUE(project.AutoCrop());
    EXPECT_EQ(project.CropTop, c.top);
    EXPECT_EQ(project.CropBottom, c.bottom);
    EXPECT_EQ(project.CropLeft, c.left);
    EXPECT_EQ(project.CropRight, c.right);
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
}

// 1000 frames are sampled at 249, 498, 747 and 996.
INSTANTIATE_TEST_SUITE_P(
    Films, AutoCropFake,
    ::testing::Values(
        AutoCropCase{"Letterbox", "width=720 height=576 frames=1000 top=72 bottom=72", 72, 72, 0, 0},
        AutoCropCase{"BrightRowInsideBand", "width=720 height=576 frames=1000 top=72 bottom=72 brightRow=40",
                     40, 72, 0, 0},
        AutoCropCase{"FadeOnOneSample", "width=720 height=576 frames=1000 top=72 bottom=72 blackFrames=498",
                     72, 72, 0, 0},
        AutoCropCase{"FadeOnAnUnsampledFrame",
                     "width=720 height=576 frames=1000 top=72 bottom=72 blackFrames=500", 72, 72, 0, 0},
        // Every row and column is black: the counts stop at 576/4 + 1 and 720/10 + 1, then align to 2.
        AutoCropCase{"AllBlack", "width=720 height=576 frames=1000 blackFrames=249,498,747,996", 144, 144, 72,
                     72},
        AutoCropCase{"SideBandsOddWidths", "width=720 height=576 frames=1000 left=17 right=24 top=9", 8, 0,
                     16, 24},
        AutoCropCase{"SideBandsBeyondTheLimit", "width=720 height=576 frames=1000 left=100 right=100", 0, 0,
                     72, 72},
        AutoCropCase{"Ntsc", "width=720 height=480 frames=300 top=48 bottom=48", 48, 48, 0, 0}),
    [](const ::testing::TestParamInfo<AutoCropCase>& p) { return std::string(p.param.name); });

struct SamplingCase {
    uint32_t frames;
    int32_t shownFirst; // -1: nothing shown before
    const char* requests;
};

void PrintTo(const SamplingCase& c, std::ostream* os) {
    *os << c.frames << " frames, frame " << c.shownFirst << " on show";
}

class AutoCropSampling : public FakeFilmTest, public ::testing::WithParamInterface<SamplingCase> {};

TEST_P(AutoCropSampling, SamplesQuartersThenReloadsTheFrameOnDisplay) {
    const SamplingCase& c = GetParam();
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=64 height=48 frames=%1").arg(c.frames))));
    if (c.shownFirst >= 0) {
        QImage canvas(64, 48, QImage::Format_RGB32);
        ASSERT_TRUE(project.ShowFrame(c.shownFirst, canvas, Qt::black));
    }
    ASSERT_TRUE(project.AutoCrop());
    EXPECT_EQ(Requests(), QString::fromLatin1(c.requests));
    // The bitmap holds the frame on display again.
    const int shown = c.shownFirst < 0 ? 0 : c.shownFirst;
    EXPECT_EQ(project.FrameBitmap.constScanLine(0)[0], uchar(shown & 255));
    EXPECT_EQ(project.CurrentFrameNumber, c.shownFirst);
}

// The open reads frame 0 once; -1 is never asked for.
INSTANTIATE_TEST_SUITE_P(Quarters, AutoCropSampling,
                         ::testing::Values(SamplingCase{1000, -1, "0,249,498,747,996,0"},
                                           SamplingCase{1000, 321, "0,321,249,498,747,996,321"},
                                           SamplingCase{4, -1, "0,0,0,0,0,0"},
                                           SamplingCase{1, 0, "0,0,0,0,0,0,0"}));

TEST_F(FakeFilmTest, AutoCropRefusesAFilmWithoutFrames) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("frames=0"))));
    sink.Clear();
    EXPECT_FALSE(project.AutoCrop());
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral(
                                "InputNumberOfFrames must be strictly positive in TD2VProject.AutoCrop !")});
    EXPECT_EQ(Requests(), QString());
    EXPECT_EQ(project.CropTop, 0);
}

TEST_F(FakeFilmTest, AutoCropStopsAtAFailingSampleAndKeepsTheCrops) {
    TD2VFullProject project;
    const QString path =
        Film(QStringLiteral("width=720 height=576 frames=1000 top=72 bottom=72 failFrames=498"));
    ASSERT_TRUE(project.Open(path));
    ASSERT_TRUE(project.SetCropTop(10));
    EXPECT_FALSE(project.AutoCrop());
    EXPECT_EQ(
        sink.Texts(),
        QStringList{QStringLiteral("Le décodeur n'a pas pu fournir l'image 498 du fichier « %1 » : image 498 "
                                   "corrompue !")
                        .arg(path)});
    EXPECT_EQ(project.CropTop, 10);
    EXPECT_EQ(project.CropBottom, 0);
    EXPECT_EQ(Requests(), QStringLiteral("0,249,498,0"));
}

// Rows and columns may hold up to 5 % of lit pixels: 36 of 720, 28.8 of 576.
struct LineCase {
    const char* name;
    bool row;
    int lit;
    bool black;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class BlackLine : public FakeFilmTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(BlackLine, AllowsFivePercentOfLitPixels) {
    const LineCase& c = GetParam();
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 frames=10 blackFrames=0"))));
    // Lit pixels spread along row 100 or column 100; a pixel with one component at 16 is lit.
    for (int i = 0; i < c.lit; ++i) {
        const int along = i * 7;
        uchar* pixel = c.row ? project.FrameBitmap.scanLine(100) + along * 3
                             : project.FrameBitmap.scanLine(along) + 100 * 3;
        pixel[i % 3] = 16;
    }
    // A pixel just under the threshold everywhere else changes nothing.
    project.FrameBitmap.scanLine(101)[0] = 15;
    EXPECT_EQ(c.row ? project.IsBlackRow(100) : project.IsBlackColumn(100), c.black);
    EXPECT_TRUE(project.IsBlackRow(101));
}

INSTANTIATE_TEST_SUITE_P(
    Threshold, BlackLine,
    ::testing::Values(LineCase{"Row36", true, 36, true}, LineCase{"Row37", true, 37, false},
                      LineCase{"Column28", false, 28, true}, LineCase{"Column29", false, 29, false}),
    [](const ::testing::TestParamInfo<LineCase>& p) { return std::string(p.param.name); });

TEST_F(FakeFilmTest, DetectBlackBordersOnlyNarrowsTheWorkArea) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 frames=10 top=72 bottom=30 left=8"))));
    project.AutoCropTop = 50;
    project.AutoCropBottom = 100;
    project.AutoCropLeft = 2;
    project.AutoCropRight = 9;
    project.DetectBlackBorders();
    EXPECT_EQ(project.AutoCropTop, 50);
    EXPECT_EQ(project.AutoCropBottom, 30);
    EXPECT_EQ(project.AutoCropLeft, 2);
    EXPECT_EQ(project.AutoCropRight, 0);
}

// ---- Real decoded frames ----

struct RealCropCase {
    const char* folder;
    uint16_t top, bottom;
};

void PrintTo(const RealCropCase& c, std::ostream* os) {
    *os << c.folder;
}

class AutoCropRealFilm : public ::testing::TestWithParam<RealCropCase> {};

TEST_P(AutoCropRealFilm, FindsTheBands) {
    RecordingMessageSink sink;
    TD2VFullProject project;
    ASSERT_TRUE(
        project.Open(TestDataPath(QString::fromLatin1(GetParam().folder) + QStringLiteral("/film.d2v"))));
    ASSERT_TRUE(project.AutoCrop());
    EXPECT_EQ(project.CropTop, GetParam().top);
    EXPECT_EQ(project.CropBottom, GetParam().bottom);
    EXPECT_EQ(project.CropLeft, 0);
    EXPECT_EQ(project.CropRight, 0);
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AutoCropRealFilm,
                         ::testing::Values(RealCropCase{"pal_letterbox", 72, 72},
                                           RealCropCase{"ntsc_interlaced", 48, 48}),
                         [](const ::testing::TestParamInfo<RealCropCase>& p) {
                             return std::string(p.param.folder);
                         });

// Films made with ffmpeg and indexed by d2vindex: 100 frames, sampled at 24, 48, 72 and 96.
struct MadeFilmCase {
    const char* name;
    int brightLineRow;
    int blackFrom;
    uint16_t top, bottom;
};

void PrintTo(const MadeFilmCase& c, std::ostream* os) {
    *os << c.name;
}

class AutoCropMadeFilm : public ::testing::TestWithParam<MadeFilmCase> {};

TEST_P(AutoCropMadeFilm, FindsTheBands) {
    const MadeFilmCase& c = GetParam();
    TestFilmRecipe recipe;
    recipe.frames = 100;
    recipe.bandTop = 72;
    recipe.bandBottom = 72;
    recipe.brightLineRow = c.brightLineRow;
    recipe.blackFrom = c.blackFrom;
    const QString index = MakeTestFilm(recipe);
    ASSERT_FALSE(index.isEmpty());

    RecordingMessageSink sink;
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(index)) << sink.Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(project.InputNumberOfFrames, 100u);
    ASSERT_TRUE(project.AutoCrop());
    EXPECT_EQ(project.CropTop, c.top);
    EXPECT_EQ(project.CropBottom, c.bottom);
    EXPECT_EQ(project.CropLeft, 0);
    EXPECT_EQ(project.CropRight, 0);
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, AutoCropMadeFilm,
                         ::testing::Values(MadeFilmCase{"Bands", -1, -1, 72, 72},
                                           // A white row at 40 in every frame stops the top count there.
                                           MadeFilmCase{"BrightLineInBand", 40, -1, 40, 72},
                                           // Frames 90 on fade to black, sample 96 among them: the
                                           // smallest border over the four is still the band.
                                           MadeFilmCase{"FadeOnOneSample", -1, 90, 72, 72}),
                         [](const ::testing::TestParamInfo<MadeFilmCase>& p) {
                             return std::string(p.param.name);
                         });

} // namespace

namespace {

// After the auto-crop of the letterboxed film the outline sits on the first and last picture rows.
TEST(AutoCropRealFilmPreview, OutlineFramesThePictureBetweenTheBands) {
    RecordingMessageSink sink;
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v"))));
    ASSERT_TRUE(project.AutoCrop());
    QImage canvas(720, 576, QImage::Format_RGB32);
    ASSERT_TRUE(project.ShowFrameWithCropBorder(180, canvas, Qt::blue));
    const QRgb white = qRgb(255, 255, 255);
    for (int x = 0; x < 720; x += 13) {
        EXPECT_EQ(canvas.pixel(x, 72), white) << x;
        EXPECT_EQ(canvas.pixel(x, 503), white) << x;
        EXPECT_EQ(canvas.pixel(x, 71), qRgb(0, 0, 0)) << x;
        EXPECT_EQ(canvas.pixel(x, 504), qRgb(0, 0, 0)) << x;
    }
    for (int y = 72; y < 504; y += 11) {
        EXPECT_EQ(canvas.pixel(0, y), white) << y;
        EXPECT_EQ(canvas.pixel(719, y), white) << y;
    }
    EXPECT_TRUE(sink.messages.empty());
}

} // namespace
