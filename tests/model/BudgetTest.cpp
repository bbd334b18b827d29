#include "FakeFilm.h"
#include "model/TD2VFullProject.h"

#include <ostream>

namespace {

TEST(BudgetCreate, OneCdOf700Mo) {
    TD2VFullProject project;
    EXPECT_EQ(project.MediumSize, 737280000u);
    EXPECT_EQ(project.MainVideoSize, 737280000u);
    EXPECT_EQ(project.BitRate, 0);
    EXPECT_EQ(project.AveragePixelSize, 0.0f);
    EXPECT_EQ(project.CreditsMode, 0);
    EXPECT_EQ(project.AudioSize + project.SubTitlesSize + project.CreditsVideoSize, 0u);
}

// 135000 frames at 25/s: 5400 s.
class Budget : public FakeFilmTest {
protected:
    void SetUp() override {
        FakeFilmTest::SetUp();
        ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 num=25 den=1 frames=135000"))));
        ASSERT_TRUE(project.SetOutputProjectedRatio(640.0f / 272.0f));
        ASSERT_EQ(project.OutputHeight, 272);
        ASSERT_EQ(project.MainVideoDuration, 5400u);
        sink.Clear();
    }
    TD2VFullProject project;
};

TEST_F(Budget, TheWorkedExample) {
    ASSERT_TRUE(project.SetAudioSize(104857600));
    EXPECT_EQ(project.MainVideoSize, 632422400u);
    // 632422400 / (5400 x 128) = 914.96
    EXPECT_EQ(project.BitRate, 914);
    // 632422400 / 135000 x 8 = 37476.9 bits a frame over 640 x 272 pixels.
    EXPECT_NEAR(project.AveragePixelSize, 0.21528f, 0.00001f);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Budget, StreamsLargerThanTheMediumLeaveNothing) {
    ASSERT_TRUE(project.SetAudioSize(800000000));
    EXPECT_EQ(project.MainVideoSize, 0u);
    EXPECT_EQ(project.BitRate, 0);
    EXPECT_EQ(project.AveragePixelSize, 0.0f);
    ASSERT_TRUE(project.SetMediumSize(2 * 737280000u));
    EXPECT_EQ(project.MainVideoSize, 2 * 737280000u - 800000000u);
}

TEST_F(Budget, ModeTwoToOneDropsTheCreditsVideo) {
    ASSERT_TRUE(project.SetAudioSize(104857600));
    ASSERT_TRUE(project.SetCreditsMode(2));
    ASSERT_TRUE(project.SetCreditsVideoSize(50000000));
    EXPECT_EQ(project.MainVideoSize, 632422400u - 50000000u);
    ASSERT_TRUE(project.SetCreditsMode(1));
    EXPECT_EQ(project.CreditsVideoSize, 0u);
    EXPECT_EQ(project.MainVideoSize, 632422400u);
    EXPECT_TRUE(project.IsCreditsModeSelected);
}

TEST_F(Budget, BadModeChangesNothing) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    ASSERT_TRUE(project.SetCreditsVideoSize(1000));
    EXPECT_FALSE(project.SetCreditsMode(3));
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral("Bad Value in TD2VFullProject.SetCreditsMode !")});
    EXPECT_EQ(project.CreditsMode, 2);
    EXPECT_EQ(project.CreditsVideoSize, 1000u);
    EXPECT_TRUE(project.IsCreditsModeSelected);
}

struct ModeCase {
    uint8_t mode;
    bool selected;
    uint32_t creditsSize;
    uint32_t spreadSeconds; // duration the bitrate spreads over
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << "mode " << int{c.mode} << (c.selected ? ", selected" : ", not selected");
}

class CreditsModes : public Budget, public ::testing::WithParamInterface<ModeCase> {};

// Credits from frame 108000: main part 4320 s, full range 5400 s.
TEST_P(CreditsModes, DecideTheCreditsSizeAndTheDuration) {
    const ModeCase& c = GetParam();
    ASSERT_TRUE(project.SetCreditsFrameNumber(108000));
    ASSERT_TRUE(project.SetCreditsMode(2));
    ASSERT_TRUE(project.SetCreditsVideoSize(7000000));
    ASSERT_TRUE(project.SetCreditsMode(c.mode));
    EXPECT_EQ(project.IsCreditsModeSelected, c.selected);
    EXPECT_EQ(project.CreditsVideoSize, c.creditsSize);
    // The mode flag is stored directly: the durations stay as they were computed.
    EXPECT_EQ(project.MainVideoDuration, 5400u);
    const uint32_t main = 737280000u - c.creditsSize;
    EXPECT_EQ(project.MainVideoSize, main);
    EXPECT_EQ(project.BitRate, main / (c.spreadSeconds * 128));
}

INSTANTIATE_TEST_SUITE_P(Modes, CreditsModes,
                         ::testing::Values(ModeCase{0, false, 0, 5400}, ModeCase{1, true, 0, 5400},
                                           ModeCase{2, true, 7000000, 5400}));

TEST_F(Budget, SelectingCreditsRecomputesTheMainPart) {
    ASSERT_TRUE(project.SetCreditsFrameNumber(108000));
    ASSERT_TRUE(project.SetCreditsMode(2));
    project.SetIsCreditsModeSelected(true);
    EXPECT_EQ(project.MainVideoDuration, 4320u);
    EXPECT_EQ(project.BitRate, 737280000u / (4320 * 128));
    project.SetIsCreditsModeSelected(false);
    EXPECT_EQ(project.CreditsMode, 0);
    EXPECT_EQ(project.MainVideoDuration, 5400u);
}

TEST_F(Budget, ModeOneBitrateFollowsTheRangeAtOnce) {
    ASSERT_TRUE(project.SetCreditsFrameNumber(108000));
    ASSERT_TRUE(project.SetCreditsMode(1));
    project.SetIsCreditsModeSelected(true);
    ASSERT_EQ(project.FullVideoDuration, 5400u);
    ASSERT_TRUE(project.SetLastFrameNumber(124999)); // 5000 s
    EXPECT_EQ(project.FullVideoDuration, 5000u);
    EXPECT_EQ(project.BitRate, 737280000u / (5000 * 128));
}

TEST_F(Budget, NoMainPartMeansNoBitrateEvenInModeOne) {
    ASSERT_TRUE(project.SetCreditsMode(1));
    project.SetIsCreditsModeSelected(true);
    ASSERT_TRUE(project.SetCreditsFrameNumber(0));
    EXPECT_EQ(project.MainVideoDuration, 0u);
    EXPECT_GT(project.FullVideoDuration, 0u);
    EXPECT_EQ(project.BitRate, 0);
    EXPECT_EQ(project.AveragePixelSize, 0.0f);
}

TEST_F(Budget, VeryShortRangeCapsTheBitrate) {
    ASSERT_TRUE(project.SetLastFrameNumber(24)); // 1 s: 5760000 kbit/s would not fit 16 bits
    EXPECT_EQ(project.MainVideoDuration, 1u);
    EXPECT_EQ(project.BitRate, 65535);
}

TEST_F(Budget, SizesMayReachButNotPassTheLimit) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    ASSERT_TRUE(project.SetMediumSize(4294967295u));
    ASSERT_TRUE(project.SetAudioSize(4000000000u));
    ASSERT_TRUE(project.SetSubTitlesSize(294967295u));
    EXPECT_EQ(project.MainVideoSize, 0u);
    const QString refusal = QStringLiteral(
        "AudioSize + SubTitlesSize + CreditsVideoSize must be fewer or egal than 4294967295 !");
    EXPECT_FALSE(project.SetCreditsVideoSize(1));
    EXPECT_FALSE(project.SetAudioSize(4000000001u));
    EXPECT_FALSE(project.SetSubTitlesSize(294967296u));
    EXPECT_EQ(sink.Texts(), QStringList(3, refusal));
    EXPECT_EQ(project.AudioSize, 4000000000u);
    EXPECT_EQ(project.SubTitlesSize, 294967295u);
    EXPECT_EQ(project.CreditsVideoSize, 0u);
    ASSERT_TRUE(project.SetAudioSize(100));
    EXPECT_EQ(project.MainVideoSize, 4294967295u - 100u - 294967295u);
    EXPECT_TRUE(TD2VFullProject::AreSizesWithinLimit(4294967295u, 0, 0));
    EXPECT_FALSE(TD2VFullProject::AreSizesWithinLimit(4294967295u, 0, 1));
    EXPECT_EQ(TD2VFullProject::SizesTooBigMessage(), refusal);
}

TEST_F(Budget, OutputHeightChangesThePixelSize) {
    ASSERT_TRUE(project.SetAudioSize(104857600));
    const float before = project.AveragePixelSize;
    ASSERT_TRUE(project.SetOutputProjectedRatio(1.25f)); // 640 x 512
    EXPECT_NEAR(project.AveragePixelSize, before * 272.0f / 512.0f, 1e-6f);
}

} // namespace
