#include "CalculatorFixture.h"

#include "model/UseFullUnit.h"
#include "ui/EnterManualSize.h"

#include <QLocale>

namespace {

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

const QStringList ThreeUnits{QStringLiteral("Octets"), QStringLiteral("Ko"), QStringLiteral("Mo")};
const QStringList FiveUnits{QStringLiteral("Octets"), QStringLiteral("Ko"), QStringLiteral("Mo"),
                            QStringLiteral("CD(s) 650 Mo"), QStringLiteral("CD(s) 700 Mo")};

} // namespace

TEST_F(CalculatorTest, Manual128MoIsAddedToTheAudio) {
    ASSERT_TRUE(project.SetAudioSize(1000));
    seam.scripts.push_back([](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("128"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddAudio1");
    EXPECT_EQ(project.AudioSize, 1000u + 134217728u);
    EXPECT_TRUE(sink.messages.empty());
}

struct PreselectionCase {
    const char* button;
    uint8_t kind;
    const char* number;
    int unit;
};

inline void PrintTo(const PreselectionCase& c, std::ostream* os) {
    *os << c.button;
}

class PreselectionTest : public CalculatorTest, public ::testing::WithParamInterface<PreselectionCase> {};

TEST_P(PreselectionTest, EachSizeOpensWithItsNumberAndUnit) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    QString number;
    int unit = -1;
    seam.scripts.push_back([&](QDialog* dialog) {
        number = In<QLineEdit>(dialog, "LabeledEditNumber")->text();
        unit = In<QComboBox>(dialog, "ComboBoxUnit")->currentIndex();
        ClickIn(dialog, "ButtonCancel");
    });
    ShowCalculator();
    Click(GetParam().button);
    EXPECT_EQ(calculator->FormSender, GetParam().kind);
    EXPECT_EQ(number, QLatin1String(GetParam().number));
    EXPECT_EQ(unit, GetParam().unit);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PreselectionTest,
                         ::testing::Values(PreselectionCase{"ButtonAddAudio1", AudioKind, "0", 2},
                                           PreselectionCase{"ButtonAddSubTitles1", SubTitlesKind, "0", 1},
                                           PreselectionCase{"ButtonAddCreditsVideo1", CreditsVideoKind, "0",
                                                            2},
                                           PreselectionCase{"ButtonNewMedium1", MediumKind, "1", 4}));

TEST_F(CalculatorTest, TwoCdsOf650ReplaceTheMedium) {
    ASSERT_TRUE(project.SetMediumSize(1000000000));
    uint32_t mediumWhileOpen = 0;
    QString bitRateWhileOpen;
    seam.scripts.push_back([&](QDialog* dialog) {
        mediumWhileOpen = project.MediumSize;
        bitRateWhileOpen = In<QLabel>(dialog, "LabelBitRate")->text();
        auto* unit = In<QComboBox>(dialog, "ComboBoxUnit");
        QTest::keyClick(unit, Qt::Key_Up);
        EXPECT_EQ(unit->currentText(), QStringLiteral("CD(s) 650 Mo"));
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("2"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonNewMedium1");
    // One 700 Mo CD is set as soon as the dialog shows, and the results already say so.
    EXPECT_EQ(mediumWhileOpen, OneCd700);
    EXPECT_EQ(bitRateWhileOpen, QStringLiteral("BitRate :  960 KBits/s"));
    EXPECT_EQ(project.MediumSize, 1363968000u);
    EXPECT_EQ(Child<QLineEdit>("LabeledEditMediumSize")->text(), QStringLiteral("1363968000"));
}

struct CloseCase {
    const char* how;
    std::function<void(QDialog*)> close;
};

inline void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.how;
}

class ManualCancelTest : public CalculatorTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ManualCancelTest, ClosingWithoutValiderPutsTheSizeBack) {
    ASSERT_TRUE(project.SetMediumSize(1000000000));
    ASSERT_TRUE(project.SetAudioSize(5000));
    const auto close = GetParam().close;
    seam.scripts.push_back([close](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("3"));
        close(dialog);
    });
    seam.scripts.push_back([close](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("3"));
        close(dialog);
    });
    ShowCalculator();
    Click("ButtonNewMedium1");
    EXPECT_EQ(project.MediumSize, 1000000000u);
    Click("ButtonAddAudio1");
    EXPECT_EQ(project.AudioSize, 5000u);
    EXPECT_EQ(Child<QLineEdit>("LabeledEditMediumSize")->text(), QStringLiteral("1000000000"));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ManualCancelTest,
    ::testing::Values(CloseCase{"Annuler", [](QDialog* d) { CalculatorTest::ClickIn(d, "ButtonCancel"); }},
                      CloseCase{"CloseBox", [](QDialog* d) { d->close(); }},
                      CloseCase{"Escape", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }}),
    [](const ::testing::TestParamInfo<CloseCase>& param) { return std::string(param.param.how); });

TEST_F(CalculatorTest, CdUnitsAppearOnceTheMediumWasEdited) {
    QStringList before;
    QStringList after;
    seam.scripts.push_back([&](QDialog* dialog) {
        before = Items(In<QComboBox>(dialog, "ComboBoxUnit"));
        ClickIn(dialog, "ButtonCancel");
    });
    seam.scripts.push_back([](QDialog* dialog) { ClickIn(dialog, "ButtonCancel"); });
    seam.scripts.push_back([&](QDialog* dialog) {
        after = Items(In<QComboBox>(dialog, "ComboBoxUnit"));
        auto* unit = In<QComboBox>(dialog, "ComboBoxUnit");
        // One CD of 650 Mo of audio.
        QTest::keyClick(unit, Qt::Key_Down);
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("1"));
        ClickIn(dialog, "ButtonEnter");
    });
    seam.scripts.push_back([&](QDialog* dialog) {
        EXPECT_EQ(Items(In<QComboBox>(dialog, "ComboBoxUnit")), FiveUnits);
        ClickIn(dialog, "ButtonCancel");
    });
    ShowCalculator();
    Click("ButtonAddAudio1");
    Click("ButtonNewMedium1");
    Click("ButtonAddAudio1");
    Click("ButtonNewMedium1");
    EXPECT_EQ(before, ThreeUnits);
    EXPECT_EQ(after, FiveUnits);
    EXPECT_EQ(project.AudioSize, 681984000u);
}

TEST_F(CalculatorTest, CommaAndPointGiveTheSameNumber) {
    const QString separator = QLocale::system().decimalPoint();
    std::vector<uint32_t> entered;
    for (const QString& typed : {QStringLiteral("12,5"), QStringLiteral("12.5")}) {
        seam.scripts.push_back([&, typed](QDialog* dialog) {
            auto* number = In<QLineEdit>(dialog, "LabeledEditNumber");
            TypeAndReturn(number, typed);
            // Both characters become the locale's separator as they are typed.
            EXPECT_EQ(number->text(), QStringLiteral("12") + separator + QStringLiteral("5"));
            entered.push_back(static_cast<TFormEnterManualSize*>(dialog)->EnteredSize);
            ClickIn(dialog, "ButtonEnter");
        });
    }
    ShowCalculator();
    Click("ButtonAddAudio1");
    Click("ButtonAddAudio1");
    // 12.5 x 1048576.
    EXPECT_EQ(entered, (std::vector<uint32_t>{13107200, 13107200}));
    EXPECT_EQ(project.AudioSize, 26214400u);
}

TEST_F(CalculatorTest, LeavingTheNumberTakesItBeforeValider) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    seam.scripts.push_back([](QDialog* dialog) {
        // The offscreen platform does not hand the activation to a modal window by itself.
        QApplication::setActiveWindow(dialog);
        ASSERT_EQ(QApplication::activeWindow(), dialog);
        auto* number = In<QLineEdit>(dialog, "LabeledEditNumber");
        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, QStringLiteral("3"));
        // The click moves the focus to the button first, which takes the number.
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddCreditsVideo1");
    EXPECT_EQ(calculator->FormSender, CreditsVideoKind);
    EXPECT_EQ(project.CreditsVideoSize, 3u * 1048576u);
}

TEST_F(CalculatorTest, AnUnreadableNumberKeepsTheLastGoodOne) {
    uint32_t afterReturn = 0;
    seam.scripts.push_back([&](QDialog* dialog) {
        auto* number = In<QLineEdit>(dialog, "LabeledEditNumber");
        TypeAndReturn(number, QStringLiteral("2"));
        // Return on an empty box: nothing said, nothing taken.
        TypeAndReturn(number, QString());
        afterReturn = static_cast<TFormEnterManualSize*>(dialog)->EnteredSize;
        EXPECT_TRUE(sink.messages.empty());
        // A unit change on an empty box warns, and the unit stays what the size was made of.
        auto* unit = In<QComboBox>(dialog, "ComboBoxUnit");
        QTest::keyClick(unit, Qt::Key_Up);
        EXPECT_EQ(sink.Texts(),
                  QStringList{QStringLiteral("StrToFloat exception in TForm4.ComboBoxUnitChange !")});
        EXPECT_EQ(unit->currentText(), QStringLiteral("Mo"));
        // Leaving the empty box puts back the number the size was made of.
        static_cast<TFormEnterManualSize*>(dialog)->LabeledEditNumberExit();
        EXPECT_EQ(number->text(), QStringLiteral("2"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddAudio1");
    EXPECT_EQ(afterReturn, 2u * 1048576u);
    EXPECT_EQ(project.AudioSize, 2u * 1048576u);
}

TEST_F(CalculatorTest, SixCdsAreRefusedAndTheMediumKeepsOne) {
    seam.scripts.push_back([&](QDialog* dialog) {
        auto* number = In<QLineEdit>(dialog, "LabeledEditNumber");
        TypeAndReturn(number, QStringLiteral("6"));
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")));
        EXPECT_EQ(number->text(), QStringLiteral("1"));
        EXPECT_EQ(static_cast<TFormEnterManualSize*>(dialog)->EnteredSize, OneCd700);
        // Five fit: 3686400000 bytes.
        TypeAndReturn(number, QStringLiteral("5"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonNewMedium1");
    EXPECT_EQ(project.MediumSize, 5u * OneCd700);
    EXPECT_EQ(sink.messages.size(), 1u);
}

TEST_F(CalculatorTest, AnAddedManualSizePastTheLimitKeepsTheSavedOne) {
    ASSERT_TRUE(project.SetAudioSize(4000000000u));
    seam.scripts.push_back([](QDialog* dialog) {
        // 400 Mo fit on their own but not on top of the audio already there.
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditNumber"), QStringLiteral("400"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddAudio1");
    EXPECT_EQ(project.AudioSize, 4000000000u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")));
}

struct BytesCase {
    int unit;
    long double number;
    uint32_t bytes;
};

inline void PrintTo(const BytesCase& c, std::ostream* os) {
    *os << double(c.number) << " x unit " << c.unit;
}

class SizeInBytesTest : public CalculatorTest, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(SizeInBytesTest, NumberTimesUnit) {
    TFormEnterManualSize dialog(calculator.get());
    auto* unit = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxUnit"));
    unit->addItems({QStringLiteral("CD(s) 650 Mo"), QStringLiteral("CD(s) 700 Mo")});
    unit->setCurrentIndex(GetParam().unit);
    EXPECT_EQ(dialog.GetSizeInBytes(GetParam().number), std::optional<uint32_t>(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Units, SizeInBytesTest,
    ::testing::Values(BytesCase{2, 2.5L, 2621440}, BytesCase{3, 1.0L, 681984000},
                      BytesCase{1, 700.0L, 716800}, BytesCase{4, 1.0L, 737280000}, BytesCase{0, 0.0L, 0},
                      // Held in single precision first: 2^24 + 1 is not representable, it goes to 2^24.
                      BytesCase{0, 16777217.0L, 16777216},
                      // Halves go to the even neighbour.
                      BytesCase{0, 0.5L, 0}, BytesCase{0, 1.5L, 2}, BytesCase{0, 2.5L, 2},
                      // 0.1 in single precision is 0.100000001490116..., so 0.1 Ko is 102.4000015 bytes.
                      BytesCase{1, 0.1L, 102},
                      // The largest single-precision value below 2^32.
                      BytesCase{0, 4294967040.0L, 4294967040u}));

TEST_F(CalculatorTest, SizesBeyondThirtyTwoBitsOrNegativeAreNoSize) {
    TFormEnterManualSize dialog(calculator.get());
    auto* unit = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxUnit"));
    unit->addItems({QStringLiteral("CD(s) 650 Mo"), QStringLiteral("CD(s) 700 Mo")});
    unit->setCurrentIndex(4);
    EXPECT_EQ(dialog.GetSizeInBytes(6.0L), std::nullopt);
    EXPECT_EQ(dialog.GetSizeInBytes(1e300L), std::nullopt);
    unit->setCurrentIndex(0);
    // In single precision 4294967295 is 2^32.
    EXPECT_EQ(dialog.GetSizeInBytes(4294967295.0L), std::nullopt);
    EXPECT_EQ(dialog.GetSizeInBytes(-1.0L), std::nullopt);
    EXPECT_TRUE(sink.messages.empty());
    unit->setCurrentIndex(-1);
    EXPECT_EQ(dialog.GetSizeInBytes(1.0L), std::optional<uint32_t>(0));
    EXPECT_EQ(sink.Texts(),
              QStringList{QStringLiteral("Invalid ComboBoxUnit.ItemIndex in TForm4.GetSizeInBytes !")});
}
