#include "FakeFilm.h"
#include "model/TD2VFullProject.h"

#include <cstring>

namespace {

// Every pixel of the bitmap against what the fake decoder drew for frame n (no bands here).
void ExpectFakeFrame(const QImage& bitmap, int n) {
    ASSERT_EQ(bitmap.format(), QImage::Format_BGR888);
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar* row = bitmap.constScanLine(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            const FakePixel p = FakeLitPixel(n, x, y);
            // Format_BGR888 keeps the decoder's byte order: blue, green, red.
            ASSERT_EQ(row[3 * x], p.blue) << x << "," << y;
            ASSERT_EQ(row[3 * x + 1], p.green) << x << "," << y;
            ASSERT_EQ(row[3 * x + 2], p.red) << x << "," << y;
        }
    }
}

TEST_F(FakeFilmTest, LoadFrameCopiesEveryRowInOrderAndKeepsCurrentFrame) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=100 height=60 frames=1000"))));
    sink.Clear(); // a 60-line film steps its output width down at the open
    ExpectFakeFrame(project.FrameBitmap, 0);
    ASSERT_TRUE(project.LoadFrame(777));
    ExpectFakeFrame(project.FrameBitmap, 777);
    EXPECT_EQ(project.CurrentFrameNumber, -1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FakeFilmTest, FailingFrameKeepsBitmapAndSaysWhy) {
    TD2VFullProject project;
    const QString path = Film(QStringLiteral("width=64 height=48 frames=20 failFrames=7"));
    ASSERT_TRUE(project.Open(path));
    sink.Clear();
    ASSERT_TRUE(project.LoadFrame(5));
    EXPECT_FALSE(project.LoadFrame(7));
    EXPECT_EQ(
        sink.Texts(),
        QStringList{QStringLiteral("Le décodeur n'a pas pu fournir l'image 7 du fichier « %1 » : image 7 "
                                   "corrompue !")
                        .arg(path)});
    ExpectFakeFrame(project.FrameBitmap, 5);
}

TEST_F(FakeFilmTest, RecordSizeChangedAfterOpenIsRefusedNotOverrun) {
    TD2VFullProject project;
    const QString path = Film(QStringLiteral("width=64 height=48 frames=20 changeWidthAt=3"));
    ASSERT_TRUE(project.Open(path));
    sink.Clear();
    ASSERT_TRUE(project.LoadFrame(2));
    EXPECT_FALSE(project.LoadFrame(3));
    EXPECT_EQ(sink.Texts(),
              QStringList{QStringLiteral("Le décodeur a changé la taille de l'image 3 du fichier « %1 » "
                                         "(80 × 48 au lieu de 64 × 48) !")
                              .arg(path)});
    ExpectFakeFrame(project.FrameBitmap, 2);
}

TEST_F(FakeFilmTest, LoadFrameWithoutOpenFileIsRefused) {
    TD2VFullProject project;
    EXPECT_FALSE(project.LoadFrame(0));
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral(
                                "Aucun fichier vidéo n'est ouvert : l'image 0 ne peut pas être lue !")});
}

class ShowFrameCanvas : public FakeFilmTest, public ::testing::WithParamInterface<QImage::Format> {};

TEST_P(ShowFrameCanvas, DrawsCentredWithBackgroundMargins) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 frames=100"))));
    QImage canvas(760, 600, GetParam());
    canvas.fill(Qt::green);
    const QColor background(10, 20, 30);
    ASSERT_TRUE(project.ShowFrame(42, canvas, background));
    EXPECT_EQ(project.CurrentFrameNumber, 42);
    EXPECT_TRUE(sink.messages.empty());
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 760; ++x) {
            const bool inside = x >= 20 && x < 740 && y >= 12 && y < 588;
            const QRgb got = canvas.pixel(x, y);
            if (!inside) {
                ASSERT_EQ(got, background.rgb()) << x << "," << y;
                continue;
            }
            const FakePixel p = FakeLitPixel(42, x - 20, y - 12);
            ASSERT_EQ(got, qRgb(p.red, p.green, p.blue)) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ShowFrameCanvas,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_BGR888));

TEST_F(FakeFilmTest, ShowFrameRefusesTooSmallCanvasAndLeavesItUntouched) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 frames=100"))));
    for (const QSize size : {QSize(719, 600), QSize(760, 575)}) {
        sink.Clear();
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::green);
        const QImage before = canvas.copy();
        EXPECT_FALSE(project.ShowFrame(3, canvas, Qt::black));
        EXPECT_EQ(sink.Texts(),
                  QStringList{QStringLiteral("Image is too small in TD2VFileWithFrame.ShowFrame !")});
        EXPECT_EQ(canvas, before);
        EXPECT_EQ(project.CurrentFrameNumber, -1);
    }
}

TEST_F(FakeFilmTest, ShowFrameOfFailingFrameKeepsPictureAndFrameNumber) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("width=720 height=576 frames=100 failFrames=9"))));
    QImage canvas(720, 576, QImage::Format_RGB32);
    ASSERT_TRUE(project.ShowFrame(8, canvas, Qt::black));
    const QImage before = canvas.copy();
    EXPECT_FALSE(project.ShowFrame(9, canvas, Qt::black));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(canvas, before);
    EXPECT_EQ(project.CurrentFrameNumber, 8);
}

// The decoder's own buffer, fetched again after the model's copy, must match the bitmap byte for byte.
class RealFilmFrames : public ::testing::TestWithParam<const char*> {};

TEST_P(RealFilmFrames, LoadFrameGivesTheDecodersPixels) {
    RecordingMessageSink sink;
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(TestDataPath(QString::fromLatin1(GetParam()) + QStringLiteral("/film.d2v"))));
    auto getRGBFrame = reinterpret_cast<GetRGBFrameFunction>(project.LibraryHandle->resolve("getRGBFrame"));
    ASSERT_NE(getRGBFrame, nullptr);
    for (const int32_t n : {0, 1, 5, 150, 299}) {
        ASSERT_TRUE(project.LoadFrame(n));
        const unsigned char* buffer = getRGBFrame(n);
        ASSERT_NE(buffer, nullptr);
        const int rowBytes = project.InputWidth * 3;
        for (int y = 0; y < project.InputHeight; ++y)
            ASSERT_EQ(
                std::memcmp(project.FrameBitmap.constScanLine(y), buffer + size_t(y) * rowBytes, rowBytes), 0)
                << "frame " << n << " row " << y;
    }
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RealFilmFrames, ::testing::Values("pal_letterbox", "ntsc_interlaced"));

} // namespace
