#include "MainWindowFixture.h"
#include "common/SmallDisk.h"

#include "platform/FileBytes.h"
#include "ui/SettingsFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a film opened with a settings file must hold, whatever the file said.
void ExpectSane(const TForm1& window) {
    ASSERT_NE(window.Project(), nullptr);
    const TD2VFullProject& p = *window.Project();
    EXPECT_LE(p.FirstFrameNumber, p.CreditsFrameNumber);
    EXPECT_LE(p.CreditsFrameNumber, p.LastFrameNumber);
    EXPECT_LE(p.LastFrameNumber, p.InputNumberOfFrames);
    EXPECT_LT(p.CropTop + p.CropBottom, p.InputHeight);
    EXPECT_LT(p.CropLeft + p.CropRight, p.InputWidth);
    EXPECT_EQ(p.CroppedWidth, p.InputWidth - p.CropLeft - p.CropRight);
    EXPECT_EQ(p.CroppedHeight, p.InputHeight - p.CropTop - p.CropBottom);
    EXPECT_GE(p.CropsMultiple, 1);
    EXPECT_LE(p.CropsMultiple, 8);
    EXPECT_GE(p.OutputWidthMultiple, 1);
    EXPECT_LE(p.OutputWidthMultiple, 32);
    EXPECT_GE(p.OutputHeightMultiple, 1);
    EXPECT_LE(p.OutputHeightMultiple, 32);
    EXPECT_GT(p.OutputWidth, 0);
    EXPECT_LE(p.OutputWidth, p.CroppedWidth);
    EXPECT_GT(p.OutputHeight, 0);
    EXPECT_LE(p.OutputHeight, p.CroppedHeight);
    EXPECT_GE(p.OutputProjectedRatio, 1.0f);
    EXPECT_LE(p.OutputProjectedRatio, 5.0f);
    EXPECT_LE(uint64_t{p.AudioSize} + p.SubTitlesSize + p.CreditsVideoSize, uint64_t{0xFFFFFFFFu});
    // Each page's frame lies within the film.
    for (const int32_t frame :
         {window.Sequence().VideoRangeCurrentFrame(), window.Cropping().CroppingCurrentFrame(),
          window.Resizing().ResizingCurrentFrame()}) {
        EXPECT_GE(frame, 0);
        EXPECT_LT(static_cast<uint32_t>(frame), p.InputNumberOfFrames);
    }
}

// One bad value of a key the program reads. It is either text that is no value of the key's type,
// which the program takes as absent, or a value the project refuses with its own message; in
// both cases the key's target keeps what opening the film gave it.
struct BadValue {
    const char* name;
    const char* lines;   // the settings file, one section
    const char* message; // the project's refusal, or nullptr when nothing is to be said
    bool (*unchanged)(const TForm1&);
};

void PrintTo(const BadValue& c, std::ostream* os) {
    *os << c.name;
}

class BadValues : public MainWindowTest, public ::testing::WithParamInterface<BadValue> {};

// The film of these tests: 720 x 576, 360 frames, 25 frames a second.
TEST_P(BadValues, OpenTheFilmWithSaneValuesAndNothingWrongTakenSilently) {
    const BadValue& c = GetParam();
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    EXPECT_TRUE(WriteBytes(folder.filePath(QStringLiteral("film.ini")), c.lines));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr) << messages.Texts().join(QLatin1Char('|')).toStdString();
    // Every page visited, so each one sets its frame up from what was read.
    for (int page = 1; page <= 4; ++page)
        Control<QTabWidget>(*window, "PageControl1")->setCurrentIndex(page);
    QApplication::processEvents();

    ExpectSane(*window);
    EXPECT_TRUE(c.unchanged(*window));
    const QStringList expected = c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList{};
    EXPECT_EQ(messages.Texts().join(QLatin1Char('|')).toStdString(),
              expected.join(QLatin1Char('|')).toStdString());
}

const char* const CropTooBig = "CropTop or CropBottom are too big !";
const char* const SideTooBig = "CropLeft or CropRight are too big !";
const char* const RatioTooSmall = "OutputProjectedRatio must be higher than 1 !";

INSTANTIATE_TEST_SUITE_P(
    Keys, BadValues,
    ::testing::Values(
        // Negative crops wrap to 16-bit values beyond the picture.
        BadValue{"NegativeCropTop", "[Cropping]\r\nCropTop=-8\r\n", CropTooBig,
                 [](const TForm1& w) { return w.Project()->CropTop == 0; }},
        BadValue{"NegativeCropBottom", "[Cropping]\r\nCropBottom=-2\r\n", CropTooBig,
                 [](const TForm1& w) { return w.Project()->CropBottom == 0; }},
        BadValue{"NegativeCropLeft", "[Cropping]\r\nCropLeft=-16\r\n", SideTooBig,
                 [](const TForm1& w) { return w.Project()->CropLeft == 0; }},
        BadValue{"NegativeCropRight", "[Cropping]\r\nCropRight=-1\r\n", SideTooBig,
                 [](const TForm1& w) { return w.Project()->CropRight == 0; }},
        BadValue{"CropsMeeting", "[Cropping]\r\nCropTop=8\r\nCropBottom=568\r\n", CropTooBig,
                 [](const TForm1& w) { return w.Project()->CropTop == 8 && w.Project()->CropBottom == 0; }},
        BadValue{"CropOverflowing", "[Cropping]\r\nCropLeft=1e999\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->CropLeft == 0; }},
        // Frame numbers beyond the film.
        BadValue{"FirstBeyondTheFilm", "[VideoRange]\r\nFirstFrameNumber=100000\r\n",
                 "FirstFrameNumber must be fewer or egal than InputNumberOfFrames !",
                 [](const TForm1& w) { return w.Project()->FirstFrameNumber == 0; }},
        BadValue{"LastBeyondTheFilm", "[VideoRange]\r\nLastFrameNumber=361\r\n",
                 "LastFrameNumber must be fewer or egal than InputNumberOfFrames !",
                 [](const TForm1& w) { return w.Project()->LastFrameNumber == 359; }},
        BadValue{"CreditsAtMinusOne", "[VideoRange]\r\nCreditsFrameNumber=-1\r\n",
                 "CreditsFrameNumber must be fewer or egal than InputNumberOfFrames !",
                 [](const TForm1& w) { return w.Project()->CreditsFrameNumber == 359; }},
        BadValue{"FrameAsText", "[VideoRange]\r\nLastFrameNumber=fin\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->LastFrameNumber == 359; }},
        BadValue{"FrameBeyond32Bits", "[VideoRange]\r\nFirstFrameNumber=4294967296\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->FirstFrameNumber == 0; }},
        // Ratios: text, out of any float's range, below 1.
        BadValue{"RatioAsText", "[Resizing]\r\nOutputProjectedRatio=abc\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->OutputProjectedRatio == 1.25f; }},
        BadValue{"RatioInfinite", "[Resizing]\r\nOutputProjectedRatio=1e999\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->OutputProjectedRatio == 1.25f; }},
        BadValue{"RatioBeyondFloat", "[Resizing]\r\nOutputProjectedRatio=1e39\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->OutputProjectedRatio == 1.25f; }},
        BadValue{"RatioUnderflowing", "[Resizing]\r\nOutputProjectedRatio=1e-999\r\n", RatioTooSmall,
                 [](const TForm1& w) { return w.Project()->OutputProjectedRatio == 1.25f; }},
        BadValue{"RatioNegative", "[Resizing]\r\nOutputProjectedRatio=-2\r\n", RatioTooSmall,
                 [](const TForm1& w) { return w.Project()->OutputProjectedRatio == 1.25f; }},
        BadValue{"RatioTooLarge", "[Resizing]\r\nOutputProjectedRatio=6\r\n",
                 "OutputProjectedRatio must be fewer than 5 !",
                 [](const TForm1& w) { return w.Project()->OutputProjectedRatio == 1.25f; }},
        // Multiples of 0, directly or as the low bits of a larger number.
        BadValue{"CropsMultipleZero", "[Cropping]\r\nCropsMultiple=0\r\n",
                 "CropsMultiple must be strictly positive !",
                 [](const TForm1& w) { return w.Project()->CropsMultiple == 2; }},
        BadValue{"CropsMultipleWrappingToZero", "[Cropping]\r\nCropsMultiple=256\r\n",
                 "CropsMultiple must be strictly positive !",
                 [](const TForm1& w) { return w.Project()->CropsMultiple == 2; }},
        BadValue{"WidthMultipleZero", "[Resizing]\r\nOutputWidthMultiple=0\r\n",
                 "OutputWidthMultiple must be strictly positive !",
                 [](const TForm1& w) { return w.Project()->OutputWidthMultiple == 32; }},
        BadValue{"HeightMultipleZero", "[Resizing]\r\nOutputHeightMultiple=0x0\r\n",
                 "OutputHeightMultiple must be strictly positive !",
                 [](const TForm1& w) { return w.Project()->OutputHeightMultiple == 2; }},
        BadValue{"HeightMultipleTooLarge", "[Resizing]\r\nOutputHeightMultiple=33\r\n",
                 "OutputHeightMultiple must be fewer than 32 !",
                 [](const TForm1& w) { return w.Project()->OutputHeightMultiple == 2; }},
        BadValue{"MultipleAsText", "[Resizing]\r\nOutputWidthMultiple=seize\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->OutputWidthMultiple == 32; }},
        // Output widths of nothing and of more than the picture.
        BadValue{"OutputWidthZero", "[Resizing]\r\nOutputWidth=0\r\n",
                 "OutputWidth must be strictly positive !",
                 [](const TForm1& w) { return w.Project()->OutputWidth == 640; }},
        BadValue{"OutputWidthTooLarge", "[Resizing]\r\nOutputWidth=-1\r\n",
                 "OutputWidth should be fewer than CroppedWidth !",
                 [](const TForm1& w) { return w.Project()->OutputWidth == 640; }},
        // Sizes whose sum passes what 32 bits hold.
        // -1 is 4294967295 bytes, which leaves no room for anything else.
        BadValue{"SizesBeyond32Bits", "[BitRate]\r\nAudioSize=-1\r\nSubTitlesSize=1000\r\n",
                 "AudioSize + SubTitlesSize + CreditsVideoSize must be fewer or egal than 4294967295 !",
                 [](const TForm1& w) {
                     return w.Project()->AudioSize == 4294967295u && w.Project()->SubTitlesSize == 0;
                 }},
        BadValue{"SizeAsExponent", "[BitRate]\r\nAudioSize=1e999\r\n", nullptr,
                 [](const TForm1& w) { return w.Project()->AudioSize == 0; }},
        // Page frames are kept within the film by the pages' track bars.
        BadValue{"PageFramesOutsideTheFilm",
                 "[VideoRange]\r\nCurrentFrame=-5\r\n[Cropping]\r\nCurrentFrame=100000\r\n[Resizing]\r\n"
                 "CurrentFrame=-2147483648\r\n",
                 nullptr, [](const TForm1&) { return true; }}),
    [](const ::testing::TestParamInfo<BadValue>& p) { return std::string(p.param.name); });

TEST_F(MainWindowTest, GarbageSettingsFileOpensWithTheDefaultsAndIsWrittenReadably) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator random(4051);
    for (char& b : garbage)
        b = static_cast<char>(random.bounded(256));
    // NUL bytes, lone CRs and a 10 MB line without an end among the random bytes.
    static const char tail[] = "\0\0\0\r[Cropping\r\0]\rCropTop=\0"
                               "72\r";
    garbage += QByteArray(tail, sizeof tail - 1);
    garbage += QByteArray(10 << 20, '=');
    EXPECT_TRUE(WriteBytes(ini, garbage));

    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_FALSE(window->IsIniFileMissing());
    ExpectSane(*window);
    const TD2VFullProject& p = *window->Project();
    EXPECT_EQ(p.CropTop, 0);
    EXPECT_EQ(p.FirstFrameNumber, 0u);
    EXPECT_EQ(p.LastFrameNumber, 359u);
    EXPECT_EQ(p.OutputWidth, 640);
    EXPECT_EQ(window->Information().iDCT(), 7);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();

    ASSERT_TRUE(window->Project()->SetCropTop(16));
    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    // The garbage stays (in one encoding), the keys are added after it and read back.
    EXPECT_GT(QFileInfo(ini).size(), 10 << 20);
    auto again = NewWindow();
    OpenThroughMenu(*again, d2v);
    ASSERT_NE(again->Project(), nullptr);
    EXPECT_EQ(again->Project()->CropTop, 16);
    ExpectSane(*again);
}

TEST_F(MainWindowTest, DuplicateSectionsAndKeysAreReadFirstAndWrittenFirst) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    EXPECT_TRUE(WriteBytes(ini,
                           "[Cropping]\r\nCropTop=16\r\nCropTop=48\r\n[Resizing]\r\nOutputWidth=512\r\n"
                           "[CROPPING]\r\nCropTop=32\r\nCropBottom=8\r\n[resizing]\r\nOutputWidth=320\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    // The first of each wins; the keys of a repeated section are not seen at all.
    EXPECT_EQ(window->Project()->CropTop, 16);
    EXPECT_EQ(window->Project()->CropBottom, 0);
    EXPECT_EQ(window->Project()->OutputWidth, 512);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();

    ASSERT_TRUE(window->Project()->SetCropTop(24));
    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    const QString text = QString::fromUtf8(ReadBytes(ini));
    // Written in the first section, in place of the first key; the others stay as they were.
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Cropping]\r\nCropTop=24\r\nCropTop=48\r\n")))
        << text.left(200).toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("[CROPPING]\r\nCropTop=32\r\nCropBottom=8\r\n[resizing]\r\nOutputWidth=320\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("CropBottom=")), 2);
    auto again = NewWindow();
    OpenThroughMenu(*again, d2v);
    ASSERT_NE(again->Project(), nullptr);
    EXPECT_EQ(again->Project()->CropTop, 24);
    EXPECT_EQ(again->Project()->CropBottom, 0);
}

// The film's folder on a small file system of its own, filled up before the closing save.
TEST_F(MainWindowTest, FullDiskAtClosingKeepsTheFileTheWindowAndTheChanges) {
    const QString disk = folder.filePath(QStringLiteral("disk"));
    const SmallDisk small(disk);
    if (!small.IsMounted())
        GTEST_SKIP() << "no small file system can be mounted here";
    // The stream stays outside; the index names it by its file name, beside the index.
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    ASSERT_TRUE(QFile::copy(d2v, disk + QStringLiteral("/film.d2v")));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("film.mpg")), disk + QStringLiteral("/film.mpg")));
    const QString ini = disk + QStringLiteral("/film.ini");

    auto window = NewWindow();
    OpenThroughMenu(*window, disk + QStringLiteral("/film.d2v"));
    ASSERT_NE(window->Project(), nullptr) << messages.Texts().join(QLatin1Char('|')).toStdString();
    const QByteArray saved = ReadBytes(ini);
    ASSERT_TRUE(saved.contains("CropTop=0"));
    ASSERT_TRUE(window->Project()->SetCropTop(72));
    small.Fill();

    messages.Clear();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(window->Project()->CropTop, 72);
    EXPECT_EQ(messages.Texts(), (QStringList{QStringLiteral("Sauver les modifications en quittant ?"),
                                             QStringLiteral("Unable to write to ") + ini}));
    EXPECT_EQ(ReadBytes(ini), saved);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden).size(), 4);

    ASSERT_TRUE(small.Free());
    messages.Clear();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("Sauver les modifications en quittant ?")});
    EXPECT_TRUE(ReadBytes(ini).contains("\r\nCropTop=72\r\n"));
}

// A named pipe (opening it would wait for ever) or a device (read without end) in the settings
// file's place: the film opens without its settings and with one message; nothing is written
// there, at opening nor at closing, where the window stays open as after any failed save.
TEST_F(MainWindowTest, APipeOrADeviceForSettingsFileIsNeitherReadNorWritten) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    for (const bool pipe : {true, false}) {
        QFile::remove(ini);
        if (pipe)
            ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0644), 0);
        else
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), ini));
        messages.Clear();
        auto window = NewWindow();
        OpenThroughMenu(*window, d2v);
        ASSERT_NE(window->Project(), nullptr) << messages.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(messages.Texts(),
                  QStringList{QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier "
                                             "ordinaire : le film est ouvert sans ses réglages, "
                                             "et rien n'y sera écrit.")
                                  .arg(ini)});
        EXPECT_EQ(window->Project()->CropTop, 0);

        messages.Clear();
        messages.answers = {true};
        EXPECT_FALSE(window->close());
        EXPECT_EQ(
            messages.Texts(),
            (QStringList{QStringLiteral("Sauver les modifications en quittant ?"),
                         QStringLiteral("Le fichier de réglages « %1 » n'est pas un fichier ordinaire : les "
                                        "réglages n'y ont pas été écrits.")
                             .arg(ini)}));
        messages.answers = {false};
        EXPECT_TRUE(window->close());
        EXPECT_EQ(KindOfFile(ini), FileKind::Other);
    }
}

// A film in a folder whose name is not UTF-8 (Latin-1 "été", as an old system or disc wrote it):
// opened, its settings saved and read back, both scripts written, every file by the bytes of its
// name, and the scripts' Source naming the same bytes for AviSynth.
TEST_F(MainWindowTest, AFolderNameThatIsNotUtf8WorksFromOpeningToScripts) {
    const QByteArray latin1 = QFile::encodeName(folder.path()) + "/\xE9t\xE9/";
    ASSERT_EQ(::mkdir(latin1.constData(), 0755), 0);
    const char* const names[] = {"film.d2v", "film.mpg", "film.ini", "film.avs", "film_Credits.avs"};
    // Qt's own removal does not see such names.
    struct Cleanup {
        QByteArray folder;
        const char* const* names;
        ~Cleanup() {
            for (int i = 0; i < 5; ++i)
                ::unlink((folder + names[i]).constData());
            ::rmdir(folder.constData());
        }
    } cleanup{latin1, names};
    const auto name = [&](const char* file) { return FileNameFromBytes(latin1 + file); };
    for (const char* file : {"film.d2v", "film.mpg"})
        ASSERT_TRUE(WriteWholeFile(
            name(file), ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/")) + QLatin1String(file))));

    {
        auto window = NewWindow();
        OpenThroughMenu(*window, name("film.d2v"));
        ASSERT_NE(window->Project(), nullptr) << messages.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(KindOfFile(name("film.ini")), FileKind::Regular);
        ASSERT_TRUE(window->Project()->SetAudioSize(123456));
        window->findChild<QCheckBox*>(QStringLiteral("CheckBoxIsCreditsModeSelected"))->setChecked(true);
        ASSERT_TRUE(window->Project()->SetCreditsFrameNumber(300));
        ASSERT_EQ(window->Project()->CreditsMode, 2);

        seam.saveFileNames = {name("film"), name("film_Credits")};
        window->findChild<QPushButton*>(QStringLiteral("ButtonGenerate"))->click();
        for (const char* script : {"film.avs", "film_Credits.avs"}) {
            QByteArray bytes;
            ASSERT_TRUE(ReadWholeFile(name(script), bytes)) << script;
            EXPECT_TRUE(bytes.contains("\r\nSource = \"" + latin1 + "film.d2v\"\r\n")) << bytes.toStdString();
            // The rest is UTF-8, as ever.
            EXPECT_TRUE(bytes.contains("Script par d\xC3\xA9"
                                       "faut"))
                << script;
        }
        messages.Clear();
        messages.answers = {true};
        EXPECT_TRUE(window->close());
    }
    QByteArray settings;
    ASSERT_TRUE(ReadWholeFile(name("film.ini"), settings));
    EXPECT_TRUE(settings.contains("\r\nAudioSize=123456\r\n"));

    messages.Clear();
    auto again = NewWindow();
    OpenThroughMenu(*again, name("film.d2v"));
    ASSERT_NE(again->Project(), nullptr) << messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(again->Project()->AudioSize, 123456u);
    EXPECT_EQ(again->Project()->CreditsFrameNumber, 300u);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

} // namespace
