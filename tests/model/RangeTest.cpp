#include "FakeFilm.h"
#include "model/TD2VFullProject.h"

#include <ostream>

namespace {

class Range : public FakeFilmTest {
protected:
    void SetUp() override {
        FakeFilmTest::SetUp();
        ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 num=25 den=1 frames=1000"))));
        ASSERT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
    }
    void ExpectRange(uint32_t first, uint32_t credits, uint32_t last) {
        EXPECT_EQ(project.FirstFrameNumber, first);
        EXPECT_EQ(project.CreditsFrameNumber, credits);
        EXPECT_EQ(project.LastFrameNumber, last);
    }
    TD2VFullProject project;
};

TEST(RangeCreate, EverythingIsZero) {
    TD2VProject project;
    EXPECT_EQ(project.FirstFrameNumber, 0u);
    EXPECT_EQ(project.LastFrameNumber, 0u);
    EXPECT_EQ(project.CreditsFrameNumber, 0u);
    EXPECT_EQ(project.FullVideoNumberOfFrames, 0u);
    EXPECT_EQ(project.MainVideoDuration, 0u);
    EXPECT_FALSE(project.IsCreditsModeSelected);
}

TEST_F(Range, OpenCoversTheWholeFilm) {
    ExpectRange(0, 999, 999);
    EXPECT_EQ(project.FullVideoNumberOfFrames, 1000u);
    EXPECT_EQ(project.MainVideoNumberOfFrames, 1000u);
    EXPECT_EQ(project.CreditsVideoNumberOfFrames, 1u);
    EXPECT_EQ(project.FullVideoDuration, 40u);
    EXPECT_EQ(project.MainVideoDuration, 40u);
    EXPECT_EQ(project.CreditsVideoDuration, 0u); // 0.04 s
}

TEST_F(Range, OnePastTheLastFrameIsAcceptedNotTwo) {
    EXPECT_TRUE(project.SetFirstFrameNumber(1000));
    ExpectRange(1000, 1000, 1000);
    EXPECT_FALSE(project.SetFirstFrameNumber(1001));
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral(
                                "FirstFrameNumber must be fewer or egal than InputNumberOfFrames !")});
    ExpectRange(1000, 1000, 1000);
}

struct PushCase {
    const char* name;
    bool (TD2VProject::*setter)(uint32_t);
    uint32_t value;
    uint32_t first, credits, last;
};

void PrintTo(const PushCase& c, std::ostream* os) {
    *os << c.name;
}

class RangePush : public Range, public ::testing::WithParamInterface<PushCase> {};

// From First 100, Credits 500, Last 900 each setter pushes the others only as far as it must.
TEST_P(RangePush, KeepsFirstCreditsLastInOrder) {
    ASSERT_TRUE(project.SetLastFrameNumber(900));
    ASSERT_TRUE(project.SetCreditsFrameNumber(500));
    ASSERT_TRUE(project.SetFirstFrameNumber(100));
    ExpectRange(100, 500, 900);
    const PushCase& c = GetParam();
    EXPECT_TRUE((project.*c.setter)(c.value));
    ExpectRange(c.first, c.credits, c.last);
    EXPECT_EQ(project.FullVideoNumberOfFrames, c.last - c.first + 1);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RangePush,
    ::testing::Values(PushCase{"LastBelowCredits", &TD2VProject::SetLastFrameNumber, 400, 100, 400, 400},
                      PushCase{"LastBelowFirst", &TD2VProject::SetLastFrameNumber, 50, 50, 50, 50},
                      PushCase{"LastInside", &TD2VProject::SetLastFrameNumber, 700, 100, 500, 700},
                      PushCase{"CreditsBelowFirst", &TD2VProject::SetCreditsFrameNumber, 50, 50, 50, 900},
                      PushCase{"CreditsAboveLast", &TD2VProject::SetCreditsFrameNumber, 950, 100, 950, 950},
                      PushCase{"FirstAboveCredits", &TD2VProject::SetFirstFrameNumber, 600, 600, 600, 900},
                      PushCase{"FirstAboveLast", &TD2VProject::SetFirstFrameNumber, 990, 990, 990, 990},
                      PushCase{"FirstInside", &TD2VProject::SetFirstFrameNumber, 200, 200, 500, 900}),
    [](const ::testing::TestParamInfo<PushCase>& p) { return std::string(p.param.name); });

TEST_F(Range, LastThenCreditsAsInTheExample) {
    ASSERT_TRUE(project.SetLastFrameNumber(900));
    ASSERT_TRUE(project.SetCreditsFrameNumber(500));
    ASSERT_TRUE(project.SetFirstFrameNumber(100));
    ASSERT_TRUE(project.SetLastFrameNumber(400));
    ExpectRange(100, 400, 400);
    ASSERT_TRUE(project.SetCreditsFrameNumber(50));
    ExpectRange(50, 50, 400);
}

TEST_F(Range, RefusedValuesChangeNothing) {
    ASSERT_TRUE(project.SetCreditsFrameNumber(750));
    const uint32_t duration = project.MainVideoDuration;
    EXPECT_FALSE(project.SetCreditsFrameNumber(1001));
    EXPECT_FALSE(project.SetLastFrameNumber(4294967295u));
    EXPECT_EQ(
        sink.Texts(),
        (QStringList{QStringLiteral("CreditsFrameNumber must be fewer or egal than InputNumberOfFrames !"),
                     QStringLiteral("LastFrameNumber must be fewer or egal than InputNumberOfFrames !")}));
    ExpectRange(0, 750, 999);
    EXPECT_EQ(project.MainVideoDuration, duration);
}

TEST_F(Range, CreditsSplitTheDurations) {
    ASSERT_TRUE(project.SetCreditsFrameNumber(750));
    project.SetIsCreditsModeSelected(true);
    EXPECT_EQ(project.MainVideoNumberOfFrames, 750u);
    EXPECT_EQ(project.MainVideoDuration, 30u);
    EXPECT_EQ(project.CreditsVideoNumberOfFrames, 250u);
    EXPECT_EQ(project.CreditsVideoDuration, 10u);
    EXPECT_EQ(project.FullVideoNumberOfFrames, 1000u);
    EXPECT_EQ(project.FullVideoDuration, 40u);
    project.SetIsCreditsModeSelected(false);
    EXPECT_EQ(project.MainVideoNumberOfFrames, 1000u);
    EXPECT_EQ(project.MainVideoDuration, 40u);
    EXPECT_EQ(project.CreditsVideoNumberOfFrames, 250u);
}

TEST_F(FakeFilmTest, ZeroFrameFileRefusesItsLastFrameAndStaysAtZero) {
    TD2VFullProject project;
    EXPECT_TRUE(project.Open(Film(QStringLiteral("frames=0"))));
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral(
                                "LastFrameNumber must be fewer or egal than InputNumberOfFrames !")});
    EXPECT_EQ(project.FirstFrameNumber, 0u);
    EXPECT_EQ(project.LastFrameNumber, 0u);
    EXPECT_EQ(project.CreditsFrameNumber, 0u);
    // Nothing was asked of the decoder for a film without frames.
    EXPECT_EQ(Requests(), QString());
}

struct RoundingCase {
    uint32_t last;
    uint32_t seconds;
};

void PrintTo(const RoundingCase& c, std::ostream* os) {
    *os << "last frame " << c.last;
}

class DurationRounding : public FakeFilmTest, public ::testing::WithParamInterface<RoundingCase> {};

// At 2 frames a second, 25 frames are 12.5 s and 27 frames 13.5 s: halves go to the even second.
TEST_P(DurationRounding, HalvesGoToEven) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("num=2 den=1 frames=100"))));
    ASSERT_TRUE(project.SetLastFrameNumber(GetParam().last));
    EXPECT_EQ(project.FullVideoDuration, GetParam().seconds);
    EXPECT_EQ(project.MainVideoDuration, GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(Halves, DurationRounding,
                         ::testing::Values(RoundingCase{24, 12}, RoundingCase{26, 14}, RoundingCase{22, 12},
                                           RoundingCase{20, 10}));

TEST_F(FakeFilmTest, NullFrameRateLeavesDurationsAndCountsAndSaysSoPerDuration) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("num=0 den=1 frames=100"))));
    sink.Clear();
    const uint32_t full = project.FullVideoNumberOfFrames;
    EXPECT_TRUE(project.SetLastFrameNumber(10));
    EXPECT_EQ(sink.Texts(), (QStringList{QStringLiteral("FrameRate in null in ComputeMainVideoDuration !"),
                                         QStringLiteral("FrameRate in null in ComputeCreditsVideoDuration !"),
                                         QStringLiteral("FrameRate in null in ComputeFullVideoDuration !")}));
    EXPECT_EQ(project.LastFrameNumber, 10u);
    EXPECT_EQ(project.FullVideoNumberOfFrames, full);
    EXPECT_EQ(project.FullVideoDuration, 0u);
}

} // namespace
