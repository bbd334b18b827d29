// cinescriptor-render run as a user runs it, on films the tests make: which frames come out, what
// they hold, what an encoder makes of them, and what a user is told when something is wrong.
#include "ReferenceResize.h"
#include "common/DamagedFilm.h"
#include "common/SmallDisk.h"
#include "common/TestFiles.h"
#include "common/TestFilms.h"
#include "common/TestPaths.h"
#include "model/PixelAspect.h"
#include "model/TD2VFullProject.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace {

// 320 x 256 keeps the frames small; the shape is PAL's, so the program's defaults fit it.
TestFilmRecipe SmallFilm() {
    TestFilmRecipe recipe;
    recipe.width = 320;
    recipe.height = 256;
    recipe.frames = 48;
    return recipe;
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// A YUV4MPEG2 stream as the renderer writes it: one header line, then "FRAME" and three planes.
struct Stream {
    QByteArray header;
    int width = 0;
    int height = 0;
    std::vector<QByteArray> frames;

    static Stream Parse(const QByteArray& bytes) {
        Stream s;
        const qsizetype end = bytes.indexOf('\n');
        if (end < 0)
            return s;
        s.header = bytes.left(end);
        for (const QByteArray& field : s.header.split(' ')) {
            if (field.startsWith('W'))
                s.width = field.mid(1).toInt();
            if (field.startsWith('H'))
                s.height = field.mid(1).toInt();
        }
        const qsizetype frameBytes = qsizetype{s.width} * s.height * 3 / 2;
        for (qsizetype at = end + 1; at < bytes.size(); at += 6 + frameBytes) {
            if (bytes.mid(at, 6) != "FRAME\n" || at + 6 + frameBytes > bytes.size()) {
                s.frames.clear();
                s.header = "truncated at byte " + QByteArray::number(at);
                return s;
            }
            s.frames.push_back(bytes.mid(at + 6, frameBytes));
        }
        return s;
    }

    // The picture number drawn in each frame.
    std::vector<int> Numbers() const {
        std::vector<int> numbers;
        for (const QByteArray& frame : frames) {
            QImage luma(reinterpret_cast<const uchar*>(frame.constData()), width, height, width,
                        QImage::Format_Grayscale8);
            numbers.push_back(ReadPictureNumber(luma));
        }
        return numbers;
    }
};

std::vector<int> Range(int first, int last) {
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(n);
    return numbers;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    // A private copy of a generated film, so its settings file touches no other test.
    QString CopyFilm(const TestFilmRecipe& recipe) {
        const QString made = MakeTestFilm(recipe);
        if (made.isEmpty())
            return {};
        const QDir source = QFileInfo(made).dir();
        for (const QString& name : {QStringLiteral("film.d2v"), QStringLiteral("film.mpg")})
            EXPECT_TRUE(QFile::copy(source.filePath(name), folder.filePath(name))) << name.toStdString();
        return folder.filePath(QStringLiteral("film.d2v"));
    }

    void WriteSettings(const QByteArray& text) {
        ASSERT_TRUE(WriteBytes(folder.filePath(QStringLiteral("film.ini")), text));
    }

    Outcome Render(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.start(BinDir() + QStringLiteral("/cinescriptor-render"), arguments);
        return Finish(process);
    }

    // A shell line, for pipes: $R is the renderer, $F the film.
    Outcome Shell(const QString& line) {
        QProcess process;
        process.setWorkingDirectory(folder.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("R"), BinDir() + QStringLiteral("/cinescriptor-render"));
        environment.insert(QStringLiteral("F"), folder.filePath(QStringLiteral("film.d2v")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), line});
        return Finish(process);
    }

    static Outcome Finish(QProcess& process) {
        Outcome run;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "did not finish";
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QByteArray ReadFile(const QString& name) const { return ReadBytes(folder.filePath(name)); }

    QTemporaryDir folder;
};

// ---- Which frames ----

struct PartCase {
    const char* name;
    const char* settings; // the [VideoRange] keys
    const char* part;     // "" for the default
    std::vector<int> expected;
};

void PrintTo(const PartCase& c, std::ostream* os) {
    *os << c.name;
}

class PartBoundaries : public RenderTest, public ::testing::WithParamInterface<PartCase> {};

TEST_P(PartBoundaries, ExactlyTheFramesOfTheScript) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings(QByteArray("[VideoRange]\r\n") + GetParam().settings);
    QStringList arguments{QStringLiteral("film.d2v"), QStringLiteral("--quiet")};
    if (*GetParam().part)
        arguments << QStringLiteral("--part") << QString::fromLatin1(GetParam().part);
    const Outcome run = Render(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const Stream stream = Stream::Parse(run.out);
    EXPECT_EQ(stream.Numbers(), GetParam().expected) << stream.header.toStdString();
}

const char* const NoCredits = "FirstFrameNumber=3\r\nLastFrameNumber=20\r\nCreditsFrameNumber=12\r\n";
const char* const TwoScripts = "FirstFrameNumber=3\r\nLastFrameNumber=20\r\nCreditsFrameNumber=12\r\n"
                               "IsCreditsModeSelected=1\r\nIsOnlyOneScript=0\r\n";
const char* const OneScript = "FirstFrameNumber=3\r\nLastFrameNumber=20\r\nCreditsFrameNumber=12\r\n"
                              "IsCreditsModeSelected=1\r\nIsOnlyOneScript=1\r\n";

INSTANTIATE_TEST_SUITE_P(
    Modes, PartBoundaries,
    ::testing::Values(PartCase{"WithoutCreditsTheMainPartIsTheRange", NoCredits, "", Range(3, 20)},
                      PartCase{"MainEndsBeforeTheCredits", TwoScripts, "main", Range(3, 11)},
                      PartCase{"CreditsStartAtTheirFrame", TwoScripts, "credits", Range(12, 20)},
                      PartCase{"MixedIsMainThenCredits", TwoScripts, "mixed", Range(3, 20)},
                      PartCase{"OneScriptMeansMixed", OneScript, "", Range(3, 20)},
                      PartCase{"OneFrameRange", "FirstFrameNumber=7\r\nLastFrameNumber=7\r\n", "", {7}},
                      PartCase{"OneFrameOfCredits",
                               "FirstFrameNumber=0\r\nLastFrameNumber=47\r\nCreditsFrameNumber="
                               "47\r\nIsCreditsModeSelected=1\r\n",
                               "credits",
                               {47}}),
    [](const auto& item) { return std::string(item.param.name); });

TEST_F(RenderTest, TwoScriptsGiveTwoFilesNamedAsTheScriptsPageNamesThem) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings(QByteArray("[VideoRange]\r\n") + TwoScripts);
    const Outcome run = Render({QStringLiteral("film.d2v"), QStringLiteral("-o"), QStringLiteral("out.y4m")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(Stream::Parse(ReadFile(QStringLiteral("out.y4m"))).Numbers(), Range(3, 11));
    EXPECT_EQ(Stream::Parse(ReadFile(QStringLiteral("out_Credits.y4m"))).Numbers(), Range(12, 20));
}

// ---- What the frames hold ----

ReferencePlane Plane(const unsigned char* data, int pitch, int left, int top, int width, int height) {
    ReferencePlane plane{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        std::copy_n(data + static_cast<size_t>(top + y) * pitch + left, width,
                    &plane.samples[static_cast<size_t>(y) * width]);
    return plane;
}

// The decoder's own frames, cropped and resized by the reference: main frames bicubic, credits
// bilinear, chroma planes resized on their own at half size.
TEST_F(RenderTest, FramesAreTheReferenceResizeOfTheCroppedDecodedFrames) {
    const QString d2v = CopyFilm(SmallFilm());
    ASSERT_FALSE(d2v.isEmpty());
    WriteSettings("[VideoRange]\r\nFirstFrameNumber=10\r\nLastFrameNumber=15\r\nCreditsFrameNumber=13\r\n"
                  "IsCreditsModeSelected=1\r\n[Cropping]\r\nCropTop=16\r\nCropBottom=32\r\nCropLeft=8\r\n"
                  "CropRight=24\r\n[Resizing]\r\nOutputWidth=224\r\nOutputProjectedRatio=1.6\r\n");
    const Outcome run =
        Render({QStringLiteral("film.d2v"), QStringLiteral("--part"), QStringLiteral("mixed")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const Stream stream = Stream::Parse(run.out);
    ASSERT_EQ(stream.width, 224);
    ASSERT_EQ(stream.height, 140);
    ASSERT_EQ(stream.frames.size(), 6u) << stream.header.toStdString();

    TD2VFullProject film;
    ASSERT_TRUE(film.Open(d2v));
    const int w = film.InputWidth;
    const int h = film.InputHeight;
    for (int k = 0; k < 6; ++k) {
        const int frame = 10 + k;
        const ReferenceKernel kernel{frame < 13, 0.33, 0.33};
        const unsigned char* yuv = film.GetFrameEntry(frame);
        ASSERT_NE(yuv, nullptr);
        const ReferencePlane planes[3] = {
            ReferenceResize(Plane(yuv, w, 8, 16, w - 32, h - 48), 224, 140, kernel),
            ReferenceResize(Plane(yuv + w * h, w / 2, 4, 8, (w - 32) / 2, (h - 48) / 2), 112, 70, kernel),
            ReferenceResize(Plane(yuv + w * h * 5 / 4, w / 2, 4, 8, (w - 32) / 2, (h - 48) / 2), 112, 70,
                            kernel)};
        const auto* out = reinterpret_cast<const uint8_t*>(stream.frames[static_cast<size_t>(k)].constData());
        int worst = 0;
        for (const ReferencePlane& expected : planes) {
            for (size_t i = 0; i < expected.samples.size(); ++i)
                worst = std::max(worst, std::abs(out[i] - expected.samples[i]));
            out += expected.samples.size();
        }
        EXPECT_LE(worst, 1) << "frame " << frame;
    }
}

// ---- The shape the encoder is told ----

struct AspectCase {
    const char* name;
    int width, height, display; // display: 0 16/9, 1 4/3
    int crop;                   // top and bottom
    int outputWidth;
    float ratio;
    int64_t numerator, denominator;
};

void PrintTo(const AspectCase& c, std::ostream* os) {
    *os << c.name;
}

class PixelAspect : public ::testing::TestWithParam<AspectCase> {};

TEST_P(PixelAspect, DisplaysThePictureAtItsOwnShape) {
    const AspectCase c = GetParam();
    TD2VFullProject p;
    p.SetInputWidth(static_cast<uint16_t>(c.width));
    p.SetInputHeight(static_cast<uint16_t>(c.height));
    p.SetInputDisplayFormat(static_cast<uint8_t>(c.display));
    p.SetCropTop(static_cast<uint16_t>(c.crop));
    p.SetCropBottom(static_cast<uint16_t>(c.crop));
    p.SetCropLeft(0);
    p.SetCropRight(0);
    p.SetOutputWidthMultiple(16);
    p.SetOutputProjectedRatio(c.ratio);
    p.SetOutputWidth(static_cast<uint16_t>(c.outputWidth));
    const Fraction aspect = OutputPixelAspect(p);
    EXPECT_EQ(aspect.Numerator, c.numerator);
    EXPECT_EQ(aspect.Denominator, c.denominator);
    // What a player shows: the output's width stretched by the pixel shape, over its height.
    const double shown = aspect.Value() * p.OutputWidth / p.OutputHeight;
    const double picture =
        (c.display == 0 ? 16.0 / 9 : 4.0 / 3) * c.height / c.width * p.CroppedWidth / p.CroppedHeight;
    EXPECT_NEAR(shown / picture, 1, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PixelAspect,
                         ::testing::Values(AspectCase{"Pal169FullFrame", 720, 576, 0, 0, 720, 1.25f, 64, 45},
                                           AspectCase{"Pal169Letterbox", 720, 576, 0, 72, 640, 2.35f, 136,
                                                      135},
                                           AspectCase{"Pal43", 720, 576, 1, 0, 720, 1.25f, 16, 15},
                                           AspectCase{"Ntsc169", 720, 480, 0, 0, 720, 1.5f, 32, 27},
                                           AspectCase{"SquarePixels", 640, 480, 1, 0, 640, 1.3333334f, 1, 1}),
                         [](const auto& item) { return std::string(item.param.name); });

TEST(PixelAspectFraction, LargeTermsComeDownToTheNearestThatFit) {
    const Fraction f = Fraction::Reduced(2147483659LL * 3, 2147483647LL * 2).Limited(2147483647);
    EXPECT_LE(f.Numerator, 2147483647);
    EXPECT_NEAR(f.Value(), 2147483659.0 * 3 / (2147483647.0 * 2), 1e-12);
}

// The shape the program keeps in the settings file, or the stream's without one; --display wins.
TEST_F(RenderTest, PixelShapeFollowsTheSettingsFile) {
    TestFilmRecipe recipe;
    recipe.frames = 12;
    ASSERT_FALSE(CopyFilm(recipe).isEmpty());
    const struct {
        const char* settings;
        const char* display; // "" for none
        const char* aspect;
    } cases[] = {
        {"", "", "A64:45"}, // the test film names no display shape: 16/9
        {"[D2VFile]\r\nDisplayFormat=4:3\r\n", "", "A16:15"},
        {"[Resizing]\r\nActiveWidth=704\r\n", "", "A16:11"},
        {"[D2VFile]\r\nDisplayFormat=4:3\r\n[Resizing]\r\nActiveWidth=704\r\n", "", "A12:11"},
        {"[D2VFile]\r\nDisplayFormat=4:3\r\n[Resizing]\r\nActiveWidth=704\r\n", "16:9", "A16:11"},
    };
    for (const auto& c : cases) {
        // One frame, 640 x 512 from the whole 720 x 576: the output pixel is the source's.
        WriteSettings(QByteArray("[VideoRange]\r\nLastFrameNumber=0\r\n") + c.settings);
        QStringList arguments{QStringLiteral("film.d2v"), QStringLiteral("--quiet")};
        if (*c.display)
            arguments << QStringLiteral("--display") << QString::fromLatin1(c.display);
        const Outcome run = Render(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const Stream stream = Stream::Parse(run.out);
        EXPECT_TRUE(stream.header.split(' ').contains(c.aspect)) << stream.header.toStdString();
    }
}

// ---- Into an encoder ----

TEST_F(RenderTest, DebiansFfmpegEncodesWhatComesThroughThePipe) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings("[VideoRange]\r\nFirstFrameNumber=0\r\nLastFrameNumber=47\r\nCreditsFrameNumber=40\r\n"
                  "IsCreditsModeSelected=1\r\n[Cropping]\r\nCropTop=16\r\nCropBottom=16\r\n[Resizing]\r\n"
                  "OutputWidth=288\r\nOutputProjectedRatio=1.5\r\n");
    const Outcome encode =
        Shell(QStringLiteral("\"$R\" \"$F\" --part main | ffmpeg -v error -nostdin -y -i - -c:v libx264 "
                             "-preset ultrafast -b:v 914k film.mp4"));
    ASSERT_EQ(encode.exitCode, 0) << encode.err.toStdString();
    const Outcome probe =
        Shell(QStringLiteral("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                             "stream=nb_read_frames,width,height,sample_aspect_ratio -of "
                             "default=noprint_wrappers=1 film.mp4"));
    ASSERT_EQ(probe.exitCode, 0) << probe.err.toStdString();
    // 320 x 224 after the crop, shown at 16/9 x 256/320 x 320/224 = 2.0317, in 288 x 192.
    EXPECT_EQ(
        QString::fromUtf8(probe.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        QStringList({QStringLiteral("width=288"), QStringLiteral("height=192"),
                     QStringLiteral("sample_aspect_ratio=256:189"), QStringLiteral("nb_read_frames=40")}));
}

// ---- What goes wrong ----

struct BadCase {
    const char* name;
    const char* settings; // null: no settings file
    QStringList arguments;
    int exitCode;
    const char* told; // in the messages
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class BadInput : public RenderTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadInput, IsToldAndNothingIsWritten) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    if (GetParam().settings)
        WriteSettings(GetParam().settings);
    QStringList arguments{QStringLiteral("film.d2v"), QStringLiteral("-o"), QStringLiteral("out.y4m")};
    arguments << GetParam().arguments;
    const Outcome run = Render(arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(GetParam().told))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    QStringList expected{QStringLiteral("film.d2v"), QStringLiteral("film.mpg")};
    if (GetParam().settings)
        expected.insert(1, QStringLiteral("film.ini"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(
        BadCase{"NoSettingsFile", nullptr, {}, 1, "préparez d'abord le film dans Cinescriptor"},
        BadCase{"ImpossibleCrop",
                "[Cropping]\r\nCropTop=200\r\nCropBottom=100\r\n",
                {},
                1,
                "CropTop or CropBottom are too big !"},
        BadCase{"UnknownOption", "", {QStringLiteral("--speed")}, 2, "Usage : cinescriptor-render"},
        BadCase{"UnknownPart", "", {QStringLiteral("--part"), QStringLiteral("trailer")}, 2, "trailer"},
        BadCase{"NoCreditsPart",
                "",
                {QStringLiteral("--part"), QStringLiteral("credits")},
                1,
                "le film n'a pas de crédits"},
        BadCase{"MainTemplate",
                "[Interface]\r\nIsMainScriptModele=1\r\nMainScriptModele=/films/modèle.avs\r\n",
                {},
                1,
                "suit le modèle de script « /films/modèle.avs » : seul AviSynth"},
        BadCase{"OddCrop",
                "[Cropping]\r\nCropsMultiple=1\r\nCropLeft=3\r\n[Resizing]\r\nOutputWidth=256\r\n",
                {},
                1,
                "Le rognage du bord gauche (CropLeft) vaut 3 pixels, un nombre impair"},
        BadCase{"OddOutputHeight",
                "[Resizing]\r\nOutputHeightMultiple=1\r\nOutputProjectedRatio=1.285\r\n",
                {},
                1,
                "La taille de sortie 320 × 249 est impaire"},
        BadCase{"EmptyMainPart",
                "[VideoRange]\r\nFirstFrameNumber=5\r\nCreditsFrameNumber=5\r\nIsCreditsModeSelected=1\r\n",
                {QStringLiteral("--part"), QStringLiteral("main")},
                1,
                "La vidéo principale ne contient aucune frame"}),
    [](const auto& item) { return std::string(item.param.name); });

TEST_F(RenderTest, MissingMediaIsTheDecodersMessage) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings("");
    ASSERT_TRUE(QFile::remove(folder.filePath(QStringLiteral("film.mpg"))));
    const Outcome run = Render({QStringLiteral("film.d2v"), QStringLiteral("-o"), QStringLiteral("out.y4m")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Le décodeur n'a pas pu ouvrir le fichier")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("out.y4m"))));
}

TEST_F(RenderTest, TwoPartsCannotShareStandardOutput) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings(QByteArray("[VideoRange]\r\n") + TwoScripts);
    const Outcome run = Render({QStringLiteral("film.d2v")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("Choisissez --part main ou --part credits")))
        << run.err.toStdString();
}

TEST_F(RenderTest, DamageIsToldOnceAndTheFramesStillCome) {
    ASSERT_FALSE(MakeDamagedFilm(folder.path()).isEmpty());
    WriteSettings(
        "[VideoRange]\r\nFirstFrameNumber=170\r\nLastFrameNumber=209\r\n[Resizing]\r\nOutputWidth=320\r\n");

    const Outcome run = Render({QStringLiteral("film.d2v")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("est endommagé à l'image")), 1) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_EQ(Stream::Parse(run.out).frames.size(), 40u);
}

TEST_F(RenderTest, AnEncoderThatStopsEarlyEndsTheRunWithOneMessage) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings("");
    const Outcome run =
        Shell(QStringLiteral("\"$R\" \"$F\" | head -c 1000 >/dev/null; exit ${PIPESTATUS[0]}"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("fermée avant la fin"))) << run.err.toStdString();
}

TEST_F(RenderTest, AFullDiskLeavesNoPartialFile) {
    ASSERT_FALSE(CopyFilm(SmallFilm()).isEmpty());
    WriteSettings("");
    const QString disk = folder.filePath(QStringLiteral("disk"));
    std::optional<SmallDisk> small(std::in_place, disk, "256k");
    if (!small->IsMounted())
        GTEST_SKIP() << "no small file system can be mounted here";
    const Outcome run =
        Render({QStringLiteral("film.d2v"), QStringLiteral("-o"), QStringLiteral("disk/film.y4m")});
    const QStringList left = QDir(disk).entryList(QDir::Files | QDir::Hidden | QDir::System);
    small.reset();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Le disque est plein : « disk/film.y4m »")))
        << run.err.toStdString();
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
}

} // namespace
