#include "PagesFixture.h"

#include "model/UseFullUnit.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace {

const QString Sentinel = QStringLiteral("unchanged");

// Mean absolute difference of the RGB components of two pictures of the same size.
double MeanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size())
        return 1e9;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i)
            sum += std::abs(int(p[i]) - int(q[i]));
    }
    return sum / (double(x.width()) * x.height() * 3);
}

struct MoveCase {
    const char* name;
    int start; // negative: counted from the end (-1 is the last frame)
    const char* button;
    int expected; // same convention; equal to start when the move changes nothing
};

void PrintTo(const MoveCase& c, std::ostream* os) {
    *os << c.name;
}

} // namespace

class MoveButtonsTest : public PagesTest, public ::testing::WithParamInterface<std::tuple<int, MoveCase>> {};

// One minute is the frame rate times 60, rounded: 1500 frames at 25 fps, 1798 at 29.97.
TEST_P(MoveButtonsTest, MovesTheTrackBarAndTheViewFollows) {
    const auto [film, c] = GetParam();
    const int rateNumerator = film == 0 ? 25 : 30000;
    const int rateDenominator = film == 0 ? 1 : 1001;
    const int frames = film == 0 ? 1700 : 1900;
    const int minute = film == 0 ? 1500 : 1798;
    const QString made = LongFilm(rateNumerator, rateDenominator, frames);
    ASSERT_FALSE(made.isEmpty()) << "ffmpeg or d2vindex failed";
    Open(CopyGeneratedFilm(made));
    ASSERT_EQ(Project().InputNumberOfFrames, static_cast<uint32_t>(frames));
    Activate(SequencePage);

    auto resolve = [&](int frame) {
        if (frame == 1000000)
            return minute;
        if (frame == 1000001)
            return std::max(0, 1650 - minute);
        return frame < 0 ? frames + frame : frame;
    };
    const int start = resolve(c.start);
    const int expected = resolve(c.expected);
    LabeledEdit* box = Edit("LabeledEditFrameNumber1");
    Type(box, QString::number(start));
    PressEnter(box);
    Leave(box);
    ASSERT_EQ(Bar("TrackBar1")->Position(), start);

    // Any refresh rewrites the box: a move that changes nothing leaves this text alone.
    box->setText(Sentinel);
    Click(c.button);
    EXPECT_EQ(Bar("TrackBar1")->Position(), expected);
    if (expected == start) {
        EXPECT_EQ(box->text(), Sentinel);
    } else {
        EXPECT_EQ(box->text(), QString::number(expected));
        EXPECT_EQ(window->Sequence().VideoRangeCurrentFrame(), expected);
        EXPECT_EQ(Project().CurrentFrameNumber, expected);
    }
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

// 1000000 stands for one minute, 1000001 for frame 1650 minus one minute (or 0).
const MoveCase MoveCases[] = {
    {"PlusMinuteFromStart", 0, "Button1minMore", 1000000},
    {"MinusMinuteAtStart", 0, "Button1minLess", 0},
    {"MinusFiftyAtStart", 0, "Button50Less", 0},
    {"MinusFiftyNearStart", 20, "Button50Less", 0},
    {"PlusFiftyNearEnd", -41, "Button50More", -1},
    {"PlusFiftyAtEnd", -1, "Button50More", -1},
    {"PlusMinuteAtEnd", -1, "Button1minMore", -1},
    {"PlusMinutePastEnd", 500, "Button1minMore", -1},
    {"PlusFiftyInMiddle", 700, "Button50More", 750},
    {"MinusFiftyInMiddle", 700, "Button50Less", 650},
    {"MinusMinuteInMiddle", 1650, "Button1minLess", 1000001},
};

INSTANTIATE_TEST_SUITE_P(Films, MoveButtonsTest,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::ValuesIn(MoveCases)),
                         [](const auto& testCase) {
                             return std::string(std::get<0>(testCase.param) == 0 ? "Pal25_" : "Ntsc2997_") +
                                    std::get<1>(testCase.param).name;
                         });

TEST_F(PagesTest, GotoButtonsShowTheFirstAndLastFrames) {
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(SequencePage);
    LabeledEdit* box = Edit("LabeledEditFrameNumber1");
    Type(box, QStringLiteral("180"));
    PressEnter(box);

    Click("ButtonGotoLastFrame");
    EXPECT_EQ(Bar("TrackBar1")->Position(), 359);
    EXPECT_EQ(box->text(), QStringLiteral("359"));
    EXPECT_EQ(Project().CurrentFrameNumber, 359);

    Click("ButtonGotoFirstFrame");
    EXPECT_EQ(Bar("TrackBar1")->Position(), 0);
    EXPECT_EQ(box->text(), QStringLiteral("0"));
    EXPECT_EQ(window->Sequence().VideoRangeCurrentFrame(), 0);
}

// The three frame-number boxes share their rule; each moves only its own page.
class FrameNumberBoxTest : public PagesTest, public ::testing::WithParamInterface<int> {};

TEST_P(FrameNumberBoxTest, EnterAndLeavingTakeValidNumbersOnly) {
    const int index = GetParam();
    const char* boxes[] = {"LabeledEditFrameNumber1", "LabeledEditFrameNumber2", "LabeledEditFrameNumber3"};
    const char* bars[] = {"TrackBar1", "TrackBar2", "TrackBar3"};
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(static_cast<Page>(index + 1));
    LabeledEdit* box = Edit(boxes[index]);
    TrackBar* bar = Bar(bars[index]);
    EXPECT_EQ(box->labelText(), QStringLiteral("Frame affichée :  "));

    Type(box, QStringLiteral("123"));
    PressEnter(box);
    EXPECT_EQ(bar->Position(), 123);
    EXPECT_EQ(box->text(), QStringLiteral("123"));
    EXPECT_EQ(Project().CurrentFrameNumber, 123);
    for (int other = 0; other < 3; ++other) {
        if (other != index) {
            EXPECT_EQ(Bar(bars[other])->Position(), 0) << bars[other];
        }
    }

    // One past the last frame, a number beyond 32 bits, nothing: Enter leaves the text as typed.
    for (const QString& invalid : {QStringLiteral("360"), QStringLiteral("4294967296"), QString()}) {
        Type(box, invalid);
        PressEnter(box);
        EXPECT_EQ(box->text(), invalid);
        EXPECT_EQ(bar->Position(), 123);
        // Leaving puts the track bar's position back, silently.
        Leave(box);
        EXPECT_EQ(box->text(), QStringLiteral("123"));
    }

    Type(box, QStringLiteral("359"));
    Leave(box);
    EXPECT_EQ(bar->Position(), 359);
    EXPECT_EQ(Project().CurrentFrameNumber, 359);

    // Unchanged valid text still counts when leaving: the frame is drawn again.
    Type(box, QStringLiteral("359"));
    Project().CurrentFrameNumber = -5;
    Leave(box);
    EXPECT_EQ(Project().CurrentFrameNumber, 359);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Pages, FrameNumberBoxTest, ::testing::Values(0, 1, 2));

namespace {

struct RangeCase {
    const char* box;
    uint32_t TD2VProject::*property;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.box;
}

} // namespace

class RangeBoxTest : public PagesTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeBoxTest, EnterAndLeavingSetTheRange) {
    const RangeCase c = GetParam();
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(SequencePage);
    // The credits box shows in credits mode only.
    Find<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
    Settle();
    ASSERT_TRUE(Find<QGroupBox>("GroupBox6")->isVisible());
    LabeledEdit* box = Edit(c.box);
    LabeledEdit* frameBox = Edit("LabeledEditFrameNumber1");

    Type(box, QStringLiteral("200"));
    PressEnter(box);
    EXPECT_EQ(Project().*c.property, 200u);
    EXPECT_EQ(box->text(), QStringLiteral("200"));
    // The view jumps to the frame just chosen.
    EXPECT_EQ(Bar("TrackBar1")->Position(), 200);
    EXPECT_EQ(frameBox->text(), QStringLiteral("200"));

    for (const QString& invalid : {QStringLiteral("360"), QStringLiteral("99999999999"), QString()}) {
        Type(box, invalid);
        PressEnter(box);
        EXPECT_EQ(box->text(), invalid);
        EXPECT_EQ(Project().*c.property, 200u);
        Leave(box);
        EXPECT_EQ(box->text(), QStringLiteral("200"));
    }

    // Leaving with the value unchanged draws nothing.
    frameBox->setText(Sentinel);
    Type(box, QStringLiteral("200"));
    Leave(box);
    EXPECT_EQ(frameBox->text(), Sentinel);

    Type(box, QStringLiteral("150"));
    Leave(box);
    EXPECT_EQ(Project().*c.property, 150u);
    EXPECT_EQ(Bar("TrackBar1")->Position(), 150);
    EXPECT_EQ(frameBox->text(), QStringLiteral("150"));
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Boxes, RangeBoxTest,
                         ::testing::Values(RangeCase{"LabeledEditBegin", &TD2VProject::FirstFrameNumber},
                                           RangeCase{"LabeledEditEnd", &TD2VProject::LastFrameNumber},
                                           RangeCase{"LabeledEditCredits", &TD2VProject::CreditsFrameNumber}),
                         [](const auto& testCase) { return std::string(testCase.param.box); });

TEST_F(PagesTest, RangePushesAreShownInAllThreeBoxes) {
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(SequencePage);
    Find<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
    Settle();
    LabeledEdit* begin = Edit("LabeledEditBegin");
    LabeledEdit* end = Edit("LabeledEditEnd");
    LabeledEdit* credits = Edit("LabeledEditCredits");
    Type(end, QStringLiteral("200"));
    PressEnter(end);
    EXPECT_EQ(credits->text(), QStringLiteral("200"));

    // A first frame beyond the last pulls the last and the credits frames to it.
    Type(begin, QStringLiteral("300"));
    PressEnter(begin);
    EXPECT_EQ(begin->text(), QStringLiteral("300"));
    EXPECT_EQ(end->text(), QStringLiteral("300"));
    EXPECT_EQ(credits->text(), QStringLiteral("300"));
    EXPECT_EQ(Bar("TrackBar1")->Position(), 300);
    // One frame at 25 fps: both durations round to 0 s.
    EXPECT_EQ(Find<QLabel>("LabelTotalVideoDuration")->text(), QStringLiteral("Durée :  0 s"));
    EXPECT_EQ(Find<QLabel>("LabelCreditsDuration")->text(), QStringLiteral("Durée :  0 s"));

    // A credits frame before the first pulls the first frame back to it.
    Type(credits, QStringLiteral("50"));
    PressEnter(credits);
    EXPECT_EQ(begin->text(), QStringLiteral("50"));
    EXPECT_EQ(credits->text(), QStringLiteral("50"));
    EXPECT_EQ(end->text(), QStringLiteral("300"));
    // 251 frames at 25 fps: 10.04 s.
    EXPECT_EQ(Find<QLabel>("LabelTotalVideoDuration")->text(), QStringLiteral("Durée :  10 s"));
}

TEST_F(PagesTest, ShownFrameButtonsSetTheRangeAndTheTicks) {
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(SequencePage);
    TrackBar* bar = Bar("TrackBar1");
    EXPECT_EQ(bar->Ticks(), (QVector<int>{0, 359}));
    LabeledEdit* frameBox = Edit("LabeledEditFrameNumber1");

    Type(frameBox, QStringLiteral("100"));
    PressEnter(frameBox);
    Click("ButtonSelectFirstFrame");
    EXPECT_EQ(Project().FirstFrameNumber, 100u);
    EXPECT_EQ(Edit("LabeledEditBegin")->text(), QStringLiteral("100"));
    EXPECT_EQ(bar->Ticks(), (QVector<int>{100, 359}));
    // 260 frames: 10.4 s.
    EXPECT_EQ(Find<QLabel>("LabelTotalVideoDuration")->text(), QStringLiteral("Durée :  10 s"));

    Type(frameBox, QStringLiteral("300"));
    PressEnter(frameBox);
    Click("ButtonSelectLastFrame");
    EXPECT_EQ(Project().LastFrameNumber, 300u);
    EXPECT_EQ(Edit("LabeledEditEnd")->text(), QStringLiteral("300"));
    EXPECT_EQ(bar->Ticks(), (QVector<int>{100, 300}));

    // Typing in a range box moves no tick until the next of those events.
    LabeledEdit* begin = Edit("LabeledEditBegin");
    Type(begin, QStringLiteral("120"));
    PressEnter(begin);
    EXPECT_EQ(bar->Ticks(), (QVector<int>{100, 300}));

    Find<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
    Settle();
    Type(frameBox, QStringLiteral("80"));
    PressEnter(frameBox);
    Click("ButtonSelectCreditsFrame");
    EXPECT_EQ(Project().CreditsFrameNumber, 80u);
    EXPECT_EQ(Project().FirstFrameNumber, 80u);
    EXPECT_EQ(Edit("LabeledEditCredits")->text(), QStringLiteral("80"));
    EXPECT_EQ(begin->text(), QStringLiteral("80"));
    EXPECT_EQ(bar->Ticks(), (QVector<int>{80, 300}));
}

TEST_F(PagesTest, CreditsGroupAppearsAndDisappearsWithItsTick) {
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(SequencePage);
    auto* group = Find<QGroupBox>("GroupBox6");
    auto* creditsMode = Find<QCheckBox>("CheckBoxIsCreditsModeSelected");
    auto* oneScript = Find<QCheckBox>("CheckBoxOnlyOneScript");
    TrackBar* bar = Bar("TrackBar1");
    EXPECT_FALSE(group->isVisible());

    LabeledEdit* end = Edit("LabeledEditEnd");
    Type(end, QStringLiteral("300"));
    PressEnter(end);
    LabeledEdit* frameBox = Edit("LabeledEditFrameNumber1");
    Type(frameBox, QStringLiteral("250"));
    PressEnter(frameBox);
    creditsMode->click();
    Settle();
    EXPECT_TRUE(group->isVisible());
    EXPECT_EQ(Project().CreditsMode, 2);
    EXPECT_EQ(bar->Ticks(), (QVector<int>{0, 300}));
    Click("ButtonSelectCreditsFrame");
    EXPECT_EQ(bar->Ticks(), (QVector<int>{0, 300, 250}));
    // 0..249 is 250 frames of film, 250..300 51 frames of credits (2.04 s).
    EXPECT_EQ(Find<QLabel>("LabelCreditsDuration")->text(), QStringLiteral("Durée :  2 s"));

    oneScript->click();
    Settle();
    EXPECT_EQ(Project().CreditsMode, 1);

    creditsMode->click();
    Settle();
    EXPECT_FALSE(group->isVisible());
    EXPECT_EQ(bar->Ticks(), (QVector<int>{0, 300}));
    EXPECT_EQ(Project().CreditsMode, 0);

    // The one-script box kept its state.
    creditsMode->click();
    Settle();
    EXPECT_TRUE(group->isVisible());
    EXPECT_EQ(Project().CreditsMode, 1);
}

TEST_F(PagesTest, EachPageKeepsItsOwnFrame) {
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    const struct {
        Page page;
        const char* box;
        const char* image;
        int frame;
        const char* reference;
    } pages[] = {{SequencePage, "LabeledEditFrameNumber1", "Image1", 180, "ref_00180.png"},
                 {CropPage, "LabeledEditFrameNumber2", "Image2", 5, "ref_00005.png"},
                 {ResizePage, "LabeledEditFrameNumber3", "Image3", 359, "ref_00359.png"}};
    for (const auto& p : pages) {
        Activate(p.page);
        Type(Edit(p.box), QString::number(p.frame));
        PressEnter(Edit(p.box));
    }
    EXPECT_EQ(window->Sequence().VideoRangeCurrentFrame(), 180);
    EXPECT_EQ(window->Cropping().CroppingCurrentFrame(), 5);
    EXPECT_EQ(window->Resizing().ResizingCurrentFrame(), 359);

    Activate(SequencePage);
    EXPECT_EQ(Edit("LabeledEditFrameNumber1")->text(), QStringLiteral("180"));
    EXPECT_EQ(Bar("TrackBar1")->Position(), 180);
    // The picture on show is frame 180: close to its reference, far from another frame's.
    const QImage shown = Find<ImageCanvas>("Image1")->Picture();
    const QImage frame180(TestDataPath(QStringLiteral("pal_letterbox/ref_00180.png")));
    const QImage frame0(TestDataPath(QStringLiteral("pal_letterbox/ref_00000.png")));
    ASSERT_EQ(shown.size(), frame180.size());
    EXPECT_LT(MeanDifference(shown, frame180), 4.0);
    EXPECT_GT(MeanDifference(shown, frame0), 2 * MeanDifference(shown, frame180));

    Activate(CropPage);
    EXPECT_EQ(Edit("LabeledEditFrameNumber2")->text(), QStringLiteral("5"));
    EXPECT_EQ(Bar("TrackBar2")->Position(), 5);
    Activate(ResizePage);
    EXPECT_EQ(Edit("LabeledEditFrameNumber3")->text(), QStringLiteral("359"));
    EXPECT_EQ(Bar("TrackBar3")->Position(), 359);
}

// The stand-in decoder lists every frame asked of it, so the decodes can be counted.
TEST_F(PagesTest, ScrubbingDecodesOnlyTheFrameFinallyAskedFor) {
    Open(FakeFilm(QStringLiteral("width=720\nheight=576\nnum=25\nden=1\nframes=3000\n")));
    Activate(SequencePage);
    // What opening and the first display asked for; every later decode is listed after it.
    const QString before = FakeRequests();
    auto then = [&before](const char* frames) { return before + QLatin1Char(',') + QLatin1String(frames); };
    TrackBar* bar = Bar("TrackBar1");
    bar->setFocus(Qt::TabFocusReason);

    // Sixty-four arrow presses arrive before the loop runs again.
    for (int i = 0; i < 62; ++i)
        QTest::keyClick(bar, Qt::Key_Right);
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(bar->Position(), 60);
    EXPECT_EQ(FakeRequests(), before);
    Settle();
    EXPECT_EQ(FakeRequests(), then("60"));
    EXPECT_EQ(Edit("LabeledEditFrameNumber1")->text(), QStringLiteral("60"));

    // A move button and "> |" each decode their frame once.
    Click("Button1minMore");
    EXPECT_EQ(FakeRequests(), then("60,1560"));
    Click("ButtonGotoLastFrame");
    EXPECT_EQ(FakeRequests(), then("60,1560,2999"));
    Click("ButtonGotoFirstFrame");
    Click("ButtonGotoFirstFrame");
    EXPECT_EQ(FakeRequests(), then("60,1560,2999,0,0"));
}

TEST_F(PagesTest, NoMovePendingFromAFormerFilmDrawsOnTheNewOne) {
    const QString description = QStringLiteral("width=720\nheight=576\nnum=25\nden=1\nframes=3000\n");
    Open(FakeFilm(description));
    Activate(SequencePage);
    QTest::keyClick(Bar("TrackBar1"), Qt::Key_Right);
    // The film is opened again before the loop gets to the pending move.
    seam.openFileNames.push_back(FakeFilm(description));
    Control<QAction>(*window, "Ouvrir1")->trigger();
    const QString opened = FakeRequests();
    Settle();
    EXPECT_EQ(FakeRequests(), opened);
    EXPECT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(), 0);
}

// A frame the decoder cannot give: the project says so once, and the page, its box and its track
// bar stay with the picture still on show.
TEST_F(PagesTest, FrameThatCannotBeDrawnLeavesThePageOnTheFrameOnShow) {
    Open(FakeFilm(QStringLiteral("width=720\nheight=576\nnum=25\nden=1\nframes=500\nfailFrames=100\n")));
    Activate(SequencePage);
    LabeledEdit* box = Edit("LabeledEditFrameNumber1");
    Type(box, QStringLiteral("50"));
    PressEnter(box);
    ASSERT_EQ(Project().CurrentFrameNumber, 50);
    messages.Clear();

    Type(box, QStringLiteral("100"));
    PressEnter(box);
    EXPECT_EQ(messages.messages.size(), 1u) << messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(box->text(), QStringLiteral("50"));
    EXPECT_EQ(Bar("TrackBar1")->Position(), 50);
    EXPECT_EQ(window->Sequence().VideoRangeCurrentFrame(), 50);
}

namespace {

struct KeyboardOrder {
    int page;
    std::vector<const char*> controls;
};

void PrintTo(const KeyboardOrder& c, std::ostream* os) {
    *os << "page " << c.page;
}

} // namespace

class KeyboardOrderTest : public PagesTest, public ::testing::WithParamInterface<KeyboardOrder> {};

TEST_P(KeyboardOrderTest, TabGoesThroughThePageInItsOrder) {
    const KeyboardOrder order = GetParam();
    Open(CopyFilm(QStringLiteral("pal_letterbox")));
    Activate(static_cast<Page>(order.page));
    // The credits group shows in credits mode only; its controls then take their turn.
    if (order.page == SequencePage) {
        Find<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
        Settle();
    }
    Find<QWidget>(order.controls.front())->setFocus(Qt::TabFocusReason);
    std::vector<std::string> visited;
    for (size_t i = 0; i < order.controls.size(); ++i) {
        visited.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        Settle();
    }
    EXPECT_EQ(visited, std::vector<std::string>(order.controls.begin(), order.controls.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, KeyboardOrderTest,
    ::testing::Values(
        KeyboardOrder{1,
                      {"LabeledEditFrameNumber1", "LabeledEditBegin", "ButtonSelectFirstFrame",
                       "LabeledEditEnd", "ButtonSelectLastFrame", "LabeledEditCredits",
                       "ButtonSelectCreditsFrame", "CheckBoxOnlyOneScript", "CheckBoxIsCreditsModeSelected",
                       "Button1minLess", "Button1minMore", "ButtonGotoFirstFrame", "Button50Less",
                       "Button50More", "ButtonGotoLastFrame", "TrackBar1"}},
        KeyboardOrder{2,
                      {"LabeledEditFrameNumber2", "EditUpDownTop", "EditUpDownLeft", "EditUpDownBottom",
                       "EditUpDownRight", "ComboBoxCropsMultiple", "LabeledEditAspectRatioError1",
                       "ButtonAutoCrop", "TrackBar2"}},
        KeyboardOrder{3,
                      {"LabeledEditFrameNumber3", "LabeledEditOutputWidth", "ComboBoxOutputWidthMultiple",
                       "LabeledEditOutputHeight", "ComboBoxOutputHeightMultiple", "LabeledEditOutputRatio",
                       "LabeledEditOutputProjectedRatio", "ComboBoxOutputProjectedRatio",
                       "LabeledEditAspectRatioError2", "ButtonMinimizeAspectRatioError", "TrackBar3"}}),
    [](const auto& testCase) { return "Page" + std::to_string(testCase.param.page); });
