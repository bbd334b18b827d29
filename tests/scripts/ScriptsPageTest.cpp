#include "ui/Cinescriptor.h"

#include "ScriptChecker.h"
#include "common/Controls.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/TD2VFullProject.h"
#include "ui/AviSynthScriptVisualizator.h"
#include "ui/InformationPage.h"
#include "ui/ScriptsPage.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

const QString MainOnly = QStringLiteral("Modèle de script pour le traitement de la vidéo principale");
const QString MainAndCredits =
    QStringLiteral("Modèle de script pour le traitement de la vidéo principale et des crédits");
const QString CreditsGroup = QStringLiteral("Modèle de script pour le traitement des crédits");
const QString Invitation = QStringLiteral(
    "Cliquer sur Parcourir pour sélectionner un modèle de script ou par défaut utiliser le script minimal !");

// The main window on a real film (a copy of a checked-in one, since opening writes its settings
// file beside it), decoded by the real decoder library.
class ScriptsPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"film.d2v", "film.mpg"})
            ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/") + QLatin1String(name)),
                                    dir.filePath(QLatin1String(name))));
        d2v = dir.filePath(QStringLiteral("film.d2v"));
        window = std::make_unique<TForm1>();
        ASSERT_TRUE(window->OpenD2VFile(d2v)) << sink.Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(window->Project());
        sink.Clear();
    }

    template <class T> T* Child(const char* name) const { return Control<T>(*window, name); }
    // The user picks the scripts page (after another one, so the page really changes).
    void ShowScriptsPage() {
        auto* pages = Child<QTabWidget>("PageControl1");
        pages->setCurrentIndex(0);
        pages->setCurrentIndex(4);
    }
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
    QString d2v;
    RecordingMessageSink sink;
    ScriptedUiSeam seam;
    std::unique_ptr<TForm1> window;
};

struct ModeCase {
    bool credits;
    bool oneScript;
    int mode;
    const QString* mainCaption;
    bool creditsGroupShown;
    const char* generate;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << (c.credits ? "credits" : "no credits") << (c.oneScript ? ", one script" : ", two scripts");
}

class PageCaptions : public ScriptsPage, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(PageCaptions, FollowTheCreditsModeOfTheSequencePageBoxes) {
    const ModeCase& c = GetParam();
    auto* creditsBox = Child<QCheckBox>("CheckBoxIsCreditsModeSelected");
    auto* oneScriptBox = Child<QCheckBox>("CheckBoxOnlyOneScript");
    ASSERT_TRUE(creditsBox && oneScriptBox);
    if (c.oneScript != oneScriptBox->isChecked())
        oneScriptBox->click();
    if (c.credits != creditsBox->isChecked())
        creditsBox->click();
    EXPECT_EQ(window->Project()->CreditsMode, c.mode);
    ShowScriptsPage();
    EXPECT_EQ(Child<QGroupBox>("GroupBox8")->title(), *c.mainCaption);
    EXPECT_EQ(Child<QGroupBox>("GroupBox10")->isVisibleTo(window.get()), c.creditsGroupShown);
    if (c.creditsGroupShown) {
        EXPECT_EQ(Child<QGroupBox>("GroupBox10")->title(), CreditsGroup);
    }
    EXPECT_EQ(Child<QPushButton>("ButtonGenerate")->text(), QString::fromUtf8(c.generate));
    EXPECT_EQ(Child<QLabel>("LabelMainScript")->text(), Invitation);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, PageCaptions,
                         ::testing::Values(ModeCase{false, false, 0, &MainOnly, false, "GENERER LE SCRIPT"},
                                           ModeCase{false, true, 0, &MainOnly, false, "GENERER LE SCRIPT"},
                                           ModeCase{true, false, 2, &MainOnly, true, "GENERER LES SCRIPTS"},
                                           ModeCase{true, true, 1, &MainAndCredits, false,
                                                    "GENERER LE SCRIPT"}));

TEST_F(ScriptsPage, OneScriptBoxKeepsItsStateAcrossTheCreditsBox) {
    auto* creditsBox = Child<QCheckBox>("CheckBoxIsCreditsModeSelected");
    auto* oneScriptBox = Child<QCheckBox>("CheckBoxOnlyOneScript");
    ASSERT_TRUE(creditsBox && oneScriptBox);
    creditsBox->click();
    oneScriptBox->click();
    EXPECT_EQ(window->Project()->CreditsMode, 1);
    creditsBox->click();
    EXPECT_EQ(window->Project()->CreditsMode, 0);
    EXPECT_FALSE(window->Project()->IsCreditsModeSelected);
    creditsBox->click();
    EXPECT_EQ(window->Project()->CreditsMode, 1);
}

TEST_F(ScriptsPage, OneScriptForgetsTheCreditsVideoSize) {
    auto* creditsBox = Child<QCheckBox>("CheckBoxIsCreditsModeSelected");
    auto* oneScriptBox = Child<QCheckBox>("CheckBoxOnlyOneScript");
    ASSERT_TRUE(creditsBox && oneScriptBox);
    creditsBox->click();
    ASSERT_EQ(window->Project()->CreditsMode, 2);
    ASSERT_TRUE(window->Project()->SetCreditsVideoSize(1000000));
    oneScriptBox->click();
    EXPECT_EQ(window->Project()->CreditsVideoSize, 0u);
    oneScriptBox->click();
    EXPECT_EQ(window->Project()->CreditsMode, 2);
    EXPECT_EQ(window->Project()->CreditsVideoSize, 0u);
}

TEST_F(ScriptsPage, TemplatesAreChosenAndClearedGroupByGroup) {
    auto* creditsBox = Child<QCheckBox>("CheckBoxIsCreditsModeSelected");
    ASSERT_TRUE(creditsBox);
    creditsBox->click();
    ShowScriptsPage();
    const QString mainTemplate = Path("modèle principal.avs");
    const QString creditsTemplate = Path("credits.avs");
    seam.openFileNames = {mainTemplate, creditsTemplate, QString()};
    Child<QPushButton>("ButtonMainScript")->click();
    Child<QPushButton>("ButtonCreditsScript")->click();
    ASSERT_EQ(seam.openCalls.size(), 2u);
    EXPECT_EQ(seam.openCalls[0].caption, QStringLiteral("Ouverture d'un modèle de Script"));
    EXPECT_EQ(seam.openCalls[0].filter, QStringLiteral("AVS Files (*.avs)"));
    EXPECT_EQ(seam.openCalls[0].directory, QString());
    EXPECT_EQ(Child<QLabel>("LabelMainScript")->text(),
              QStringLiteral("Modèle de script sélectionné :  ") + mainTemplate);
    EXPECT_EQ(Child<QLabel>("LabelCreditsScript")->text(),
              QStringLiteral("Modèle de script sélectionné :  ") + creditsTemplate);
    EXPECT_TRUE(window->Scripts().Choices().IsMainScriptModele);
    EXPECT_EQ(window->Scripts().Choices().CreditsScriptModele, creditsTemplate);

    // A cancelled dialog changes nothing.
    Child<QPushButton>("ButtonMainScript")->click();
    EXPECT_EQ(window->Scripts().Choices().MainScriptModele, mainTemplate);

    Child<QPushButton>("ButtonMainScriptClear")->click();
    EXPECT_FALSE(window->Scripts().Choices().IsMainScriptModele);
    EXPECT_TRUE(window->Scripts().Choices().MainScriptModele.isEmpty());
    EXPECT_EQ(Child<QLabel>("LabelMainScript")->text(), Invitation);
    EXPECT_TRUE(window->Scripts().Choices().IsCreditsScriptModele);
    EXPECT_EQ(Child<QLabel>("LabelCreditsScript")->text(),
              QStringLiteral("Modèle de script sélectionné :  ") + creditsTemplate);
    Child<QPushButton>("ButtonCreditsScriptClear")->click();
    EXPECT_FALSE(window->Scripts().Choices().IsCreditsScriptModele);
    EXPECT_EQ(Child<QLabel>("LabelCreditsScript")->text(), Invitation);
}

TEST_F(ScriptsPage, LongTemplatePathIsCutTo255Characters) {
    const QString longPath = QStringLiteral("/") + QString(300, QLatin1Char('m')) + QStringLiteral(".avs");
    seam.openFileNames = {longPath};
    Child<QPushButton>("ButtonMainScript")->click();
    EXPECT_EQ(window->Scripts().Choices().MainScriptModele, longPath.left(255));
}

TEST_F(ScriptsPage, PreVisualizationBoxSetsTheChoice) {
    auto* box = Child<QCheckBox>("CheckBoxPreVisualization");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), QStringLiteral("Prévisualiser les informations avant de générer les Scripts"));
    box->click();
    EXPECT_TRUE(window->Scripts().Choices().IsPrevisualizationModeSelected);
    box->click();
    EXPECT_FALSE(window->Scripts().Choices().IsPrevisualizationModeSelected);
}

TEST_F(ScriptsPage, GenerateWithoutPreviewInTwoScriptModeWritesBothScriptsOfTheFilm) {
    Child<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
    TD2VFullProject& p = *window->Project();
    ASSERT_TRUE(p.SetLastFrameNumber(300));
    ASSERT_TRUE(p.SetCreditsFrameNumber(250));
    ASSERT_TRUE(p.SetFirstFrameNumber(20));
    ASSERT_TRUE(p.SetCropTop(72));
    ASSERT_TRUE(p.SetCropBottom(72));
    window->Information().SetiDCT(3);
    ShowScriptsPage();
    seam.saveFileNames = {Path("film"), Path("film_Credits")};
    Child<QPushButton>("ButtonGenerate")->click();

    EXPECT_TRUE(seam.modalDialogs.empty());
    ASSERT_EQ(seam.saveCalls.size(), 2u);
    EXPECT_EQ(seam.saveCalls[0].caption, QStringLiteral("Enregistrer le script sous ..."));
    EXPECT_EQ(QDir::cleanPath(seam.saveCalls[0].proposal), QDir::cleanPath(dir.path()));
    EXPECT_EQ(seam.saveCalls[1].caption, QStringLiteral("Enregistrer le script (Crédits) sous ..."));
    EXPECT_EQ(seam.saveCalls[1].proposal, Path("film_Credits"));
    EXPECT_EQ(sink.Texts(), (QStringList{QStringLiteral("Le script a été correctement généré !"),
                                         QStringLiteral("Le script a été correctement généré !")}));

    struct Expected {
        const char* file;
        int64_t start, end;
        // What the project counts for that part: the script must select exactly as many frames.
        uint32_t projectFrames;
    };
    for (const Expected& e : {Expected{"film.avs", 20, 249, p.MainVideoNumberOfFrames},
                              Expected{"film_Credits.avs", 250, 300, p.CreditsVideoNumberOfFrames}}) {
        const QByteArray bytes = ReadBytes(Path(e.file));
        ASSERT_TRUE(bytes.endsWith("\r\n")) << e.file;
        QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
        lines.removeLast();
        const CheckedScript checked = CheckScript(lines);
        EXPECT_TRUE(checked.errors.isEmpty()) << checked.errors.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(checked.strings.value(QStringLiteral("Source")), p.FileName);
        EXPECT_EQ(checked.numbers.value(QStringLiteral("Top")), 72);
        EXPECT_EQ(checked.numbers.value(QStringLiteral("Bottom")), 72);
        EXPECT_EQ(checked.numbers.value(QStringLiteral("DimX")), p.OutputWidth);
        EXPECT_EQ(checked.numbers.value(QStringLiteral("DimY")), p.OutputHeight);
        EXPECT_EQ(checked.numbers.value(QStringLiteral("CPUType")), 3);
        EXPECT_EQ(checked.numbers.value(QStringLiteral("Start")), e.start) << e.file;
        EXPECT_EQ(checked.numbers.value(QStringLiteral("End")), e.end) << e.file;
        ASSERT_EQ(checked.trims.size(), 1u);
        EXPECT_EQ(checked.trims[0].second - checked.trims[0].first + 1, e.projectFrames) << e.file;
        EXPECT_LT(checked.trims[0].second, p.InputNumberOfFrames);
    }
}

TEST_F(ScriptsPage, OneScriptInCreditsModeWritesOneMixedScriptWithTheMainTemplate) {
    Child<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
    Child<QCheckBox>("CheckBoxOnlyOneScript")->click();
    TD2VFullProject& p = *window->Project();
    ASSERT_TRUE(p.SetCreditsFrameNumber(300));
    QFile credits(Path("credits.avs"));
    ASSERT_TRUE(credits.open(QIODevice::WriteOnly));
    credits.write("Return BlankClip()\r\n");
    credits.close();
    ScriptChoices choices = window->Scripts().Choices();
    choices.IsCreditsScriptModele = true;
    choices.CreditsScriptModele = credits.fileName();
    window->Scripts().SetChoices(choices);
    seam.saveFileNames = {Path("mixed")};
    Child<QPushButton>("ButtonGenerate")->click();

    ASSERT_EQ(seam.saveCalls.size(), 1u);
    QStringList lines = QString::fromUtf8(ReadBytes(Path("mixed.avs"))).split(QStringLiteral("\r\n"));
    ASSERT_GT(lines.size(), 1);
    lines.removeLast();
    EXPECT_EQ(lines.first().size(), 81);
    const CheckedScript checked = CheckScript(lines);
    EXPECT_TRUE(checked.errors.isEmpty()) << checked.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(checked.numbers.value(QStringLiteral("EndMain")), 299);
    EXPECT_EQ(checked.numbers.value(QStringLiteral("StartCredits")), 300);
    ASSERT_EQ(checked.trims.size(), 2u);
    EXPECT_EQ(checked.trims[0].second - checked.trims[0].first + 1, p.MainVideoNumberOfFrames);
    EXPECT_EQ(checked.trims[1].second - checked.trims[1].first + 1, p.CreditsVideoNumberOfFrames);
    EXPECT_EQ(checked.trims[1].second, p.LastFrameNumber);
}

TEST_F(ScriptsPage, GenerateWithPreviewShowsTheSameScriptWindowEachTime) {
    Child<QCheckBox>("CheckBoxPreVisualization")->click();
    ShowScriptsPage();
    QStringList shown;
    seam.onModal = [&](QDialog* dialog) {
        auto* form = qobject_cast<TForm2*>(dialog);
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(form->isVisible());
        shown = form->PreviewLines();
    };
    Child<QPushButton>("ButtonGenerate")->click();
    Child<QPushButton>("ButtonGenerate")->click();
    ASSERT_EQ(seam.modalDialogs.size(), 2u);
    EXPECT_EQ(seam.modalDialogs[0], seam.modalDialogs[1]);
    EXPECT_EQ(seam.modalDialogs[0]->parent(), window.get());
    EXPECT_EQ(
        shown.first(),
        QStringLiteral("##################################### Script ###################################"));
    EXPECT_TRUE(shown.contains(QStringLiteral("Source = \"") + d2v + QLatin1Char('"')));
    EXPECT_TRUE(seam.saveCalls.empty());
}

TEST_F(ScriptsPage, BitRateButtonOpensTheCalculatorModally) {
    ShowScriptsPage();
    Child<QPushButton>("ButtonBitRateCalculator")->click();
    ASSERT_EQ(seam.modalDialogs.size(), 1u);
    EXPECT_STREQ(seam.modalDialogs[0]->metaObject()->className(), "TForm3");
    EXPECT_EQ(Child<QPushButton>("ButtonBitRateCalculator")->text(), QStringLiteral("CALCULER LE BITRATE"));
}

} // namespace
