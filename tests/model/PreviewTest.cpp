#include "FakeFilm.h"
#include "model/TD2VFullProject.h"

#include <ostream>

namespace {

QRgb FakeRgb(int n, int x, int y) {
    const FakePixel p = FakeLitPixel(n, x, y);
    return qRgb(p.red, p.green, p.blue);
}

class Preview : public FakeFilmTest {
protected:
    void SetUp() override {
        FakeFilmTest::SetUp();
        ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 frames=100"))));
        sink.Clear();
    }
    TD2VFullProject project;
    const QColor background{1, 2, 3};
};

TEST_F(Preview, CropOutlineLiesOnTheOutermostKeptPixels) {
    ASSERT_TRUE(project.SetCropTop(8));
    ASSERT_TRUE(project.SetCropBottom(8));
    ASSERT_TRUE(project.SetCropLeft(16));
    ASSERT_TRUE(project.SetCropRight(16));
    QImage canvas(760, 600, QImage::Format_RGB32);
    ASSERT_TRUE(project.ShowFrameWithCropBorder(10, canvas, background));
    EXPECT_EQ(project.CurrentFrameNumber, 10);
    // Frame at (20, 12); kept pixels x 16..703, y 8..567 of the frame.
    const int left = 36, right = 723, top = 20, bottom = 579;
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 760; ++x) {
            const bool inFrame = x >= 20 && x < 740 && y >= 12 && y < 588;
            const bool onOutline = x >= left && x <= right && y >= top && y <= bottom &&
                                   (x == left || x == right || y == top || y == bottom);
            const QRgb expected = !inFrame    ? background.rgb()
                                  : onOutline ? white
                                              : FakeRgb(10, x - 20, y - 12);
            ASSERT_EQ(canvas.pixel(x, y), expected) << x << "," << y;
        }
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Preview, ResizedOutputIsCentredOnItsOwnSize) {
    ASSERT_TRUE(project.SetOutputProjectedRatio(640.0f / 352.0f));
    ASSERT_EQ(project.OutputHeight, 352);
    QImage canvas(720, 576, QImage::Format_RGB32);
    canvas.fill(Qt::green);
    ASSERT_TRUE(project.ShowResizedCroppedFrame(20, canvas, background));
    EXPECT_EQ(project.CurrentFrameNumber, 20);
    // (720 - 640) / 2 = 40, (576 - 352) / 2 = 112.
    EXPECT_EQ(canvas.pixel(40, 112), FakeRgb(20, 0, 0));
    EXPECT_EQ(canvas.pixel(39, 112), background.rgb());
    EXPECT_EQ(canvas.pixel(40, 111), background.rgb());
    EXPECT_EQ(canvas.pixel(679, 463), FakeRgb(20, 719, 575));
    EXPECT_EQ(canvas.pixel(680, 463), background.rgb());
    EXPECT_EQ(canvas.pixel(679, 464), background.rgb());
    EXPECT_EQ(canvas.pixel(0, 0), background.rgb());
}

TEST_F(Preview, ResizedPreviewShowsOnlyTheKeptRectangle) {
    ASSERT_TRUE(project.SetCropLeft(80));
    ASSERT_TRUE(project.SetCropTop(100));
    ASSERT_TRUE(project.SetOutputProjectedRatio(640.0f / 476.0f));
    ASSERT_TRUE(project.SetOutputWidthMultiple(2)); // the cropped picture, 640 x 476, unscaled
    ASSERT_EQ(project.OutputWidth, 640);
    ASSERT_EQ(project.OutputHeight, 476);
    QImage canvas(720, 576, QImage::Format_RGB32);
    ASSERT_TRUE(project.ShowResizedCroppedFrame(5, canvas, background));
    for (int y = 50; y < 526; y += 25)
        for (int x = 40; x < 680; x += 25)
            ASSERT_EQ(canvas.pixel(x, y), FakeRgb(5, x - 40 + 80, y - 50 + 100)) << x << "," << y;
}

struct SmallCanvasCase {
    const char* name;
    int which; // 0 crop border, 1 resized
    const char* message;
};

void PrintTo(const SmallCanvasCase& c, std::ostream* os) {
    *os << c.name;
}

class PreviewSmallCanvas : public Preview, public ::testing::WithParamInterface<SmallCanvasCase> {};

TEST_P(PreviewSmallCanvas, IsRefusedAndLeftUntouched) {
    const SmallCanvasCase& c = GetParam();
    ASSERT_TRUE(project.SetOutputWidth(320)); // the output would fit: the test is on the source size
    QImage canvas(719, 576, QImage::Format_RGB32);
    canvas.fill(Qt::green);
    const QImage before = canvas.copy();
    const bool drawn = c.which == 0 ? project.ShowFrameWithCropBorder(1, canvas, background)
                                    : project.ShowResizedCroppedFrame(1, canvas, background);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(sink.Texts(), QStringList{QString::fromLatin1(c.message)});
    EXPECT_EQ(canvas, before);
    EXPECT_EQ(project.CurrentFrameNumber, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Previews, PreviewSmallCanvas,
    ::testing::Values(
        SmallCanvasCase{"CropBorder", 0, "Image is too small in TD2VProject.ShowFrameWithCropBorder !"},
        SmallCanvasCase{"Resized", 1, "Image is too small in TD2VProject.ShowResizedCroppedFrame !"}),
    [](const ::testing::TestParamInfo<SmallCanvasCase>& p) { return std::string(p.param.name); });

} // namespace
