// The indexer's command line: bad input, bad options, what is left on disk.

#include "D2VText.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "indexer/D2VWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct BadInput {
    const char* name;
    QByteArray content; // written to the input file; a null array leaves the file missing
};

void PrintTo(const BadInput& b, std::ostream* os) {
    *os << b.name;
}

class D2VIndexBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(D2VIndexBadInput, FailsNamingTheFileAndKeepsThePreviousIndex) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("input.mpg"));
    if (!GetParam().content.isNull()) {
        ASSERT_TRUE(WriteBytes(input, GetParam().content));
    }
    // An index from an earlier run must survive a failed one untouched.
    const QString out = dir.filePath(QStringLiteral("out.d2v"));
    ASSERT_TRUE(WriteBytes(out, "earlier index\n"));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

    QString errors;
    EXPECT_EQ(RunD2VIndex({QStringLiteral("-o"), out, input}, dir.path(), &errors), 1);
    EXPECT_TRUE(errors.contains(input)) << errors.toStdString();
    EXPECT_TRUE(errors.startsWith(QStringLiteral("d2vindex: "))) << errors.toStdString();
    EXPECT_EQ(ReadBytes(out), QByteArray("earlier index\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);
}

QByteArray Garbage() {
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes.append(static_cast<char>((i * 7919) % 251 + 2)); // never 0 or 1: no start code
    return bytes;
}

// Start codes, but no video sequence header anywhere.
QByteArray PacksWithoutVideo() {
    QByteArray bytes;
    for (int i = 0; i < 50; ++i) {
        bytes.append(QByteArray("\x00\x00\x01\xba\x44\x00\x04\x00\x04\x01\x01\x89\xc3\xf8", 14));
        bytes.append(QByteArray("\x00\x00\x01\xbe\x07\xf2", 6));
        bytes.append(QByteArray(2034, '\xff'));
    }
    return bytes;
}

// A sequence header and picture headers, but no I picture.
QByteArray OnlyPPictures() {
    QByteArray bytes("\x00\x00\x01\xb3\x16\x01\x20\x13\xff\xff\xe0\x18", 12);
    for (int i = 0; i < 5; ++i) {
        bytes.append(QByteArray("\x00\x00\x01\x00\x00\x10\xff\xff", 8)); // P picture
        bytes.append(QByteArray("\x00\x00\x01\x01\x12\x34\x56", 7));
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, D2VIndexBadInput,
    ::testing::Values(BadInput{"missing", QByteArray()}, BadInput{"empty", QByteArray("")},
                      BadInput{"text", QByteArray("This is not a film.\n").repeated(100)},
                      BadInput{"garbage", Garbage()}, BadInput{"packs_without_video", PacksWithoutVideo()},
                      BadInput{"no_i_picture", OnlyPPictures()}),
    [](const ::testing::TestParamInfo<BadInput>& p) { return std::string(p.param.name); });

TEST(D2VIndexCli, MissingSecondFileIsNamed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("VTS_01_2.VOB"));
    QString errors;
    EXPECT_EQ(RunD2VIndex({QStringLiteral("-o"), dir.filePath(QStringLiteral("out.d2v")),
                           TestDataPath(QStringLiteral("split_vob/VTS_01_1.VOB")), missing},
                          dir.path(), &errors),
              1);
    EXPECT_TRUE(errors.contains(missing)) << errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out.d2v"))));
}

TEST(D2VIndexCli, UnwritableDestinationIsReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("no/such/folder/out.d2v"));
    QString errors;
    EXPECT_EQ(RunD2VIndex({QStringLiteral("-o"), out, TestDataPath(QStringLiteral("pal_letterbox/film.mpg"))},
                          dir.path(), &errors),
              1);
    EXPECT_TRUE(errors.contains(out)) << errors.toStdString();
}

TEST(D2VIndexCli, DestinationThatIsAFolderIsReportedAndNothingIsLeft) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.d2v")));
    QString errors;
    EXPECT_EQ(RunD2VIndex({QStringLiteral("-o"), QStringLiteral("taken.d2v"),
                           TestDataPath(QStringLiteral("pal_letterbox/film.mpg"))},
                          dir.path(), &errors),
              1);
    EXPECT_TRUE(errors.contains(QStringLiteral("taken.d2v"))) << errors.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("taken.d2v"))).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("taken.d2v")});
}

TEST(D2VIndexCli, UsageErrors) {
    const QStringList cases[] = {
        {},
        {QStringLiteral("--field-operation"), QStringLiteral("3"), QStringLiteral("x.mpg")},
        {QStringLiteral("--field-operation")},
        {QStringLiteral("--bogus"), QStringLiteral("x.mpg")},
        {QStringLiteral("-o")},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QStringList& args : cases) {
        QString errors;
        EXPECT_EQ(RunD2VIndex(args, dir.path(), &errors), 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(errors.isEmpty());
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(D2VIndexCli, DefaultOutputSitsBesideTheFirstInputAndFullPathsAreAbsolute) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("movie.vob"));
    ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("ntsc_interlaced/film.mpg")), input));
    ASSERT_EQ(RunD2VIndex({QStringLiteral("movie.vob")}, dir.path()), 0);
    const D2VText relative = ReadD2VText(dir.filePath(QStringLiteral("movie.d2v")));
    EXPECT_EQ(relative.files, QStringList{QStringLiteral("movie.vob")});

    ASSERT_EQ(RunD2VIndex({QStringLiteral("--full-paths"), QStringLiteral("-o"), QStringLiteral("full.d2v"),
                           QStringLiteral("movie.vob")},
                          dir.path()),
              0);
    const D2VText full = ReadD2VText(dir.filePath(QStringLiteral("full.d2v")));
    ASSERT_EQ(full.files.size(), 1);
    EXPECT_EQ(QFileInfo(full.files[0]).canonicalFilePath(), QFileInfo(input).canonicalFilePath());
    EXPECT_TRUE(QDir::isAbsolutePath(full.files[0]));
    // Everything but the file list is the same.
    EXPECT_EQ(full.settings, relative.settings);
    EXPECT_EQ(full.AllFlags(), relative.AllFlags());
}

TEST(D2VIndexCli, RefusesToOverwriteItsInput) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("film.d2v"));
    ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")), input));
    const QByteArray before = ReadBytes(input);
    EXPECT_EQ(RunD2VIndex({input}, dir.path()), 2);
    EXPECT_EQ(ReadBytes(input), before);
}

TEST(D2VIndexCli, TruncatedStreamStillGivesAFinishedIndex) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray whole = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
    ASSERT_FALSE(whole.isEmpty());
    // Cut in the middle of a pack, inside a picture group.
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("cut.mpg")), whole.left(whole.size() / 2 + 1000)));
    ASSERT_EQ(RunD2VIndex({QStringLiteral("cut.mpg")}, dir.path()), 0);
    const D2VText cut = ReadD2VText(dir.filePath(QStringLiteral("cut.d2v")));
    const D2VText full = ReadD2VText(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    ASSERT_TRUE(cut.error.isEmpty());
    EXPECT_TRUE(cut.ended);
    EXPECT_GT(cut.Pictures(), 100);
    EXPECT_LT(cut.Pictures(), full.Pictures());
    // Every line but the last is whole and equal to the uncut film's.
    for (size_t i = 0; i + 1 < cut.lines.size(); ++i)
        EXPECT_EQ(cut.lines[i].flags, full.lines[i].flags) << "line " << i;
}

TEST(D2VIndexFunctions, FrameRateLine) {
    struct Case {
        unsigned num, den;
        int fieldOperation;
        int rate;
        unsigned outNum, outDen;
    };
    const Case cases[] = {
        {25, 1, 0, 25000, 25, 1},
        {25, 1, 2, 25000, 25, 1},
        {25, 1, 1, 20000, 20000, 1000},
        {30000, 1001, 0, 29970, 30000, 1001},
        {30000, 1001, 1, 23976, 24000, 1001},
        {30000, 1001, 2, 29970, 30000, 1001},
        {24000, 1001, 0, 23976, 24000, 1001},
        {24000, 1001, 1, 19180, 19180, 1000}, // 23.976 x 0.8 = 19.1808
        {30, 1, 1, 24000, 24000, 1000},       // exactly 24 is not 23.976
        {60000, 1001, 0, 59940, 60000, 1001},
        {50, 1, 1, 40000, 40000, 1000},
    };
    for (const Case& c : cases) {
        const indexer::FrameRateLine line = indexer::MakeFrameRateLine(c.num, c.den, c.fieldOperation);
        SCOPED_TRACE(std::to_string(c.num) + "/" + std::to_string(c.den) + " FO " +
                     std::to_string(c.fieldOperation));
        EXPECT_EQ(line.rate, c.rate);
        EXPECT_EQ(line.num, c.outNum);
        EXPECT_EQ(line.den, c.outDen);
    }
}

TEST(D2VIndexFunctions, RelativePath) {
    struct Case {
        const char* target;
        const char* base;
        const char* expected;
    };
    const Case cases[] = {
        {"/films/a/VTS_01_1.VOB", "/films/a", "VTS_01_1.VOB"},
        {"/films/a/video/x.mpg", "/films/a", "video/x.mpg"},
        {"/films/b/x.mpg", "/films/a", "../b/x.mpg"},
        {"/films/a/./x.mpg", "/films/a/", "x.mpg"},
        {"/films/a/sub/../x.mpg", "/films/a", "x.mpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(indexer::RelativePath(c.target, c.base), c.expected) << c.target << " from " << c.base;
}

} // namespace

namespace {

struct TransportCase {
    const char* name;
    QStringList muxerOptions;
    int packetSize;
    int syncOffset;
};

void PrintTo(const TransportCase& c, std::ostream* os) {
    *os << c.name;
}

class D2VIndexTransport : public ::testing::TestWithParam<TransportCase> {};

TEST_P(D2VIndexTransport, RemuxedFilmKeepsItsFlagsAndPointsAtPackets) {
    const TransportCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess ffmpeg;
    QStringList args{QStringLiteral("-v"),
                     QStringLiteral("error"),
                     QStringLiteral("-nostdin"),
                     QStringLiteral("-i"),
                     TestDataPath(QStringLiteral("pal_letterbox/film.mpg")),
                     QStringLiteral("-c"),
                     QStringLiteral("copy"),
                     QStringLiteral("-f"),
                     QStringLiteral("mpegts")};
    args << c.muxerOptions << QStringLiteral("film.ts");
    ffmpeg.setWorkingDirectory(dir.path());
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    ASSERT_TRUE(ffmpeg.waitForFinished(120000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();

    QString errors;
    ASSERT_EQ(RunD2VIndex({QStringLiteral("film.ts")}, dir.path(), &errors), 0) << errors.toStdString();
    const D2VText ours = ReadD2VText(dir.filePath(QStringLiteral("film.d2v")));
    const D2VText reference = ReadD2VText(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    EXPECT_EQ(ours.settings.value(QStringLiteral("Stream_Type")), QStringLiteral("2"));
    EXPECT_EQ(ours.settings.value(QStringLiteral("Transport_Packet_Size")), QString::number(c.packetSize));
    EXPECT_EQ(ours.settings.value(QStringLiteral("Frame_Rate")),
              reference.settings.value(QStringLiteral("Frame_Rate")));
    ASSERT_EQ(ours.lines.size(), reference.lines.size());
    EXPECT_EQ(ours.AllFlags(), reference.AllFlags());

    const QStringList pids =
        ours.settings.value(QStringLiteral("MPEG2_Transport_PID")).split(QLatin1Char(','));
    ASSERT_EQ(pids.size(), 3);
    bool ok = false;
    const int videoPid = pids[0].toInt(&ok, 16);
    ASSERT_TRUE(ok);
    const QByteArray ts = ReadBytes(dir.filePath(QStringLiteral("film.ts")));
    for (const D2VDataLine& line : ours.lines) {
        // Each line points at the start of a video packet that begins a PES packet.
        EXPECT_EQ(line.position % c.packetSize, 0) << line.position;
        const qint64 sync = line.position + c.syncOffset;
        ASSERT_LT(sync + 3, ts.size());
        EXPECT_EQ(static_cast<uint8_t>(ts[sync]), 0x47);
        EXPECT_EQ((static_cast<uint8_t>(ts[sync + 1]) & 0x1F) << 8 | static_cast<uint8_t>(ts[sync + 2]),
                  videoPid);
        EXPECT_TRUE(static_cast<uint8_t>(ts[sync + 1]) & 0x40);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, D2VIndexTransport,
    ::testing::Values(TransportCase{"ts188", {}, 188, 0},
                      TransportCase{
                          "m2ts192", {QStringLiteral("-mpegts_m2ts_mode"), QStringLiteral("1")}, 192, 4}),
    [](const ::testing::TestParamInfo<TransportCase>& p) { return std::string(p.param.name); });

} // namespace

namespace {

// The films' navigation packs carry zero VOB and cell numbers; give them others and the data
// lines must report them.
TEST(D2VIndexCli, DvdNavigationNumbersReachTheDataLines) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray film = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
    ASSERT_FALSE(film.isEmpty());
    int patched = 0;
    const QByteArray code("\x00\x00\x01\xbf", 4);
    for (qsizetype at = film.indexOf(code); at >= 0 && at + 6 + 29 < film.size();
         at = film.indexOf(code, at + 4)) {
        const qsizetype payload = at + 6;
        if (film[payload] != 0x01)
            continue; // not the data search information packet
        // VOB number (16 bits) 24 bytes into the general information, cell number 27 bytes in.
        film[payload + 1 + 24] = 0x01;
        film[payload + 1 + 25] = 0x02;
        film[payload + 1 + 27] = 0x03;
        ++patched;
    }
    ASSERT_GT(patched, 0);
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("nav.vob")), film));
    ASSERT_EQ(RunD2VIndex({QStringLiteral("nav.vob")}, dir.path()), 0);
    const D2VText ours = ReadD2VText(dir.filePath(QStringLiteral("nav.d2v")));
    ASSERT_FALSE(ours.lines.empty());
    for (const D2VDataLine& line : ours.lines) {
        EXPECT_EQ(line.vob, 0x0102);
        EXPECT_EQ(line.cell, 3);
    }
}

} // namespace
