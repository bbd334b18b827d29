#include "ui/About.h"
#include "common/Controls.h"
#include "common/QtPrinters.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A greyscale JPEG written by Qt's own encoder at full quality: blocks of one value on the 8 x 8
// grid survive the compression exactly.
QByteArray GreyJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

QImage Blocks(const std::vector<int>& values) {
    QImage image(int(values.size()) * 8, 8, QImage::Format_Grayscale8);
    for (size_t i = 0; i < values.size(); ++i)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.scanLine(y)[i * 8 + size_t(x)] = uchar(values[i]);
    return image;
}

class AboutTest : public ::testing::Test {
protected:
    void Show() {
        about.show();
        about.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    }
    template <typename T> T* Child(const char* name) { return Control<T>(about, name); }

    RecordingMessageSink sink;
    ScriptedUiSeam seam;
    TFormAbout about{nullptr};
};

} // namespace

TEST(JpegDecoding, OnlyExactWhiteIsTransparent) {
    const QImage decoded = DecodeJpegWithWhiteTransparent(GreyJpeg(Blocks({255, 254, 0, 128, 253})));
    ASSERT_FALSE(decoded.isNull());
    ASSERT_EQ(decoded.size(), QSize(40, 8));
    const QRgb white = decoded.pixel(3, 3);
    EXPECT_EQ(qAlpha(white), 0);
    const struct {
        int x;
        int grey;
    } visible[] = {{12, 254}, {20, 0}, {28, 128}, {36, 253}};
    for (const auto& [x, grey] : visible) {
        const QRgb pixel = decoded.pixel(x, 4);
        EXPECT_EQ(qAlpha(pixel), 255) << x;
        EXPECT_EQ(qRed(pixel), grey) << x;
        EXPECT_EQ(qGreen(pixel), grey) << x;
        EXPECT_EQ(qBlue(pixel), grey) << x;
    }
}

TEST(JpegDecoding, ColourJpegsKeepTheirColours) {
    QImage colour(16, 8, QImage::Format_RGB32);
    colour.fill(QColor(255, 255, 255));
    for (int y = 0; y < 8; ++y)
        for (int x = 8; x < 16; ++x)
            colour.setPixel(x, y, qRgb(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(colour.save(&buffer, "jpeg", 100));
    const QImage decoded = DecodeJpegWithWhiteTransparent(bytes);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(qAlpha(decoded.pixel(2, 2)), 0);
    const QRgb red = decoded.pixel(12, 4);
    EXPECT_EQ(qAlpha(red), 255);
    EXPECT_NEAR(qRed(red), 200, 3);
    EXPECT_NEAR(qGreen(red), 40, 3);
}

TEST(JpegDecoding, DataThatIsNoJpegGivesANullImageAndAReason) {
    for (const QByteArray& data :
         {QByteArray(), QByteArray("not a picture at all"), QByteArray(2000, '\xff')}) {
        QString error;
        EXPECT_TRUE(DecodeJpegWithWhiteTransparent(data, &error).isNull()) << data.size();
        EXPECT_FALSE(error.isEmpty()) << data.size();
    }
}

TEST(JpegDecoding, ACutStreamNeverGivesAPictureOfTheWrongSize) {
    const QByteArray good = GreyJpeg(Blocks({10, 20, 30, 40}));
    for (qsizetype length = 1; length < good.size(); length += 7) {
        QString error;
        const QImage decoded = DecodeJpegWithWhiteTransparent(good.left(length), &error);
        // libjpeg pads a stream cut inside the picture data; a cut header fails.
        if (decoded.isNull())
            EXPECT_FALSE(error.isEmpty()) << length;
        else
            EXPECT_EQ(decoded.size(), QSize(32, 8)) << length;
    }
}

TEST_F(AboutTest, ShowsTheProductVersionAuthorAndAddresses) {
    EXPECT_EQ(about.windowTitle(), QStringLiteral("A Propos"));
    EXPECT_EQ(Child<QLabel>("Version")->text(), QStringLiteral("Version 066"));
    EXPECT_EQ(Child<QLabel>("Product")->text().trimmed(), QStringLiteral("Cinescriptor"));
    EXPECT_EQ(Child<QLabel>("Author")->text(), QStringLiteral("by Quillon"));
    EXPECT_TRUE(Child<QLabel>("Mail")->text().contains(QLatin1Char('@')));
    EXPECT_TRUE(Child<QLabel>("URL")->text().startsWith(QStringLiteral("https://")));
    EXPECT_EQ(about.size(), QSize(570, 395));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(AboutTest, TheLogoIsTheEmbeddedGreyPictureWithWhiteTransparent) {
    // Qt's own JPEG reader is the reference for the resource's pixels.
    QImageReader reader(QStringLiteral(":/LOGO"));
    const QImage reference = reader.read();
    ASSERT_FALSE(reference.isNull()) << reader.errorString().toStdString();
    ASSERT_EQ(reference.size(), QSize(570, 170));
    EXPECT_TRUE(reference.isGrayscale());
    const QImage& logo = about.LogoImage();
    ASSERT_EQ(logo.size(), QSize(570, 170));
    int transparent = 0;
    int nearWhite = 0;
    for (int y = 0; y < 170; ++y) {
        for (int x = 0; x < 570; ++x) {
            const int grey = qGray(reference.pixel(x, y));
            const QRgb pixel = logo.pixel(x, y);
            if (grey == 255) {
                ++transparent;
                ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
            } else {
                nearWhite += grey >= 250 ? 1 : 0;
                ASSERT_EQ(qAlpha(pixel), 255) << x << "," << y;
                ASSERT_EQ(qRed(pixel), grey) << x << "," << y;
            }
        }
    }
    EXPECT_GT(transparent, 570 * 170 / 3);
    // The compression leaves near-white pixels around the drawing; they must stay visible.
    EXPECT_GT(nearWhite, 0);
}

TEST_F(AboutTest, TheWindowShowsThroughTheWhiteOfTheLogo) {
    Show();
    auto* logoLabel = Child<QLabel>("Logo");
    const QImage drawn = logoLabel->grab().toImage();
    const QImage& logo = about.LogoImage();
    const QColor background = about.palette().color(QPalette::Window);
    ASSERT_NE(background, QColor(Qt::white)) << "the test needs a background that is not white";
    // Corners of the logo are plain white: the window's colour shows there.
    EXPECT_EQ(qAlpha(logo.pixel(2, 2)), 0);
    EXPECT_EQ(QColor(drawn.pixel(2, 2)), background);
    // A dark pixel of the drawing is drawn as it is.
    QPoint dark(-1, -1);
    for (int y = 0; y < logo.height() && dark.x() < 0; ++y)
        for (int x = 0; x < logo.width() && dark.x() < 0; ++x)
            if (qAlpha(logo.pixel(x, y)) == 255 && qRed(logo.pixel(x, y)) < 40)
                dark = QPoint(x, y);
    ASSERT_GE(dark.x(), 0);
    EXPECT_EQ(QColor(drawn.pixel(dark)), QColor(logo.pixel(dark)));
}

struct LinkCase {
    const char* label;
    const char* scheme;
};

inline void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.label;
}

class AboutLinkTest : public AboutTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(AboutLinkTest, AClickHandsTheAddressToTheDesktopAndCloses) {
    Show();
    ASSERT_TRUE(about.isVisible());
    auto* link = Child<QLabel>(GetParam().label);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(seam.openedUrls.size(), 1u);
    const QUrl url = seam.openedUrls[0];
    EXPECT_EQ(url.scheme(), QLatin1String(GetParam().scheme));
    EXPECT_TRUE(url.toString().endsWith(link->text())) << url.toString().toStdString();
    EXPECT_FALSE(about.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Links, AboutLinkTest,
                         ::testing::Values(LinkCase{"Mail", "mailto"}, LinkCase{"URL", "https"}));

// OK closes the window: clicked, or pressed with Return or Space as the window opens.
TEST_F(AboutTest, OkCloses) {
    for (const Qt::Key key : {Qt::Key_unknown, Qt::Key_Return, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        Show();
        ASSERT_TRUE(about.isVisible());
        if (key == Qt::Key_unknown) {
            QTest::mouseClick(Child<QPushButton>("ButtonOk"), Qt::LeftButton);
        } else {
            ASSERT_EQ(about.focusWidget(), Child<QPushButton>("ButtonOk"));
            QTest::keyClick(about.focusWidget(), key);
        }
        EXPECT_FALSE(about.isVisible());
    }
    EXPECT_TRUE(seam.openedUrls.empty());
}
