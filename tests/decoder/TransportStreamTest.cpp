// Transport streams (188-byte packets, and 192-byte M2TS) made from a generated film by ffmpeg and
// indexed by d2vindex.
#include "DecoderLibrary.h"
#include "common/TestFiles.h"
#include "common/TestFilms.h"
#include "common/TestPaths.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

class TransportStreamTest : public ::testing::TestWithParam<bool> {};

TEST_P(TransportStreamTest, FramesAreThePicturesOfTheirNumber) {
    DecoderLibrary lib;
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    TestFilmRecipe recipe;
    recipe.standard = TestFilmRecipe::Standard::Ntsc;
    recipe.frames = 150;
    recipe.gopSize = 15;
    const QString source = MakeTestFilm(recipe);
    ASSERT_FALSE(source.isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const bool m2ts = GetParam();
    QStringList remux{QStringLiteral("-v"),
                      QStringLiteral("error"),
                      QStringLiteral("-nostdin"),
                      QStringLiteral("-i"),
                      QFileInfo(source).dir().filePath(QStringLiteral("film.mpg")),
                      QStringLiteral("-c"),
                      QStringLiteral("copy"),
                      QStringLiteral("-f"),
                      QStringLiteral("mpegts")};
    if (m2ts)
        remux << QStringLiteral("-mpegts_m2ts_mode") << QStringLiteral("1");
    remux << QStringLiteral("film.ts");
    QString log;
    ASSERT_TRUE(RunProgram(QStringLiteral("ffmpeg"), remux, dir.path(), log)) << log.toStdString();
    ASSERT_TRUE(
        RunProgram(BinDir() + QStringLiteral("/d2vindex"), {QStringLiteral("film.ts")}, dir.path(), log))
        << log.toStdString();

    const DecoderVideoInfo* info = lib.open(dir.filePath(QStringLiteral("film.d2v")).toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    ASSERT_EQ(info->numberOfFrames, 150);
    std::vector<int> order(150);
    for (int n = 0; n < 150; ++n)
        order[static_cast<size_t>(n)] = n;
    std::shuffle(order.begin() + 75, order.end(), std::mt19937(99)); // half in order, half at random
    for (int n : order) {
        const QImage image = lib.Frame(n, info->width, info->height);
        ASSERT_FALSE(image.isNull()) << "frame " << n << ": " << lib.lastError();
        EXPECT_STREQ(lib.damage(), "") << "frame " << n; // the index matches its stream
        EXPECT_EQ(ReadPictureNumber(image), n);
    }
}

INSTANTIATE_TEST_SUITE_P(Packets, TransportStreamTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return std::string(param.param ? "m2ts_192" : "ts_188");
                         });

} // namespace
