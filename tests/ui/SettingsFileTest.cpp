#include "MainWindowFixture.h"

#include "platform/NumberText.h"
#include "ui/SettingsFile.h"

#include <QCheckBox>
#include <optional>
#include <ostream>

namespace {

struct IniNameCase {
    const char* d2v;
    const char* ini;
};

void PrintTo(const IniNameCase& c, std::ostream* os) {
    *os << c.d2v;
}

class IniFileNameTest : public ::testing::TestWithParam<IniNameCase> {};

TEST_P(IniFileNameTest, ExtensionOfTheFileNameIsReplaced) {
    EXPECT_EQ(IniFileNameFor(QString::fromUtf8(GetParam().d2v)), QString::fromUtf8(GetParam().ini));
}

INSTANTIATE_TEST_SUITE_P(Names, IniFileNameTest,
                         ::testing::Values(IniNameCase{"/films/FILM.d2v", "/films/FILM.ini"},
                                           IniNameCase{"/films/FILM.VOB.d2v", "/films/FILM.VOB.ini"},
                                           IniNameCase{"/films/FILM", "/films/FILM.ini"},
                                           IniNameCase{"/films.old/FILM", "/films.old/FILM.ini"},
                                           IniNameCase{"/films/Été.D2V", "/films/Été.ini"},
                                           IniNameCase{"FILM.d2v", "FILM.ini"}));

struct IntegerCase {
    const char* text;
    std::optional<uint32_t> value;
};

void PrintTo(const IntegerCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class IniIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegerTest, Parses) {
    EXPECT_EQ(ParseIniInteger(QString::fromUtf8(GetParam().text)), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IniIntegerTest,
    ::testing::Values(IntegerCase{"0", 0u}, IntegerCase{"737280000", 737280000u},
                      // Two's complement: -1 is the pattern of 4294967295.
                      IntegerCase{"-1", 4294967295u}, IntegerCase{"-2147483648", 2147483648u},
                      IntegerCase{"2147483647", 2147483647u},
                      // Beyond the signed 32-bit range: invalid.
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"4294967295", std::nullopt},
                      IntegerCase{"  42", 42u}, IntegerCase{"+7", 7u}, IntegerCase{"$FF", 255u},
                      IntegerCase{"0x12C", 300u}, IntegerCase{"0XFFFFFFFF", 4294967295u},
                      IntegerCase{"$100000000", std::nullopt}, IntegerCase{"", std::nullopt},
                      IntegerCase{"12a", std::nullopt}, IntegerCase{"1,5", std::nullopt},
                      IntegerCase{"douze", std::nullopt}));

// Everything the settings file keeps, as the window and its project hold it.
struct Snapshot {
    uint32_t first, last, credits;
    bool creditsMode;
    uint16_t top, bottom, left, right;
    uint8_t cropsMultiple, widthMultiple, heightMultiple;
    uint16_t outputWidth;
    float projectedRatio;
    uint32_t audio, subtitles, creditsVideo, medium;
    bool isMain, isCredits;
    QString main, creditsTemplate;
    bool previsualization;
    uint8_t idct;
    int32_t rangeFrame, cropFrame, resizeFrame;

    static Snapshot Of(const TForm1& w) {
        const TD2VFullProject& p = *w.Project();
        return {p.FirstFrameNumber,
                p.LastFrameNumber,
                p.CreditsFrameNumber,
                p.IsCreditsModeSelected,
                p.CropTop,
                p.CropBottom,
                p.CropLeft,
                p.CropRight,
                p.CropsMultiple,
                p.OutputWidthMultiple,
                p.OutputHeightMultiple,
                p.OutputWidth,
                p.OutputProjectedRatio,
                p.AudioSize,
                p.SubTitlesSize,
                p.CreditsVideoSize,
                p.MediumSize,
                w.Scripts().Choices().IsMainScriptModele,
                w.Scripts().Choices().IsCreditsScriptModele,
                w.Scripts().Choices().MainScriptModele,
                w.Scripts().Choices().CreditsScriptModele,
                w.Scripts().Choices().IsPrevisualizationModeSelected,
                w.Information().iDCT(),
                w.Sequence().VideoRangeCurrentFrame(),
                w.Cropping().CroppingCurrentFrame(),
                w.Resizing().ResizingCurrentFrame()};
    }
    bool operator==(const Snapshot&) const = default;
};

TEST_F(MainWindowTest, EverySettingComesBackAfterSavingAndReopening) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    TD2VFullProject& p = *window->Project();

    ASSERT_TRUE(p.SetFirstFrameNumber(10));
    ASSERT_TRUE(p.SetLastFrameNumber(300));
    ASSERT_TRUE(p.SetCreditsFrameNumber(250));
    ASSERT_TRUE(p.SetOutputProjectedRatio(1.85f));
    ASSERT_TRUE(p.SetOutputWidthMultiple(16));
    ASSERT_TRUE(p.SetOutputHeightMultiple(8));
    ASSERT_TRUE(p.SetCropsMultiple(1));
    ASSERT_TRUE(p.SetCropTop(71));
    ASSERT_TRUE(p.SetCropBottom(73));
    ASSERT_TRUE(p.SetCropLeft(8));
    ASSERT_TRUE(p.SetCropRight(6));
    ASSERT_TRUE(p.SetOutputWidth(544));
    ASSERT_TRUE(p.SetAudioSize(123456789));
    ASSERT_TRUE(p.SetSubTitlesSize(654321));
    ASSERT_TRUE(p.SetMediumSize(681984000));
    window->Scripts().SetChoices({true, folder.filePath(QStringLiteral("modèle principal.avs")), true,
                                  folder.filePath(QStringLiteral("générique.avs")), true});
    window->Sequence().SetVideoRangeCurrentFrame(123);
    window->Cropping().SetCroppingCurrentFrame(234);
    window->Resizing().SetResizingCurrentFrame(345);
    Control<QComboBox>(*window, "ComboBoxProcessorType")->setCurrentIndex(2);
    emit Control<QComboBox>(*window, "ComboBoxProcessorType")->activated(2);
    ASSERT_EQ(window->Information().iDCT(), 2);
    const Snapshot before = Snapshot::Of(*window);
    ASSERT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();

    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    window.reset();

    auto again = NewWindow();
    OpenThroughMenu(*again, d2v);
    ASSERT_NE(again->Project(), nullptr);
    EXPECT_FALSE(again->IsIniFileMissing());
    // The closing question was the only message: reading the file back raised no refusal.
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("Sauver les modifications en quittant ?")});
    EXPECT_TRUE(Snapshot::Of(*again) == before);
    EXPECT_EQ(again->Project()->CropTop, 71);
    EXPECT_EQ(again->Project()->OutputProjectedRatio, 1.85f);
    EXPECT_EQ(Control<QComboBox>(*again, "ComboBoxProcessorType")->currentIndex(), 2);
    // The float goes out with the digits of its 32-bit value and the French separator.
    EXPECT_TRUE(ReadBytes(folder.filePath(QStringLiteral("film.ini")))
                    .contains("OutputProjectedRatio=1,85000002384186"));
}

TEST_F(MainWindowTest, CreditsModeAndItsSizeComeBack) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    TD2VFullProject& p = *window->Project();
    ASSERT_TRUE(p.SetCreditsFrameNumber(300));
    p.SetIsCreditsModeSelected(true);
    // Two scripts: the credits keep their own size.
    ASSERT_TRUE(p.SetCreditsMode(2));
    ASSERT_TRUE(p.SetCreditsVideoSize(5000000));
    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());

    auto again = NewWindow();
    OpenThroughMenu(*again, d2v);
    EXPECT_TRUE(again->Project()->IsCreditsModeSelected);
    EXPECT_EQ(again->Project()->CreditsFrameNumber, 300u);
    EXPECT_EQ(again->Project()->CreditsVideoSize, 5000000u);
}

TEST_F(MainWindowTest, OneScriptChoiceIsRestoredBeforeTheCreditsModeIsDerived) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    if (window->findChild<QCheckBox*>(QStringLiteral("CheckBoxOnlyOneScript")) == nullptr)
        GTEST_SKIP() << "the sequence page has no one-script box yet";
    EXPECT_TRUE(WriteBytes(
        folder.filePath(QStringLiteral("film.ini")),
        "[VideoRange]\r\nCreditsFrameNumber=300\r\nIsCreditsModeSelected=1\r\nIsOnlyOneScript=1\r\n"
        "[BitRate]\r\nCreditsVideoSize=5000000\r\n"));
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_TRUE(window->Sequence().IsOnlyOneScriptChecked());
    // Mode 1 mixes the credits into the main script: their separate size is dropped.
    EXPECT_EQ(window->Project()->CreditsMode, 1);
    EXPECT_EQ(window->Project()->CreditsVideoSize, 0u);

    // A film without a settings file starts with the box unchecked.
    const QString other = folder.filePath(QStringLiteral("autre"));
    ASSERT_TRUE(QDir().mkdir(other));
    ASSERT_TRUE(
        QFile::copy(folder.filePath(QStringLiteral("film.d2v")), other + QStringLiteral("/film.d2v")));
    ASSERT_TRUE(
        QFile::copy(folder.filePath(QStringLiteral("film.mpg")), other + QStringLiteral("/film.mpg")));
    OpenThroughMenu(*window, other + QStringLiteral("/film.d2v"));
    EXPECT_FALSE(window->Sequence().IsOnlyOneScriptChecked());
}

TEST_F(MainWindowTest, HandEditedFileIsReadAndItsForeignLinesKept) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    EXPECT_TRUE(WriteBytes(ini, "; réglages retouchés à la main\r\n"
                                "\r\n"
                                "[videorange]\r\n"
                                "firstframenumber=20\r\n"
                                "LastFrameNumber = 0x12C\r\n"
                                "Remarque=à garder\r\n"
                                "\r\n"
                                "[cropping]\r\n"
                                "CropsMultiple=258\r\n"
                                "CropTop=$48\r\n"
                                "; une ligne de commentaire\r\n"
                                "[Autre]\r\n"
                                "Cle=valeur\r\n"
                                "[BitRate]\r\n"
                                "MediumSize=-1\r\n"
                                "AudioSize=n'importe quoi\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    const TD2VFullProject& p = *window->Project();
    EXPECT_EQ(p.FirstFrameNumber, 20u);
    EXPECT_EQ(p.LastFrameNumber, 300u);
    EXPECT_EQ(p.CropsMultiple, 2);        // the low 8 bits of 258
    EXPECT_EQ(p.CropTop, 72);             // $48
    EXPECT_EQ(p.MediumSize, 4294967295u); // -1
    EXPECT_EQ(p.AudioSize, 0u);           // text that is no number leaves the default
    // Without an Interface section every window default stays.
    EXPECT_EQ(window->Information().iDCT(), 7);
    EXPECT_FALSE(window->Scripts().Choices().IsMainScriptModele);
    EXPECT_FALSE(window->Scripts().Choices().IsPrevisualizationModeSelected);
    // Reading does not write.
    EXPECT_TRUE(ReadBytes(ini).startsWith("; réglages"));
    EXPECT_FALSE(ReadBytes(ini).contains("InputFileName"));

    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    const QString text = QString::fromUtf8(ReadBytes(ini));
    // Foreign lines stay where they were, in their order.
    const QStringList kept = {
        "; réglages retouchés à la main", "[videorange]", "Remarque=à garder", "[cropping]",
        "; une ligne de commentaire",     "[Autre]",      "Cle=valeur",        "[BitRate]"};
    qsizetype at = 0;
    for (const QString& line : kept) {
        const qsizetype found = text.indexOf(line, at);
        EXPECT_GE(found, at) << line.toStdString();
        at = found < 0 ? at : found;
    }
    // Keys written where they stand, the missing ones at the end of their section, the missing
    // sections at the end of the file in writing order.
    const QStringList lines = KeyLinesOf(text);
    EXPECT_LT(text.indexOf(QStringLiteral("LastFrameNumber=300")), text.indexOf(QStringLiteral("Remarque=")));
    EXPECT_LT(text.indexOf(QStringLiteral("Remarque=")), text.indexOf(QStringLiteral("CreditsFrameNumber=")));
    EXPECT_LT(text.indexOf(QStringLiteral("[BitRate]")), text.indexOf(QStringLiteral("[D2VFile]")));
    EXPECT_LT(text.indexOf(QStringLiteral("[D2VFile]")), text.indexOf(QStringLiteral("[Resizing]")));
    EXPECT_LT(text.indexOf(QStringLiteral("[Resizing]")), text.indexOf(QStringLiteral("[Interface]")));
    EXPECT_TRUE(text.contains(QStringLiteral("MediumSize=-1")));
    EXPECT_TRUE(text.contains(QStringLiteral("CropsMultiple=2")));
    EXPECT_EQ(lines.size(), 42 + 2); // the two unknown keys
}

TEST_F(MainWindowTest, EmptySettingsFileIsReadWithoutEffectAndNotFilled) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    EXPECT_TRUE(WriteBytes(ini, ""));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_FALSE(window->IsIniFileMissing());
    EXPECT_EQ(window->Project()->LastFrameNumber, 359u);
    EXPECT_EQ(QFileInfo(ini).size(), 0);
    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    EXPECT_EQ(KeyLinesOf(QString::fromUtf8(ReadBytes(ini))).size(), 42);
}

TEST_F(MainWindowTest, RefusedStoredValueKeepsTheDefaultWithTheProjectsMessage) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    EXPECT_TRUE(
        WriteBytes(folder.filePath(QStringLiteral("film.ini")), "[VideoRange]\r\nFirstFrameNumber=5000\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(window->Project()->FirstFrameNumber, 0u);
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(MainWindowTest, LongTemplatePathIsCutWhenRead) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QByteArray path = "/" + QByteArray(300, 'a') + ".avs";
    EXPECT_TRUE(WriteBytes(folder.filePath(QStringLiteral("film.ini")),
                           "[Interface]\r\nIsMainScriptModele=1\r\nMainScriptModele=" + path + "\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    EXPECT_TRUE(window->Scripts().Choices().IsMainScriptModele);
    EXPECT_EQ(window->Scripts().Choices().MainScriptModele, QString::fromLatin1(path.left(255)));
}

// Under the C locale the decimal separator is a point.
TEST_F(MainWindowTest, LocaleC_RatioWrittenWithACommaKeepsTheDefault) {
    ASSERT_EQ(DecimalSeparator(), QLatin1Char('.'));
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    EXPECT_TRUE(WriteBytes(ini, "[Resizing]\r\nOutputProjectedRatio=1,85\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(window->Project()->OutputProjectedRatio, 1.25f);

    EXPECT_TRUE(WriteBytes(ini, "[Resizing]\r\nOutputProjectedRatio=1.85\r\n"));
    OpenThroughMenu(*window, d2v);
    EXPECT_EQ(window->Project()->OutputProjectedRatio, 1.85f);
    EXPECT_EQ(Control<QLabel>(*window, "LabelFrameRate")->text(),
              QStringLiteral("Frame Rate :  25 frames par seconde"));
}

TEST_F(MainWindowTest, LocaleC_NtscFrameRateUsesThePoint) {
    ASSERT_EQ(DecimalSeparator(), QLatin1Char('.'));
    const QString d2v = CopyFilm(QStringLiteral("ntsc_interlaced"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(Control<QLabel>(*window, "LabelFrameRate")->text(),
              QStringLiteral("Frame Rate :  29.9700298309326 frames par seconde"));
    EXPECT_TRUE(
        ReadBytes(folder.filePath(QStringLiteral("film.ini"))).contains("InputFrameRate=29.9700298309326"));
}

// The display shape at opening: the stream's, unless the settings file keeps one it knows.
struct ShapeCase {
    const char* name;
    const char* film;
    const char* aspectLine; // replaces the .d2v's Aspect_Ratio line ("" removes it); nullptr keeps it
    const char* iniValue;   // DisplayFormat kept in a settings file; nullptr: no settings file
    int shown;              // radio item, 0 16/9, 1 4/3
    const char* note;       // what the page says of the stream, "" for nothing
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.name;
}

class DisplayShapeTest : public MainWindowTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(DisplayShapeTest, OpensAtTheKeptShapeOrTheStreamsAndWritesItCleanly) {
    const ShapeCase& c = GetParam();
    const QString d2v = CopyFilm(QString::fromLatin1(c.film));
    if (c.aspectLine != nullptr) {
        QByteArray index = ReadBytes(d2v);
        const qsizetype at = index.indexOf("Aspect_Ratio=");
        ASSERT_GE(at, 0);
        const qsizetype end = index.indexOf('\n', at) + 1;
        index.replace(at, end - at, *c.aspectLine ? QByteArray(c.aspectLine) + '\n' : QByteArray());
        ASSERT_TRUE(WriteBytes(d2v, index));
    }
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    if (c.iniValue != nullptr) {
        ASSERT_TRUE(
            WriteBytes(ini, QByteArray("[D2VFile]\r\nDisplayFormat=") + c.iniValue + "\r\n; gardée\r\n"));
    }
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window->Project()->InputDisplayFormat, c.shown);
    EXPECT_EQ(Control<RadioGroup>(*window, "RadioGroupInputDisplayFormat")->ItemIndex(), c.shown);
    auto* note = Control<QLabel>(*window, "LabelStreamDisplayFormat");
    EXPECT_EQ(note->isVisible() ? note->text() : QString(), QString::fromUtf8(c.note));

    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    const QStringList lines = KeyLinesOf(QString::fromUtf8(ReadBytes(ini)));
    EXPECT_EQ(lines.filter(QStringLiteral("D2VFile/DisplayFormat=")),
              QStringList{c.shown == 1 ? QStringLiteral("D2VFile/DisplayFormat=4:3")
                                       : QStringLiteral("D2VFile/DisplayFormat=16:9")});
    // Rewritten where it stood.
    if (c.iniValue != nullptr) {
        EXPECT_TRUE(ReadBytes(ini).startsWith("[D2VFile]\r\nDisplayFormat="));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DisplayShapeTest,
    ::testing::Values(ShapeCase{"stream_16_9", "pal_letterbox", nullptr, nullptr, 0, ""},
                      ShapeCase{"stream_4_3", "ntsc_interlaced", nullptr, nullptr, 1, ""},
                      ShapeCase{"stream_2_21", "pal_letterbox", "Aspect_Ratio=2.21:1", nullptr, 0, ""},
                      ShapeCase{"no_aspect_line", "pal_letterbox", "", nullptr, 0, ""},
                      ShapeCase{"garbage_aspect", "ntsc_interlaced", "Aspect_Ratio=seize", nullptr, 0, ""},
                      ShapeCase{"kept_4_3", "pal_letterbox", nullptr, "4:3", 1, "Le flux indique 16/9"},
                      ShapeCase{"kept_16_9", "ntsc_interlaced", nullptr, "16:9", 0, "Le flux indique 4/3"},
                      ShapeCase{"unknown_value", "ntsc_interlaced", nullptr, "5:4", 1, ""}),
    [](const ::testing::TestParamInfo<ShapeCase>& p) { return std::string(p.param.name); });

} // namespace
