// The C entry points on bad input and in the corners the program relies on.
#include "DecoderLibrary.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <random>

namespace {

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
        ASSERT_TRUE(dir.isValid());
    }
    QString Temp(const QString& name) const { return dir.filePath(name); }
    DecoderVideoInfo* Open(const QString& path) { return lib.open(path.toUtf8().constData()); }
    std::string Error() const { return lib.lastError(); }
    // The luma plane of frame n.
    QByteArray Luma(int n, const DecoderVideoInfo* info) {
        const unsigned char* data = lib.yuv(n);
        return data ? QByteArray(reinterpret_cast<const char*>(data), info->width * info->height)
                    : QByteArray();
    }

    DecoderLibrary lib;
    QTemporaryDir dir;
};

struct BadD2V {
    const char* name;
    QByteArray content;
    const char* words;
};

void PrintTo(const BadD2V& c, std::ostream* os) {
    *os << c.name;
}

class BadD2VTest : public ApiTest, public ::testing::WithParamInterface<BadD2V> {};

TEST_P(BadD2VTest, OpenFailsWithAReason) {
    const BadD2V& c = GetParam();
    const QString path = Temp(QStringLiteral("bad.d2v"));
    ASSERT_TRUE(WriteBytes(path, c.content));
    EXPECT_EQ(Open(path), nullptr);
    EXPECT_NE(Error().find(c.words), std::string::npos) << Error();
    EXPECT_EQ(lib.rgb(0), nullptr);
}

QByteArray PalIndex() {
    return ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadD2VTest,
    ::testing::Values(BadD2V{"empty", QByteArray(), "empty"},
                      BadD2V{"garbage", QByteArray(5000, '\x07'), "not a .d2v"},
                      BadD2V{"truncated", PalIndex().left(PalIndex().size() / 2), "truncated"},
                      BadD2V{"unknown_version", PalIndex().replace("ProjectFile16", "ProjectFile17"),
                             "version 17"},
                      // Parses, but its stream file is not beside it.
                      BadD2V{"missing_stream", PalIndex(), "film.mpg"},
                      BadD2V{"pva_stream", PalIndex().replace("Stream_Type=1", "Stream_Type=3"), "PVA"}),
    [](const ::testing::TestParamInfo<BadD2V>& param) { return std::string(param.param.name); });

TEST_F(ApiTest, RefusesMissingPathsAndFramesOutsideTheFilm) {
    EXPECT_EQ(lib.open(nullptr), nullptr);
    EXPECT_EQ(lib.open(""), nullptr);
    EXPECT_EQ(Open(Temp(QStringLiteral("absent.d2v"))), nullptr);
    EXPECT_NE(Error().find("absent.d2v"), std::string::npos) << Error();
    EXPECT_EQ(Open(dir.path()), nullptr);
    EXPECT_NE(Error().find("not a file"), std::string::npos) << Error();
    EXPECT_EQ(lib.rgb(0), nullptr);
    EXPECT_EQ(lib.yuv(0), nullptr);

    const DecoderVideoInfo* info = Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_NE(info, nullptr) << Error();
    EXPECT_STREQ(lib.lastError(), "");
    EXPECT_EQ(lib.rgb(-1), nullptr);
    EXPECT_NE(Error().find("outside"), std::string::npos) << Error();
    EXPECT_EQ(lib.rgb(info->numberOfFrames), nullptr);
    EXPECT_NE(lib.rgb(info->numberOfFrames - 1), nullptr);
    EXPECT_STREQ(lib.lastError(), "");
    lib.close();
    EXPECT_EQ(lib.rgb(0), nullptr);
    lib.close(); // twice is harmless
}

TEST_F(ApiTest, StreamOfGarbageIsRefused) {
    std::mt19937 random(7);
    QByteArray noise(300000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("film.mpg")), noise));
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("film.d2v")), PalIndex()));
    EXPECT_EQ(Open(Temp(QStringLiteral("film.d2v"))), nullptr);
    EXPECT_NE(Error().find("no MPEG video"), std::string::npos) << Error();
}

TEST_F(ApiTest, SecondOpenReplacesTheFirst) {
    const DecoderVideoInfo* pal = Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_NE(pal, nullptr) << Error();
    const QByteArray palFrame = Luma(100, pal);
    const DecoderVideoInfo* ntsc = Open(TestDataPath(QStringLiteral("ntsc_interlaced/film.d2v")));
    ASSERT_NE(ntsc, nullptr) << Error();
    EXPECT_EQ(ntsc->height, 480);
    EXPECT_EQ(ntsc->numberOfFrames, 300);
    const QByteArray ntscFrame = Luma(100, ntsc);
    EXPECT_EQ(ntscFrame.size(), 720 * 480);
    EXPECT_NE(ntscFrame, palFrame.left(ntscFrame.size()));
}

// A stream cut short: what is there decodes as before, the rest repeats the last picture decoded,
// and nothing hangs.
TEST_F(ApiTest, TruncatedStreamRepeatsTheLastPicture) {
    const QByteArray stream = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
    ASSERT_FALSE(stream.isEmpty());
    // Cut inside the GOP of line 16 (frames 178-189), which starts at byte 2314254.
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("film.mpg")), stream.left(2400000)));
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("film.d2v")), PalIndex()));

    const DecoderVideoInfo* full = Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_NE(full, nullptr) << Error();
    const QByteArray early = Luma(150, full);
    const QByteArray lastWhole = Luma(176, full);

    // Asked first, before anything else was decoded: the same picture as when asked last.
    const DecoderVideoInfo* fresh = Open(Temp(QStringLiteral("film.d2v")));
    ASSERT_NE(fresh, nullptr) << Error();
    const QByteArray endFirst = Luma(359, fresh);
    ASSERT_FALSE(endFirst.isEmpty()) << Error();

    const DecoderVideoInfo* cut = Open(Temp(QStringLiteral("film.d2v")));
    ASSERT_NE(cut, nullptr) << Error();
    EXPECT_EQ(cut->numberOfFrames, 360);
    EXPECT_EQ(Luma(150, cut), early);
    EXPECT_EQ(Luma(176, cut), lastWhole);
    // Past the cut every frame is served, as one picture from before the cut.
    const QByteArray end = Luma(359, cut);
    ASSERT_FALSE(end.isEmpty()) << Error();
    EXPECT_EQ(end, endFirst);
    EXPECT_EQ(Luma(300, cut), end);
    EXPECT_EQ(Luma(358, cut), end);
    EXPECT_EQ(Luma(190, cut), end);
}

// An index that lists more pictures than the stream holds.
TEST_F(ApiTest, PicturesMissingFromTheStreamRepeatTheLastOne) {
    QByteArray index = PalIndex();
    index.replace("0 0 0 70 d0 ff", "0 0 0 70 d0 f0 f0 e0 f0 f0 e0 ff");
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("film.d2v")), index));
    QFile::link(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")), Temp(QStringLiteral("film.mpg")));

    const DecoderVideoInfo* info = Open(Temp(QStringLiteral("film.d2v")));
    ASSERT_NE(info, nullptr) << Error();
    ASSERT_EQ(info->numberOfFrames, 366);
    const QByteArray last = Luma(359, info);
    ASSERT_FALSE(last.isEmpty()) << Error();
    for (int n : {365, 360, 363})
        EXPECT_EQ(Luma(n, info), last) << "frame " << n;
    EXPECT_NE(Luma(358, info), last);
}

// What the index says of its stream, through the library, on real streams. The mixed film is a
// hand-made index over two of them: 300 pictures of pulldown film, then 300 of interlaced video.
TEST_F(ApiTest, StreamFactsOfRealStreams) {
    EXPECT_EQ(lib.facts(), nullptr);
    const auto dataLines = [](const QString& fixture, int count, char file) {
        const QList<QByteArray> lines =
            ReadBytes(TestDataPath(fixture + QStringLiteral("/film.d2v"))).split('\n');
        QByteArray data;
        for (qsizetype i = lines.indexOf(QByteArray()) + 1; i < lines.size() && count > 0; ++i) {
            if (lines[i].isEmpty())
                continue;
            if (lines[i].startsWith("d00") || lines[i].startsWith("900")) {
                // The line's third field is its file index.
                QList<QByteArray> fields = lines[i].split(' ');
                fields[2] = QByteArray(1, file);
                data += fields.join(' ').replace(" ff", "") + '\n';
                --count;
            }
        }
        return data;
    };
    QByteArray mixed = ReadBytes(TestDataPath(QStringLiteral("ntsc_pulldown/film.d2v")));
    mixed = mixed.left(mixed.indexOf("\nd00 ") + 1);
    mixed.replace("\n1\nfilm.mpg\n",
                  "\n2\n" + QFile::encodeName(TestDataPath(QStringLiteral("ntsc_pulldown/film.mpg"))) + '\n' +
                      QFile::encodeName(TestDataPath(QStringLiteral("ntsc_interlaced/film.mpg"))) + '\n');
    mixed += dataLines(QStringLiteral("ntsc_pulldown"), 20, '0');
    mixed += dataLines(QStringLiteral("ntsc_interlaced"), 1000, '1');
    mixed.chop(1);
    mixed += " ff\n";
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("mixed.d2v")), mixed));

    struct {
        QString path;
        int aspect, pictures, progressive, minShare, maxShare, scan, order;
    } const films[] = {
        {TestDataPath(QStringLiteral("ntsc_pulldown/film.d2v")), 2, 480, 480, 9900, 10000, 0, 0},
        {TestDataPath(QStringLiteral("ntsc_interlaced/film.d2v")), 1, 300, 0, 0, 0, 1, 1},
        {Temp(QStringLiteral("mixed.d2v")), 2, 600, 300, 4900, 5100, 2, 1},
    };
    for (const auto& film : films) {
        ASSERT_NE(Open(film.path), nullptr) << Error();
        const DecoderStreamFacts* facts = lib.facts();
        ASSERT_NE(facts, nullptr);
        EXPECT_EQ(facts->displayAspect, film.aspect) << film.path.toStdString();
        EXPECT_EQ(facts->codedPictures, film.pictures) << film.path.toStdString();
        EXPECT_EQ(facts->progressivePictures, film.progressive) << film.path.toStdString();
        EXPECT_GE(facts->filmShareHundredths, film.minShare) << film.path.toStdString();
        EXPECT_LE(facts->filmShareHundredths, film.maxShare) << film.path.toStdString();
        EXPECT_EQ(facts->scanType, film.scan) << film.path.toStdString();
        EXPECT_EQ(facts->fieldOrder, film.order) << film.path.toStdString();
        EXPECT_EQ(facts->isNtscRate, 1);
        EXPECT_EQ(facts->fieldOperation, 0);
    }
    lib.close();
    EXPECT_EQ(lib.facts(), nullptr);
}

// A file list line longer than any file name is refused at once, with a message of a few words
// rather than the line itself.
TEST_F(ApiTest, HugeFileNameIsRefusedWithAShortMessage) {
    QByteArray index = PalIndex();
    index.replace("\nfilm.mpg\n", "\n" + QByteArray(16 * 1024 * 1024, 'x') + '\n');
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("huge.d2v")), index));
    EXPECT_EQ(Open(Temp(QStringLiteral("huge.d2v"))), nullptr);
    EXPECT_NE(Error().find("longer than any file name"), std::string::npos) << Error().substr(0, 200);
    EXPECT_LT(Error().size(), 300u);
}

// The pulldown cycle: clean frames are whole film pictures, the combed ones weave the fields of
// two neighbours; the force-film index gives each film picture once.
TEST_F(ApiTest, PulldownFramesAreTheFilmPicturesTheFlagsName) {
    const DecoderVideoInfo* film = Open(TestDataPath(QStringLiteral("ntsc_pulldown/film_forcefilm.d2v")));
    ASSERT_NE(film, nullptr) << Error();
    std::vector<QByteArray> pictures;
    for (int n = 240; n <= 243; ++n)
        pictures.push_back(Luma(n, film));
    const int w = film->width, h = film->height;

    const DecoderVideoInfo* video = Open(TestDataPath(QStringLiteral("ntsc_pulldown/film.d2v")));
    ASSERT_NE(video, nullptr) << Error();
    EXPECT_EQ(Luma(300, video), pictures[0]);
    EXPECT_EQ(Luma(303, video), pictures[2]);
    EXPECT_EQ(Luma(304, video), pictures[3]);
    // 301 = top field of 240, bottom of 241; 302 = top of 241, bottom of 242.
    const struct { int frame, top, bottom; } woven[] = {{301, 0, 1}, {302, 1, 2}};
    for (const auto& wv : woven) {
        const QByteArray frame = Luma(wv.frame, video);
        ASSERT_EQ(frame.size(), w * h);
        for (int y = 0; y < h; ++y) {
            const QByteArray& source = pictures[static_cast<size_t>((y & 1) ? wv.bottom : wv.top)];
            ASSERT_EQ(
                std::memcmp(frame.constData() + y * w, source.constData() + y * w, static_cast<size_t>(w)), 0)
                << "frame " << wv.frame << " row " << y;
        }
        EXPECT_NE(frame, pictures[static_cast<size_t>(wv.top)]);
        EXPECT_NE(frame, pictures[static_cast<size_t>(wv.bottom)]);
    }
}

} // namespace

namespace {

// A .d2v made on Windows: CR LF, an absolute Windows path in upper case; the stream lies beside it
// under its copied, lower-case name.
TEST_F(ApiTest, OpensWindowsIndexBesideItsStream) {
    QByteArray index = PalIndex();
    index.replace("\nfilm.mpg\n", "\nD:\\FILMS\\VIDEO_TS\\FILM.MPG\n");
    index.replace("\n", "\r\n");
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("FILM.d2v")), index));
    ASSERT_TRUE(QFile::link(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")),
                            Temp(QStringLiteral("film.mpg"))));

    const DecoderVideoInfo* original = Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_NE(original, nullptr) << Error();
    const QByteArray expected = Luma(42, original);
    const DecoderVideoInfo* info = Open(Temp(QStringLiteral("FILM.d2v")));
    ASSERT_NE(info, nullptr) << Error();
    EXPECT_EQ(info->numberOfFrames, 360);
    EXPECT_EQ(Luma(42, info), expected);
}

} // namespace

namespace {

// A bare file name is taken relative to the current folder, and the streams relative to the .d2v.
TEST_F(ApiTest, OpensABareNameFromTheCurrentFolder) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(TestDataPath(QStringLiteral("split_vob"))));
    const DecoderVideoInfo* info = lib.open("film.d2v");
    QDir::setCurrent(previous);
    ASSERT_NE(info, nullptr) << Error();
    EXPECT_EQ(info->numberOfFrames, 400);
    EXPECT_NE(lib.rgb(200), nullptr) << Error();
}

// When two I pictures start in the same indexed pack, the second line shares the first one's
// position and says how many I pictures to pass over.
TEST_F(ApiTest, HonoursTheSkipCountOfSharedPositions) {
    const DecoderVideoInfo* original = Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_NE(original, nullptr) << Error();
    std::vector<QByteArray> expected;
    for (int n = 20; n < 36; ++n)
        expected.push_back(Luma(n, original));

    QByteArray index = PalIndex();
    // Line 3 (frames 22-33) now starts where line 2 does, one I picture further on.
    ASSERT_TRUE(index.contains("900 5 0 430094 0 0 0"));
    index.replace("900 5 0 430094 0 0 0", "900 5 0 213006 1 0 0");
    ASSERT_TRUE(WriteBytes(Temp(QStringLiteral("film.d2v")), index));
    ASSERT_TRUE(QFile::link(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")),
                            Temp(QStringLiteral("film.mpg"))));
    const DecoderVideoInfo* info = Open(Temp(QStringLiteral("film.d2v")));
    ASSERT_NE(info, nullptr) << Error();
    // Backwards, so that each line is reached by a seek rather than by decoding on.
    for (int n = 35; n >= 20; --n)
        EXPECT_EQ(Luma(n, info), expected[static_cast<size_t>(n - 20)]) << "frame " << n;
}

// A name ending in _P asks for progressive chroma: the same pictures, other colours, closer to
// references converted that way.
TEST_F(ApiTest, ProgressiveChromaOnRequestByName) {
    ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("ntsc_interlaced/film.d2v")),
                            Temp(QStringLiteral("film_P.d2v"))));
    ASSERT_TRUE(QFile::link(TestDataPath(QStringLiteral("ntsc_interlaced/film.mpg")),
                            Temp(QStringLiteral("film.mpg"))));
    const QImage reference(TestDataPath(QStringLiteral("ntsc_interlaced/ref_00150.png")));
    ASSERT_FALSE(reference.isNull());

    const DecoderVideoInfo* interlaced = Open(TestDataPath(QStringLiteral("ntsc_interlaced/film.d2v")));
    ASSERT_NE(interlaced, nullptr) << Error();
    const QByteArray luma = Luma(150, interlaced);
    const QImage fieldChroma = lib.Frame(150, interlaced->width, interlaced->height);
    const DecoderVideoInfo* progressive = Open(Temp(QStringLiteral("film_P.d2v")));
    ASSERT_NE(progressive, nullptr) << Error();
    EXPECT_EQ(Luma(150, progressive), luma);
    const QImage frameChroma = lib.Frame(150, progressive->width, progressive->height);
    EXPECT_NE(frameChroma, fieldChroma);
    EXPECT_GT(LumaPsnr(frameChroma, reference), LumaPsnr(fieldChroma, reference));
}

} // namespace

namespace {

// A name ending in _A picks the chroma per frame: whole progressive pictures as frames, woven ones
// per field.
TEST_F(ApiTest, AutomaticChromaByName) {
    for (const char* name : {"film_A.d2v", "film_P.d2v"})
        ASSERT_TRUE(
            QFile::copy(TestDataPath(QStringLiteral("ntsc_pulldown/film.d2v")), Temp(QLatin1String(name))));
    ASSERT_TRUE(QFile::link(TestDataPath(QStringLiteral("ntsc_pulldown/film.mpg")),
                            Temp(QStringLiteral("film.mpg"))));
    auto frames = [&](const QString& path) {
        const DecoderVideoInfo* info = Open(path);
        EXPECT_NE(info, nullptr) << Error();
        std::vector<QImage> images;
        if (info)
            for (int n : {300, 301})
                images.push_back(lib.Frame(n, info->width, info->height));
        return images;
    };
    const auto field = frames(TestDataPath(QStringLiteral("ntsc_pulldown/film.d2v")));
    const auto frame = frames(Temp(QStringLiteral("film_P.d2v")));
    const auto automatic = frames(Temp(QStringLiteral("film_A.d2v")));
    ASSERT_EQ(automatic.size(), 2u);
    ASSERT_EQ(field.size(), 2u);
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_NE(field[0], frame[0]);
    EXPECT_EQ(automatic[0], frame[0]); // film picture 240, progressive
    EXPECT_EQ(automatic[1], field[1]); // woven from 240 and 241
}

} // namespace
