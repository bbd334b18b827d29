// An index that does not match its stream (a line lost or doubled, a wrong picture type, another
// film's stream) or a stream whose damage reaches pictures through their references: a frame
// shows the same picture whichever way it is reached (stepping forward, stepping back, jumping),
// or it is reported.
#include "DecoderLibrary.h"
#include "common/TestFiles.h"
#include "common/TestFilms.h"
#include "common/TestPaths.h"
#include "decoder/Mpeg2Source.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <string_view>
#include <vector>

namespace {

// The .d2v's data lines (info word, matrix, file, position, skip, vob, cell, flags...) as fields.
struct Index {
    QStringList header;
    std::vector<QStringList> lines;

    static Index Read(const QString& path) {
        Index index;
        static const QRegularExpression data(QStringLiteral("^[0-9a-fA-F]{3}( \\d+){6}( [0-9a-fA-F]{2})+"));
        for (const QString& row : QString::fromUtf8(ReadBytes(path)).split(QLatin1Char('\n'))) {
            if (data.match(row).hasMatch())
                index.lines.push_back(row.split(QLatin1Char(' ')));
            else if (index.lines.empty())
                index.header << row;
        }
        return index;
    }
    QByteArray Text() const {
        QStringList rows = header;
        for (size_t n = 0; n < lines.size(); ++n) {
            QStringList fields = lines[n];
            fields.removeAll(QStringLiteral("ff"));
            if (n + 1 == lines.size())
                fields << QStringLiteral("ff");
            rows << fields.join(QLatin1Char(' '));
        }
        return rows.join(QLatin1Char('\n')).toUtf8() + '\n';
    }
};

struct Case {
    const char* name;
    std::function<void(Index&)> mutate;
    const char* stream = "pal_letterbox/film.mpg"; // the stream put under pal_letterbox's index
    int bitFlips = 0;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class IndexMismatchTest : public ::testing::TestWithParam<Case> {};

TEST_P(IndexMismatchTest, SamePictureOnEveryRoadOrReported) {
    const Case& c = GetParam();
    DecoderLibrary lib;
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Index index = Index::Read(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_EQ(index.lines.size(), 31u);
    if (c.mutate)
        c.mutate(index);
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("film.d2v")), index.Text()));
    QByteArray stream = ReadBytes(TestDataPath(QLatin1String(c.stream)));
    ASSERT_FALSE(stream.isEmpty());
    // Past the first GOPs, so that the film opens.
    std::mt19937 random(17);
    for (int k = 0; k < c.bitFlips; ++k) {
        const auto at =
            300000 + static_cast<qsizetype>(random() % static_cast<unsigned>(stream.size() - 300000));
        stream[at] = static_cast<char>(stream[at] ^ (1 << (random() % 8)));
    }
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("film.mpg")), stream));

    const DecoderVideoInfo* info = lib.open(dir.filePath(QStringLiteral("film.d2v")).toUtf8().constData());
    ASSERT_NE(info, nullptr) << lib.lastError();
    const int count = info->numberOfFrames;
    const size_t bytes = static_cast<size_t>(info->width) * static_cast<size_t>(info->height) * 3 / 2;

    struct Seen {
        bool asked = false;
        size_t picture = 0;
        bool reported = false;
    };
    auto road = [&](const std::vector<int>& order) {
        std::vector<Seen> seen(static_cast<size_t>(count));
        for (int n : order) {
            const unsigned char* yuv = lib.yuv(n);
            EXPECT_NE(yuv, nullptr) << "frame " << n << ": " << lib.lastError();
            if (!yuv)
                continue;
            seen[static_cast<size_t>(n)] = {
                true,
                std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(yuv), bytes)),
                lib.report()->code != DECODER_REPORT_NONE};
        }
        return seen;
    };
    std::vector<int> forward(static_cast<size_t>(count));
    std::iota(forward.begin(), forward.end(), 0);
    const std::vector<int> backward(forward.rbegin(), forward.rend());
    // Every other frame, each some eight GOPs from the one before: always a seek of its own.
    int stride = 97;
    while (std::gcd(stride, count) != 1)
        ++stride;
    std::vector<int> jumps;
    for (int k = 0; k < count; ++k)
        if (const int n = static_cast<int>(static_cast<int64_t>(k) * stride % count); n % 2 == 0)
            jumps.push_back(n);

    const std::vector<std::vector<Seen>> roads = {road(forward), road(backward), road(jumps)};
    int differing = 0, reported = 0;
    for (size_t n = 0; n < static_cast<size_t>(count); ++n) {
        bool same = true, told = false;
        for (const std::vector<Seen>& r : roads) {
            same = same && (!r[n].asked || r[n].picture == roads[0][n].picture);
            told = told || r[n].reported;
        }
        differing += same ? 0 : 1;
        reported += told ? 1 : 0;
        EXPECT_TRUE(same || told) << "frame " << n << " differs between roads and is not reported";
    }
    // What was wrong was seen.
    EXPECT_GT(reported, 0) << differing << " frames differ";
}

// Data lines counted from 0: pal_letterbox has 31, of 12 pictures each but the first and last.
INSTANTIATE_TEST_SUITE_P(
    Indexes, IndexMismatchTest,
    ::testing::Values(Case{"line_removed", [](Index& i) { i.lines.erase(i.lines.begin() + 11); }},
                      Case{"line_doubled", [](Index& i) { i.lines.insert(i.lines.begin() + 9, i.lines[9]); }},
                      Case{"flag_of_another_type", [](Index& i) { i.lines[14][12] = QStringLiteral("f0"); }},
                      Case{"another_films_stream", nullptr, "ntsc_interlaced/film.mpg"},
                      Case{"bit_flips", nullptr, "pal_letterbox/film.mpg", 20}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

// Intact indexes, from an independent indexer and from ours: every line agrees with its stream,
// so stepping through the film decodes on from line to line after a single seek, and nothing is
// reported.
struct IntactFilm {
    const char* name;
    std::function<QString()> d2v;
};

void PrintTo(const IntactFilm& f, std::ostream* os) {
    *os << f.name;
}

class IntactIndexTest : public ::testing::TestWithParam<IntactFilm> {};

TEST_P(IntactIndexTest, SteppingThroughDecodesOnFromLineToLine) {
    const QString path = GetParam().d2v();
    ASSERT_FALSE(path.isEmpty());
    d2v::Mpeg2Source source;
    ASSERT_TRUE(source.Open(path.toStdString())) << source.LastError();
    for (int n = 0; n < source.FrameCount(); ++n) {
        ASSERT_NE(source.YuvFrame(n), nullptr) << "frame " << n << ": " << source.LastError();
        ASSERT_TRUE(source.Damage().Empty()) << "frame " << n << ": " << source.LastDamage();
    }
    EXPECT_EQ(source.Statistics().seeks, 1);
}

IntactFilm Fixture(const char* name, const char* d2v) {
    return {name, [d2v] { return TestDataPath(QLatin1String(d2v)); }};
}

// The films GeneratedFilmTest makes, so that they come from the cache.
IntactFilm Generated(const char* name, int frames, int gop, const std::function<void(TestFilmRecipe&)>& set) {
    return {name, [=] {
                TestFilmRecipe spec;
                spec.frames = frames;
                spec.gopSize = gop;
                set(spec);
                return MakeTestFilm(spec);
            }};
}

INSTANTIATE_TEST_SUITE_P(
    Films, IntactIndexTest,
    ::testing::Values(Fixture("pal_letterbox", "pal_letterbox/film.d2v"),
                      Fixture("ntsc_pulldown", "ntsc_pulldown/film.d2v"),
                      Fixture("ntsc_interlaced", "ntsc_interlaced/film.d2v"),
                      Fixture("split_vob", "split_vob/film.d2v"),
                      Generated("ours_ntsc_interlaced", 150, 15,
                                [](TestFilmRecipe& s) { s.standard = TestFilmRecipe::Standard::Ntsc; }),
                      Generated("ours_mpeg1", 120, 12, [](TestFilmRecipe& s) { s.mpeg1 = true; }),
                      Generated("ours_elementary", 100, 12, [](TestFilmRecipe& s) { s.elementary = true; }),
                      Generated("ours_split_inside_a_gop", 150, 12,
                                [](TestFilmRecipe& s) { s.splitAt = 90001; }),
                      Generated("ours_pulldown", 120, 15,
                                [](TestFilmRecipe& s) {
                                    s.standard = TestFilmRecipe::Standard::Ntsc;
                                    s.pulldown = true;
                                })),
    [](const ::testing::TestParamInfo<IntactFilm>& p) { return std::string(p.param.name); });

} // namespace
