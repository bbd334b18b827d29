#include "CalculatorFixture.h"

#include "common/PastedText.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/EnterManualSize.h"
#include "ui/EstimateSize.h"

#include <QClipboard>
#include <cmath>
#include <optional>
#include <string_view>

// Whole texts arriving in every numeric box of the calculator and its two dialogs, by every road
// Qt has for them, followed by Return or by leaving the box.

namespace {

enum class Then { Return, Leave };

enum class Owner { Calculator, ManualSize, Estimate };
enum class Kind { Size, Number, BitRate, Margin };

struct CalculatorBox {
    const char* name;
    Owner owner;
    Kind kind;
};

inline void PrintTo(const CalculatorBox& box, std::ostream* os) {
    *os << box.name;
}

const CalculatorBox Boxes[] = {
    {"LabeledEditAudioSize", Owner::Calculator, Kind::Size},
    {"LabeledEditSubTitlesSize", Owner::Calculator, Kind::Size},
    {"LabeledEditCreditsVideoSize", Owner::Calculator, Kind::Size},
    {"LabeledEditMediumSize", Owner::Calculator, Kind::Size},
    {"LabeledEditNumber", Owner::ManualSize, Kind::Number},
    {"LabeledEditBitRate", Owner::Estimate, Kind::BitRate},
    {"LabeledEditMargin", Owner::Estimate, Kind::Margin},
};

constexpr uint32_t BaselineAudio = 1000;
constexpr uint32_t BaselineSubTitles = 2000;
constexpr uint32_t BaselineCredits = 3000;
constexpr uint32_t BaselineMedium = 737280000;
// Manual entry: 2 "Mo".
constexpr uint32_t BaselineEntered = 2097152;
// Estimate over the 6000 s film: 192 kbit/s, then a margin of 10 %.
constexpr uint16_t BaselineBitRate = 192;
constexpr int8_t BaselineMargin = 10;
constexpr uint32_t BytesAt192 = 6000u * 192u * 128u;

const char* const ConvertError = "EConvertError in StrToInt64: Result = Max( LongWord ) !";
const char* const NoValidLongWord = "NoValidLongWord in StringToValidLongWord: Result = Max( LongWord ) !";

} // namespace

class PastedTextTest : public CalculatorTest, public ::testing::WithParamInterface<CalculatorBox> {
protected:
    void SetUp() override {
        CalculatorTest::SetUp();
        if (HasFatalFailure())
            return;
        // Two scripts: the credits row is on show.
        ASSERT_TRUE(project.SetCreditsMode(2));
        ShowCalculator();
        const CalculatorBox b = GetParam();
        calculator->FormSender = AudioKind;
        if (b.owner == Owner::ManualSize)
            dialog = new TFormEnterManualSize(calculator.get());
        else if (b.owner == Owner::Estimate)
            dialog = new TFormEstimateSize(calculator.get());
        if (dialog != nullptr) {
            dialog->show();
            dialog->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        }
        window = dialog != nullptr ? static_cast<QWidget*>(dialog) : calculator.get();
        box = window->findChild<QLineEdit*>(QLatin1String(b.name));
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isVisible());
        elsewhere = window->findChild<QPushButton*>(
            QLatin1String(dialog != nullptr ? "ButtonCancel" : "ButtonComeBack"));
        ASSERT_NE(elsewhere, nullptr);
    }

    void TearDown() override {
        delete dialog;
        CalculatorTest::TearDown();
    }

    void ReturnIn(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::TabFocusReason);
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    void Reset() {
        ASSERT_TRUE(project.SetAudioSize(BaselineAudio));
        ASSERT_TRUE(project.SetSubTitlesSize(BaselineSubTitles));
        ASSERT_TRUE(project.SetCreditsVideoSize(BaselineCredits));
        ASSERT_TRUE(project.SetMediumSize(BaselineMedium));
        calculator->RefreshSizes();
        switch (GetParam().owner) {
        case Owner::Calculator:
            break;
        case Owner::ManualSize: {
            auto* manual = static_cast<TFormEnterManualSize*>(dialog);
            ASSERT_EQ(manual->findChild<QComboBox*>(QStringLiteral("ComboBoxUnit"))->currentIndex(), 2);
            ReturnIn(box, QStringLiteral("2"));
            ASSERT_EQ(manual->EnteredSize, BaselineEntered);
            break;
        }
        case Owner::Estimate: {
            auto* estimate = static_cast<TFormEstimateSize*>(dialog);
            ReturnIn(estimate->findChild<QLineEdit*>(QStringLiteral("LabeledEditBitRate")),
                     QString::number(BaselineBitRate));
            ReturnIn(estimate->findChild<QLineEdit*>(QStringLiteral("LabeledEditMargin")),
                     QString::number(BaselineMargin));
            ASSERT_EQ(estimate->EnteredBitRate, BaselineBitRate);
            ASSERT_EQ(estimate->EnteredMargin, BaselineMargin);
            break;
        }
        }
        sink.Clear();
    }

    std::optional<QString> ExpectedText(Way way, const QString& filtered, const PastedText& t,
                                        const QString& before) const {
        if (way == Way::SetText)
            return t.text.left(box->maxLength());
        if (way == Way::Drop)
            return before;
        if (way == Way::MiddleButton && !QGuiApplication::clipboard()->supportsSelection())
            return before;
        if (way == Way::MiddleButton)
            return std::nullopt; // inserted where the click put the cursor
        return filtered.isEmpty() ? before : filtered.left(box->maxLength());
    }

    QDialog* dialog = nullptr;
    QWidget* window = nullptr;
    QLineEdit* box = nullptr;
    QPushButton* elsewhere = nullptr;
};

TEST_P(PastedTextTest, EveryRoadThenReturnOrLeaving) {
    const CalculatorBox b = GetParam();
    const QString separator(DecimalSeparator());
    const bool commaLocale = separator == QStringLiteral(",");
    for (const PastedText& t : PastedTexts()) {
        const QString filtered = b.kind == Kind::Number ? QString(t.real).replace(QLatin1Char('#'), separator)
                                 : b.kind == Kind::Margin ? t.signedText
                                                          : t.integer;
        for (Way way : AllWays) {
            for (Then then : {Then::Return, Then::Leave}) {
                SCOPED_TRACE(::testing::Message() << '"' << t.name << "\" by " << WayName(way) << ", then "
                                                  << (then == Then::Return ? "Return" : "leaving"));
                Reset();
                if (HasFatalFailure())
                    return;
                const QString before = box->text();
                DeliverText(box, way, t.text);
                if (HasFatalFailure())
                    return;
                const QString text = box->text();
                if (const std::optional<QString> expected = ExpectedText(way, filtered, t, before)) {
                    ASSERT_EQ(text, *expected);
                }
                if (way != Way::SetText) {
                    ASSERT_TRUE(OnlyCharacters(text, b.kind == Kind::Number   ? separator
                                                     : b.kind == Kind::Margin ? QStringLiteral("+-")
                                                                              : QString()))
                        << text.left(40).toStdString();
                }
                if (then == Then::Return)
                    QTest::keyClick(box, Qt::Key_Return);
                else
                    elsewhere->setFocus(Qt::TabFocusReason);
                const bool isReturn = then == Then::Return;

                switch (b.kind) {
                case Kind::Size: {
                    // Every text is taken: an empty box is 0, and no 32-bit number is the largest
                    // size, after a warning.
                    const std::string_view name(b.name);
                    uint32_t TD2VFullProject::*size =
                        name == "LabeledEditAudioSize"          ? &TD2VFullProject::AudioSize
                        : name == "LabeledEditSubTitlesSize"    ? &TD2VFullProject::SubTitlesSize
                        : name == "LabeledEditCreditsVideoSize" ? &TD2VFullProject::CreditsVideoSize
                                                                : &TD2VFullProject::MediumSize;
                    const uint32_t baseline = size == &TD2VFullProject::AudioSize          ? BaselineAudio
                                              : size == &TD2VFullProject::SubTitlesSize    ? BaselineSubTitles
                                              : size == &TD2VFullProject::CreditsVideoSize ? BaselineCredits
                                                                                           : BaselineMedium;
                    QStringList expectedMessages;
                    uint64_t value = 0;
                    if (!text.isEmpty()) {
                        const std::optional<int64_t> v =
                            way == Way::SetText ? t.rawInteger : DigitsValue(text);
                        if (!v)
                            expectedMessages << ConvertError;
                        else if (*v < 0 || *v > 4294967295)
                            expectedMessages << NoValidLongWord;
                        value = expectedMessages.isEmpty() ? uint64_t(*v) : 4294967295u;
                    }
                    const uint64_t others =
                        uint64_t{BaselineAudio} + BaselineSubTitles + BaselineCredits - baseline;
                    const bool inBudget =
                        size == &TD2VFullProject::MediumSize || value + others <= 4294967295u;
                    if (!inBudget)
                        expectedMessages << TD2VFullProject::SizesTooBigMessage();
                    const uint64_t held = inBudget ? value : baseline;
                    EXPECT_EQ(project.*size, held);
                    EXPECT_EQ(box->text(), QString::number(held));
                    EXPECT_EQ(sink.Texts(), expectedMessages);
                    // The other sizes stay, and the results follow the project.
                    EXPECT_EQ(project.AudioSize + project.SubTitlesSize + project.CreditsVideoSize +
                                  project.MediumSize - project.*size,
                              BaselineAudio + BaselineSubTitles + BaselineCredits + BaselineMedium -
                                  baseline);
                    EXPECT_EQ(calculator->findChild<QLabel*>(QStringLiteral("LabelBitRate"))->text(),
                              QStringLiteral("BitRate :  %1 KBits/s").arg(project.BitRate));
                    EXPECT_EQ(calculator->FormSender,
                              size == &TD2VFullProject::AudioSize          ? AudioKind
                              : size == &TD2VFullProject::SubTitlesSize    ? SubTitlesKind
                              : size == &TD2VFullProject::CreditsVideoSize ? CreditsVideoKind
                                                                           : MediumKind);
                    break;
                }
                case Kind::Number: {
                    auto* manual = static_cast<TFormEnterManualSize*>(dialog);
                    std::optional<double> r;
                    if (way == Way::SetText) {
                        r = commaLocale ? t.rawRealComma : t.rawRealPoint;
                    } else {
                        bool ok = false;
                        const double value =
                            QLocale::c().toDouble(QString(text).replace(separator, QStringLiteral(".")), &ok);
                        if (ok && std::isfinite(value))
                            r = value;
                    }
                    // The number is held as a 32-bit float, then counted in "Mo".
                    const std::optional<double> bytes =
                        r && *r >= 0 && *r <= 3.4e38
                            ? std::optional<double>(
                                  std::nearbyint(static_cast<double>(static_cast<float>(*r)) * 1048576.0))
                            : std::nullopt;
                    if (r && (!bytes || *bytes > 4294967295.0)) {
                        // A number that gives no 32-bit size is refused aloud; the last one stays.
                        EXPECT_EQ(manual->EnteredSize, BaselineEntered);
                        EXPECT_EQ(box->text(), QStringLiteral("2"));
                        ASSERT_EQ(sink.messages.size(), 1u);
                        EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Information);
                        EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")));
                    } else if (r) {
                        EXPECT_EQ(manual->EnteredSize, *bytes);
                        EXPECT_EQ(box->text(), text);
                        EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(u'|').toStdString();
                    } else {
                        // Unreadable: Return ignores it, leaving puts back what was taken. No message.
                        EXPECT_EQ(manual->EnteredSize, BaselineEntered);
                        EXPECT_EQ(box->text(), isReturn ? text : QStringLiteral("2"));
                        EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(u'|').toStdString();
                    }
                    // Nothing reaches the project before the dialog closes.
                    EXPECT_EQ(project.AudioSize, BaselineAudio);
                    break;
                }
                case Kind::BitRate:
                case Kind::Margin: {
                    auto* estimate = static_cast<TFormEstimateSize*>(dialog);
                    const std::optional<int64_t> v = way == Way::SetText ? t.rawInteger : DigitsValue(text);
                    const bool bitRate = b.kind == Kind::BitRate;
                    const bool valid = v && (bitRate ? *v >= 0 && *v <= 50000 : *v >= -100 && *v <= 100);
                    // An estimate beyond 32 bits is refused aloud and both boxes go back.
                    const bool fits = !bitRate || !valid || *v * 6000 * 128 * 110 / 100 <= 4294967295;
                    const bool taken = valid && fits;
                    const int64_t rate = bitRate && taken ? *v : BaselineBitRate;
                    const int64_t margin = !bitRate && taken ? *v : BaselineMargin;
                    // 147456000 bytes at 192 kbit/s is a multiple of 100: every margin is exact.
                    const uint64_t base = uint64_t(rate) * 6000u * 128u;
                    const int64_t expectedSize =
                        static_cast<int64_t>(base) + static_cast<int64_t>(base) / 100 * margin;
                    EXPECT_EQ(estimate->EnteredBitRate, rate);
                    EXPECT_EQ(estimate->EnteredMargin, margin);
                    EXPECT_EQ(estimate->EstimatedSize, expectedSize);
                    EXPECT_EQ(box->text(), taken || (!valid && isReturn)
                                               ? text
                                               : QString::number(bitRate ? BaselineBitRate : BaselineMargin));
                    if (!fits) {
                        ASSERT_EQ(sink.messages.size(), 1u);
                        EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Information);
                        EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("4294967295")));
                        sink.Clear();
                    }
                    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(u'|').toStdString();
                    EXPECT_EQ(project.AudioSize, BaselineAudio);
                    break;
                }
                }
                if (HasFailure())
                    return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllBoxes, PastedTextTest, ::testing::ValuesIn(Boxes),
                         [](const ::testing::TestParamInfo<CalculatorBox>& param) {
                             return std::string(param.param.name);
                         });

// Closing after an entry pasted into each dialog: the project gets the whole entry or nothing.
TEST_F(CalculatorTest, APastedEntryIsAppliedWholeOnValidationAndNotAtAllOnCancel) {
    ASSERT_TRUE(project.SetAudioSize(1000));
    ShowCalculator();
    for (const bool validate : {true, false}) {
        SCOPED_TRACE(validate ? "VALIDER" : "ANNULER");
        seam.scripts.push_back([validate](QDialog* dialog) {
            QLineEdit* number = In<QLineEdit>(dialog, "LabeledEditNumber");
            number->selectAll();
            QApplication::clipboard()->setText(QStringLiteral("1.5 Mo"));
            QTest::keySequence(number, QKeySequence::Paste);
            EXPECT_EQ(number->text(), QStringLiteral("1") + DecimalSeparator() + QStringLiteral("5"));
            QTest::keyClick(number, Qt::Key_Return);
            ClickIn(dialog, validate ? "ButtonEnter" : "ButtonCancel");
        });
        const uint32_t before = project.AudioSize;
        Click("ButtonAddAudio1");
        // 1.5 "Mo" is 1572864 bytes.
        EXPECT_EQ(project.AudioSize, validate ? before + 1572864u : before);
        EXPECT_EQ(Child<QLineEdit>("LabeledEditAudioSize")->text(), QString::number(project.AudioSize));
    }
    for (const bool validate : {true, false}) {
        SCOPED_TRACE(validate ? "VALIDER" : "ANNULER");
        seam.scripts.push_back([validate](QDialog* dialog) {
            QLineEdit* rate = In<QLineEdit>(dialog, "LabeledEditBitRate");
            rate->setFocus();
            rate->selectAll();
            QApplication::clipboard()->setText(QStringLiteral("192 kbit/s"));
            QTest::keySequence(rate, QKeySequence::Paste);
            EXPECT_EQ(rate->text(), QStringLiteral("192"));
            QTest::keyClick(rate, Qt::Key_Return);
            ClickIn(dialog, validate ? "ButtonEnter" : "ButtonCancel");
        });
        const uint32_t before = project.AudioSize;
        Click("ButtonAddAudio2");
        EXPECT_EQ(project.AudioSize, validate ? before + BytesAt192 : before);
    }
    EXPECT_TRUE(sink.messages.empty()) << sink.Texts().join(u'|').toStdString();
}
