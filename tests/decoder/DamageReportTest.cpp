// Damaged streams: every frame is still served, and the library says which ones are not what the
// stream holds, so that the program can tell the user. Intact films must never be reported.
#include "DecoderLibrary.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "decoder/D2VFile.h"
#include "decoder/FrameList.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The frames whose pictures all come from the given index lines.
std::vector<int> FramesOfLines(const d2v::D2VFile& file, int firstLine, int lastLine) {
    const int from = file.lines[static_cast<size_t>(firstLine)].firstPicture;
    const d2v::IndexLine& last = file.lines[static_cast<size_t>(lastLine)];
    const int to = last.firstPicture + last.pictureCount;
    std::vector<int> frames;
    const std::vector<d2v::FramePair> pairs = d2v::BuildFrameList(file);
    for (size_t n = 0; n < pairs.size(); ++n)
        if (pairs[n].top >= from && pairs[n].top < to && pairs[n].bottom >= from && pairs[n].bottom < to)
            frames.push_back(static_cast<int>(n));
    return frames;
}

class DamageReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
        ASSERT_NE(lib.damage, nullptr) << "getLastFrameDamage is not exported";
        ASSERT_TRUE(dir.isValid());
        std::string error;
        ASSERT_TRUE(d2v::ReadD2VFile(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")).toStdString(),
                                     index, error))
            << error;
        stream = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
        ASSERT_FALSE(stream.isEmpty());
    }
    // Writes the damaged stream beside a copy of the index and opens it.
    const DecoderVideoInfo* OpenDamaged(const QByteArray& damaged) {
        EXPECT_TRUE(WriteBytes(dir.filePath(QStringLiteral("film.mpg")), damaged));
        EXPECT_TRUE(QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")),
                                dir.filePath(QStringLiteral("film.d2v"))));
        return lib.open(dir.filePath(QStringLiteral("film.d2v")).toUtf8().constData());
    }
    int64_t LineStart(int line) const { return index.lines[static_cast<size_t>(line)].position; }
    // Serves frame n and returns the damage reported for it; "<failed>" when nothing was served.
    std::string Damage(int n) {
        if (lib.rgb(n) == nullptr)
            return "<failed>";
        return lib.damage();
    }

    DecoderLibrary lib;
    QTemporaryDir dir;
    d2v::D2VFile index;
    QByteArray stream;
};

struct CleanFilm {
    const char* d2v;
};

void PrintTo(const CleanFilm& c, std::ostream* os) {
    *os << c.d2v;
}

class CleanFilmTest : public ::testing::TestWithParam<CleanFilm> {};

// Forward, backward and in jumps: the ways the pages ask for frames.
TEST_P(CleanFilmTest, NoFrameIsReportedDamaged) {
    DecoderLibrary lib;
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    ASSERT_NE(lib.damage, nullptr);
    const DecoderVideoInfo* info = lib.open(TestDataPath(QLatin1String(GetParam().d2v)).toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    std::vector<int> order;
    for (int n = 0; n < info->numberOfFrames; ++n)
        order.push_back(n);
    for (int n = info->numberOfFrames - 1; n >= 0; n -= 3)
        order.push_back(n);
    std::mt19937 random(11);
    for (int k = 0; k < 40; ++k)
        order.push_back(static_cast<int>(random() % static_cast<unsigned>(info->numberOfFrames)));
    for (int n : order) {
        ASSERT_NE(lib.rgb(n), nullptr) << "frame " << n << ": " << lib.lastError();
        ASSERT_STREQ(lib.damage(), "") << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Films, CleanFilmTest,
                         ::testing::Values(CleanFilm{"pal_letterbox/film.d2v"},
                                           CleanFilm{"ntsc_pulldown/film.d2v"},
                                           CleanFilm{"ntsc_pulldown/film_forcefilm.d2v"},
                                           CleanFilm{"ntsc_interlaced/film.d2v"},
                                           CleanFilm{"split_vob/film.d2v"}),
                         [](const auto& testCase) {
                             std::string name = testCase.param.d2v;
                             for (char& c : name)
                                 if (c == '/' || c == '.')
                                     c = '_';
                             return name;
                         });

// Flipped bits inside one GOP: the frames before it are intact, some of its own are reported, and
// asking again (a look-up in the converted frames) reports the same.
TEST_F(DamageReportTest, FlippedBitsAreReportedWhereTheyAre) {
    const int damagedLine = 10;
    QByteArray damaged = stream;
    std::mt19937 random(7);
    // Past the GOP's first pack and picture header, so that its pictures are still found.
    const int64_t from = LineStart(damagedLine) + 4096;
    const int64_t to = LineStart(damagedLine + 1);
    for (int k = 0; k < 60; ++k) {
        const int64_t at = from + static_cast<int64_t>(random() % static_cast<unsigned>(to - from));
        damaged[static_cast<qsizetype>(at)] =
            static_cast<char>(damaged[static_cast<qsizetype>(at)] ^ (1 << (k % 8)));
    }
    const DecoderVideoInfo* info = OpenDamaged(damaged);
    ASSERT_NE(info, nullptr) << lib.lastError();

    for (int n : FramesOfLines(index, 0, damagedLine - 2))
        ASSERT_EQ(Damage(n), "") << "frame " << n;
    std::vector<int> reported;
    for (int n : FramesOfLines(index, damagedLine, damagedLine)) {
        const std::string damage = Damage(n);
        ASSERT_NE(damage, "<failed>") << "frame " << n << ": " << lib.lastError();
        if (!damage.empty())
            reported.push_back(n);
    }
    ASSERT_FALSE(reported.empty());
    for (int n : reported) {
        EXPECT_NE(Damage(n), "") << "asked again, frame " << n;
        EXPECT_EQ(Damage(0), "") << "frame 0 after " << n;
    }
}

// A GOP lost to zeros (unreadable sectors copied as blanks): its frames are served as whatever the
// stream gives there, and reported. The frames after it, even asked for next, decode whole: the
// decode does not run on past lost data, whose pictures may sit at the wrong numbers.
TEST_F(DamageReportTest, LostGopIsReportedAndTheFramesAfterItAreWhole) {
    const int lostLine = 12;
    const std::vector<int> after = FramesOfLines(index, lostLine + 2, lostLine + 3);
    ASSERT_FALSE(after.empty());
    const DecoderVideoInfo* pristine =
        lib.open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")).toUtf8().constData());
    ASSERT_NE(pristine, nullptr) << lib.lastError();
    const size_t frameBytes =
        static_cast<size_t>(pristine->width) * static_cast<size_t>(pristine->height) * 3;
    std::vector<QByteArray> expected;
    for (int n : after)
        expected.emplace_back(reinterpret_cast<const char*>(lib.rgb(n)), static_cast<qsizetype>(frameBytes));

    QByteArray damaged = stream;
    const int64_t from = LineStart(lostLine);
    const int64_t to = LineStart(lostLine + 1);
    std::fill(damaged.begin() + from, damaged.begin() + to, '\0');
    const DecoderVideoInfo* info = OpenDamaged(damaged);
    ASSERT_NE(info, nullptr) << lib.lastError();

    const std::vector<int> lost = FramesOfLines(index, lostLine, lostLine);
    ASSERT_FALSE(lost.empty());
    for (int n : lost)
        EXPECT_NE(Damage(n), "") << "frame " << n;
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(Damage(after[i]), "") << "frame " << after[i];
        EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(lib.rgb(after[i])),
                               static_cast<qsizetype>(frameBytes)) == expected[i])
            << "frame " << after[i];
    }
    for (int n : FramesOfLines(index, lostLine - 3, lostLine - 2))
        EXPECT_EQ(Damage(n), "") << "frame " << n;
}

// A stream cut short: the frames past the cut are reported, those before are not.
TEST_F(DamageReportTest, FramesPastACutAreReported) {
    const int cutLine = 16;
    const DecoderVideoInfo* info =
        OpenDamaged(stream.left(static_cast<qsizetype>(LineStart(cutLine) + 20000)));
    ASSERT_NE(info, nullptr) << lib.lastError();
    EXPECT_NE(Damage(info->numberOfFrames - 1), "");
    for (int n : FramesOfLines(index, cutLine + 1, cutLine + 2))
        EXPECT_NE(Damage(n), "") << "frame " << n;
    for (int n : FramesOfLines(index, cutLine - 3, cutLine - 2))
        EXPECT_EQ(Damage(n), "") << "frame " << n;
}

// A film cut into files at byte offsets that are no pack boundaries, as `split` cuts, is one
// stream all the same: no frame is reported damaged, and every frame is the uncut film's.
TEST_F(DamageReportTest, FilmSplitAnywhereIsIntact) {
    auto hashOf = [](const unsigned char* rgb, const DecoderVideoInfo* info) {
        const size_t size = static_cast<size_t>(info->width) * static_cast<size_t>(info->height) * 3;
        return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(rgb), size));
    };
    const DecoderVideoInfo* whole =
        lib.open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")).toUtf8().constData());
    ASSERT_NE(whole, nullptr) << lib.lastError();
    std::vector<size_t> expected;
    for (int n = 0; n < whole->numberOfFrames; ++n)
        expected.push_back(hashOf(lib.rgb(n), whole));

    for (int pieces : {10, 1000}) {
        SCOPED_TRACE(std::to_string(pieces) + " pieces");
        QTemporaryDir parts;
        ASSERT_TRUE(parts.isValid());
        QStringList args{QStringLiteral("-o"), QStringLiteral("film.d2v")};
        for (int i = 0; i < pieces; ++i) {
            const qsizetype from = stream.size() * i / pieces;
            const qsizetype to = stream.size() * (i + 1) / pieces;
            const QString name = QStringLiteral("part%1").arg(i, 4, 10, QLatin1Char('0'));
            ASSERT_TRUE(WriteBytes(parts.filePath(name), stream.mid(from, to - from)));
            args << name;
        }
        QProcess indexer;
        indexer.setWorkingDirectory(parts.path());
        indexer.start(BinDir() + QStringLiteral("/d2vindex"), args);
        ASSERT_TRUE(indexer.waitForFinished(120000));
        ASSERT_EQ(indexer.exitCode(), 0) << indexer.readAllStandardError().toStdString();

        const DecoderVideoInfo* info =
            lib.open(parts.filePath(QStringLiteral("film.d2v")).toUtf8().constData());
        ASSERT_NE(info, nullptr) << lib.lastError();
        ASSERT_EQ(info->numberOfFrames, static_cast<int>(expected.size()));
        for (int n = 0; n < info->numberOfFrames; ++n) {
            const unsigned char* rgb = lib.rgb(n);
            ASSERT_NE(rgb, nullptr) << "frame " << n << ": " << lib.lastError();
            ASSERT_STREQ(lib.damage(), "") << "frame " << n;
            ASSERT_EQ(hashOf(rgb, info), expected[static_cast<size_t>(n)]) << "frame " << n;
        }
    }
}

// A failed request reports no damage left over from the frame before.
TEST_F(DamageReportTest, RefusedFrameClearsTheReport) {
    const DecoderVideoInfo* info = OpenDamaged(stream.left(static_cast<qsizetype>(LineStart(16) + 20000)));
    ASSERT_NE(info, nullptr) << lib.lastError();
    ASSERT_NE(Damage(info->numberOfFrames - 1), "");
    EXPECT_EQ(lib.rgb(info->numberOfFrames), nullptr);
    EXPECT_STREQ(lib.damage(), "");
    lib.close();
    EXPECT_STREQ(lib.damage(), "");
}

} // namespace
