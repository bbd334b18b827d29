#include "ui/AviSynthScriptVisualizator.h"

#include "ScriptChecker.h"
#include "common/RecordingMessageSink.h"
#include "common/ScriptedUiSeam.h"
#include "common/TestFiles.h"
#include "platform/FileBytes.h"
#include "ui_AviSynthScriptVisualizator.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

namespace {

const QString SavedText = QStringLiteral("Le script a été correctement généré !");
const QString FailedText = QStringLiteral("Le script n'a pas pu être généré correctement !");
const QString MainCaption = QStringLiteral("Enregistrer le script sous ...");
const QString CreditsCaption = QStringLiteral("Enregistrer le script (Crédits) sous ...");

class ScriptWindow : public ::testing::Test {
protected:
    void Make(uint8_t creditsMode) {
        source = GoldenSource(creditsMode, dir.path());
        window = std::make_unique<TForm2>(nullptr, [this] { return source; });
    }
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    std::vector<QString> InformationTexts() const {
        std::vector<QString> texts;
        for (const auto& m : sink.messages)
            if (m.kind == RecordingMessageSink::Kind::Information)
                texts.push_back(m.text);
        return texts;
    }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    ScriptedUiSeam seam;
    ScriptSource source;
    std::unique_ptr<TForm2> window;
};

TEST_F(ScriptWindow, WithoutPreviewTwoScriptsAskTwoNamesAndWriteBothFiles) {
    Make(2);
    seam.saveFileNames = {Path("film"), Path("film_Credits")};
    window->GenerateWithoutPreview();

    ASSERT_EQ(seam.saveCalls.size(), 2u);
    EXPECT_EQ(seam.saveCalls[0].caption, MainCaption);
    EXPECT_EQ(seam.saveCalls[0].proposal, source.D2VFilePath);
    EXPECT_EQ(seam.saveCalls[0].filter, QStringLiteral("AVS Files (*.avs)"));
    EXPECT_EQ(seam.saveCalls[1].caption, CreditsCaption);
    EXPECT_EQ(seam.saveCalls[1].proposal, Path("film_Credits"));
    EXPECT_EQ(ReadBytes(Path("film.avs")), Golden("mode2_main.avs"));
    EXPECT_EQ(ReadBytes(Path("film_Credits.avs")), Golden("mode2_credits.avs"));
    EXPECT_EQ(InformationTexts(), (std::vector<QString>{SavedText, SavedText}));
    EXPECT_TRUE(seam.modalDialogs.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsMainScriptComposed);
    EXPECT_FALSE(window->IsCreditsPass);

    // The flags are clear: the next generation starts with the main script again.
    seam.saveFileNames = {Path("again"), QString()};
    window->GenerateWithoutPreview();
    ASSERT_EQ(seam.saveCalls.size(), 4u);
    EXPECT_EQ(seam.saveCalls[2].caption, MainCaption);
    EXPECT_EQ(ReadBytes(Path("again.avs")), Golden("mode2_main.avs"));
}

TEST_F(ScriptWindow, WithoutPreviewOneScriptModesAskOneName) {
    for (const auto& [mode, golden] : {std::pair{0, "mode0_script.avs"}, std::pair{1, "mode1_mixed.avs"}}) {
        Make(static_cast<uint8_t>(mode));
        seam.saveCalls.clear();
        seam.saveFileNames = {Path("single.avs")};
        window->GenerateWithoutPreview();
        EXPECT_EQ(seam.saveCalls.size(), 1u) << "mode " << mode;
        EXPECT_EQ(ReadBytes(Path("single.avs")), Golden(golden)) << "mode " << mode;
    }
}

TEST_F(ScriptWindow, CancelledDialogsWriteNothingAndTheCreditsProposalIsCreditsAlone) {
    Make(2);
    seam.saveFileNames = {QString(), QString()};
    window->GenerateWithoutPreview();
    ASSERT_EQ(seam.saveCalls.size(), 2u);
    EXPECT_EQ(seam.saveCalls[1].caption, CreditsCaption);
    EXPECT_EQ(seam.saveCalls[1].proposal, Path("_Credits"));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

struct NameCase {
    const char* typed;
    const char* written;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.typed;
}

class ChosenNames : public ScriptWindow, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ChosenNames, TakeTheAvsExtensionInPlaceOfTheirOwn) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("a.b")));
    Make(0);
    seam.saveFileNames = {Path(GetParam().typed)};
    window->GenerateWithoutPreview();
    EXPECT_EQ(ReadBytes(Path(GetParam().written)), Golden("mode0_script.avs"));
    EXPECT_EQ(QFileInfo(Path(GetParam().written)).dir().entryList(QDir::Files).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Extensions, ChosenNames,
                         ::testing::Values(NameCase{"x.txt", "x.avs"}, NameCase{"my.film", "my.avs"},
                                           NameCase{"film", "film.avs"}, NameCase{"film.avs", "film.avs"},
                                           NameCase{"a.b/film", "a.b/film.avs"}));

TEST_F(ScriptWindow, PreviewKeepsTheWindowOpenAndSavesEditedLinesAsEdited) {
    Make(2);
    seam.saveFileNames = {Path("film"), Path("film_Credits"), Path("again")};
    QStringList mainShown;
    QStringList creditsShown;
    seam.onModal = [&](QDialog* dialog) {
        auto* form = static_cast<TForm2*>(dialog);
        EXPECT_EQ(form->ui->LabelTitle->text(), QStringLiteral("Prévisualisation du script principal"));
        // The user changes the resize line and adds one of his own at the end.
        QStringList lines = form->PreviewLines();
        mainShown = lines;
        lines.replace(lines.indexOf(QStringLiteral("clip = BicubicResize( clip, DimX, DimY, 0.33, 0.33 )")),
                      QStringLiteral("clip = LanczosResize( clip, DimX, DimY )"));
        lines << QStringLiteral("# à moi");
        form->SetPreviewLines(lines);
        QTest::mouseClick(form->ui->ButtonSave, Qt::LeftButton);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->ui->LabelTitle->text(), QStringLiteral("Prévisualisation du script des crédits"));
        EXPECT_TRUE(form->IsCreditsPass);
        creditsShown = form->PreviewLines();
        QTest::mouseClick(form->ui->ButtonSave, Qt::LeftButton);
        EXPECT_TRUE(form->isVisible());
        // A further press saves the credits script again.
        QTest::mouseClick(form->ui->ButtonSave, Qt::LeftButton);
        QTest::mouseClick(form->ui->ButtonCancel, Qt::LeftButton);
        EXPECT_FALSE(form->isVisible());
    };
    window->GenerateWithPreview();

    ASSERT_EQ(seam.modalDialogs.size(), 1u);
    EXPECT_EQ(mainShown.join(QLatin1Char('\n')).toUtf8() + '\n',
              Golden("mode2_main.avs").replace("\r\n", "\n"));
    EXPECT_EQ(creditsShown.join(QLatin1Char('\n')).toUtf8() + '\n',
              Golden("mode2_credits.avs").replace("\r\n", "\n"));
    QByteArray edited = Golden("mode2_main.avs");
    edited.replace("clip = BicubicResize( clip, DimX, DimY, 0.33, 0.33 )",
                   "clip = LanczosResize( clip, DimX, DimY )");
    edited += "# \xC3\xA0 moi\r\n";
    EXPECT_EQ(ReadBytes(Path("film.avs")), edited);
    EXPECT_EQ(ReadBytes(Path("film_Credits.avs")), Golden("mode2_credits.avs"));
    EXPECT_EQ(ReadBytes(Path("again.avs")), Golden("mode2_credits.avs"));
    ASSERT_EQ(seam.saveCalls.size(), 3u);
    EXPECT_EQ(seam.saveCalls[0].caption, MainCaption);
    EXPECT_EQ(seam.saveCalls[1].caption, CreditsCaption);
    EXPECT_EQ(seam.saveCalls[2].caption, CreditsCaption);
    // Closing empties the preview and clears the sequence.
    EXPECT_TRUE(window->PreviewLines().isEmpty());
    EXPECT_FALSE(window->IsMainScriptComposed);
    EXPECT_FALSE(window->IsCreditsPass);
}

TEST_F(ScriptWindow, CloseBoxEmptiesThePreviewAndTheNextGenerationRecomposes) {
    Make(0);
    seam.onModal = [](QDialog* dialog) {
        EXPECT_FALSE(static_cast<TForm2*>(dialog)->PreviewLines().isEmpty());
        dialog->close();
    };
    window->GenerateWithPreview();
    EXPECT_TRUE(window->PreviewLines().isEmpty());
    EXPECT_TRUE(seam.saveCalls.empty());

    source.CropTop = 16;
    seam.onModal = [](QDialog* dialog) {
        EXPECT_TRUE(static_cast<TForm2*>(dialog)->PreviewLines().contains(QStringLiteral("Top = 16")));
        QTest::keyClick(dialog, Qt::Key_Escape);
    };
    window->GenerateWithPreview();
    EXPECT_EQ(seam.modalDialogs.size(), 2u);
    EXPECT_TRUE(window->PreviewLines().isEmpty());
}

TEST_F(ScriptWindow, LongLinesAndNoBreakSpacesAreWrittenAsTheyStand) {
    Make(0);
    const QString longLine =
        QStringLiteral("# ") + QString(300, QLatin1Char('x')) + QChar(0x00A0) + QStringLiteral("y");
    seam.saveFileNames = {Path("long")};
    seam.onModal = [&](QDialog* dialog) {
        auto* form = static_cast<TForm2*>(dialog);
        form->SetPreviewLines(form->PreviewLines() << longLine);
        QTest::mouseClick(form->ui->ButtonSave, Qt::LeftButton);
    };
    window->GenerateWithPreview();
    EXPECT_EQ(ReadBytes(Path("long.avs")), Golden("mode0_script.avs") + longLine.toUtf8() + "\r\n");
}

TEST_F(ScriptWindow, ParentThatIsAFileGivesTheFailureBox) {
    Make(0);
    QFile blocker(Path("notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    seam.saveFileNames = {Path("notafolder/film")};
    window->GenerateWithoutPreview();
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
    EXPECT_EQ(sink.messages[0].text, FailedText);
}

// Fails half-way through the write, as a full disk would.
TEST_F(ScriptWindow, FailedWriteLeavesTheFormerScriptIntact) {
    Make(0);
    QFile former(Path("film.avs"));
    ASSERT_TRUE(former.open(QIODevice::WriteOnly));
    former.write("Return BlankClip()\r\n");
    former.close();
    seam.saveFileNames = {Path("film")};
    SetFreeDiskBytesForTesting(Golden("mode0_script.avs").size() / 2);
    window->GenerateWithoutPreview();
    SetFreeDiskBytesForTesting(-1);
    EXPECT_EQ(ReadBytes(Path("film.avs")), QByteArray("Return BlankClip()\r\n"));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, FailedText);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ScriptWindow, ExistingScriptIsReplacedWithoutQuestion) {
    Make(1);
    QFile former(Path("film.avs"));
    ASSERT_TRUE(former.open(QIODevice::WriteOnly));
    former.write(QByteArray(5000, 'z'));
    former.close();
    seam.saveFileNames = {Path("film.avs")};
    window->GenerateWithoutPreview();
    EXPECT_EQ(ReadBytes(Path("film.avs")), Golden("mode1_mixed.avs"));
    EXPECT_EQ(InformationTexts(), std::vector<QString>{SavedText});
}

TEST_F(ScriptWindow, RefusedMainScriptOfTwoCountsAsCancelledAndTheCreditsFollow) {
    Make(2);
    source.FirstFrameNumber = 0;
    source.CreditsFrameNumber = 0;
    seam.saveFileNames = {Path("credits")};
    window->GenerateWithoutPreview();
    ASSERT_EQ(seam.saveCalls.size(), 1u);
    EXPECT_EQ(seam.saveCalls[0].caption, CreditsCaption);
    EXPECT_EQ(seam.saveCalls[0].proposal, Path("_Credits"));
    ASSERT_GE(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
    const QByteArray credits = ReadBytes(Path("credits.avs"));
    EXPECT_TRUE(credits.contains("\r\nStart = 0\r\nEnd = 5000\r\n"));
    EXPECT_FALSE(window->IsMainScriptComposed);
}

TEST_F(ScriptWindow, RefusedMainScriptOfTwoWithPreviewShowsTheCredits) {
    Make(2);
    source.FirstFrameNumber = 10;
    source.CreditsFrameNumber = 10;
    QString title;
    seam.onModal = [&](QDialog* dialog) { title = static_cast<TForm2*>(dialog)->ui->LabelTitle->text(); };
    window->GenerateWithPreview();
    EXPECT_EQ(title, QStringLiteral("Prévisualisation du script des crédits"));
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(ScriptWindow, RefusedSingleScriptShowsNoWindowAndAsksNoName) {
    Make(0);
    source.FirstFrameNumber = 10;
    source.LastFrameNumber = 5;
    window->GenerateWithPreview();
    window->GenerateWithoutPreview();
    EXPECT_TRUE(seam.modalDialogs.empty());
    EXPECT_TRUE(seam.saveCalls.empty());
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// Frame 0 alone: AviSynth's Trim(clip, 0, 0) would be the whole film, Trim(clip, 0, -1) is that one frame.
TEST_F(ScriptWindow, FrameZeroAloneIsWrittenWithAnEndOfMinusOne) {
    struct {
        uint8_t mode;
        uint32_t credits, last;
        std::vector<QByteArray> ranges; // in the files, in order
    } const cases[] = {
        {0, 0, 0, {"\r\nStart = 0\r\nEnd = -1\r\n"}},
        {2, 1, 5000, {"\r\nStart = 0\r\nEnd = -1\r\n", "\r\nStart = 1\r\nEnd = 5000\r\n"}},
        {1, 1, 5000, {"\r\nStart = 0\r\nEndMain = -1\r\n\r\nStartCredits = 1\r\nEnd = 5000\r\n"}},
    };
    for (const auto& c : cases) {
        Make(c.mode);
        source.FirstFrameNumber = 0;
        source.CreditsFrameNumber = c.credits;
        source.LastFrameNumber = c.last;
        seam.saveFileNames = {Path("zero"), Path("zero_Credits")};
        window->GenerateWithoutPreview();
        const QByteArray scripts[] = {ReadBytes(Path("zero.avs")), ReadBytes(Path("zero_Credits.avs"))};
        for (size_t i = 0; i < c.ranges.size(); ++i)
            EXPECT_TRUE(scripts[i].contains(c.ranges[i])) << "mode " << int(c.mode) << ":\n"
                                                          << scripts[i].toStdString();
        EXPECT_TRUE(QFile::remove(Path("zero.avs")));
        QFile::remove(Path("zero_Credits.avs"));
    }
    for (const auto& message : sink.messages)
        EXPECT_EQ(message.kind, RecordingMessageSink::Kind::Information) << message.text.toStdString();
}

TEST_F(ScriptWindow, LayoutAndCaptions) {
    Make(0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Prévisulation de Scripts"));
    EXPECT_EQ(window->ui->LabelTitle->text(), QStringLiteral("Prévisualisation"));
    EXPECT_EQ(window->ui->ButtonSave->text(), QStringLiteral("GENERER"));
    EXPECT_EQ(window->ui->ButtonCancel->text(), QStringLiteral("ANNULER"));
    EXPECT_EQ(window->size(), QSize(670, 380));
    EXPECT_FALSE(window->ui->Memo->isReadOnly());
    EXPECT_FALSE(window->ui->ButtonSave->autoDefault());
}

TEST(RemoveExtension, CutsFromTheLastDotOfTheLastComponent) {
    EXPECT_EQ(TForm2::RemoveExtension(QStringLiteral("/a/my.film")), QStringLiteral("/a/my"));
    EXPECT_EQ(TForm2::RemoveExtension(QStringLiteral("/a/x.tar.gz")), QStringLiteral("/a/x.tar"));
    EXPECT_EQ(TForm2::RemoveExtension(QStringLiteral("/a.b/film")), QStringLiteral("/a.b/film"));
    EXPECT_EQ(TForm2::RemoveExtension(QStringLiteral("film")), QStringLiteral("film"));
}

} // namespace
