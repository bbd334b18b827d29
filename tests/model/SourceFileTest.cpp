#include "FakeFilm.h"
#include "model/TD2VFullProject.h"

#include <QFileInfo>
#include <memory>
#include <ostream>

namespace {

TEST(SourceFileCreate, InitialValuesAreStoredWithoutDerivation) {
    TD2VFile file;
    EXPECT_EQ(file.VideoInfo, nullptr);
    EXPECT_EQ(file.LibraryHandle, nullptr);
    EXPECT_EQ(file.InputWidth, 720);
    EXPECT_EQ(file.InputHeight, 576);
    EXPECT_EQ(file.InputFrameRateNumerator, 25000);
    EXPECT_EQ(file.InputFrameRateDenominator, 10000);
    EXPECT_EQ(file.InputFrameRate, 25.0f);
    EXPECT_EQ(file.InputNumberOfFrames, 0u);
    EXPECT_TRUE(file.FileName.isEmpty());
    EXPECT_EQ(file.InputRatio, 1.25f);
    EXPECT_EQ(file.InputDisplayRatio, 1.7777778f);
    EXPECT_EQ(file.InputVideoDuration, 0u);
    EXPECT_EQ(file.InputStandard, 0);
    EXPECT_EQ(file.InputDisplayFormat, 0);
    EXPECT_EQ(file.GetInputStandardName(), QStringLiteral("PAL"));
}

struct OpenCase {
    const char* name;
    const char* description;
    uint16_t width, height, numerator, denominator;
    uint32_t frames;
    float frameRate;
    float ratio;
    uint32_t duration;
    uint8_t standard;
    const char* standardName;
};

void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << c.name;
}

class SourceFileOpen : public FakeFilmTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(SourceFileOpen, FillsEveryFieldFromTheRecord) {
    const OpenCase& c = GetParam();
    const QString path = Film(QString::fromLatin1(c.description));
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(path));
    EXPECT_EQ(project.InputWidth, c.width);
    EXPECT_EQ(project.InputHeight, c.height);
    EXPECT_EQ(project.InputFrameRateNumerator, c.numerator);
    EXPECT_EQ(project.InputFrameRateDenominator, c.denominator);
    EXPECT_EQ(project.InputNumberOfFrames, c.frames);
    EXPECT_FLOAT_EQ(project.InputFrameRate, c.frameRate);
    EXPECT_FLOAT_EQ(project.InputRatio, c.ratio);
    EXPECT_EQ(project.InputVideoDuration, c.duration);
    EXPECT_EQ(project.InputStandard, c.standard);
    EXPECT_EQ(project.GetInputStandardName(), QString::fromLatin1(c.standardName));
    EXPECT_EQ(project.FileName, path);
    ASSERT_NE(project.VideoInfo, nullptr);
    EXPECT_EQ(project.FrameBitmap.size(), QSize(c.width, c.height));
    EXPECT_EQ(project.FrameBitmap.format(), QImage::Format_BGR888);
}

// Durations: 1000 / 25 = 40 s; 3597 x 1001 / 30000 = 120.02 s; a numerator of 0 gives 0.
INSTANTIATE_TEST_SUITE_P(
    Standards, SourceFileOpen,
    ::testing::Values(OpenCase{"Pal", "width=720 height=576 num=25000 den=1000 frames=1000", 720, 576, 25000,
                               1000, 1000, 25.0f, 1.25f, 40, 0, "PAL"},
                      OpenCase{"Ntsc", "width=720 height=480 num=30000 den=1001 frames=3597", 720, 480, 30000,
                               1001, 3597, 29.97003f, 1.5f, 120, 1, "NTSC"},
                      OpenCase{"Unknown704", "width=704 height=576 num=25 den=1 frames=10", 704, 576, 25, 1,
                               10, 25.0f, 704.0f / 576.0f, 0, 2, "UNKNOWN"},
                      OpenCase{"ZeroNumerator", "width=720 height=576 num=0 den=1 frames=10", 720, 576, 0, 1,
                               10, 0.0f, 1.25f, 0, 0, "PAL"},
                      // Only the low 16 bits of the rate are kept: 65536 + 25 reads as 25.
                      OpenCase{"RateLowBits", "width=720 height=576 num=65561 den=1 frames=50", 720, 576, 25,
                               1, 50, 25.0f, 1.25f, 2, 0, "PAL"}),
    [](const ::testing::TestParamInfo<OpenCase>& p) { return std::string(p.param.name); });

TEST_F(FakeFilmTest, RefusedHeightKeepsHeightAndRecomputesNothing) {
    TD2VFile file;
    file.SetInputWidth(720);
    file.SetInputHeight(576);
    // A width stored behind the setters' back shows whether anything is recomputed.
    file.InputWidth = 704;
    EXPECT_FALSE(file.SetInputHeight(0));
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral("InputHeight must be strictly positive (Word) !")});
    EXPECT_EQ(file.InputHeight, 576);
    EXPECT_EQ(file.InputRatio, 1.25f);
    EXPECT_EQ(file.InputStandard, 0);
}

TEST_F(FakeFilmTest, RefusedDenominatorKeepsRateAndDuration) {
    TD2VFile file;
    file.SetInputNumberOfFrames(250);
    file.SetInputFrameRateDenominator(1000);
    ASSERT_EQ(file.InputVideoDuration, 10u);
    file.InputFrameRateNumerator = 50000;
    EXPECT_FALSE(file.SetInputFrameRateDenominator(0));
    EXPECT_EQ(sink.Texts(),
              QStringList{QStringLiteral("InputFrameRateDenominator must be strictly positive (Word) !")});
    EXPECT_EQ(file.InputFrameRateDenominator, 1000);
    EXPECT_EQ(file.InputFrameRate, 25.0f);
    EXPECT_EQ(file.InputVideoDuration, 10u);
}

TEST(SourceFileDisplayFormat, FourThirdsThenInvalidFormatKeepsRatio) {
    RecordingMessageSink sink;
    TD2VFile file;
    file.SetInputDisplayFormat(1);
    EXPECT_EQ(file.InputDisplayRatio, 1.3333334f);
    file.SetInputDisplayFormat(2);
    EXPECT_EQ(file.InputDisplayFormat, 2);
    EXPECT_EQ(file.InputDisplayRatio, 1.3333334f);
    file.SetInputDisplayFormat(0);
    EXPECT_EQ(file.InputDisplayRatio, 1.7777778f);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(SourceFileDuration, HalvesRoundToEven) {
    RecordingMessageSink sink;
    TD2VFile file;
    file.SetInputFrameRateNumerator(2);
    file.SetInputFrameRateDenominator(1);
    file.SetInputNumberOfFrames(25); // 12.5 s
    EXPECT_EQ(file.InputVideoDuration, 12u);
    file.SetInputNumberOfFrames(27); // 13.5 s
    EXPECT_EQ(file.InputVideoDuration, 14u);
}

TEST_F(FakeFilmTest, SecondOpenReplacesTheBitmap) {
    TD2VFullProject project;
    ASSERT_TRUE(
        project.Open(Film(QStringLiteral("width=720 height=576 frames=20"), QStringLiteral("a.d2v"))));
    ASSERT_EQ(project.FrameBitmap.size(), QSize(720, 576));
    ASSERT_TRUE(
        project.Open(Film(QStringLiteral("width=352 height=288 frames=30"), QStringLiteral("b.d2v"))));
    EXPECT_EQ(project.FrameBitmap.size(), QSize(352, 288));
    EXPECT_EQ(project.InputStandard, 2);
    EXPECT_EQ(project.InputNumberOfFrames, 30u);
    EXPECT_TRUE(project.FileName.endsWith(QStringLiteral("b.d2v")));
    // A library without the optional entry point opens all the same and tells nothing more.
    EXPECT_FALSE(project.InputStreamFacts.has_value());
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FakeFilmTest, DestructionClosesTheVideoOnceAndUnloads) {
    const int before = CloseCount();
    {
        TD2VFullProject project;
        ASSERT_TRUE(project.Open(Film(QStringLiteral("frames=5"))));
        EXPECT_NE(project.LibraryHandle, nullptr);
        EXPECT_EQ(CloseCount(), before);
    }
    EXPECT_EQ(CloseCount(), before + 1);
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("frames=5"))));
    project.Close();
    EXPECT_EQ(CloseCount(), before + 2);
    EXPECT_EQ(project.LibraryHandle, nullptr);
    EXPECT_EQ(project.VideoInfo, nullptr);
    EXPECT_TRUE(project.FrameBitmap.isNull());
}

// ---- Failures: one message, no half-open project, the library unloaded again ----

struct FailureCase {
    const char* name;
    const char* library; // "fake", "norgb" or a missing file
    const char* description;
    bool writeFile;
    const char* expected; // %1 is the film's path, %2 the library's
    bool prefixOnly;
    bool decoderOpened;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class OpenFailure : public FakeFilmTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(OpenFailure, ShowsOneMessageAndLeavesNothingOpen) {
    const FailureCase& c = GetParam();
    const QString library = QString::fromLatin1(c.library);
    if (library == QLatin1String("norgb"))
        DecoderLibraryFileName = BinDir() + QStringLiteral("/libfakedecoder_norgb.so");
    else if (library != QLatin1String("fake"))
        DecoderLibraryFileName = library;
    const QString path = c.writeFile ? Film(QString::fromLatin1(c.description)) : dir.filePath("absent.d2v");
    const int closesBefore = CloseCount();

    TD2VFullProject project;
    EXPECT_FALSE(project.Open(path));

    ASSERT_EQ(sink.messages.size(), 1u) << sink.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Information);
    const QString expected = QString::fromUtf8(c.expected)
                                 .replace(QStringLiteral("%1"), path)
                                 .replace(QStringLiteral("%2"), DecoderLibraryFileName);
    if (c.prefixOnly) {
        EXPECT_TRUE(sink.messages[0].text.startsWith(expected)) << sink.messages[0].text.toStdString();
    } else {
        EXPECT_EQ(sink.messages[0].text, expected);
    }
    EXPECT_EQ(project.LibraryHandle, nullptr);
    EXPECT_EQ(project.VideoInfo, nullptr);
    EXPECT_EQ(project.OpenSourceEntry, nullptr);
    EXPECT_EQ(project.GetRGBFrameEntry, nullptr);
    EXPECT_TRUE(project.FrameBitmap.isNull());
    EXPECT_TRUE(project.FileName.isEmpty());
    if (library == QLatin1String("fake")) {
        EXPECT_EQ(CloseCount(), closesBefore + (c.decoderOpened ? 1 : 0));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Causes, OpenFailure,
    ::testing::Values(
        FailureCase{"LibraryMissing", "/nonexistent/libMPEG2DEC3.so", "", true,
                    "Impossible de charger la bibliothèque de décodage « %2 » : ", true, false},
        FailureCase{"EntryPointMissing", "norgb", "frames=5", true,
                    "La bibliothèque de décodage « %2 » ne contient pas la fonction « getRGBFrame » !", false,
                    false},
        FailureCase{"FileMissing", "fake", "", false,
                    "Le décodeur n'a pas pu ouvrir le fichier « %1 » : description introuvable !", false,
                    true},
        FailureCase{"NullRecord", "fake", "null=1", true,
                    "Le décodeur n'a pas pu ouvrir le fichier « %1 » : flux MPEG-2 illisible !", false, true},
        FailureCase{
            "ZeroWidth", "fake", "width=0 height=576 num=25 den=1", true,
            "Le fichier « %1 » annonce des propriétés vidéo invalides (taille 0 × 576, cadence 25/1) !",
            false, true},
        FailureCase{
            "ZeroHeight", "fake", "width=720 height=0 num=25 den=1", true,
            "Le fichier « %1 » annonce des propriétés vidéo invalides (taille 720 × 0, cadence 25/1) !",
            false, true},
        // 65536 would keep 0 as its low 16 bits.
        FailureCase{
            "WidthBeyondWord", "fake", "width=65536 height=576 num=25 den=1", true,
            "Le fichier « %1 » annonce des propriétés vidéo invalides (taille 65536 × 576, cadence 25/1) !",
            false, true},
        FailureCase{
            "NegativeHeight", "fake", "width=720 height=-576 num=25 den=1", true,
            "Le fichier « %1 » annonce des propriétés vidéo invalides (taille 720 × -576, cadence 25/1) !",
            false, true},
        FailureCase{
            "ZeroDenominator", "fake", "width=720 height=576 num=25 den=0", true,
            "Le fichier « %1 » annonce des propriétés vidéo invalides (taille 720 × 576, cadence 25/0) !",
            false, true},
        FailureCase{"DenominatorLowBitsZero", "fake", "width=720 height=576 num=25 den=65536", true,
                    "Le fichier « %1 » annonce des propriétés vidéo invalides (taille 720 × 576, cadence "
                    "25/65536) !",
                    false, true},
        FailureCase{"FirstFrameFails", "fake", "frames=10 failFrames=0", true,
                    "Le décodeur n'a pas pu fournir l'image 0 du fichier « %1 » : image 0 corrompue !", false,
                    true}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

// ---- The real decoder on the checked-in films ----

struct RealFilm {
    const char* folder;
    uint16_t width, height;
    double frameRate;
    uint32_t frames, duration;
    uint8_t standard;
    int32_t displayAspect, filmShareHundredths; // what the library says of the stream
};

void PrintTo(const RealFilm& c, std::ostream* os) {
    *os << c.folder;
}

class RealFilmOpen : public ::testing::TestWithParam<RealFilm> {};

TEST_P(RealFilmOpen, FillsFieldsAsTheDecoderReports) {
    const RealFilm& c = GetParam();
    RecordingMessageSink sink;
    ASSERT_TRUE(QFileInfo::exists(RealDecoderPath()));
    TD2VFullProject project;
    const QString path = TestDataPath(QString::fromLatin1(c.folder) + QStringLiteral("/film.d2v"));
    ASSERT_TRUE(project.Open(path)) << sink.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_NE(project.VideoInfo, nullptr);
    EXPECT_EQ(project.InputWidth, c.width);
    EXPECT_EQ(project.InputHeight, c.height);
    EXPECT_EQ(project.InputFrameRateNumerator, uint16_t(project.VideoInfo->frameRateNumerator));
    EXPECT_EQ(project.InputFrameRateDenominator, uint16_t(project.VideoInfo->frameRateDenominator));
    EXPECT_NEAR(project.InputFrameRate, c.frameRate, 1e-4);
    EXPECT_EQ(project.InputNumberOfFrames, c.frames);
    EXPECT_EQ(project.InputVideoDuration, c.duration);
    EXPECT_EQ(project.InputStandard, c.standard);
    EXPECT_EQ(project.FileName, path);
    EXPECT_EQ(project.FrameBitmap.size(), QSize(c.width, c.height));
    ASSERT_TRUE(project.InputStreamFacts.has_value());
    EXPECT_EQ(project.InputStreamFacts->displayAspect, c.displayAspect);
    EXPECT_EQ(project.InputStreamFacts->filmShareHundredths, c.filmShareHundredths);
    project.Close();
    EXPECT_FALSE(project.InputStreamFacts.has_value());
}

// 360 frames at 25/s are 14.4 s; 300 frames at 30000/1001 are 10.01 s, 600 are 20.02 s.
INSTANTIATE_TEST_SUITE_P(
    Fixtures, RealFilmOpen,
    ::testing::Values(RealFilm{"pal_letterbox", 720, 576, 25.0, 360, 14, 0, 2, 0},
                      RealFilm{"ntsc_interlaced", 720, 480, 30000.0 / 1001, 300, 10, 1, 1, 0},
                      RealFilm{"ntsc_pulldown", 720, 480, 30000.0 / 1001, 600, 20, 1, 2, 10000}),
    [](const ::testing::TestParamInfo<RealFilm>& p) { return std::string(p.param.folder); });

} // namespace

namespace {

TEST_F(FakeFilmTest, BareLibraryNameIsFoundBesideTheProgram) {
    // The tests' folder is on no system search path: only the program's own folder holds it.
    DecoderLibraryFileName = QStringLiteral("libfakedecoder.so");
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("frames=3"))));
    ASSERT_NE(project.LibraryHandle, nullptr);
    EXPECT_EQ(QFileInfo(project.LibraryHandle->fileName()).canonicalFilePath(),
              QFileInfo(FakeDecoderPath()).canonicalFilePath());
    EXPECT_TRUE(sink.messages.empty());
}

} // namespace

namespace {

TEST_F(FakeFilmTest, FailedSecondOpenLeavesNothingOpen) {
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(Film(QStringLiteral("frames=3"), QStringLiteral("good.d2v"))));
    const int closesBefore = CloseCount();
    EXPECT_FALSE(project.Open(Film(QStringLiteral("null=1"), QStringLiteral("bad.d2v"))));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(CloseCount(), closesBefore + 1);
    EXPECT_EQ(project.LibraryHandle, nullptr);
    EXPECT_EQ(project.VideoInfo, nullptr);
    EXPECT_TRUE(project.FrameBitmap.isNull());
    EXPECT_FALSE(project.LoadFrame(0));
}

} // namespace
