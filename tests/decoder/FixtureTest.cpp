// The checked-in fixtures: .d2v files from an independent indexer, with the numbers and frames an
// independent Mpeg2Source produced from them.
#include "DecoderLibrary.h"
#include "common/TestPaths.h"

#include <QFile>
#include <QMap>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

QMap<QString, QString> ReadReference(const QString& folder) {
    QMap<QString, QString> values;
    QFile file(TestDataPath(folder + QStringLiteral("/reference.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1));
    }
    return values;
}

std::vector<int> IntList(const QString& text) {
    std::vector<int> out;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.push_back(item.toInt());
    return out;
}

struct Fixture {
    const char* folder;
    const char* d2v;
    const char* prefix; // reference.txt keys of this .d2v ("" for film.d2v)
};

void PrintTo(const Fixture& c, std::ostream* os) {
    *os << c.folder << '/' << c.d2v;
}

class FixtureTest : public ::testing::TestWithParam<Fixture> {
protected:
    DecoderLibrary lib;
};

TEST_P(FixtureTest, ReportsTheReferenceNumbers) {
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    const Fixture f = GetParam();
    const auto ref = ReadReference(QString::fromLatin1(f.folder));
    ASSERT_FALSE(ref.isEmpty());
    const QString p = QString::fromLatin1(f.prefix);
    const QString path =
        TestDataPath(QStringLiteral("%1/%2").arg(QLatin1String(f.folder), QLatin1String(f.d2v)));
    const DecoderVideoInfo* info = lib.open(path.toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    std::printf("[ numbers  ] %s/%s: ours %dx%d %d/%d %d frames; reference %sx%s %s/%s %s frames\n", f.folder,
                f.d2v, info->width, info->height, info->frameRateNumerator, info->frameRateDenominator,
                info->numberOfFrames, qPrintable(ref.value(QStringLiteral("Width"))),
                qPrintable(ref.value(QStringLiteral("Height"))),
                qPrintable(ref.value(p + QStringLiteral("FrameRateNum"))),
                qPrintable(ref.value(p + QStringLiteral("FrameRateDen"))),
                qPrintable(ref.value(p + QStringLiteral("FrameCount"))));
    EXPECT_EQ(info->width, ref.value(QStringLiteral("Width")).toInt());
    EXPECT_EQ(info->height, ref.value(QStringLiteral("Height")).toInt());
    EXPECT_EQ(info->frameRateNumerator, ref.value(p + QStringLiteral("FrameRateNum")).toInt());
    EXPECT_EQ(info->frameRateDenominator, ref.value(p + QStringLiteral("FrameRateDen")).toInt());
    EXPECT_EQ(info->numberOfFrames, ref.value(p + QStringLiteral("FrameCount")).toInt());
}

// Every frame in order, then 300 at random, then backwards: the same bytes each time.
TEST_P(FixtureTest, AnyAccessOrderGivesTheSamePictures) {
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    const Fixture f = GetParam();
    const QString path =
        TestDataPath(QStringLiteral("%1/%2").arg(QLatin1String(f.folder), QLatin1String(f.d2v)));
    const DecoderVideoInfo* info = lib.open(path.toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    lib.ExpectSamePicturesInAnyOrder(*info, 12345);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTest,
                         ::testing::Values(Fixture{"pal_letterbox", "film.d2v", ""},
                                           Fixture{"ntsc_pulldown", "film.d2v", ""},
                                           Fixture{"ntsc_pulldown", "film_forcefilm.d2v", "ForceFilm."},
                                           Fixture{"ntsc_pulldown", "film_raw.d2v", "Raw."},
                                           Fixture{"ntsc_interlaced", "film.d2v", ""},
                                           Fixture{"split_vob", "film.d2v", ""}),
                         [](const ::testing::TestParamInfo<Fixture>& param) {
                             std::string name = std::string(param.param.folder) + "_" + param.param.d2v;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

// Each reference picture is our frame of the same number, and clearly not its neighbours.
class ReferenceFrameTest : public ::testing::TestWithParam<const char*> {
protected:
    DecoderLibrary lib;
};

TEST_P(ReferenceFrameTest, FramesMatchTheReferencePictures) {
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    const QString folder = QString::fromLatin1(GetParam());
    const auto ref = ReadReference(folder);
    const DecoderVideoInfo* info =
        lib.open(TestDataPath(folder + QStringLiteral("/film.d2v")).toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    const int w = info->width, h = info->height, count = info->numberOfFrames;
    for (int n : IntList(ref.value(QStringLiteral("RefFrames")))) {
        const QImage expected(
            TestDataPath(folder + QStringLiteral("/ref_%1.png").arg(n, 5, 10, QLatin1Char('0'))));
        ASSERT_FALSE(expected.isNull()) << "ref " << n;
        const double same = LumaPsnr(lib.Frame(n, w, h), expected);
        double bestNeighbour = 0.0;
        for (int m : {n - 1, n + 1})
            if (m >= 0 && m < count)
                bestNeighbour = std::max(bestNeighbour, LumaPsnr(lib.Frame(m, w, h), expected));
        std::printf("[ psnr     ] %s frame %d: %.2f dB (best neighbour %.2f dB)\n", GetParam(), n, same,
                    bestNeighbour);
        EXPECT_GE(same, 40.0) << "frame " << n;
        EXPECT_LT(bestNeighbour, same - 6.0) << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ReferenceFrameTest,
                         ::testing::Values("pal_letterbox", "ntsc_pulldown", "ntsc_interlaced", "split_vob"));

} // namespace
