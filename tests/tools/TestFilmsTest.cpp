// The shared test-film maker: the films it makes, decoded by the system's ffmpeg, carry the
// numbers, bands and flags asked for, and d2vindex indexes them as expected.

#include "common/TestFilms.h"
#include "D2VText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// Decodes the listed stream files, joined, into luma pictures (the Y plane as it is, no range
// conversion), one per coded picture.
std::vector<QImage> DecodeLuma(const QString& d2vPath, const QStringList& files, int width, int height) {
    std::vector<QImage> pictures;
    const QDir dir = QFileInfo(d2vPath).dir();
    QString input;
    if (files.size() == 1) {
        input = dir.filePath(files[0]);
    } else {
        input = QStringLiteral("concat:");
        for (int i = 0; i < files.size(); ++i)
            input += (i ? QStringLiteral("|") : QString()) + dir.filePath(files[i]);
    }
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"), QStringLiteral("-i"),
             input, QStringLiteral("-fps_mode"), QStringLiteral("passthrough"), QStringLiteral("-f"),
             QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
             QStringLiteral("-")});
    if (!p.waitForFinished(5 * 60 * 1000))
        return pictures;
    const QByteArray raw = p.readAllStandardOutput();
    const qsizetype size = qsizetype(width) * height;
    for (qsizetype at = 0; at + size * 3 / 2 <= raw.size(); at += size * 3 / 2) {
        QImage image(width, height, QImage::Format_Grayscale8);
        for (int y = 0; y < height; ++y)
            memcpy(image.scanLine(y), raw.constData() + at + qsizetype(y) * width, size_t(width));
        pictures.push_back(image);
    }
    return pictures;
}

int RowMin(const QImage& image, int y) {
    int m = 255;
    for (int x = 0; x < image.width(); ++x)
        m = std::min(m, int(image.constScanLine(y)[x]));
    return m;
}

int RowMax(const QImage& image, int y) {
    int m = 0;
    for (int x = 0; x < image.width(); ++x)
        m = std::max(m, int(image.constScanLine(y)[x]));
    return m;
}

double RowMean(const QImage& image, int y) {
    double s = 0;
    for (int x = 0; x < image.width(); ++x)
        s += image.constScanLine(y)[x];
    return s / image.width();
}

QByteArray Concatenated(const QString& d2vPath, const QStringList& files) {
    QByteArray all;
    for (const QString& f : files) {
        QFile file(QFileInfo(d2vPath).dir().filePath(f));
        if (file.open(QIODevice::ReadOnly))
            all += file.readAll();
    }
    return all;
}

qint64 FileOffset(const QString& d2vPath, const QStringList& files, int file) {
    qint64 offset = 0;
    for (int i = 0; i < file; ++i)
        offset += QFileInfo(QFileInfo(d2vPath).dir().filePath(files[i])).size();
    return offset;
}

TEST(TestFilms, PalFilmWithBandsDecodesNumberedWithExactBands) {
    TestFilmRecipe recipe;
    recipe.frames = 30;
    recipe.bandTop = 64;
    recipe.bandBottom = 80;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    ASSERT_TRUE(index.error.isEmpty());
    EXPECT_EQ(index.settings.value(QStringLiteral("Picture_Size")), QStringLiteral("720x576"));
    EXPECT_EQ(index.settings.value(QStringLiteral("Frame_Rate")), QStringLiteral("25000 (25/1)"));
    EXPECT_EQ(index.Pictures(), 30);
    // Open picture groups of 12 after the first.
    ASSERT_EQ(index.lines.size(), 3u);
    EXPECT_EQ(index.lines[0].info & 0x400, 0x400u);
    EXPECT_EQ(index.lines[1].info & 0x400, 0u);

    const std::vector<QImage> pictures = DecodeLuma(d2v, index.files, 720, 576);
    ASSERT_EQ(pictures.size(), 30u);
    for (int n = 0; n < 30; ++n) {
        const QImage& p = pictures[size_t(n)];
        EXPECT_EQ(ReadPictureNumber(p), n);
        for (int y = 0; y < 64; ++y)
            ASSERT_EQ(RowMax(p, y), 16) << "picture " << n << " row " << y;
        for (int y = 576 - 80; y < 576; ++y)
            ASSERT_EQ(RowMax(p, y), 16) << "picture " << n << " row " << y;
        // The band edge is sharp: the first and last active rows are the mid-grey background.
        EXPECT_NEAR(RowMean(p, 64), 126, 2) << "picture " << n;
        EXPECT_NEAR(RowMean(p, 576 - 81), 126, 2) << "picture " << n;
        EXPECT_GT(RowMin(p, 64), 16) << "picture " << n;
    }
}

TEST(TestFilms, NtscFilmIsInterlacedTopFieldFirstAndBothFieldsCarryTheNumber) {
    TestFilmRecipe recipe;
    recipe.standard = TestFilmRecipe::Standard::Ntsc;
    recipe.frames = 24;
    recipe.gopSize = 15;
    recipe.closedGops = true;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    EXPECT_EQ(index.settings.value(QStringLiteral("Frame_Rate")), QStringLiteral("29970 (30000/1001)"));
    EXPECT_EQ(index.settings.value(QStringLiteral("Picture_Size")), QStringLiteral("720x480"));
    for (const D2VDataLine& line : index.lines)
        EXPECT_EQ(line.info & 0x600, 0x400u); // closed, not a progressive sequence
    for (int flag : index.AllFlags()) {
        EXPECT_EQ(flag & 0x43, 0x02); // interlaced picture, top field first, no repeat
        EXPECT_EQ(flag & 0x80, 0x80); // closed groups: everything decodes on its own
    }
    const std::vector<QImage> pictures = DecodeLuma(d2v, index.files, 720, 480);
    ASSERT_EQ(pictures.size(), 24u);
    for (int n = 0; n < 24; ++n) {
        EXPECT_EQ(ReadFieldPictureNumber(pictures[size_t(n)], 0), n);
        EXPECT_EQ(ReadFieldPictureNumber(pictures[size_t(n)], 1), n);
    }
}

TEST(TestFilms, PulldownFilmRepeatsFieldsInTheThreeTwoCycle) {
    TestFilmRecipe recipe;
    recipe.standard = TestFilmRecipe::Standard::Ntsc;
    recipe.pulldown = true;
    recipe.frames = 40;
    recipe.gopSize = 15;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    EXPECT_EQ(index.settings.value(QStringLiteral("Frame_Rate")), QStringLiteral("29970 (30000/1001)"));
    EXPECT_EQ(index.finished, QStringLiteral("FINISHED  100.00% FILM"));
    const std::vector<int> flags = index.AllFlags();
    ASSERT_EQ(flags.size(), 40u);
    int fields = 0;
    for (size_t i = 0; i < flags.size(); ++i) {
        EXPECT_EQ(flags[i] & 0x40, 0x40) << i; // progressive pictures
        if (i > 0) {
            EXPECT_EQ(flags[i] & 3, ((flags[i - 1] & 3) + 1) & 3) << i; // TFF/RFF: 3, 0, 1, 2, ...
        }
        fields += 2 + (flags[i] & 1);
    }
    EXPECT_EQ(fields, 100); // 40 film frames shown as 50 video frames
    const std::vector<QImage> pictures = DecodeLuma(d2v, index.files, 720, 480);
    ASSERT_EQ(pictures.size(), 40u);
    for (int n = 0; n < 40; ++n)
        EXPECT_EQ(ReadPictureNumber(pictures[size_t(n)]), n);
}

TEST(TestFilms, Mpeg1FilmUsesMpeg1Defaults) {
    TestFilmRecipe recipe;
    recipe.mpeg1 = true;
    recipe.width = 352;
    recipe.height = 288;
    recipe.frames = 20;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    EXPECT_EQ(index.settings.value(QStringLiteral("MPEG_Type")), QStringLiteral("1"));
    EXPECT_EQ(index.settings.value(QStringLiteral("Stream_Type")), QStringLiteral("1"));
    for (const D2VDataLine& line : index.lines)
        EXPECT_EQ(line.info & 0x200, 0x200u); // MPEG-1 is a progressive sequence
    for (int flag : index.AllFlags())
        EXPECT_EQ(flag & 0x4f, 0x42); // progressive picture, top field first, no repeat
    const std::vector<QImage> pictures = DecodeLuma(d2v, index.files, 352, 288);
    ASSERT_EQ(pictures.size(), 20u);
    for (int n = 0; n < 20; ++n)
        EXPECT_EQ(ReadPictureNumber(pictures[size_t(n)]), n);
}

TEST(TestFilms, FadeToBlackAndBrightLineInTheBand) {
    TestFilmRecipe recipe;
    recipe.width = 352;
    recipe.height = 288;
    recipe.frames = 16;
    recipe.bandTop = 32;
    recipe.bandBottom = 32;
    recipe.brightLineRow = 8;
    recipe.blackFrom = 10;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    const std::vector<QImage> pictures = DecodeLuma(d2v, index.files, 352, 288);
    ASSERT_EQ(pictures.size(), 16u);
    for (int n = 0; n < 16; ++n) {
        const QImage& p = pictures[size_t(n)];
        EXPECT_GT(RowMean(p, 8), 200) << "picture " << n;
        EXPECT_EQ(ReadPictureNumber(p), n < 10 ? n : -1);
        if (n >= 10) {
            // All black but the line: rows well away from it are exactly black.
            for (int y = 24; y < 288; ++y)
                ASSERT_EQ(RowMax(p, y), 16) << "picture " << n << " row " << y;
        }
    }
}

TEST(TestFilms, SplitFilmIsIndexedAcrossBothFiles) {
    TestFilmRecipe recipe;
    recipe.width = 352;
    recipe.height = 288;
    recipe.frames = 40;
    recipe.splitAt = 10001; // not on a sector boundary
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    EXPECT_EQ(index.files, (QStringList{QStringLiteral("VTS_01_1.VOB"), QStringLiteral("VTS_01_2.VOB")}));
    EXPECT_EQ(QFileInfo(QFileInfo(d2v).dir().filePath(QStringLiteral("VTS_01_1.VOB"))).size(), 10001);
    EXPECT_EQ(index.Pictures(), 40);
    EXPECT_TRUE(index.ended);
    bool inSecond = false;
    const QByteArray all = Concatenated(d2v, index.files);
    for (const D2VDataLine& line : index.lines) {
        inSecond = inSecond || line.file == 1;
        const qint64 at = FileOffset(d2v, index.files, line.file) + line.position;
        EXPECT_EQ(all.mid(at, 4), QByteArray("\x00\x00\x01\xba", 4))
            << "file " << line.file << " at " << line.position;
    }
    EXPECT_TRUE(inSecond);
    const std::vector<QImage> pictures = DecodeLuma(d2v, index.files, 352, 288);
    ASSERT_EQ(pictures.size(), 40u);
    for (int n = 0; n < 40; ++n)
        EXPECT_EQ(ReadPictureNumber(pictures[size_t(n)]), n);
}

TEST(TestFilms, ElementaryStreamPositionsAreSequenceHeaders) {
    TestFilmRecipe recipe;
    recipe.width = 352;
    recipe.height = 288;
    recipe.frames = 30;
    recipe.elementary = true;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    EXPECT_EQ(index.settings.value(QStringLiteral("Stream_Type")), QStringLiteral("0"));
    EXPECT_EQ(index.files, QStringList{QStringLiteral("film.m2v")});
    const QByteArray all = Concatenated(d2v, index.files);
    ASSERT_EQ(index.lines.size(), 3u);
    for (const D2VDataLine& line : index.lines)
        EXPECT_EQ(all.mid(line.position, 4), QByteArray("\x00\x00\x01\xb3", 4)) << line.position;
}

TEST(TestFilms, SeveralIPicturesInOnePackAreTold) {
    // Tiny all-I pictures: several fit in one 2048-byte pack, so lines share a position.
    TestFilmRecipe recipe;
    recipe.width = 256;
    recipe.height = 64;
    recipe.frames = 30;
    recipe.gopSize = 1;
    recipe.bFrames = 0;
    const QString d2v = MakeTestFilm(recipe);
    ASSERT_FALSE(d2v.isEmpty());
    const D2VText index = ReadD2VText(d2v);
    ASSERT_EQ(index.lines.size(), 30u);
    int maxSkip = 0;
    for (size_t i = 0; i < index.lines.size(); ++i) {
        ASSERT_EQ(index.lines[i].flags.size(), 1u);
        EXPECT_EQ(index.lines[i].flags[0] & 0x30, 0x10);
        const int expected = (i > 0 && index.lines[i].position == index.lines[i - 1].position)
                                 ? index.lines[i - 1].skip + 1
                                 : 0;
        EXPECT_EQ(index.lines[i].skip, expected) << "line " << i;
        maxSkip = std::max(maxSkip, index.lines[i].skip);
    }
    EXPECT_GT(maxSkip, 0);
}

TEST(TestFilms, FilmsAreMadeOnceAndFieldOperationsGetTheirOwnIndex) {
    TestFilmRecipe recipe;
    recipe.width = 352;
    recipe.height = 288;
    recipe.frames = 12;
    const QString first = MakeTestFilm(recipe);
    ASSERT_FALSE(first.isEmpty());
    const QString stream = QFileInfo(first).dir().filePath(QStringLiteral("film.mpg"));
    const QDateTime made = QFileInfo(stream).lastModified();
    EXPECT_EQ(MakeTestFilm(recipe), first);
    EXPECT_EQ(QFileInfo(stream).lastModified(), made);

    recipe.fieldOperation = 1;
    const QString forced = MakeTestFilm(recipe);
    ASSERT_FALSE(forced.isEmpty());
    EXPECT_NE(forced, first);
    EXPECT_EQ(QFileInfo(forced).dir(), QFileInfo(first).dir());
    EXPECT_EQ(ReadD2VText(forced).settings.value(QStringLiteral("Frame_Rate")),
              QStringLiteral("20000 (20000/1000)"));
    EXPECT_EQ(ReadD2VText(first).settings.value(QStringLiteral("Frame_Rate")),
              QStringLiteral("25000 (25/1)"));
}

QImage PaintedNumber(int width, int height, int evenRows, int oddRows) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(126, 126, 126));
    const QRect r = PicturePatternRect(width, height);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int value = (y & 1) ? oddRows : evenRows;
        for (int block = 0; block < 14; ++block) {
            const bool white = block == 0 || (block <= 12 && (value >> (block - 1)) & 1);
            const QColor c = white ? QColor(255, 255, 255) : QColor(0, 0, 0);
            for (int x = r.left() + block * 16; x < r.left() + block * 16 + 16; ++x)
                image.setPixelColor(x, y, c);
        }
    }
    return image;
}

TEST(TestFilms, ReadPictureNumberOnPaintedPictures) {
    for (int value : {0, 1, 2, 37, 1234, 4095}) {
        const QImage image = PaintedNumber(720, 576, value, value);
        EXPECT_EQ(ReadPictureNumber(image), value);
        EXPECT_EQ(ReadFieldPictureNumber(image, 0), value);
        EXPECT_EQ(ReadFieldPictureNumber(image, 1), value);
    }
    // A woven picture: each field has its own number; the whole picture has none.
    const QImage woven = PaintedNumber(720, 480, 5, 6);
    EXPECT_EQ(ReadFieldPictureNumber(woven, 0), 5);
    EXPECT_EQ(ReadFieldPictureNumber(woven, 1), 6);
    EXPECT_EQ(ReadPictureNumber(woven), -1);

    QImage grey(720, 576, QImage::Format_RGB888);
    grey.fill(QColor(126, 126, 126));
    EXPECT_EQ(ReadPictureNumber(grey), -1);
    QImage black(720, 576, QImage::Format_RGB888);
    black.fill(Qt::black);
    EXPECT_EQ(ReadPictureNumber(black), -1);
    EXPECT_EQ(ReadPictureNumber(QImage()), -1);
    EXPECT_EQ(ReadPictureNumber(PaintedNumber(352, 288, 77, 77).scaled(100, 80)), -1);
}

} // namespace
