#include "FakeFilm.h"
#include "model/PixelAspect.h"
#include "model/TD2VFullProject.h"
#include "platform/NumberText.h"

#include <cmath>
#include <limits>
#include <ostream>

namespace {

class Geometry : public FakeFilmTest {
protected:
    void SetUp() override {
        FakeFilmTest::SetUp();
        ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 num=25 den=1 frames=1000"))));
        sink.Clear();
    }
    TD2VFullProject project;
};

TEST(GeometryCreate, SourceValuesAreCopiedNotComputed) {
    TD2VProject project;
    EXPECT_EQ(project.CroppedRatio, 1.25f);
    EXPECT_EQ(project.AspectRatio, 1.25f);
    EXPECT_EQ(project.OutputRatio, 1.25f);
    EXPECT_EQ(project.OutputProjectedRatio, 1.25f);
    EXPECT_EQ(project.AspectRatioError, 0);
    EXPECT_EQ(project.CroppedWidth, 720);
    EXPECT_EQ(project.CroppedHeight, 576);
    EXPECT_EQ(project.OutputWidth, 720);
    EXPECT_EQ(project.OutputHeight, 576);
    EXPECT_EQ(project.CropsMultiple, 2);
    EXPECT_EQ(project.OutputWidthMultiple, 32);
    EXPECT_EQ(project.OutputHeightMultiple, 2);
}

TEST(GeometryLocale, FrenchRunsUseTheComma) {
    if (qgetenv("LC_ALL").startsWith("fr"))
        EXPECT_EQ(DecimalSeparator(), QLatin1Char(','));
    else
        EXPECT_EQ(DecimalSeparator(), QLatin1Char('.'));
}

TEST_F(Geometry, OpenedPalWidescreen) {
    EXPECT_EQ(project.OutputWidth, 640);
    EXPECT_EQ(project.OutputHeight, 512);
    EXPECT_EQ(project.OutputRatio, 1.25f);
    EXPECT_EQ(project.AspectRatio, 1.7777778f);
    // (1.25 - 1.7777778) / 1.7777778 is just beyond -29687.5 because 16/9 rounds up as a float.
    EXPECT_EQ(project.AspectRatioError, -29688);
    EXPECT_EQ(project.GetAspectRatioErrorText(),
              QStringLiteral("-29") + DecimalSeparator() + QStringLiteral("688"));
}

TEST_F(Geometry, FourThirdsChangesAspectRatioAndError) {
    project.SetInputDisplayFormat(1);
    EXPECT_EQ(project.AspectRatio, 1.3333334f);
    // 1.25 / 1.3333334 - 1 = -0.0625000..., i.e. -6.25 %.
    EXPECT_EQ(project.AspectRatioError, -6250);
    EXPECT_EQ(project.GetAspectRatioErrorText(),
              QStringLiteral("-6") + DecimalSeparator() + QStringLiteral("25"));
}

TEST_F(Geometry, ProjectedRatioOf640By352) {
    EXPECT_TRUE(project.SetOutputProjectedRatio(640.0f / 352.0f));
    EXPECT_EQ(project.OutputHeight, 352);
    // 640 / 352 against 16/9: +2.2727 % rounds to 2273.
    EXPECT_EQ(project.AspectRatioError, 2273);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Geometry, ErrorBeyondThirtyPercentIsMarked) {
    project.SetInputDisplayFormat(1);
    EXPECT_TRUE(project.SetOutputProjectedRatio(5.0f)); // 640 x 128: +275 %
    EXPECT_EQ(project.AspectRatioError, 32767);
    EXPECT_EQ(project.GetAspectRatioErrorText(), QStringLiteral("> 30"));
    project.SetInputDisplayFormat(0);
    EXPECT_TRUE(project.SetOutputProjectedRatio(1.0f)); // 576 high is the most: width steps down
    EXPECT_EQ(project.AspectRatioError, -32768);
    EXPECT_EQ(project.GetAspectRatioErrorText(), QStringLiteral("< -30"));
}

TEST_F(Geometry, CropsAlignDownAndFollowTheMultiple) {
    EXPECT_TRUE(project.SetCropTop(5));
    EXPECT_EQ(project.CropTop, 4);
    EXPECT_EQ(project.CroppedHeight, 572);
    EXPECT_TRUE(project.SetCropsMultiple(1));
    EXPECT_EQ(project.CropTop, 4);
    EXPECT_FALSE(project.SetCropsMultiple(9));
    EXPECT_EQ(project.CropsMultiple, 1);
    EXPECT_TRUE(project.SetCropsMultiple(8));
    EXPECT_EQ(project.CropTop, 0);
    EXPECT_EQ(project.CroppedHeight, 576);
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral("CropsMultiple must be fewer than 8 !")});
}

struct CropCase {
    const char* name;
    bool (TD2VProject::*setter)(uint16_t);
    uint16_t opposite; // set first on the opposite edge
    bool (TD2VProject::*oppositeSetter)(uint16_t);
    uint16_t value;
    bool accepted;
    uint16_t TD2VProject::*field;
    uint16_t stored;
    const char* message;
};

void PrintTo(const CropCase& c, std::ostream* os) {
    *os << c.name;
}

class CropLimits : public Geometry, public ::testing::WithParamInterface<CropCase> {};

TEST_P(CropLimits, TooBigIsTestedBeforeAlignment) {
    const CropCase& c = GetParam();
    ASSERT_TRUE((project.*c.oppositeSetter)(c.opposite));
    const uint16_t before = project.*c.field;
    sink.Clear();
    EXPECT_EQ((project.*c.setter)(c.value), c.accepted);
    EXPECT_EQ(project.*c.field, c.accepted ? c.stored : before);
    const QStringList expected = c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList{};
    EXPECT_EQ(sink.Texts(), expected);
    EXPECT_EQ(project.CroppedHeight, 576 - project.CropTop - project.CropBottom);
    EXPECT_EQ(project.CroppedWidth, 720 - project.CropLeft - project.CropRight);
}

const char* const TooHigh = "CropTop or CropBottom are too big !";
const char* const TooWide = "CropLeft or CropRight are too big !";

INSTANTIATE_TEST_SUITE_P(
    Edges, CropLimits,
    ::testing::Values(CropCase{"TopWholeHeight", &TD2VProject::SetCropTop, 0, &TD2VProject::SetCropBottom,
                               576, false, &TD2VProject::CropTop, 0, TooHigh},
                      CropCase{"TopAllButOne", &TD2VProject::SetCropTop, 0, &TD2VProject::SetCropBottom, 575,
                               true, &TD2VProject::CropTop, 574, nullptr},
                      CropCase{"BottomMeetsTop", &TD2VProject::SetCropBottom, 300, &TD2VProject::SetCropTop,
                               276, false, &TD2VProject::CropBottom, 0, TooHigh},
                      CropCase{"BottomJustFits", &TD2VProject::SetCropBottom, 300, &TD2VProject::SetCropTop,
                               275, true, &TD2VProject::CropBottom, 274, nullptr},
                      // A crop that went below 0 in 16 bits is a huge value, refused.
                      CropCase{"WrappedTop", &TD2VProject::SetCropTop, 0, &TD2VProject::SetCropBottom, 65534,
                               false, &TD2VProject::CropTop, 0, TooHigh},
                      CropCase{"LeftWholeWidth", &TD2VProject::SetCropLeft, 0, &TD2VProject::SetCropRight,
                               720, false, &TD2VProject::CropLeft, 0, TooWide},
                      CropCase{"RightMeetsLeft", &TD2VProject::SetCropRight, 700, &TD2VProject::SetCropLeft,
                               20, false, &TD2VProject::CropRight, 0, TooWide},
                      CropCase{"RightJustFits", &TD2VProject::SetCropRight, 700, &TD2VProject::SetCropLeft,
                               19, true, &TD2VProject::CropRight, 18, nullptr}),
    [](const ::testing::TestParamInfo<CropCase>& p) { return std::string(p.param.name); });

TEST_F(Geometry, OutputWidthAlignsAndIsBoundedByCroppedWidth) {
    EXPECT_TRUE(project.SetOutputWidth(700));
    EXPECT_EQ(project.OutputWidth, 672);
    EXPECT_EQ(project.OutputHeight, 538); // 672 / 1.25 = 537.6
    EXPECT_FALSE(project.SetOutputWidth(721));
    EXPECT_EQ(project.OutputWidth, 672);
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral("OutputWidth should be fewer than CroppedWidth !")});
}

TEST_F(Geometry, RefusedProjectedRatioStillRecomputesTheHeight) {
    project.OutputHeight = 100; // stale on purpose
    EXPECT_FALSE(project.SetOutputProjectedRatio(0.5f));
    EXPECT_EQ(project.OutputProjectedRatio, 1.25f);
    EXPECT_EQ(project.OutputHeight, 512);
    EXPECT_FALSE(project.SetOutputProjectedRatio(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(project.SetOutputProjectedRatio(5.5f));
    EXPECT_EQ(project.OutputProjectedRatio, 1.25f);
    EXPECT_EQ(sink.Texts(), (QStringList{QStringLiteral("OutputProjectedRatio must be higher than 1 !"),
                                         QStringLiteral("OutputProjectedRatio must be higher than 1 !"),
                                         QStringLiteral("OutputProjectedRatio must be fewer than 5 !")}));
}

TEST_F(Geometry, WidthStepsDownOneMultipleAtATimeUntilTheHeightFits) {
    ASSERT_TRUE(project.SetCropTop(88));
    ASSERT_TRUE(project.SetCropBottom(88));
    ASSERT_EQ(project.CroppedHeight, 400);
    sink.Clear();
    EXPECT_TRUE(project.SetOutputWidth(640));
    // 640, 608, 576, 544 and 512 give 512, 486, 461, 435 and 410 lines: too many; 480 gives 384.
    EXPECT_EQ(sink.Texts(),
              QStringList(5, QStringLiteral("OutputHeight must be fewer than CroppedHeight !")));
    EXPECT_EQ(project.OutputWidth, 480);
    EXPECT_EQ(project.OutputHeight, 384);
    EXPECT_EQ(project.OutputRatio, 1.25f);
}

TEST_F(Geometry, StepDownStopsBeforeAZeroWidth) {
    ASSERT_TRUE(project.SetCropTop(574));
    ASSERT_EQ(project.CroppedHeight, 2);
    sink.Clear();
    EXPECT_TRUE(project.SetOutputWidth(64));
    // 64 gives 51 lines, 32 gives 26: both too many; a 0 x 0 output is no output.
    EXPECT_EQ(sink.Texts(), (QStringList{QStringLiteral("OutputHeight must be fewer than CroppedHeight !"),
                                         QStringLiteral("OutputHeight must be fewer than CroppedHeight !"),
                                         QStringLiteral("OutputWidth must be strictly positive !")}));
    EXPECT_EQ(project.OutputWidth, 32);
}

TEST_F(Geometry, ZeroOutputWidthIsRefused) {
    EXPECT_FALSE(project.SetOutputWidth(0));
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral("OutputWidth must be strictly positive !")});
    EXPECT_EQ(project.OutputWidth, 640);
    EXPECT_EQ(project.OutputHeight, 512);
}

struct MultipleCase {
    const char* name;
    bool (TD2VProject::*setter)(uint8_t);
    uint8_t value;
    const char* message;
};

void PrintTo(const MultipleCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedMultiple : public Geometry, public ::testing::WithParamInterface<MultipleCase> {};

TEST_P(RefusedMultiple, ChangesNothing) {
    const MultipleCase& c = GetParam();
    ASSERT_TRUE(project.SetCropTop(10));
    sink.Clear();
    EXPECT_FALSE((project.*c.setter)(c.value));
    EXPECT_EQ(sink.Texts(), QStringList{QString::fromLatin1(c.message)});
    EXPECT_EQ(project.CropsMultiple, 2);
    EXPECT_EQ(project.OutputWidthMultiple, 32);
    EXPECT_EQ(project.OutputHeightMultiple, 2);
    EXPECT_EQ(project.CropTop, 10);
    EXPECT_EQ(project.OutputWidth, 640);
    EXPECT_EQ(project.OutputHeight, 512);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RefusedMultiple,
    ::testing::Values(MultipleCase{"CropsZero", &TD2VProject::SetCropsMultiple, 0,
                                   "CropsMultiple must be strictly positive !"},
                      MultipleCase{"CropsNine", &TD2VProject::SetCropsMultiple, 9,
                                   "CropsMultiple must be fewer than 8 !"},
                      MultipleCase{"WidthZero", &TD2VProject::SetOutputWidthMultiple, 0,
                                   "OutputWidthMultiple must be strictly positive !"},
                      MultipleCase{"Width33", &TD2VProject::SetOutputWidthMultiple, 33,
                                   "OutputWidthMultiple must be fewer than 32 !"},
                      MultipleCase{"HeightZero", &TD2VProject::SetOutputHeightMultiple, 0,
                                   "OutputHeightMultiple must be strictly positive !"},
                      MultipleCase{"Height33", &TD2VProject::SetOutputHeightMultiple, 33,
                                   "OutputHeightMultiple must be fewer than 32 !"}),
    [](const ::testing::TestParamInfo<MultipleCase>& p) { return std::string(p.param.name); });

TEST_F(Geometry, MultiplesRealignTheOutput) {
    EXPECT_TRUE(project.SetOutputHeightMultiple(32)); // 512 stays
    EXPECT_EQ(project.OutputHeight, 512);
    EXPECT_TRUE(project.SetOutputWidthMultiple(24)); // 640 -> 624 -> 499.2 lines -> 499 -> 480
    EXPECT_EQ(project.OutputWidth, 624);
    EXPECT_EQ(project.OutputHeight, 480);
}

TEST_F(Geometry, MinimizeGivesBackCroppedLines) {
    project.SetInputDisplayFormat(1);
    ASSERT_TRUE(project.SetOutputProjectedRatio(1.8f)); // 640 / 1.8 = 355.6 -> 356
    ASSERT_TRUE(project.SetCropTop(72));
    ASSERT_TRUE(project.SetCropBottom(72));
    ASSERT_TRUE(project.SetOutputHeightMultiple(16)); // 356 -> 352
    ASSERT_EQ(project.OutputWidth, 640);
    ASSERT_EQ(project.OutputHeight, 352);
    project.SaveCrops();
    project.MinimizeAspectRatioError();
    // Rounded up to 368 lines; 720 x (4/3) / (640/368 x 1.25) = 441.6 -> 442 lines wanted, 10 more:
    // 5 from each edge, 67 aligned down to 66.
    EXPECT_EQ(project.OutputHeight, 368);
    EXPECT_EQ(project.CropTop, 66);
    EXPECT_EQ(project.CropBottom, 66);
    EXPECT_EQ(project.CroppedHeight, 444);
    EXPECT_TRUE(sink.messages.empty());
    project.RestoreCrops();
    EXPECT_EQ(project.CropTop, 72);
    EXPECT_EQ(project.CropBottom, 72);
    EXPECT_EQ(project.CroppedHeight, 432);
}

TEST_F(Geometry, MinimizeWrapsAndIsRefusedWhenBordersAreTooThin) {
    ASSERT_TRUE(project.SetCropTop(72));
    ASSERT_TRUE(project.SetCropBottom(72));
    ASSERT_TRUE(project.SetOutputHeightMultiple(16));
    ASSERT_TRUE(project.SetOutputWidth(640)); // steps down to 512 x 410 -> 400
    ASSERT_EQ(project.OutputHeight, 400);
    sink.Clear();
    project.MinimizeAspectRatioError();
    // 16/9 wants 832 lines: 200 more per edge than there are.
    EXPECT_EQ(sink.Texts(), QStringList(2, QStringLiteral("CropTop or CropBottom are too big !")));
    EXPECT_EQ(project.CropTop, 72);
    EXPECT_EQ(project.CropBottom, 72);
    EXPECT_EQ(project.OutputHeight, 416);
}

TEST_F(Geometry, MinimizeDoesNothingWhenTheHeightIsAlreadyProjected) {
    project.SetInputDisplayFormat(1);
    project.MinimizeAspectRatioError();
    EXPECT_EQ(project.CropTop, 0);
    EXPECT_EQ(project.OutputHeight, 512);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FakeFilmTest, NtscProjectsOneAndAHalf) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=480 num=30000 den=1001 frames=100"))));
    EXPECT_EQ(project.OutputProjectedRatio, 1.5f);
    EXPECT_EQ(project.OutputWidth, 640);
    EXPECT_EQ(project.OutputHeight, 426); // 426.67 -> 427 -> 426 with multiple 2
}

} // namespace

namespace {

TEST_F(Geometry, StandardSetsTheProjectedRatioButNotTheHeight) {
    ASSERT_TRUE(project.SetInputHeight(480));
    EXPECT_EQ(project.InputStandard, 1);
    EXPECT_EQ(project.OutputProjectedRatio, 1.5f);
    EXPECT_EQ(project.OutputHeight, 512);
    // The new storage shape reaches the aspect ratio at once: 16/9 over 1.5 times the cropped 1.25.
    EXPECT_FLOAT_EQ(project.AspectRatio, 1.7777778f / 1.5f * 1.25f);
}

} // namespace

namespace {

// The display ratio spread over the whole 720 columns or over the 704 active ones of ITU-R BT.601:
// the cropped picture's aspect ratio and the pixel shape written by the renderer.
struct ActiveWidthCase {
    const char* name;
    uint16_t width, height;
    uint8_t displayFormat;
    uint16_t activeWidth;
    const char* aspectRatio; // 5 significant digits, '.' for the separator
    int64_t pixelNumerator, pixelDenominator;
};

void PrintTo(const ActiveWidthCase& c, std::ostream* os) {
    *os << c.name;
}

class ActiveWidthTest : public FakeFilmTest, public ::testing::WithParamInterface<ActiveWidthCase> {};

TEST_P(ActiveWidthTest, GivesTheAspectRatioAndPixelShape) {
    const ActiveWidthCase& c = GetParam();
    TD2VFullProject project;
    ASSERT_TRUE(
        project.Open(Film(QStringLiteral("width=%1 height=%2 frames=10").arg(c.width).arg(c.height))));
    project.SetInputDisplayFormat(c.displayFormat);
    project.SetInputActiveWidth(c.activeWidth);
    EXPECT_EQ(FormatGeneral(project.AspectRatio, 5),
              QString::fromLatin1(c.aspectRatio).replace(QLatin1Char('.'), DecimalSeparator()));
    const Fraction pixel = SourcePixelAspect(project);
    EXPECT_EQ(pixel.Numerator, c.pixelNumerator);
    EXPECT_EQ(pixel.Denominator, c.pixelDenominator);
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ActiveWidthTest,
    ::testing::Values(ActiveWidthCase{"pal_16_9_generic", 720, 576, 0, 720, "1.7778", 64, 45},
                      ActiveWidthCase{"pal_16_9_itu", 720, 576, 0, 704, "1.8182", 16, 11},
                      ActiveWidthCase{"pal_4_3_generic", 720, 576, 1, 720, "1.3333", 16, 15},
                      ActiveWidthCase{"pal_4_3_itu", 720, 576, 1, 704, "1.3636", 12, 11},
                      ActiveWidthCase{"ntsc_4_3_generic", 720, 480, 1, 720, "1.3333", 8, 9},
                      ActiveWidthCase{"ntsc_4_3_itu", 720, 480, 1, 704, "1.3636", 10, 11},
                      // A frame already 704 wide is its active area: the choice changes nothing.
                      ActiveWidthCase{"pal_704_wide_itu", 704, 576, 0, 704, "1.7778", 16, 11}),
    [](const ::testing::TestParamInfo<ActiveWidthCase>& p) { return std::string(p.param.name); });

} // namespace
