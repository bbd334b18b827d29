#include "CalculatorFixture.h"

#include "model/UseFullUnit.h"
#include "ui/EnterManualSize.h"

#include <QFocusEvent>

namespace {

// 128 bytes per second for each kbit/s over the 6000 s film.
uint16_t ExpectedBitRate(uint32_t mainVideoSize) {
    return uint16_t(mainVideoSize / (6000u * 128u));
}

QString BitRateText(uint16_t bitRate) {
    return QStringLiteral("BitRate :  %1 KBits/s").arg(bitRate);
}

} // namespace

TEST_F(CalculatorTest, ShowingWritesEverySizeAndTheResults) {
    ASSERT_TRUE(project.SetSubTitlesSize(2048));
    ShowCalculator();
    EXPECT_EQ(Child<QLineEdit>("LabeledEditMediumSize")->text(), QStringLiteral("737280000"));
    EXPECT_EQ(Child<QLineEdit>("LabeledEditAudioSize")->text(), QStringLiteral("0"));
    EXPECT_EQ(Child<QLineEdit>("LabeledEditSubTitlesSize")->text(), QStringLiteral("2048"));
    EXPECT_EQ(Child<QLabel>("LabelSubTitlesSize")->text(),
              QStringLiteral("Octets, soit ") + SizeToString(2048));
    EXPECT_EQ(Child<QLabel>("LabelMediumSize")->text(),
              QStringLiteral("Octets, soit ") + SizeToString(OneCd700));
    EXPECT_EQ(Child<QLabel>("LabelMainVideoSize")->text(),
              QStringLiteral("Taille pour la Vidéo principale:  ") + SizeToString(OneCd700 - 2048));
    EXPECT_EQ(Child<QLabel>("LabelBitRate")->text(), BitRateText(ExpectedBitRate(OneCd700 - 2048)));
    const QString pixel = Child<QLabel>("LabelBitsPerPixel")->text();
    EXPECT_TRUE(pixel.startsWith(QStringLiteral("Taille moyenne d'un Pixel :  "))) << pixel.toStdString();
    EXPECT_TRUE(pixel.endsWith(QStringLiteral(" Bits/Pixel"))) << pixel.toStdString();
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CalculatorTest, ReturnInABoxSetsThatSizeAndTheBitRateFollows) {
    ShowCalculator();
    QLineEdit* audio = Child<QLineEdit>("LabeledEditAudioSize");
    audio->setFocus();
    TypeAndReturn(audio, QStringLiteral("104857600"));
    EXPECT_EQ(project.AudioSize, 104857600u);
    EXPECT_EQ(project.BitRate, ExpectedBitRate(OneCd700 - 104857600));
    EXPECT_EQ(Child<QLabel>("LabelBitRate")->text(), BitRateText(project.BitRate));
    EXPECT_EQ(Child<QLabel>("LabelAudioSize")->text(), QStringLiteral("Octets, soit 102400 Ko ( 100 Mo )"));
    EXPECT_EQ(calculator->FormSender, AudioKind);
}

TEST_F(CalculatorTest, KeysOtherThanDigitsNeverReachABox) {
    ShowCalculator();
    QLineEdit* medium = Child<QLineEdit>("LabeledEditMediumSize");
    medium->selectAll();
    QTest::keyClick(medium, Qt::Key_Backspace);
    QTest::keyClicks(medium, QStringLiteral("-1a2.3 4"));
    EXPECT_EQ(medium->text(), QStringLiteral("1234"));
}

TEST_F(CalculatorTest, LeavingABoxAppliesItAndAnEmptyBoxIsZero) {
    ASSERT_TRUE(project.SetSubTitlesSize(5000));
    ShowCalculator();
    QLineEdit* subTitles = Child<QLineEdit>("LabeledEditSubTitlesSize");
    subTitles->setFocus();
    subTitles->clear();
    Child<QLineEdit>("LabeledEditAudioSize")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(project.SubTitlesSize, 0u);
    EXPECT_EQ(subTitles->text(), QStringLiteral("0"));
    EXPECT_EQ(calculator->FormSender, SubTitlesKind);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CalculatorTest, FocusLostToAMessageBoxDoesNotApplyTheBoxTwice) {
    ShowCalculator();
    QLineEdit* audio = Child<QLineEdit>("LabeledEditAudioSize");
    audio->setText(QStringLiteral("1"));
    QFocusEvent lostToWindow(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(audio, &lostToWindow);
    EXPECT_EQ(project.AudioSize, 0u);
}

TEST_F(CalculatorTest, PastedTextThatIsNoNumberWarnsAndGivesTheLargestSize) {
    ShowCalculator();
    QLineEdit* audio = Child<QLineEdit>("LabeledEditAudioSize");
    audio->setFocus();
    audio->setText(QStringLiteral("12a"));
    QTest::keyClick(audio, Qt::Key_Return);
    EXPECT_EQ(project.AudioSize, 4294967295u);
    EXPECT_EQ(project.MainVideoSize, 0u);
    EXPECT_EQ(project.BitRate, 0u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Warning);
}

TEST_F(CalculatorTest, ResetClearsOnlyItsOwnRow) {
    ASSERT_TRUE(project.SetAudioSize(1000));
    ASSERT_TRUE(project.SetSubTitlesSize(2000));
    ShowCalculator();
    Click("ButtonSubTitlesReset");
    EXPECT_EQ(project.SubTitlesSize, 0u);
    EXPECT_EQ(project.AudioSize, 1000u);
    EXPECT_EQ(project.MediumSize, OneCd700);
    EXPECT_EQ(Child<QLineEdit>("LabeledEditSubTitlesSize")->text(), QStringLiteral("0"));
    EXPECT_EQ(Child<QLabel>("LabelBitRate")->text(), BitRateText(ExpectedBitRate(OneCd700 - 1000)));
    Click("ButtonAudioReset");
    EXPECT_EQ(project.AudioSize, 0u);
    EXPECT_EQ(project.BitRate, 960u);
}

struct SenderCase {
    const char* control;
    uint8_t kind;
};

inline void PrintTo(const SenderCase& c, std::ostream* os) {
    *os << c.control;
}

class FormSenderTest : public CalculatorTest, public ::testing::WithParamInterface<SenderCase> {};

TEST_P(FormSenderTest, EachControlNamesItsSize) {
    // Start from a kind the control does not name, so the test sees the change.
    calculator->FormSender = GetParam().kind == AudioKind ? MediumKind : AudioKind;
    calculator->SetFormSender(calculator->findChild<QObject*>(QLatin1String(GetParam().control)));
    EXPECT_EQ(calculator->FormSender, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Controls, FormSenderTest,
                         ::testing::Values(SenderCase{"ButtonNewMedium1", MediumKind},
                                           SenderCase{"LabeledEditMediumSize", MediumKind},
                                           SenderCase{"ButtonAddAudio1", AudioKind},
                                           SenderCase{"ButtonAddAudio2", AudioKind},
                                           SenderCase{"ButtonAddAudio3", AudioKind},
                                           SenderCase{"ButtonAudioReset", AudioKind},
                                           SenderCase{"LabeledEditAudioSize", AudioKind},
                                           SenderCase{"ButtonAddSubTitles1", SubTitlesKind},
                                           SenderCase{"ButtonAddSubTitles3", SubTitlesKind},
                                           SenderCase{"ButtonSubTitlesReset", SubTitlesKind},
                                           SenderCase{"LabeledEditSubTitlesSize", SubTitlesKind},
                                           SenderCase{"ButtonAddCreditsVideo1", CreditsVideoKind},
                                           SenderCase{"ButtonAddCreditsVideo2", CreditsVideoKind},
                                           SenderCase{"ButtonAddCreditsVideo3", CreditsVideoKind},
                                           SenderCase{"ButtonCreditsVideoReset", CreditsVideoKind},
                                           SenderCase{"LabeledEditCreditsVideoSize", CreditsVideoKind}));

TEST_F(CalculatorTest, OtherControlsLeaveFormSender) {
    calculator->FormSender = SubTitlesKind;
    calculator->SetFormSender(Child<QPushButton>("ButtonComeBack"));
    calculator->SetFormSender(Child<QLabel>("LabelBitRate"));
    calculator->SetFormSender(nullptr);
    EXPECT_EQ(calculator->FormSender, SubTitlesKind);
}

struct CreditsModeCase {
    uint8_t mode;
    bool isShown;
    uint32_t creditsAfterShowing;
};

inline void PrintTo(const CreditsModeCase& c, std::ostream* os) {
    *os << "mode " << int(c.mode);
}

class CreditsModeTest : public CalculatorTest, public ::testing::WithParamInterface<CreditsModeCase> {};

TEST_P(CreditsModeTest, TheCreditsRowFollowsTheMode) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    ASSERT_TRUE(project.SetCreditsVideoSize(7000));
    if (GetParam().mode == 0) {
        // Unticking "Mode Crédits" leaves mode 2 without resetting the credits size.
        project.SetIsCreditsModeSelected(false);
        ASSERT_EQ(project.CreditsVideoSize, 7000u);
    } else if (GetParam().mode == 1) {
        ASSERT_TRUE(project.SetCreditsMode(1));
    }
    ASSERT_EQ(project.CreditsMode, GetParam().mode);
    ShowCalculator();
    EXPECT_EQ(Child<QGroupBox>("GroupBoxCreditsVideoSize")->isVisible(), GetParam().isShown);
    EXPECT_EQ(project.CreditsVideoSize, GetParam().creditsAfterShowing);
    EXPECT_EQ(Child<QLineEdit>("LabeledEditCreditsVideoSize")->text(),
              QString::number(GetParam().creditsAfterShowing));
}

INSTANTIATE_TEST_SUITE_P(Modes, CreditsModeTest,
                         ::testing::Values(CreditsModeCase{0, false, 0}, CreditsModeCase{1, false, 0},
                                           CreditsModeCase{2, true, 7000}));

TEST_F(CalculatorTest, TwoFilesAddTheirSizes) {
    ASSERT_TRUE(project.SetAudioSize(500));
    const QString first = dir.filePath(QStringLiteral("piste 1.ac3"));
    const QString second = dir.filePath(QStringLiteral("piste 2.ac3"));
    for (const auto& [path, bytes] : {std::pair{first, 1000}, std::pair{second, 2000}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(QByteArray(bytes, 'a')), bytes);
    }
    seam.openFileNames = {first, second};
    ShowCalculator();
    Click("ButtonAddAudio3");
    Click("ButtonAddAudio3");
    EXPECT_EQ(project.AudioSize, 3500u);
    EXPECT_EQ(Child<QLineEdit>("LabeledEditAudioSize")->text(), QStringLiteral("3500"));
    EXPECT_EQ(Child<QLabel>("LabelBitRate")->text(), BitRateText(ExpectedBitRate(OneCd700 - 3500)));
    ASSERT_EQ(seam.openCalls.size(), 2u);
    EXPECT_EQ(seam.openCalls[0].caption, QStringLiteral("Sélection d'un fichier Audio"));
    EXPECT_EQ(seam.openCalls[0].directory, dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(sink.messages.empty());
}

struct FileKindCase {
    const char* button;
    const char* caption;
    uint8_t kind;
};

inline void PrintTo(const FileKindCase& c, std::ostream* os) {
    *os << c.button;
}

class FileKindTest : public CalculatorTest, public ::testing::WithParamInterface<FileKindCase> {};

TEST_P(FileKindTest, EachRowAsksForItsKindOfFile) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    const QString path = dir.filePath(QStringLiteral("stream"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(QByteArray(4321, 'x')), 4321);
    file.close();
    seam.openFileNames = {path};
    ShowCalculator();
    Click(GetParam().button);
    ASSERT_EQ(seam.openCalls.size(), 1u);
    EXPECT_EQ(seam.openCalls[0].caption, QString::fromUtf8(GetParam().caption));
    EXPECT_EQ(SizeOfKind(project, GetParam().kind), 4321u);
    EXPECT_EQ(calculator->FormSender, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Rows, FileKindTest,
                         ::testing::Values(FileKindCase{"ButtonAddAudio3", "Sélection d'un fichier Audio",
                                                        AudioKind},
                                           FileKindCase{"ButtonAddSubTitles3",
                                                        "Sélection d'un fichier Sous-Titres", SubTitlesKind},
                                           FileKindCase{"ButtonAddCreditsVideo3",
                                                        "Sélection d'un fichier Vidéo", CreditsVideoKind}));

TEST_F(CalculatorTest, CancellingTheFileDialogAddsNothing) {
    ShowCalculator();
    Click("ButtonAddSubTitles3");
    EXPECT_EQ(seam.openCalls.size(), 1u);
    EXPECT_EQ(project.SubTitlesSize, 0u);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CalculatorTest, AFileThatCannotBeReadIsNamedAndNothingIsAdded) {
    ASSERT_TRUE(project.SetAudioSize(100));
    const QString missing = dir.filePath(QStringLiteral("absent.ac3"));
    seam.openFileNames = {missing};
    ShowCalculator();
    Click("ButtonAddAudio3");
    EXPECT_EQ(project.AudioSize, 100u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].text.contains(missing)) << sink.messages[0].text.toStdString();
}

TEST_F(CalculatorTest, TheMediumRowHasNoFileButton) {
    calculator->FormSender = MediumKind;
    calculator->OnButton3Click(nullptr);
    EXPECT_TRUE(seam.openCalls.empty());
    EXPECT_EQ(sink.Texts(), QStringList{QStringLiteral("Invalid FormSender in TForm3.OnButton3Click !")});
}

TEST_F(CalculatorTest, AFileOfFourGigabytesIsRefusedNotWrapped) {
    ASSERT_TRUE(project.SetAudioSize(1000));
    const QString big = dir.filePath(QStringLiteral("big.ac3"));
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Sparse: the size is there without the disk space.
    ASSERT_TRUE(file.resize(qint64{4294967296} + 1000));
    file.close();
    seam.openFileNames = {big};
    ShowCalculator();
    Click("ButtonAddAudio3");
    EXPECT_EQ(project.AudioSize, 1000u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")))
        << sink.messages[0].text.toStdString();
}

TEST_F(CalculatorTest, ASumPastTheLimitKeepsThePreviousSize) {
    ASSERT_TRUE(project.SetSubTitlesSize(300000000));
    ShowCalculator();
    QLineEdit* audio = Child<QLineEdit>("LabeledEditAudioSize");
    audio->setFocus();
    TypeAndReturn(audio, QStringLiteral("4000000000"));
    EXPECT_EQ(project.AudioSize, 0u);
    EXPECT_EQ(audio->text(), QStringLiteral("0"));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")));
}

TEST_F(CalculatorTest, AManualEntryClosedWithValiderRefreshesTheCalculator) {
    seam.scripts.push_back([](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("128"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddAudio1");
    ASSERT_EQ(seam.modalNames, std::vector<QString>{QStringLiteral("TFormEnterManualSize")});
    EXPECT_EQ(project.AudioSize, 134217728u);
    EXPECT_EQ(Child<QLineEdit>("LabeledEditAudioSize")->text(), QStringLiteral("134217728"));
    EXPECT_EQ(Child<QLabel>("LabelBitRate")->text(), BitRateText(ExpectedBitRate(OneCd700 - 134217728)));
    // The dialog is made once and kept.
    TFormEnterManualSize* first = calculator->FormEnterManualSize;
    seam.scripts.push_back([](QDialog* dialog) { ClickIn(dialog, "ButtonCancel"); });
    Click("ButtonAddSubTitles1");
    EXPECT_EQ(calculator->FormEnterManualSize, first);
    EXPECT_EQ(project.SubTitlesSize, 0u);
}

TEST_F(CalculatorTest, RetourClosesAndKeepsTheChanges) {
    ShowCalculator();
    TypeAndReturn(Child<QLineEdit>("LabeledEditAudioSize"), QStringLiteral("4096"));
    Click("ButtonComeBack");
    EXPECT_FALSE(calculator->isVisible());
    EXPECT_EQ(project.AudioSize, 4096u);
}

// The checked-in PAL film, opened through the real decoder library.
TEST(CalculatorOnRealFilm, AddsAManualSizeToARealProject) {
    RecordingMessageSink sink;
    ScriptedUiSeam seam;
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(TestDataPath(QStringLiteral("pal_letterbox/film.d2v"))))
        << sink.Texts().join(QLatin1Char('\n')).toStdString();
    // 360 frames at 25 fps.
    ASSERT_EQ(project.InputNumberOfFrames, 360u);
    const uint32_t before = project.MainVideoSize;
    TForm3 calculator(nullptr, &project);
    seam.scripts.push_back([](QDialog* dialog) {
        CalculatorTest::TypeAndReturn(dialog->findChild<QLineEdit*>(QStringLiteral("LabeledEditNumber")),
                                      QStringLiteral("700"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ButtonEnter")), Qt::LeftButton);
    });
    calculator.show();
    QTest::mouseClick(calculator.findChild<QPushButton*>(QStringLiteral("ButtonAddSubTitles1")),
                      Qt::LeftButton);
    // Subtitles are entered in Ko: 700 Ko.
    EXPECT_EQ(project.SubTitlesSize, 716800u);
    EXPECT_EQ(project.MainVideoSize, before - 716800u);
    EXPECT_EQ(calculator.findChild<QLabel*>(QStringLiteral("LabelMainVideoSize"))->text(),
              QStringLiteral("Taille pour la Vidéo principale:  ") + SizeToString(before - 716800u));
}
