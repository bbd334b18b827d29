#include "PagesFixture.h"
#include "common/TestFiles.h"

#include <QTest>

namespace {

const QColor White(255, 255, 255);

} // namespace

class ResizePageTest : public PagesTest {
protected:
    void SetUp() override {
        Open(CopyFilm(QStringLiteral("pal_letterbox")));
        Activate(ResizePage);
    }
    QComboBox* Ratios() { return Find<QComboBox>("ComboBoxOutputProjectedRatio"); }
    QString Shown(const char* box) { return Edit(box)->text(); }
    void TypeWidth(const QString& text) {
        LabeledEdit* box = Edit("LabeledEditOutputWidth");
        Type(box, text);
        PressEnter(box);
    }
};

TEST_F(ResizePageTest, SetUpFillsTheListsAndChoosesAutomaticForANewFilm) {
    QStringList items;
    for (int i = 0; i < Ratios()->count(); ++i)
        items << Ratios()->itemText(i);
    EXPECT_EQ(items, (QStringList{"Manuel", "Automatique", "Conserver rapport", "Forcer 1.33:1 (4/3)",
                                  "Forcer 1.37:1 (Academy)", "Forcer 1.66:1 (Super 16)",
                                  "Forcer 1.70:1 (VistaVision)", "Forcer 1.78:1 (16/9)",
                                  "Forcer 1.85:1 (Academy Flat)", "Forcer 2.20:1 (Super Panavision 70)",
                                  "Forcer 2.35:1 (Academy Scope)", "Forcer 2.40:1 (Panavision)",
                                  "Forcer 2.55:1 (CinemaScope)", "Forcer 2.76:1 (MGM Camera 65)",
                                  "Forcer 3.00:1 (Cinerama)"}));
    EXPECT_EQ(Ratios()->currentIndex(), 1);
    EXPECT_EQ(Find<QComboBox>("ComboBoxOutputWidthMultiple")->currentText(), QStringLiteral("32"));
    EXPECT_EQ(Find<QComboBox>("ComboBoxOutputHeightMultiple")->currentText(), QStringLiteral("2"));
    // "Automatique": the whole 16/9 frame, 640 wide, gives 360 lines.
    EXPECT_EQ(Shown("LabeledEditOutputWidth"), QStringLiteral("640"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("360"));
    EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QStringLiteral("1,7778"));
    EXPECT_EQ(Find<QPushButton>("ButtonMinimizeAspectRatioError")->text(),
              QStringLiteral("Minimiser l'erreur d'aspect"));
    EXPECT_TRUE(Edit("LabeledEditOutputHeight")->isReadOnly());
    EXPECT_EQ(Background("LabeledEditOutputHeight"), WindowColour());
    EXPECT_EQ(Background("LabeledEditAspectRatioError2"), White);
    EXPECT_TRUE(Edit("LabeledEditOutputProjectedRatio")->isReadOnly());
}

TEST_F(ResizePageTest, ForcedRatiosGiveTheHeight) {
    const struct {
        int item;
        const char* height;
        const char* ratio;
    } cases[] = {{10, "272", "2,35"}, {3, "480", "1,33"}, {7, "360", "1,78"}, {14, "212", "3"}};
    for (const auto& c : cases) {
        Pick(Ratios(), c.item);
        EXPECT_EQ(Shown("LabeledEditOutputWidth"), QStringLiteral("640")) << c.item;
        EXPECT_EQ(Shown("LabeledEditOutputHeight"), QLatin1String(c.height)) << c.item;
        EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QLatin1String(c.ratio)) << c.item;
        // Any choice but "Manuel" keeps the ratio box read-only.
        EXPECT_TRUE(Edit("LabeledEditOutputProjectedRatio")->isReadOnly());
        EXPECT_EQ(Background("LabeledEditOutputProjectedRatio"), WindowColour());
    }
    // The fixed ratio stays when the crop changes.
    Activate(CropPage);
    Click("ButtonAutoCrop");
    Activate(ResizePage);
    EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QStringLiteral("3"));
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(ResizePageTest, AutomaticAndKeptRatioFollowTheCropMadeOnTheCropPage) {
    Activate(CropPage);
    Click("ButtonAutoCrop");
    Activate(ResizePage);
    // 720 x 432 shown as 16/9: 2.3704, 640 / 2.3704 = 270.
    EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QStringLiteral("2,3704"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("270"));
    EXPECT_EQ(Find<QLabel>("LabelCroppedWidth2")->text(), QStringLiteral("Hauteur :  432"));
    EXPECT_EQ(Find<QLabel>("LabelCroppedHeight2")->text(), QStringLiteral("Largeur :  720"));
    EXPECT_EQ(Find<QLabel>("LabelAspectRatio2")->text(), QStringLiteral("Aspect Ratio :  2,3704"));

    // "Conserver rapport": the pixels' own 720 / 432.
    Pick(Ratios(), 2);
    EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QStringLiteral("1,6667"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("384"));
    Activate(CropPage);
    QLineEdit* topBox = Line("EditUpDownTop");
    Type(topBox, QStringLiteral("0"));
    PressEnter(topBox);
    Activate(ResizePage);
    // 720 / 504.
    EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QStringLiteral("1,4286"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("448"));
}

TEST_F(ResizePageTest, ManualMakesTheRatioBoxEditableAndKeepsTheRatio) {
    Pick(Ratios(), 10);
    Pick(Ratios(), 0);
    LabeledEdit* ratio = Edit("LabeledEditOutputProjectedRatio");
    EXPECT_FALSE(ratio->isReadOnly());
    EXPECT_EQ(Background("LabeledEditOutputProjectedRatio"), White);
    EXPECT_EQ(ratio->text(), QStringLiteral("2,35"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("272"));

    // The key filter turns a typed point into the French separator.
    Type(ratio, QStringLiteral("1.85"));
    EXPECT_EQ(ratio->text(), QStringLiteral("1,85"));
    PressEnter(ratio);
    EXPECT_FLOAT_EQ(Project().OutputProjectedRatio, 1.85f);
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("346"));

    Type(ratio, QStringLiteral("2"));
    Leave(ratio);
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("320"));

    // Leaving the box untouched keeps the stored ratio and draws nothing.
    Pick(Ratios(), 1);
    Pick(Ratios(), 0);
    const float automatic = Project().OutputProjectedRatio;
    LabeledEdit* frameBox = Edit("LabeledEditFrameNumber3");
    frameBox->setText(QStringLiteral("unchanged"));
    ratio->setFocus(Qt::TabFocusReason);
    Leave(ratio);
    EXPECT_EQ(Project().OutputProjectedRatio, automatic);
    EXPECT_EQ(frameBox->text(), QStringLiteral("unchanged"));

    // Read-only again: leaving it does nothing at all.
    Pick(Ratios(), 3);
    Type(ratio, QStringLiteral("2"));
    Leave(ratio);
    EXPECT_FLOAT_EQ(Project().OutputProjectedRatio, 1.33f);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(ResizePageTest, BadRatioTextGivesTheTwoWarnings) {
    Pick(Ratios(), 8);
    Pick(Ratios(), 0);
    LabeledEdit* ratio = Edit("LabeledEditOutputProjectedRatio");

    Type(ratio, QStringLiteral(","));
    PressEnter(ratio);
    EXPECT_EQ(messages.Texts(),
              QStringList{"StrToFloat exception in TForm1.LabeledEditOutputRatioKeyDown !"});
    EXPECT_EQ(messages.messages.front().kind, RecordingMessageSink::Kind::Warning);
    EXPECT_EQ(ratio->text(), QStringLiteral(","));
    messages.Clear();

    // Leaving puts back the stored ratio with all its digits, then warns.
    Leave(ratio);
    EXPECT_EQ(ratio->text(), QStringLiteral("1,85000002384186"));
    EXPECT_EQ(messages.Texts(),
              QStringList{"StrToFloat exception in TForm1.LabeledEditOutputProjectedRatio !"});
    messages.Clear();

    // A ratio below 1 is the project's to refuse; the box then shows the former ratio.
    Type(ratio, QStringLiteral("0,5"));
    PressEnter(ratio);
    EXPECT_EQ(messages.Texts(), QStringList{"OutputProjectedRatio must be higher than 1 !"});
    EXPECT_EQ(ratio->text(), QStringLiteral("1,85"));
    EXPECT_FLOAT_EQ(Project().OutputProjectedRatio, 1.85f);
}

TEST_F(ResizePageTest, WidthBoxTakesWidthsFromTwentyFiveToTheCroppedWidth) {
    TypeWidth(QStringLiteral("500"));
    // Aligned to the nearer multiple of 32 below.
    EXPECT_EQ(Shown("LabeledEditOutputWidth"), QStringLiteral("480"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("270"));
    EXPECT_EQ(Project().OutputWidth, 480);
    EXPECT_EQ(Find<UpDown>("UpDownOutputWidth")->Position(), 480);

    LabeledEdit* box = Edit("LabeledEditOutputWidth");
    for (const QString& invalid : {QStringLiteral("24"), QStringLiteral("721"), QString()}) {
        Type(box, invalid);
        PressEnter(box);
        EXPECT_EQ(box->text(), invalid);
        EXPECT_EQ(Project().OutputWidth, 480);
        Leave(box);
        EXPECT_EQ(box->text(), QStringLiteral("480"));
    }

    // Typing the current width again and leaving draws nothing.
    LabeledEdit* frameBox = Edit("LabeledEditFrameNumber3");
    frameBox->setText(QStringLiteral("unchanged"));
    Type(box, QStringLiteral("480"));
    Leave(box);
    EXPECT_EQ(frameBox->text(), QStringLiteral("unchanged"));

    Type(box, QStringLiteral("720"));
    Leave(box);
    EXPECT_EQ(Project().OutputWidth, 704);
    EXPECT_EQ(frameBox->text(), QStringLiteral("0"));
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(ResizePageTest, WidthMultipleRealignsAndSetsTheSpinnerStep) {
    Pick(Find<QComboBox>("ComboBoxOutputWidthMultiple"), 2);
    TypeWidth(QStringLiteral("648"));
    EXPECT_EQ(Project().OutputWidth, 648);
    Pick(Find<QComboBox>("ComboBoxOutputWidthMultiple"), 4);
    EXPECT_EQ(Project().OutputWidthMultiple, 32);
    EXPECT_EQ(Shown("LabeledEditOutputWidth"), QStringLiteral("640"));

    UpDown* spinner = Find<UpDown>("UpDownOutputWidth");
    spinner->Press(UpDown::Button::Next);
    EXPECT_EQ(Shown("LabeledEditOutputWidth"), QStringLiteral("672"));
    spinner->Press(UpDown::Button::Previous);
    spinner->Press(UpDown::Button::Previous);
    EXPECT_EQ(Shown("LabeledEditOutputWidth"), QStringLiteral("608"));

    // Down to the spinner's minimum of 25, which the project aligns up to one multiple.
    for (int i = 0; i < 30; ++i)
        spinner->Press(UpDown::Button::Previous);
    EXPECT_EQ(Project().OutputWidth, 32);
    EXPECT_GT(Project().OutputHeight, 0);

    // Height multiple 16: 640 / 1.7778 = 360, aligned to 352.
    TypeWidth(QStringLiteral("640"));
    Pick(Find<QComboBox>("ComboBoxOutputHeightMultiple"), 3);
    EXPECT_EQ(Project().OutputHeightMultiple, 16);
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("352"));
}

TEST_F(ResizePageTest, MinimiseThenUndoRestoresTheCropsAndTheCaption) {
    Activate(CropPage);
    Click("ButtonAutoCrop");
    Activate(ResizePage);
    Pick(Ratios(), 9);
    ASSERT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("290"));
    auto* button = Find<QPushButton>("ButtonMinimizeAspectRatioError");

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), QStringLiteral("Annuler les modifications"));
    EXPECT_TRUE(window->Resizing().IsAspectRatioErrorMinimized());
    // 640 / 2.2 rounds to 291 lines: the output takes 292, and the picture gets back the 35
    // lines (aligned to 34) that make its shape match.
    EXPECT_EQ(Project().CropTop, 54);
    EXPECT_EQ(Project().CropBottom, 54);
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("292"));
    EXPECT_EQ(Find<QLabel>("LabelCroppedWidth2")->text(), QStringLiteral("Hauteur :  468"));

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), QStringLiteral("Minimiser l'erreur d'aspect"));
    EXPECT_EQ(Project().CropTop, 72);
    EXPECT_EQ(Project().CropBottom, 72);
    EXPECT_EQ(Find<QLabel>("LabelCroppedWidth2")->text(), QStringLiteral("Hauteur :  432"));
}

TEST_F(ResizePageTest, PreviewShowsTheCroppedPictureStretchedToTheOutputSize) {
    Activate(CropPage);
    Click("ButtonAutoCrop");
    Activate(ResizePage);
    ASSERT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("270"));
    const QImage picture = Find<ImageCanvas>("Image3")->Picture();
    const QColor background = window->palette().color(QPalette::Button);
    // 640 x 270 centred in 720 x 576: from (40, 153) to (679, 422).
    EXPECT_EQ(QColor(picture.pixel(39, 288)), background);
    EXPECT_EQ(QColor(picture.pixel(680, 288)), background);
    EXPECT_EQ(QColor(picture.pixel(360, 152)), background);
    EXPECT_EQ(QColor(picture.pixel(360, 423)), background);
    // The black bands are cropped away: the output's first and last lines are the grey border
    // around the pattern (mean luma 126 in the stream, about 128 in RGB).
    for (const QPoint& p : {QPoint(360, 153), QPoint(360, 422), QPoint(40, 288), QPoint(679, 288)}) {
        const QColor c(picture.pixel(p));
        EXPECT_NEAR(c.red(), 128, 20) << p.x() << "," << p.y();
        EXPECT_NEAR(c.green(), 128, 20) << p.x() << "," << p.y();
        EXPECT_NEAR(c.blue(), 128, 20) << p.x() << "," << p.y();
    }
}

// Multiples that the lists do not offer, read from a settings file, are replaced at opening.
TEST_F(PagesTest, StoredMultiplesOutsideTheListsAreReplaced) {
    const QString d2v = CopyFilm(QStringLiteral("pal_letterbox"));
    QFile ini(folder.filePath(QStringLiteral("film.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Cropping]\r\nCropsMultiple=4\r\n[Resizing]\r\nOutputWidthMultiple=12\r\nOutputHeightMultiple="
              "6\r\n");
    ini.close();
    Open(d2v);

    Activate(CropPage);
    EXPECT_EQ(Find<QComboBox>("ComboBoxCropsMultiple")->currentText(), QStringLiteral("2"));
    EXPECT_EQ(Project().CropsMultiple, 2);
    // The spinners keep the stored step until "Modulo" is changed.
    Find<UpDown>("UpDownTop")->Press(UpDown::Button::Previous);
    EXPECT_EQ(Project().CropTop, 4);

    Activate(ResizePage);
    EXPECT_EQ(Find<QComboBox>("ComboBoxOutputWidthMultiple")->currentText(), QStringLiteral("32"));
    EXPECT_EQ(Project().OutputWidthMultiple, 32);
    EXPECT_EQ(Find<QComboBox>("ComboBoxOutputHeightMultiple")->currentText(), QStringLiteral("2"));
    EXPECT_EQ(Project().OutputHeightMultiple, 2);
    EXPECT_EQ(Find<UpDown>("UpDownOutputWidth")->Increment(), 32);
    // The settings file existed: "Manuel", with the ratio in force (PAL's 1.25 by default).
    EXPECT_EQ(Find<QComboBox>("ComboBoxOutputProjectedRatio")->currentIndex(), 0);
    EXPECT_EQ(Edit("LabeledEditOutputProjectedRatio")->text(), QStringLiteral("1,25"));
    // 640 aligned to 12 was 636; realigned to 32 it is 608, and 608 / 1.25 gives 486.
    EXPECT_EQ(Edit("LabeledEditOutputWidth")->text(), QStringLiteral("608"));
    EXPECT_EQ(Edit("LabeledEditOutputHeight")->text(), QStringLiteral("486"));
}

// 704 active columns: the 16/9 picture is 1.8182 wide on both pages, "Automatique" follows, and the
// choice comes back with the film.
TEST_F(ResizePageTest, ActiveWidthChangesTheAspectFiguresAndIsKept) {
    auto* widths = Find<QComboBox>("ComboBoxActiveWidth");
    EXPECT_EQ(Find<QLabel>("LabelActiveWidth")->text(), QStringLiteral("Largeur active :"));
    ASSERT_EQ(widths->count(), 2);
    EXPECT_EQ(widths->itemText(0), QStringLiteral("720 (générique)"));
    EXPECT_EQ(widths->itemText(1), QStringLiteral("704 (ITU-R BT.601)"));
    EXPECT_EQ(widths->currentIndex(), 0);
    EXPECT_EQ(Find<QLabel>("LabelAspectRatio2")->text(), QStringLiteral("Aspect Ratio :  1,7778"));

    Pick(widths, 1);
    EXPECT_EQ(Find<QLabel>("LabelAspectRatio2")->text(), QStringLiteral("Aspect Ratio :  1,8182"));
    EXPECT_EQ(Shown("LabeledEditOutputProjectedRatio"), QStringLiteral("1,8182"));
    EXPECT_EQ(Shown("LabeledEditOutputHeight"), QStringLiteral("352")); // 640 / 1.8182
    Activate(CropPage);
    EXPECT_EQ(Find<QLabel>("LabelAspectRatio1")->text(), QStringLiteral("Aspect Ratio :  1,8182"));
    EXPECT_EQ(Line("LabeledEditAspectRatioError1")->text(), QStringLiteral("0"));
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();

    messages.answers.push_back(true);
    ASSERT_TRUE(window->close());
    EXPECT_TRUE(ReadBytes(folder.filePath(QStringLiteral("film.ini"))).contains("\r\nActiveWidth=704\r\n"));
    window.reset();
    Open(folder.filePath(QStringLiteral("film.d2v")));
    Activate(ResizePage);
    EXPECT_EQ(Find<QComboBox>("ComboBoxActiveWidth")->currentIndex(), 1);
    EXPECT_EQ(Find<QLabel>("LabelAspectRatio2")->text(), QStringLiteral("Aspect Ratio :  1,8182"));
}
