#include "CalculatorFixture.h"

#include "model/UseFullUnit.h"
#include "ui/EstimateSize.h"

namespace {

TFormEstimateSize* Estimate(QDialog* dialog) {
    return static_cast<TFormEstimateSize*>(dialog);
}

} // namespace

TEST_F(CalculatorTest, EstimateOpensAtZero) {
    QString size;
    seam.scripts.push_back([&](QDialog* dialog) {
        size = In<QLabel>(dialog, "LabelSize")->text();
        EXPECT_EQ(In<QLineEdit>(dialog, "LabeledEditBitRate")->text(), QStringLiteral("0"));
        EXPECT_EQ(In<QLineEdit>(dialog, "LabeledEditMargin")->text(), QStringLiteral("0"));
        ClickIn(dialog, "ButtonCancel");
    });
    ShowCalculator();
    Click("ButtonAddAudio2");
    EXPECT_EQ(seam.modalNames, std::vector<QString>{QStringLiteral("TFormEstimateSize")});
    EXPECT_EQ(size, QStringLiteral("Taille :  0 Octets, soit ") + SizeToString(0));
}

struct MarginCase {
    const char* margin;
    uint32_t estimate;
};

inline void PrintTo(const MarginCase& c, std::ostream* os) {
    *os << "margin " << c.margin;
}

class EstimateMarginTest : public CalculatorTest, public ::testing::WithParamInterface<MarginCase> {};

// 6000 s at 192 kbit/s is 6000 x 192 x 128 = 147456000 bytes before the margin.
TEST_P(EstimateMarginTest, TheEstimateIsAddedToTheAudio) {
    ASSERT_TRUE(project.SetAudioSize(1000));
    QString size;
    seam.scripts.push_back([&](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditBitRate"), QStringLiteral("192"));
        EXPECT_EQ(Estimate(dialog)->EstimatedSize, 147456000u);
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditMargin"), QLatin1String(GetParam().margin));
        size = In<QLabel>(dialog, "LabelSize")->text();
        // The budget does not move before validation: (737280000 - 1000) / (6000 x 128) = 959.99.
        EXPECT_EQ(In<QLabel>(dialog, "LabelBitRate")->text(), QStringLiteral("BitRate :  959 KBits/s"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddAudio2");
    EXPECT_EQ(size, QStringLiteral("Taille :  %1 Octets, soit ").arg(GetParam().estimate) +
                        SizeToString(GetParam().estimate));
    EXPECT_EQ(project.AudioSize, 1000u + GetParam().estimate);
    EXPECT_TRUE(sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Margins, EstimateMarginTest,
                         ::testing::Values(MarginCase{"0", 147456000}, MarginCase{"10", 162201600},
                                           MarginCase{"-100", 0}, MarginCase{"100", 294912000},
                                           MarginCase{"+5", 154828800}, MarginCase{"-50", 73728000}));

struct EntryCase {
    const char* box;
    const char* typed;
    bool isTaken;
};

inline void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << c.box << " \"" << c.typed << '"';
}

class EstimateRangeTest : public CalculatorTest, public ::testing::WithParamInterface<EntryCase> {};

// Starting from 100 kbit/s and a margin of 1 %, an entry outside its range changes nothing and says nothing.
TEST_P(EstimateRangeTest, OutOfRangeEntriesAreRefusedSilently) {
    seam.scripts.push_back([&](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditMargin"), QStringLiteral("1"));
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditBitRate"), QStringLiteral("100"));
        auto* box = In<QLineEdit>(dialog, GetParam().box);
        TypeAndReturn(box, QLatin1String(GetParam().typed));
        const bool isBitRate = std::string(GetParam().box) == "LabeledEditBitRate";
        const long long taken =
            isBitRate ? Estimate(dialog)->EnteredBitRate : Estimate(dialog)->EnteredMargin;
        const long long expected =
            GetParam().isTaken ? QString::fromLatin1(GetParam().typed).toLongLong() : (isBitRate ? 100 : 1);
        EXPECT_EQ(taken, expected);
        // Return leaves a refused text alone; leaving the box puts the taken value back.
        EXPECT_EQ(box->text(), QLatin1String(GetParam().typed));
        if (isBitRate)
            Estimate(dialog)->LabeledEditBitRateExit();
        else
            Estimate(dialog)->LabeledEditMarginExit();
        EXPECT_EQ(box->text(),
                  GetParam().isTaken ? QLatin1String(GetParam().typed) : QString::number(expected));
        ClickIn(dialog, "ButtonCancel");
    });
    ShowCalculator();
    Click("ButtonAddAudio2");
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(project.AudioSize, 0u);
}

INSTANTIATE_TEST_SUITE_P(Entries, EstimateRangeTest,
                         ::testing::Values(EntryCase{"LabeledEditBitRate", "50001", false},
                                           EntryCase{"LabeledEditBitRate", "5000", true},
                                           EntryCase{"LabeledEditBitRate", "", false},
                                           EntryCase{"LabeledEditMargin", "101", false},
                                           EntryCase{"LabeledEditMargin", "-101", false},
                                           EntryCase{"LabeledEditMargin", "-100", true},
                                           EntryCase{"LabeledEditMargin", "100", true},
                                           EntryCase{"LabeledEditMargin", "-", false}));

TEST_F(CalculatorTest, TheMarginBoxTakesNoDecimalSeparator) {
    seam.scripts.push_back([](QDialog* dialog) {
        auto* margin = In<QLineEdit>(dialog, "LabeledEditMargin");
        margin->selectAll();
        QTest::keyClick(margin, Qt::Key_Backspace);
        QTest::keyClicks(margin, QStringLiteral("-1,5.0"));
        EXPECT_EQ(margin->text(), QStringLiteral("-150"));
        auto* bitRate = In<QLineEdit>(dialog, "LabeledEditBitRate");
        bitRate->selectAll();
        QTest::keyClick(bitRate, Qt::Key_Backspace);
        QTest::keyClicks(bitRate, QStringLiteral("-12+8"));
        EXPECT_EQ(bitRate->text(), QStringLiteral("128"));
        ClickIn(dialog, "ButtonCancel");
    });
    ShowCalculator();
    Click("ButtonAddAudio2");
}

TEST_F(CalculatorTest, AnnulerLeavesTheSizeAsItWas) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    ASSERT_TRUE(project.SetCreditsVideoSize(4242));
    seam.scripts.push_back([](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditBitRate"), QStringLiteral("192"));
        ClickIn(dialog, "ButtonCancel");
    });
    seam.scripts.push_back([](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditBitRate"), QStringLiteral("192"));
        dialog->close();
    });
    ShowCalculator();
    Click("ButtonAddCreditsVideo2");
    EXPECT_EQ(project.CreditsVideoSize, 4242u);
    Click("ButtonAddAudio2");
    EXPECT_EQ(project.AudioSize, 0u);
}

TEST_F(CalculatorTest, TheCreditsEstimateUsesTheCreditsDuration) {
    ASSERT_TRUE(project.SetCreditsMode(2));
    // Credits from frame 145000 on: the last 5000 frames.
    ASSERT_TRUE(project.SetCreditsFrameNumber(145000));
    ASSERT_EQ(project.CreditsVideoDuration, 200u);
    seam.scripts.push_back([](QDialog* dialog) {
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditBitRate"), QStringLiteral("1000"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddCreditsVideo2");
    EXPECT_EQ(project.CreditsVideoSize, 200u * 1000u * 128u);
    EXPECT_EQ(calculator->FormSender, CreditsVideoKind);
}

TEST_F(CalculatorTest, AnEstimatePastTheLimitIsRefusedNotWrapped) {
    seam.scripts.push_back([&](QDialog* dialog) {
        auto* bitRate = In<QLineEdit>(dialog, "LabeledEditBitRate");
        TypeAndReturn(bitRate, QStringLiteral("5000"));
        ASSERT_EQ(Estimate(dialog)->EstimatedSize, 3840000000u);
        // 6000 s x 50000 kbit/s x 128 is 38400000000 bytes: 32-bit arithmetic would wrap it.
        TypeAndReturn(bitRate, QStringLiteral("50000"));
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")));
        EXPECT_EQ(Estimate(dialog)->EnteredBitRate, 5000u);
        EXPECT_EQ(bitRate->text(), QStringLiteral("5000"));
        // A margin that takes 3840000000 past the limit is refused the same way.
        TypeAndReturn(In<QLineEdit>(dialog, "LabeledEditMargin"), QStringLiteral("12"));
        EXPECT_EQ(sink.messages.size(), 2u);
        EXPECT_EQ(Estimate(dialog)->EnteredMargin, 0);
        EXPECT_EQ(In<QLineEdit>(dialog, "LabeledEditMargin")->text(), QStringLiteral("0"));
        ClickIn(dialog, "ButtonEnter");
    });
    ShowCalculator();
    Click("ButtonAddAudio2");
    EXPECT_EQ(project.AudioSize, 3840000000u);
}
