#include "MainWindowFixture.h"

#include "model/DecoderLibrary.h"
#include "platform/NumberText.h"
#include "ui/About.h"
#include "ui/SettingsFile.h"
#include "ui/widgets/RadioGroup.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <ostream>

namespace {

QStringList KeyLines(const QByteArray& bytes) {
    return KeyLinesOf(QString::fromUtf8(bytes));
}

// On the button's round indicator: only the indicator and the caption take clicks.
void ClickRadio(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

QString ValueOf(const QStringList& lines, const QString& sectionKey) {
    for (const QString& line : lines)
        if (line.startsWith(sectionKey + QLatin1Char('=')))
            return line.mid(sectionKey.size() + 1);
    return QStringLiteral("<absent>");
}

TEST_F(MainWindowTest, BeforeAnyFileOnlyTheMenuShowsAndClosingAsksNothing) {
    auto window = NewWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Cinescriptor"));
    auto* pages = Control<QTabWidget>(*window, "PageControl1");
    EXPECT_FALSE(pages->isVisible());
    EXPECT_EQ(Control<QMenu>(*window, "Fichiers1")->title(), QStringLiteral("Fichier"));
    EXPECT_EQ(Control<QAction>(*window, "Ouvrir1")->text(), QStringLiteral("Ouvrir"));
    EXPECT_EQ(Control<QAction>(*window, "Quitter1")->text(), QStringLiteral("Quitter"));
    EXPECT_EQ(Control<QAction>(*window, "APropos1")->text(), QStringLiteral("A Propos"));
    const QStringList captions = {
        QStringLiteral("Informations sur la vidéo"), QStringLiteral("Sélection de la séquence à traiter"),
        QStringLiteral("Paramètres de rognage"), QStringLiteral("Paramètres de redimensionnement"),
        QStringLiteral("Création des scripts")};
    ASSERT_EQ(pages->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pages->tabText(i), captions[i]);
    // The client area keeps its design size below the menu.
    EXPECT_EQ(window->width(), 993);
    EXPECT_EQ(window->centralWidget()->height(), 658);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    EXPECT_TRUE(window->close());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MainWindowTest, AboutWindowIsMadeOnceAndShownModally) {
    auto window = NewWindow();
    Control<QAction>(*window, "APropos1")->trigger();
    ASSERT_EQ(seam.modalDialogs.size(), 1u);
    QDialog* about = seam.modalDialogs[0];
    EXPECT_EQ(about->parent(), window.get());
    EXPECT_EQ(static_cast<QDialog*>(window->FormAbout()), about);
    Control<QAction>(*window, "APropos1")->trigger();
    ASSERT_EQ(seam.modalDialogs.size(), 2u);
    EXPECT_EQ(seam.modalDialogs[1], about);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MainWindowTest, CancelledDialogChangesNothing) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    TD2VFullProject* project = window->Project();
    ASSERT_NE(project, nullptr);
    project->SetCropTop(72);

    Control<QAction>(*window, "Ouvrir1")->trigger(); // the seam's queue is empty: the dialog is cancelled
    ASSERT_EQ(seam.openCalls.size(), 2u);
    EXPECT_EQ(seam.openCalls[1].caption, QStringLiteral("Ouverture d'un fichier .D2V"));
    EXPECT_EQ(seam.openCalls[1].filter, QStringLiteral("D2V Files (*.d2v)"));
    EXPECT_TRUE(seam.openCalls[1].directory.isEmpty());
    EXPECT_EQ(window->Project(), project);
    EXPECT_EQ(window->Project()->CropTop, 72);
    EXPECT_TRUE(Control<QTabWidget>(*window, "PageControl1")->isVisible());
}

TEST_F(MainWindowTest, OpeningAPalFilmShowsItsInformation) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_FALSE(window->IsOpeningFile());
    auto* pages = Control<QTabWidget>(*window, "PageControl1");
    EXPECT_TRUE(pages->isVisible());
    EXPECT_EQ(pages->currentIndex(), 0);
    const auto label = [&window](const char* name) { return Control<QLabel>(*window, name)->text(); };
    auto* format = Control<RadioGroup>(*window, "RadioGroupInputDisplayFormat");
    auto* memo = Control<QPlainTextEdit>(*window, "MemoInputDisplayFormat");
    auto* idct = Control<QComboBox>(*window, "ComboBoxProcessorType");

    EXPECT_EQ(label("LabelD2VFileName"), QStringLiteral("Fichier .D2V en cours : ") + d2v);
    // 360 frames at 25 frames per second: 14.4 s, rounded to 14.
    EXPECT_EQ(label("LabelDuration"), QStringLiteral("Durée :  14 Secondes ( 14 s )."));
    EXPECT_EQ(label("LabelFormat"),
              QStringLiteral("Format  (Largeur x Hauteur) :  720 x 576 (pixels)   -   PAL"));
    EXPECT_EQ(label("LabelFrameNumber"), QStringLiteral("Nombre de frames :  360"));
    EXPECT_EQ(label("LabelFrameRate"), QStringLiteral("Frame Rate :  25 frames par seconde"));
    EXPECT_FALSE(Control<QLabel>(*window, "LabelVOBSize")->isVisible());
    EXPECT_TRUE(Control<QGroupBox>(*window, "GroupBox1")->isVisible());
    EXPECT_TRUE(Control<QGroupBox>(*window, "GroupBox2")->isVisible());

    EXPECT_EQ(format->ItemIndex(), 0);
    EXPECT_EQ(format->Items(),
              (QStringList{QStringLiteral("16/9 (WIDESCREEN)"), QStringLiteral("4/3 (STANDARD) ")}));
    EXPECT_EQ(memo->toPlainText(),
              QStringLiteral(
                  "ATTENTION !\n\nLe format d'affichage n'est pas déterminé de manière automatique par "
                  "Cinescriptor.\n\nIl faut effectuer ce réglage afin d'obtenir un affichage correct de la "
                  "vidéo."));
    EXPECT_TRUE(memo->isReadOnly());
    // The memo reads as part of the page: its blank corner is the colour of the page beside it.
    QCoreApplication::processEvents(); // the memo's text laid out
    const QImage shown = window->grab().toImage();
    const QPoint corner(memo->width() - 3, memo->height() - 3);
    EXPECT_EQ(shown.pixel(memo->mapTo(window.get(), corner)),
              shown.pixel(memo->mapTo(window.get(), QPoint(-3, corner.y()))));

    ASSERT_EQ(idct->count(), 8);
    EXPECT_FALSE(idct->isEditable());
    EXPECT_EQ(idct->currentIndex(), 7);
    EXPECT_EQ(idct->itemText(0), QStringLiteral("0: Default value (in .d2v file)"));
    EXPECT_EQ(idct->itemText(2),
              QStringLiteral(
                  "2: 32 bits SSEMMX (P3 \"Tualatin\", Celeron \"Coppermine\" and \"Tualatin\", Athlon XP "
                  "and MP, Duron \"Morgan\")"));
    EXPECT_EQ(idct->itemText(7), QStringLiteral("7: SimpleiDCT (Very accurate iDCT from XviD project)"));
    EXPECT_EQ(window->Information().iDCT(), 7);
    EXPECT_EQ(window->D2VFilePath(), folder.path() + QLatin1Char('/'));
    EXPECT_EQ(window->IniFileName(), folder.filePath(QStringLiteral("film.ini")));
    EXPECT_TRUE(window->IsIniFileMissing());
}

TEST_F(MainWindowTest, NtscFilmShowsTheDigitsOfItsFloatFrameRate) {
    ASSERT_EQ(DecimalSeparator(), QLatin1Char(','));
    const QString d2v = CopyFilm(QStringLiteral("ntsc_interlaced"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    // 30000/1001 as a 32-bit float is 29.97002983093261...; 15 significant digits.
    EXPECT_EQ(Control<QLabel>(*window, "LabelFrameRate")->text(),
              QStringLiteral("Frame Rate :  29,9700298309326 frames par seconde"));
    EXPECT_EQ(Control<QLabel>(*window, "LabelFormat")->text(),
              QStringLiteral("Format  (Largeur x Hauteur) :  720 x 480 (pixels)   -   NTSC"));
    EXPECT_EQ(Control<QLabel>(*window, "LabelFrameNumber")->text(),
              QStringLiteral("Nombre de frames :  300"));
    // 300 × 1001 / 30000 = 10.01 s.
    EXPECT_EQ(Control<QLabel>(*window, "LabelDuration")->text(),
              QStringLiteral("Durée :  10 Secondes ( 10 s )."));
}

TEST_F(MainWindowTest, FirstOpeningCreatesTheSettingsFileWithEveryKeyInOrder) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    ASSERT_FALSE(QFile::exists(ini));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    ASSERT_TRUE(QFile::exists(ini));

    const QStringList lines = KeyLines(ReadBytes(ini));
    const QStringList expectedKeys = {"D2VFile/InputFileName",
                                      "D2VFile/InputNumberOfFrames",
                                      "D2VFile/InputVideoDuration",
                                      "D2VFile/InputFrameRate",
                                      "D2VFile/InputFormat",
                                      "D2VFile/DisplayFormat",
                                      "VideoRange/FirstFrameNumber",
                                      "VideoRange/LastFrameNumber",
                                      "VideoRange/CreditsFrameNumber",
                                      "VideoRange/MainVideoDuration",
                                      "VideoRange/CreditsVideoDuration",
                                      "VideoRange/IsCreditsModeSelected",
                                      "VideoRange/IsOnlyOneScript",
                                      "VideoRange/CurrentFrame",
                                      "Cropping/CropTop",
                                      "Cropping/CropBottom",
                                      "Cropping/CropLeft",
                                      "Cropping/CropRight",
                                      "Cropping/CropsMultiple",
                                      "Cropping/Format",
                                      "Cropping/CroppedRatio",
                                      "Cropping/CurrentFrame",
                                      "Resizing/OutputWidth",
                                      "Resizing/OutputHeight",
                                      "Resizing/OutputWidthMultiple",
                                      "Resizing/OutputHeightMultiple",
                                      "Resizing/OutputProjectedRatio",
                                      "Resizing/CurrentFrame",
                                      "Resizing/ActiveWidth",
                                      "BitRate/AudioSize",
                                      "BitRate/SubTitlesSize",
                                      "BitRate/CreditsVideoSize",
                                      "BitRate/MediumSize",
                                      "BitRate/MainVideoSize",
                                      "BitRate/AveragePixelSize",
                                      "BitRate/BitRate",
                                      "Interface/IsMainScriptModele",
                                      "Interface/IsCreditsScriptModele",
                                      "Interface/MainScriptModele",
                                      "Interface/CreditsScriptModele",
                                      "Interface/IsPrevisualizationModeSelected",
                                      "Interface/iDCT"};
    ASSERT_EQ(expectedKeys.size(), 42);
    ASSERT_EQ(lines.size(), 42);
    for (int i = 0; i < 42; ++i)
        EXPECT_TRUE(lines[i].startsWith(expectedKeys[i] + QLatin1Char('='))) << lines[i].toStdString();

    // The values that opening a 720 x 576, 360-frame film at 25 fps sets.
    const TD2VFullProject& p = *window->Project();
    const std::pair<const char*, QString> expected[] = {
        {"D2VFile/InputFileName", d2v},
        {"D2VFile/InputNumberOfFrames", "360"},
        {"D2VFile/InputVideoDuration", "14 s"},
        {"D2VFile/InputFrameRate", "25"},
        {"D2VFile/InputFormat", "720 x 576"},
        {"D2VFile/DisplayFormat", "16:9"},
        {"Resizing/ActiveWidth", "720"},
        {"VideoRange/FirstFrameNumber", "0"},
        {"VideoRange/LastFrameNumber", "359"},
        {"VideoRange/CreditsFrameNumber", "359"},
        {"VideoRange/MainVideoDuration", "14 s"},
        {"VideoRange/IsCreditsModeSelected", "0"},
        {"VideoRange/IsOnlyOneScript", "0"},
        {"VideoRange/CurrentFrame", "0"},
        {"Cropping/CropTop", "0"},
        {"Cropping/CropsMultiple", "2"},
        {"Cropping/Format", "720 x 576"},
        {"Cropping/CroppedRatio", "1,25"},
        {"Resizing/OutputWidth", "640"},
        {"Resizing/OutputHeight", QString::number(p.OutputHeight)},
        {"Resizing/OutputWidthMultiple", "32"},
        {"Resizing/OutputHeightMultiple", "2"},
        {"Resizing/OutputProjectedRatio", "1,25"},
        {"BitRate/AudioSize", "0"},
        {"BitRate/MediumSize", "737280000"},
        {"BitRate/MainVideoSize", QString::number(p.MainVideoSize)},
        {"BitRate/BitRate", QString::number(p.BitRate)},
        {"Interface/IsMainScriptModele", "0"},
        {"Interface/MainScriptModele", ""},
        {"Interface/IsPrevisualizationModeSelected", "0"},
        {"Interface/iDCT", "7"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(ValueOf(lines, QString::fromLatin1(key)), value) << key;
    // A new file is written with CR LF line ends.
    EXPECT_TRUE(ReadBytes(ini).startsWith("[D2VFile]\r\n"));
}

// On a 16:9 stream, 4/3 changes the project and adds one line saying what the stream says.
TEST_F(MainWindowTest, FourThirdsChangesTheProjectAndSaysTheStreamsShape) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    auto* note = Control<QLabel>(*window, "LabelStreamDisplayFormat");
    const auto labels = [&window, note] {
        QStringList texts;
        for (QLabel* label : Control<QWidget>(*window, "TabSheet1")->findChildren<QLabel*>())
            if (label != note)
                texts << label->text();
        return texts;
    };
    const QStringList before = labels();
    EXPECT_FALSE(note->isVisible());

    ClickRadio(Control<RadioGroup>(*window, "RadioGroupInputDisplayFormat")->Button(1));
    EXPECT_EQ(window->Project()->InputDisplayFormat, 1);
    EXPECT_EQ(window->Project()->InputDisplayRatio, 4.0f / 3.0f);
    EXPECT_EQ(labels(), before);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), QStringLiteral("Le flux indique 16/9"));

    ClickRadio(Control<RadioGroup>(*window, "RadioGroupInputDisplayFormat")->Button(0));
    EXPECT_EQ(window->Project()->InputDisplayFormat, 0);
    EXPECT_EQ(window->Project()->InputDisplayRatio, 16.0f / 9.0f);
    EXPECT_FALSE(note->isVisible());
}

TEST_F(MainWindowTest, FourThirdsSurvivesClosingAndReopening) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ClickRadio(Control<RadioGroup>(*window, "RadioGroupInputDisplayFormat")->Button(1));
    ASSERT_EQ(window->Project()->InputDisplayFormat, 1);
    const int16_t error = window->Project()->AspectRatioError;
    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());

    auto again = NewWindow();
    OpenThroughMenu(*again, d2v);
    EXPECT_EQ(again->Project()->InputDisplayFormat, 1);
    EXPECT_EQ(again->Project()->AspectRatioError, error);
    EXPECT_EQ(Control<RadioGroup>(*again, "RadioGroupInputDisplayFormat")->ItemIndex(), 1);
    EXPECT_EQ(Control<QLabel>(*again, "LabelStreamDisplayFormat")->text(),
              QStringLiteral("Le flux indique 16/9"));
}

TEST_F(MainWindowTest, IdctListTakesTheUsersPick) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    QComboBox* combo = Control<QComboBox>(*window, "ComboBoxProcessorType");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up); // the user moves the selection with the keyboard
    EXPECT_EQ(combo->currentIndex(), 6);
    EXPECT_EQ(window->Information().iDCT(), 6);
    // A selection made by the program is no pick.
    combo->setCurrentIndex(2);
    EXPECT_EQ(window->Information().iDCT(), 6);
}

struct IdctCase {
    const char* line;
    int expectedIdct;
    int expectedIndex;
};

void PrintTo(const IdctCase& c, std::ostream* os) {
    *os << c.line;
}

class IdctFromFileTest : public MainWindowTest, public ::testing::WithParamInterface<IdctCase> {};

TEST_P(IdctFromFileTest, ListFollowsTheStoredValue) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    EXPECT_TRUE(WriteBytes(folder.filePath(QStringLiteral("film.ini")),
                           QByteArray("[Interface]\r\n") + GetParam().line + "\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(window->Information().iDCT(), GetParam().expectedIdct);
    EXPECT_EQ(Control<QComboBox>(*window, "ComboBoxProcessorType")->currentIndex(), GetParam().expectedIndex);
    // The next save writes what the list shows.
    ASSERT_TRUE(window->SaveIniFile());
    EXPECT_TRUE(ReadBytes(window->IniFileName())
                    .contains("\r\niDCT=" + QByteArray::number(GetParam().expectedIdct) + "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Values, IdctFromFileTest,
                         ::testing::Values(IdctCase{"iDCT=3", 3, 3}, IdctCase{"iDCT=0", 0, 0},
                                           // Beyond the list: the default, which the list shows.
                                           IdctCase{"iDCT=9", 7, 7}, IdctCase{"iDCT=255", 7, 7},
                                           // The low 8 bits of 263.
                                           IdctCase{"iDCT=263", 7, 7}, IdctCase{"iDCT=$A", 7, 7},
                                           IdctCase{"iDCT=trois", 7, 7}, IdctCase{"iDCT=", 7, 7}));

TEST_F(MainWindowTest, ProgramPageChangesDoNotRunPageActivation) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    QLabel* label = Control<QLabel>(*window, "LabelFrameNumber");
    label->setText(QStringLiteral("marqueur"));

    window->SetActivePage(4);
    window->SetActivePage(0);
    EXPECT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(label->text(), QStringLiteral("marqueur"));

    // The user's click on the tab refreshes the page.
    window->SetActivePage(4);
    QTabBar* tabs = Control<QTabWidget>(*window, "PageControl1")->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(0).center());
    EXPECT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(label->text(), QStringLiteral("Nombre de frames :  360"));
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(MainWindowTest, InvalidPageIndexIsReported) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    window->PageControl1Change(5);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, RecordingMessageSink::Kind::Warning);
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("Invalid ActivePageIndex in TForm1.PageControl1Change !"));
}

TEST_F(MainWindowTest, QuitterEndsWithoutQuestionOrSaving) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    const QByteArray saved = ReadBytes(ini);
    window->Project()->SetCropTop(72);

    // Run in the application's loop: "Quitter" must end it (code 0) with the window still open.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    QTimer::singleShot(0, window.get(), [&window] { Control<QAction>(*window, "Quitter1")->trigger(); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    guard.stop();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(messages.messages.empty());
    // FormClose did not run: the project is still there and the file is as it was.
    EXPECT_NE(window->Project(), nullptr);
    window.reset();
    EXPECT_EQ(ReadBytes(ini), saved);
}

TEST_F(MainWindowTest, ClosingWithoutSavingWritesNothing) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    const QByteArray saved = ReadBytes(ini);
    window->Project()->SetCropTop(72);
    window->Information().SetiDCT(3);

    messages.answers.push_back(false);
    EXPECT_TRUE(window->close());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, RecordingMessageSink::Kind::Confirm);
    EXPECT_EQ(messages.messages[0].text, QStringLiteral("Sauver les modifications en quittant ?"));
    EXPECT_EQ(window->Project(), nullptr);
    EXPECT_EQ(ReadBytes(ini), saved);
}

TEST_F(MainWindowTest, OpeningAnotherFilmDiscardsUnsavedChangesWithoutAQuestion) {
    const QString pal = CopyFilm(QStringLiteral("pal_letterbox"));
    auto window = NewWindow();
    OpenThroughMenu(*window, pal);
    const QByteArray saved = ReadBytes(folder.filePath(QStringLiteral("film.ini")));
    window->Project()->SetCropTop(72);
    window->SetActivePage(3);

    // The same file again: the values last saved come back.
    OpenThroughMenu(*window, pal);
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(window->Project()->CropTop, 0);
    EXPECT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(ReadBytes(folder.filePath(QStringLiteral("film.ini"))), saved);

    // Another film: the first one's change is dropped unsaved, the new one shows on page 0.
    window->Project()->SetCropTop(72);
    window->SetActivePage(2);
    const QString ntscFolder = folder.filePath(QStringLiteral("ntsc"));
    ASSERT_TRUE(QDir().mkdir(ntscFolder));
    for (const char* name : {"film.d2v", "film.mpg"})
        ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("ntsc_interlaced/") + QLatin1String(name)),
                                ntscFolder + QLatin1Char('/') + QLatin1String(name)));
    OpenThroughMenu(*window, ntscFolder + QStringLiteral("/film.d2v"));
    ASSERT_NE(window->Project(), nullptr);
    EXPECT_EQ(window->Project()->InputHeight, 480);
    EXPECT_EQ(Control<QTabWidget>(*window, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(Control<QLabel>(*window, "LabelFrameNumber")->text(),
              QStringLiteral("Nombre de frames :  300"));
    EXPECT_EQ(window->D2VFilePath(), ntscFolder + QLatin1Char('/'));
    EXPECT_EQ(ReadBytes(folder.filePath(QStringLiteral("film.ini"))), saved);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(MainWindowTest, UnreadableFileStopsTheOpeningAndLeavesNoProject) {
    const QString pal = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString bad = folder.filePath(QStringLiteral("broken.d2v"));
    EXPECT_TRUE(WriteBytes(bad, "ceci n'est pas un index\r\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, pal);
    ASSERT_NE(window->Project(), nullptr);

    OpenThroughMenu(*window, bad);
    EXPECT_EQ(window->Project(), nullptr);
    EXPECT_FALSE(Control<QTabWidget>(*window, "PageControl1")->isVisible());
    EXPECT_FALSE(window->IsOpeningFile());
    EXPECT_EQ(messages.messages.size(), 1u) << messages.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("broken.ini"))));

    // A missing file likewise; closing then asks nothing.
    messages.Clear();
    OpenThroughMenu(*window, folder.filePath(QStringLiteral("absent.d2v")));
    EXPECT_EQ(window->Project(), nullptr);
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("absent.ini"))));
    messages.Clear();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(messages.messages.empty());

    // The window still opens a good film afterwards.
    auto again = NewWindow();
    OpenThroughMenu(*again, pal);
    EXPECT_NE(again->Project(), nullptr);
    EXPECT_TRUE(Control<QTabWidget>(*again, "PageControl1")->isVisible());
}

TEST_F(MainWindowTest, FilmWithoutFramesIsRefusedAfterTheProjectsOwnMessage) {
    // No real stream indexes to zero frames: the stand-in decoder reports them.
    const QString previousLibrary = DecoderLibraryFileName;
    DecoderLibraryFileName = BinDir() + QStringLiteral("/libfakedecoder.so");
    const QString d2v = folder.filePath(QStringLiteral("vide.d2v"));
    EXPECT_TRUE(WriteBytes(d2v, "width=720\nheight=576\nnum=25000\nden=1000\nframes=0\n"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    DecoderLibraryFileName = previousLibrary;

    EXPECT_EQ(window->Project(), nullptr);
    EXPECT_FALSE(Control<QTabWidget>(*window, "PageControl1")->isVisible());
    EXPECT_FALSE(window->IsOpeningFile());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("vide.ini"))));
    const QStringList texts = messages.Texts();
    ASSERT_EQ(texts.size(), 2) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(texts[0], QStringLiteral("LastFrameNumber must be fewer or egal than InputNumberOfFrames !"));
    EXPECT_TRUE(texts[1].contains(d2v)) << texts[1].toStdString();
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, SettingsFileThatCannotBeCreatedStopsTheOpening) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    // A folder where the file should be: the system refuses to write it, even to root.
    ASSERT_TRUE(QDir().mkdir(ini));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);

    EXPECT_EQ(window->Project(), nullptr);
    EXPECT_FALSE(Control<QTabWidget>(*window, "PageControl1")->isVisible());
    EXPECT_FALSE(window->IsOpeningFile());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, QStringLiteral("Unable to write to ") + ini);
    EXPECT_TRUE(QFileInfo(ini).isDir());
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, FailedSaveAtClosingKeepsTheWindowOpenAndAsksAgain) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    const QByteArray saved = ReadBytes(ini);
    window->Project()->SetCropTop(72);

    PrivateProfileFailures failures;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(window->Project(), nullptr);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].kind, RecordingMessageSink::Kind::Confirm);
    EXPECT_EQ(messages.messages[1].text, QStringLiteral("Unable to write to ") + ini);
    EXPECT_EQ(ReadBytes(ini), saved);

    failures.Stop();
    messages.Clear();
    EXPECT_TRUE(window->close());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, QStringLiteral("Sauver les modifications en quittant ?"));
    EXPECT_EQ(ValueOf(KeyLines(ReadBytes(ini)), QStringLiteral("Cropping/CropTop")), QStringLiteral("72"));
}

TEST_F(MainWindowTest, SettingsFileReplacedByAFolderAtClosingKeepsTheWindowOpen) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    auto window = NewWindow();
    OpenThroughMenu(*window, d2v);
    ASSERT_TRUE(QFile::remove(ini));
    ASSERT_TRUE(QDir().mkdir(ini));

    EXPECT_FALSE(window->close());
    EXPECT_NE(window->Project(), nullptr);
    EXPECT_EQ(messages.Texts().last(), QStringLiteral("Unable to write to ") + ini);
    ASSERT_TRUE(QDir().rmdir(ini));
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(QFileInfo(ini).isFile());
}

} // namespace
