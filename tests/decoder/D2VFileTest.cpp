#include "decoder/D2VFile.h"
#include "decoder/FrameList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <ostream>

using d2v::D2VFile;
using d2v::ParseD2V;

namespace {

const char* kSettings = "Stream_Type=1\n"
                        "MPEG_Type=2\n"
                        "iDCT_Algorithm=6\n"
                        "YUVRGB_Scale=1\n"
                        "Luminance_Filter=0,0\n"
                        "Clipping=0,0,0,0\n"
                        "Aspect_Ratio=16:9\n"
                        "Picture_Size=720x576\n"
                        "Field_Operation=0\n"
                        "Frame_Rate=25000 (25/1)\n"
                        "Location=0,0,0,0\n";

std::string Header(int files = 1) {
    std::string s = "DGIndexProjectFile16\n" + std::to_string(files) + "\n";
    for (int i = 0; i < files; ++i)
        s += "film" + std::to_string(i) + ".mpg\n";
    return s + "\n";
}

// What a Windows indexer writes: CR LF, upper-case hex, a transport stream, the FINISHED line.
TEST(D2VParseTest, ReadsEverySettingAndDataField) {
    const std::string text =
        "DGIndexProjectFile16\r\n2\r\nG:\\DVD\\VTS_01_1.VOB\r\nG:\\DVD\\VTS_01_2.VOB\r\n\r\n"
        "Stream_Type=2\r\nMPEG2_Transport_PID=1E1,1E2,1E3\r\nTransport_Packet_Size=192\r\n"
        "MPEG_Type=2\r\niDCT_Algorithm=5\r\nYUVRGB_Scale=0\r\nLuminance_Filter=10,-3\r\n"
        "Clipping=2,4,6,8\r\nAspect_Ratio=4:3\r\nPicture_Size=704x480\r\n"
        "Field_Operation=1\r\nFrame_Rate=23976 (24000/1001)\r\nLocation=0,0,1,2A\r\n"
        "Some_Future_Key=x\r\n\r\n"
        "D00 6 0 2048 0 1 2 D3 F0 F1 E2\r\n"
        "900 1 1 4096 3 1 2 72 73 D0 ff\r\n\r\nFINISHED  100.00% FILM\r\n";
    D2VFile f;
    std::string error;
    ASSERT_TRUE(ParseD2V(text, f, error)) << error;
    ASSERT_EQ(f.files.size(), 2u);
    EXPECT_EQ(f.files[1], "G:\\DVD\\VTS_01_2.VOB");
    EXPECT_EQ(f.streamType, d2v::StreamType::Transport);
    EXPECT_EQ(f.videoPid, 0x1E1);
    EXPECT_EQ(f.audioPid, 0x1E2);
    EXPECT_EQ(f.pcrPid, 0x1E3);
    EXPECT_EQ(f.transportPacketSize, 192);
    EXPECT_EQ(f.idctAlgorithm, 5);
    EXPECT_EQ(f.yuvRgbScale, 0);
    EXPECT_EQ(f.luminanceGamma, 10);
    EXPECT_EQ(f.luminanceOffset, -3);
    EXPECT_EQ(f.clipLeft, 2);
    EXPECT_EQ(f.clipBottom, 8);
    EXPECT_EQ(f.aspectRatio, "4:3");
    EXPECT_EQ(f.pictureWidth, 704);
    EXPECT_EQ(f.pictureHeight, 480);
    EXPECT_EQ(f.fieldOperation, 1);
    EXPECT_EQ(f.frameRateMilli, 23976);
    EXPECT_EQ(f.frameRateNumerator, 24000);
    EXPECT_EQ(f.frameRateDenominator, 1001);
    ASSERT_EQ(f.unknownSettings.size(), 1u);
    EXPECT_EQ(f.unknownSettings[0].first, "Some_Future_Key");

    ASSERT_EQ(f.lines.size(), 2u);
    const d2v::IndexLine& a = f.lines[0];
    EXPECT_EQ(a.info, 0xD00u);
    EXPECT_TRUE(a.IsClosedGop());
    EXPECT_EQ(a.matrix, 6);
    EXPECT_EQ(a.file, 0);
    EXPECT_EQ(a.position, 2048);
    EXPECT_EQ(a.skip, 0);
    EXPECT_EQ(a.vob, 1);
    EXPECT_EQ(a.cell, 2);
    EXPECT_EQ(a.firstPicture, 0);
    EXPECT_EQ(a.pictureCount, 4);
    EXPECT_EQ(a.textLine, 21);
    const d2v::IndexLine& b = f.lines[1];
    EXPECT_FALSE(b.IsClosedGop());
    EXPECT_EQ(b.file, 1);
    EXPECT_EQ(b.position, 4096);
    EXPECT_EQ(b.skip, 3);
    EXPECT_EQ(b.firstPicture, 4);
    EXPECT_EQ(b.pictureCount, 3);
    EXPECT_EQ(f.flags, (std::vector<uint8_t>{0xD3, 0xF0, 0xF1, 0xE2, 0x72, 0x73, 0xD0}));
    EXPECT_EQ(f.LineOfPicture(3), 0);
    EXPECT_EQ(f.LineOfPicture(4), 1);
    EXPECT_EQ(f.LineOfPicture(6), 1);
}

// What the Linux indexer writes: lower-case hex, no FINISHED, a newline before each data line.
TEST(D2VParseTest, ReadsLinuxIndexerOutput) {
    const std::string text =
        Header() + kSettings + "\nb00 5 0 2062 0 0 0 d2 f0 e1\n900 5 0 9000 0 0 0 70 d3 ff\n";
    D2VFile f;
    std::string error;
    ASSERT_TRUE(ParseD2V(text, f, error)) << error;
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_TRUE(f.lines[0].IsProgressiveSequence());
    EXPECT_EQ(f.flags.size(), 5u);
    EXPECT_EQ(f.frameRateNumerator, 25);
    // Only the first line is progressive: d2, f0 once, e1 (rff) twice. The second line's pictures are
    // fields: 70 gives one frame, d3 (tff+rff) one frame and a pending top field that never completes.
    const auto frames = d2v::BuildFrameList(f);
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[2], (d2v::FramePair{2, 2}));
    EXPECT_EQ(frames[3], (d2v::FramePair{2, 2}));
    EXPECT_EQ(frames[4], (d2v::FramePair{3, 3}));
    EXPECT_EQ(frames[5], (d2v::FramePair{4, 4}));
}

TEST(D2VParseTest, FrameRateWithoutFractionIsPerThousand) {
    std::string settings = kSettings;
    settings.replace(settings.find("25000 (25/1)"), 12, "29970");
    D2VFile f;
    std::string error;
    ASSERT_TRUE(ParseD2V(Header() + settings + "\n900 5 0 0 0 0 0 d0 ff\n", f, error)) << error;
    EXPECT_EQ(f.frameRateNumerator, 29970);
    EXPECT_EQ(f.frameRateDenominator, 1000);
}

// Before version 16 the data lines had no skip field.
TEST(D2VParseTest, ReadsOlderVersionWithoutSkip) {
    std::string text = Header() + kSettings + "\n900 5 0 4096 1 2 d0 f0 ff\n";
    text.replace(0, 20, "DGIndexProjectFile13");
    D2VFile f;
    std::string error;
    ASSERT_TRUE(ParseD2V(text, f, error)) << error;
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.lines[0].position, 4096);
    EXPECT_EQ(f.lines[0].skip, 0);
    EXPECT_EQ(f.lines[0].vob, 1);
    EXPECT_EQ(f.lines[0].cell, 2);
    EXPECT_EQ(f.flags.size(), 2u);
}

struct BadCase {
    const char* name;
    std::string text;
    int line;          // the line the message must name
    const char* words; // and a phrase it must hold
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class D2VRefusalTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(D2VRefusalTest, RefusesNamingTheLine) {
    const BadCase& c = GetParam();
    D2VFile f;
    std::string error;
    EXPECT_FALSE(ParseD2V(c.text, f, error));
    EXPECT_NE(error.find("line " + std::to_string(c.line) + ":"), std::string::npos) << error;
    EXPECT_NE(error.find(c.words), std::string::npos) << error;
}

std::string WithSetting(const std::string& from, const std::string& to) {
    std::string s = kSettings;
    s.replace(s.find(from), from.size(), to);
    return s;
}

// Header() + kSettings is 3 + 1 + 11 = 15 lines; the blank line is 16, data from 17.
INSTANTIATE_TEST_SUITE_P(
    Files, D2VRefusalTest,
    ::testing::Values(
        BadCase{"empty", "", 1, "empty"}, BadCase{"garbage", "\x89PNG\r\n\x1a\n", 1, "not a .d2v"},
        BadCase{"unknown_version", "DGIndexProjectFile99\n1\nx.mpg\n", 1, "version 99"},
        BadCase{"dvd2avi", "DVD2AVIProjectFile\n1\n5 x.vob\n", 1, "DVD2AVI"},
        BadCase{"h264", "DGIndexProjectFile42\n1\nx.ts\n", 1, "H.264"},
        BadCase{"no_file_count", "DGIndexProjectFile16\nfilm.mpg\n", 2, "number of stream files"},
        BadCase{"missing_file_name", "DGIndexProjectFile16\n2\nfilm.mpg\n", 4, "missing stream file"},
        BadCase{"file_name_beyond_path_max", "DGIndexProjectFile16\n1\n" + std::string(PATH_MAX, 'a') + "\n",
                3, "longer than any file name"},
        BadCase{"setting_without_value", Header() + "Stream_Type\n", 5, "key=value"},
        BadCase{"bad_field_operation", Header() + WithSetting("Field_Operation=0", "Field_Operation=7"), 13,
                "Field_Operation"},
        BadCase{"bad_frame_rate", Header() + WithSetting("25000 (25/1)", "fast"), 14, "Frame_Rate"},
        BadCase{"no_frame_rate", Header() + WithSetting("Frame_Rate=25000 (25/1)\n", ""), 15, "Frame_Rate"},
        BadCase{"truncated", Header() + kSettings + "\n900 5 0 0 0 0 0 d0 f0\n900 5 0 99 0 0 0 d0 f0", 18,
                "truncated"},
        BadCase{"no_data", Header() + kSettings + "\n", 17, "no data"},
        BadCase{"short_data_line", Header() + kSettings + "\n900 5 0\n", 17, "incomplete"},
        BadCase{"data_without_info", Header() + kSettings + "\nd0 f0 ff\n", 17, "info word"},
        BadCase{"file_index_out_of_range", Header() + kSettings + "\n900 5 1 0 0 0 0 d0 ff\n", 17,
                "file index 1"},
        BadCase{"flag_out_of_range", Header() + kSettings + "\n900 5 0 0 0 0 0 d0 1f0 ff\n", 17,
                "out of range"},
        BadCase{"not_hex", Header() + kSettings + "\n900 5 0 0 0 0 0 d0 zz ff\n", 17, "\"zz\""},
        BadCase{"no_pictures", Header() + kSettings + "\n900 5 0 0 0 0 0 ff\n", 17, "no pictures"}),
    [](const ::testing::TestParamInfo<BadCase>& param) { return std::string(param.param.name); });

struct FactsCase {
    const char* name;
    std::string aspectLine; // the whole Aspect_Ratio line, or "" for none
    std::string data;       // data lines, "ff" included
    d2v::DisplayAspect aspect;
    int aspectMilli;
    int filmShare;
    d2v::ScanType scan;
    d2v::FieldOrder order;
};

void PrintTo(const FactsCase& c, std::ostream* os) {
    *os << c.name;
}

class StreamFactsTest : public ::testing::TestWithParam<FactsCase> {};

TEST_P(StreamFactsTest, ReadsShapeCadenceAndFieldOrder) {
    const FactsCase& c = GetParam();
    D2VFile f;
    std::string error;
    ASSERT_TRUE(
        ParseD2V(Header() + WithSetting("Aspect_Ratio=16:9\n", c.aspectLine) + "\n" + c.data, f, error))
        << error;
    const d2v::StreamFacts facts = d2v::ComputeStreamFacts(f);
    EXPECT_EQ(facts.aspect, c.aspect);
    EXPECT_EQ(facts.aspectMilli, c.aspectMilli);
    EXPECT_EQ(facts.filmShareHundredths, c.filmShare);
    EXPECT_EQ(facts.scan, c.scan);
    EXPECT_EQ(facts.fieldOrder, c.order);
    EXPECT_EQ(facts.codedPictures, static_cast<int>(f.flags.size()));
    EXPECT_FALSE(facts.ntscRate); // 25/1
}

using d2v::DisplayAspect;
using d2v::FieldOrder;
using d2v::ScanType;

// Soft pulldown steps its TFF/RFF code 3, 0, 1, 2; video keeps one code. Progressive sequences
// (info 0x200) repeat frames three times, then twice.
INSTANTIATE_TEST_SUITE_P(
    Indexes, StreamFactsTest,
    ::testing::Values(FactsCase{"pulldown_4_3", "Aspect_Ratio=4:3\n",
                                "d00 5 0 0 0 0 0 d3 f0 f1 e2 f3 f0 f1 e2 d3 ff\n", DisplayAspect::FourThirds,
                                1333, 10000, ScanType::Progressive, FieldOrder::None},
                      FactsCase{"interlaced_16_9", "Aspect_Ratio=16:9\n",
                                "d00 5 0 0 0 0 0 92 b2 b2 a2\n900 5 0 9 0 0 0 92 ff\n",
                                DisplayAspect::SixteenNinths, 1778, 0, ScanType::Interlaced,
                                FieldOrder::TopFirst},
                      FactsCase{"flags_all_zero", "Aspect_Ratio=2.21:1\n", "d00 5 0 0 0 0 0 00 00 00 00 ff\n",
                                DisplayAspect::Other, 2210, 0, ScanType::Interlaced, FieldOrder::BottomFirst},
                      // Four cadence steps out of eight: the change of cadence counts as video.
                      FactsCase{"half_film", "", "d00 5 0 0 0 0 0 d3 f0 f1 e2 f3 92 92 92 92 ff\n",
                                DisplayAspect::Unknown, 0, 5000, ScanType::Mixed, FieldOrder::TopFirst},
                      FactsCase{"progressive_sequence_repeats", "Aspect_Ratio=1:1\n",
                                "b00 5 0 0 0 0 0 d3 f1 d3 f1 d3 f0 ff\n", DisplayAspect::Unknown, 0, 8000,
                                ScanType::Progressive, FieldOrder::None},
                      FactsCase{"garbage_aspect", "Aspect_Ratio=seize neuviemes\n", "d00 5 0 0 0 0 0 d2 ff\n",
                                DisplayAspect::Unknown, 0, 0, ScanType::Progressive, FieldOrder::None},
                      FactsCase{"empty_aspect", "Aspect_Ratio=\n", "d00 5 0 0 0 0 0 90 b0 ff\n",
                                DisplayAspect::Unknown, 0, 0, ScanType::Interlaced, FieldOrder::BottomFirst},
                      FactsCase{"half_ratio", "Aspect_Ratio=4:\n", "d00 5 0 0 0 0 0 d2 ff\n",
                                DisplayAspect::Unknown, 0, 0, ScanType::Progressive, FieldOrder::None}),
    [](const ::testing::TestParamInfo<FactsCase>& param) { return std::string(param.param.name); });

class StreamPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("sub")));
        for (const QString& name : {QStringLiteral("VTS_01_1.VOB"), QStringLiteral("sub/film.mpg"),
                                    QStringLiteral("\u00c9t\u00e9.mpg")}) {
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    std::string Folder() const { return dir.path().toStdString(); }
    std::string PathOf(const QString& name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(StreamPathTest, FindsFilesAsIndexersWriteThem) {
    const std::string folder = Folder();
    EXPECT_EQ(d2v::ResolveStreamPath("VTS_01_1.VOB", folder), PathOf(QStringLiteral("VTS_01_1.VOB")));
    EXPECT_EQ(d2v::ResolveStreamPath("sub/film.mpg", folder), PathOf(QStringLiteral("sub/film.mpg")));
    EXPECT_EQ(d2v::ResolveStreamPath("sub\\film.mpg", folder), PathOf(QStringLiteral("sub/film.mpg")));
    EXPECT_EQ(d2v::ResolveStreamPath(PathOf(QStringLiteral("sub/film.mpg")), "/nonexistent"),
              PathOf(QStringLiteral("sub/film.mpg")));
    // A Windows absolute path falls back to the base name beside the .d2v, whatever its case.
    EXPECT_EQ(d2v::ResolveStreamPath("G:\\MOVIE\\VIDEO_TS\\vts_01_1.vob", folder),
              PathOf(QStringLiteral("VTS_01_1.VOB")));
    EXPECT_EQ(d2v::ResolveStreamPath("\\\\server\\share\\VTS_01_1.VOB", folder),
              PathOf(QStringLiteral("VTS_01_1.VOB")));
    // A name written in Windows-1252.
    EXPECT_EQ(d2v::ResolveStreamPath("D:\\\xC9t\xE9.mpg", folder),
              PathOf(QStringLiteral("\u00c9t\u00e9.mpg")));
    EXPECT_EQ(d2v::ResolveStreamPath("G:\\MOVIE\\VTS_01_9.VOB", folder), "");
    EXPECT_EQ(d2v::ResolveStreamPath("absent.mpg", folder), "");
}

} // namespace
