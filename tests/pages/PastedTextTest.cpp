#include "PagesFixture.h"

#include "common/PastedText.h"
#include "platform/NumberText.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QWindow>
#include <cmath>
#include <iostream>
#include <optional>
#include <string_view>

// Whole texts arriving in every numeric box of the three pages, by every road Qt has for them,
// followed by Enter or by leaving the box.

namespace {

enum class Then { Enter, Leave };

// A filtered real text: digits with at most one comma.
std::optional<double> CommaValue(const QString& text) {
    bool ok = false;
    const double value =
        QLocale::c().toDouble(QString(text).replace(QLatin1Char(','), QLatin1Char('.')), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

enum class Kind { FrameNumber, Range, Crop, Width, Ratio, Unused, ReadOnly };

struct PageBox {
    const char* name;
    int page; // PagesTest::Page
    Kind kind;
};

inline void PrintTo(const PageBox& box, std::ostream* os) {
    *os << box.name;
}

const PageBox Boxes[] = {
    {"LabeledEditFrameNumber1", 1, Kind::FrameNumber},
    {"LabeledEditBegin", 1, Kind::Range},
    {"LabeledEditEnd", 1, Kind::Range},
    {"LabeledEditCredits", 1, Kind::Range},
    {"LabeledEditFrameNumber2", 2, Kind::FrameNumber},
    {"EditUpDownTop", 2, Kind::Crop},
    {"EditUpDownBottom", 2, Kind::Crop},
    {"EditUpDownLeft", 2, Kind::Crop},
    {"EditUpDownRight", 2, Kind::Crop},
    {"LabeledEditAspectRatioError1", 2, Kind::Unused},
    {"LabeledEditFrameNumber3", 3, Kind::FrameNumber},
    {"LabeledEditOutputWidth", 3, Kind::Width},
    {"LabeledEditOutputProjectedRatio", 3, Kind::Ratio},
    {"LabeledEditOutputHeight", 3, Kind::ReadOnly},
    {"LabeledEditOutputRatio", 3, Kind::ReadOnly},
    {"LabeledEditAspectRatioError2", 3, Kind::ReadOnly},
};

constexpr int Frames = 1700;
constexpr uint32_t BaselineFrame = 700;
constexpr uint32_t BaselineFirst = 100;
constexpr uint32_t BaselineCredits = 1400;
constexpr uint32_t BaselineLast = 1500;
constexpr uint16_t BaselineCrop = 8;
constexpr uint16_t BaselineWidth = 256;
constexpr float BaselineRatio = 1.5f;

} // namespace

class PastedTextTest : public PagesTest, public ::testing::WithParamInterface<PageBox> {
protected:
    void SetUp() override {
        const QString made = LongFilm(25, 1, Frames);
        ASSERT_FALSE(made.isEmpty()) << "ffmpeg or d2vindex failed";
        Open(CopyGeneratedFilm(made));
        ASSERT_EQ(Project().InputNumberOfFrames, static_cast<uint32_t>(Frames));
        // The credits box is on show only in credits mode.
        Activate(SequencePage);
        Find<QCheckBox>("CheckBoxIsCreditsModeSelected")->click();
        Settle();
        ASSERT_TRUE(Project().IsCreditsModeSelected);
        if (GetParam().page == ResizePage) {
            Activate(ResizePage);
            Pick(Find<QComboBox>("ComboBoxOutputProjectedRatio"), 0); // "Manuel"
        }
        Activate(static_cast<Page>(GetParam().page));
        box = Line(GetParam().name);
        ASSERT_TRUE(box->isVisible());
        ASSERT_EQ(box->isReadOnly(), GetParam().kind == Kind::ReadOnly);
    }

    // Every value the box can change, back to a known state, and the page rewritten.
    void Reset() {
        TD2VFullProject& p = Project();
        switch (GetParam().page) {
        case SequencePage:
            p.SetLastFrameNumber(BaselineLast);
            p.SetCreditsFrameNumber(BaselineCredits);
            p.SetFirstFrameNumber(BaselineFirst);
            Bar("TrackBar1")->SetPosition(static_cast<int>(BaselineFrame));
            window->Sequence().RefreshSequencePage();
            break;
        case CropPage:
            for (const char* border : {"UpDownTop", "UpDownBottom", "UpDownLeft", "UpDownRight"})
                Find<UpDown>(border)->SetPosition(BaselineCrop);
            Bar("TrackBar2")->SetPosition(static_cast<int>(BaselineFrame));
            window->Cropping().RefreshCropPage();
            break;
        case ResizePage:
            p.SetOutputProjectedRatio(BaselineRatio);
            p.SetOutputWidth(BaselineWidth);
            Bar("TrackBar3")->SetPosition(static_cast<int>(BaselineFrame));
            window->Resizing().RefreshResizePage();
            break;
        }
        Settle();
        messages.Clear();
    }

    void Deliver(Way way, const QString& text) {
        DeliverText(box, way, text);
        Settle();
    }

    void Follow(Then then) {
        if (then == Then::Enter)
            PressEnter(box);
        else
            Leave(box);
    }

    // What the box holds after the text came by that road. Nothing when the road cannot be
    // foretold here (an unfiltered box's own editing).
    std::optional<QString> ExpectedText(Way way, const PastedText& t, const QString& before) const {
        const Kind kind = GetParam().kind;
        if (kind == Kind::ReadOnly)
            return before;
        if (way == Way::SetText)
            return t.text.left(box->maxLength());
        if (kind == Kind::Unused)
            return std::nullopt;
        if (way == Way::Drop)
            return before;
        if (way == Way::MiddleButton && !QGuiApplication::clipboard()->supportsSelection())
            return before;
        if (way == Way::MiddleButton)
            return std::nullopt; // inserted where the click put the cursor
        QString filtered =
            kind == Kind::Ratio ? QString(t.real).replace(QLatin1Char('#'), QLatin1Char(',')) : t.integer;
        return filtered.isEmpty() ? before : filtered.left(box->maxLength());
    }

    QLineEdit* box = nullptr;
};

TEST_P(PastedTextTest, EveryRoadThenEnterOrLeaving) {
    const PageBox b = GetParam();
    const bool selection = QGuiApplication::clipboard()->supportsSelection();
    for (const PastedText& t : PastedTexts()) {
        for (Way way : AllWays) {
            // The program never writes into a read-only box.
            if (b.kind == Kind::ReadOnly && way == Way::SetText)
                continue;
            for (Then then : {Then::Enter, Then::Leave}) {
                SCOPED_TRACE(::testing::Message() << '"' << t.name << "\" by " << WayName(way) << ", then "
                                                  << (then == Then::Enter ? "Enter" : "leaving"));
                Reset();
                const QString before = box->text();
                const int widthBefore = Project().OutputWidth;
                const int heightBefore = Project().OutputHeight;
                const int errorBefore = Project().AspectRatioError;
                Deliver(way, t.text);
                if (HasFatalFailure())
                    return;
                const QString text = box->text();
                if (const std::optional<QString> expected = ExpectedText(way, t, before)) {
                    ASSERT_EQ(text, *expected);
                }
                // Whatever the road, a filtered box only ever holds what its filter lets through.
                if (way != Way::SetText && b.kind != Kind::Unused && b.kind != Kind::Ratio &&
                    b.kind != Kind::ReadOnly) {
                    ASSERT_TRUE(OnlyCharacters(text, QString())) << text.left(40).toStdString();
                }
                Follow(then);
                if (HasFatalFailure())
                    return;
                const bool enter = then == Then::Enter;
                TD2VFullProject& p = Project();

                switch (b.kind) {
                case Kind::FrameNumber: {
                    const std::optional<int64_t> v = way == Way::SetText ? t.rawInteger : DigitsValue(text);
                    const bool valid = v && *v >= 0 && *v < Frames;
                    TrackBar* bar = Bar(b.page == SequencePage ? "TrackBar1"
                                        : b.page == CropPage   ? "TrackBar2"
                                                               : "TrackBar3");
                    const int64_t shown = valid ? *v : BaselineFrame;
                    EXPECT_EQ(bar->Position(), shown);
                    EXPECT_EQ(p.CurrentFrameNumber, static_cast<int32_t>(shown));
                    EXPECT_EQ(box->text(), valid || !enter ? QString::number(shown) : text);
                    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
                    break;
                }
                case Kind::Range: {
                    const std::optional<int64_t> v = way == Way::SetText ? t.rawInteger : DigitsValue(text);
                    const bool valid = v && *v >= 0 && *v < Frames;
                    uint32_t TD2VProject::*property =
                        b.name == std::string_view("LabeledEditBegin") ? &TD2VProject::FirstFrameNumber
                        : b.name == std::string_view("LabeledEditEnd") ? &TD2VProject::LastFrameNumber
                                                                       : &TD2VProject::CreditsFrameNumber;
                    const uint32_t baseline = property == &TD2VProject::FirstFrameNumber  ? BaselineFirst
                                              : property == &TD2VProject::LastFrameNumber ? BaselineLast
                                                                                          : BaselineCredits;
                    // Leaving with the value already held changes nothing, not even the text.
                    const bool applied = valid && (enter || *v != baseline);
                    if (applied) {
                        EXPECT_EQ(p.*property, *v);
                        EXPECT_EQ(box->text(), QString::number(*v));
                        EXPECT_EQ(Bar("TrackBar1")->Position(), *v);
                    } else {
                        EXPECT_EQ(p.FirstFrameNumber, BaselineFirst);
                        EXPECT_EQ(p.CreditsFrameNumber, BaselineCredits);
                        EXPECT_EQ(p.LastFrameNumber, BaselineLast);
                        EXPECT_EQ(box->text(), valid || enter ? text : QString::number(baseline));
                    }
                    EXPECT_LE(p.FirstFrameNumber, p.CreditsFrameNumber);
                    EXPECT_LE(p.CreditsFrameNumber, p.LastFrameNumber);
                    if (applied) {
                        EXPECT_EQ(Edit("LabeledEditBegin")->text(), QString::number(p.FirstFrameNumber));
                        EXPECT_EQ(Edit("LabeledEditCredits")->text(), QString::number(p.CreditsFrameNumber));
                        EXPECT_EQ(Edit("LabeledEditEnd")->text(), QString::number(p.LastFrameNumber));
                    }
                    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
                    break;
                }
                case Kind::Crop: {
                    const std::string_view name(b.name);
                    const bool vertical = name == "EditUpDownTop" || name == "EditUpDownBottom";
                    const int64_t dimension = vertical ? p.InputHeight : p.InputWidth;
                    uint16_t TD2VProject::*crop = name == "EditUpDownTop"      ? &TD2VProject::CropTop
                                                  : name == "EditUpDownBottom" ? &TD2VProject::CropBottom
                                                  : name == "EditUpDownLeft"   ? &TD2VProject::CropLeft
                                                                               : &TD2VProject::CropRight;
                    const std::optional<int64_t> v = way == Way::SetText ? t.rawInteger : DigitsValue(text);
                    // The opposite border is 8, so every value inside the frame but the last
                    // eight pixels leaves a picture.
                    const bool valid = v && *v >= 0 && *v < dimension;
                    ASSERT_TRUE(!valid || *v + BaselineCrop < dimension) << "case outside this test's reach";
                    // "Modulo" 2: aligned down.
                    const int64_t held = valid ? *v - *v % 2 : BaselineCrop;
                    EXPECT_EQ(p.*crop, held);
                    EXPECT_EQ(box->text(), valid || !enter ? QString::number(held) : text);
                    const char* spinner = name == "EditUpDownTop"      ? "UpDownTop"
                                          : name == "EditUpDownBottom" ? "UpDownBottom"
                                          : name == "EditUpDownLeft"   ? "UpDownLeft"
                                                                       : "UpDownRight";
                    EXPECT_EQ(Find<UpDown>(spinner)->Position(), held);
                    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
                    break;
                }
                case Kind::Width: {
                    const std::optional<int64_t> v = way == Way::SetText ? t.rawInteger : DigitsValue(text);
                    const bool valid = v && *v >= 25 && *v <= p.CroppedWidth;
                    // The only widths of the table in range are multiples of 32: none is realigned.
                    ASSERT_TRUE(!valid || *v % 32 == 0) << "case outside this test's reach";
                    const bool applied = valid && (enter || *v != BaselineWidth);
                    EXPECT_EQ(p.OutputWidth, applied ? *v : BaselineWidth);
                    EXPECT_EQ(box->text(), applied          ? QString::number(*v)
                                           : valid || enter ? text
                                                            : QString::number(BaselineWidth));
                    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
                    break;
                }
                case Kind::Ratio: {
                    const std::optional<double> r = way == Way::SetText ? t.rawRealComma : CommaValue(text);
                    const QString baselineText = FormatGeneral(BaselineRatio, 5);
                    ASSERT_EQ(baselineText, QStringLiteral("1,5"));
                    if (!enter && text == baselineText) {
                        EXPECT_EQ(p.OutputProjectedRatio, BaselineRatio);
                        EXPECT_TRUE(messages.messages.empty());
                        break;
                    }
                    QStringList expectedMessages;
                    float held = BaselineRatio;
                    QString shown = baselineText;
                    if (!r) {
                        expectedMessages
                            << (enter ? "StrToFloat exception in TForm1.LabeledEditOutputRatioKeyDown !"
                                      : "StrToFloat exception in TForm1.LabeledEditOutputProjectedRatio !");
                        if (enter)
                            shown = text;
                    } else if (*r < 1) {
                        expectedMessages << QStringLiteral("OutputProjectedRatio must be higher than 1 !");
                    } else if (*r > 5) {
                        expectedMessages << QStringLiteral("OutputProjectedRatio must be fewer than 5 !");
                    } else {
                        held = static_cast<float>(*r);
                        shown = FormatGeneral(held, 5);
                    }
                    EXPECT_EQ(p.OutputProjectedRatio, held);
                    EXPECT_EQ(box->text(), shown);
                    EXPECT_EQ(messages.Texts(), expectedMessages);
                    break;
                }
                case Kind::Unused:
                case Kind::ReadOnly:
                    // Nothing typed there is ever used; the next refresh writes the page's own text.
                    EXPECT_EQ(p.OutputWidth, widthBefore);
                    EXPECT_EQ(p.OutputHeight, heightBefore);
                    EXPECT_EQ(p.AspectRatioError, errorBefore);
                    EXPECT_EQ(p.CropTop, b.page == CropPage ? BaselineCrop : p.CropTop);
                    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
                    if (b.page == CropPage)
                        window->Cropping().RefreshCropPage();
                    else
                        window->Resizing().RefreshResizePage();
                    EXPECT_EQ(box->text(), QString(b.name) == QLatin1String("LabeledEditOutputHeight")
                                               ? QString::number(p.OutputHeight)
                                           : QString(b.name) == QLatin1String("LabeledEditOutputRatio")
                                               ? FormatGeneral(p.OutputRatio, 5)
                                               : p.GetAspectRatioErrorText());
                    break;
                }
                if (HasFailure())
                    return;
            }
        }
    }
    if (!selection)
        std::cout << "[   NOTE   ] no X11 selection on this platform: the middle button pastes nothing\n";
}

INSTANTIATE_TEST_SUITE_P(AllBoxes, PastedTextTest, ::testing::ValuesIn(Boxes),
                         [](const ::testing::TestParamInfo<PageBox>& param) {
                             return std::string(param.param.name);
                         });

// The drops above can only prove something if a drop does reach a box that takes one.
TEST_F(PagesTest, ADropReachesAnUnfilteredBoxButNoNumericOne) {
    const QString made = LongFilm(25, 1, Frames);
    ASSERT_FALSE(made.isEmpty());
    Open(CopyGeneratedFilm(made));
    Activate(CropPage);
    QMimeData data;
    data.setText(QStringLiteral("abc"));
    for (const char* name : {"LabeledEditAspectRatioError1", "EditUpDownTop"}) {
        QLineEdit* target = Line(name);
        const QString before = target->text();
        const QPoint at = target->mapTo(window.get(), target->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window->windowHandle(), &enter);
        if (enter.isAccepted()) {
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window->windowHandle(), &drop);
        }
        if (name == std::string_view("EditUpDownTop"))
            EXPECT_EQ(target->text(), before);
        else
            EXPECT_TRUE(target->text().contains(QStringLiteral("abc"))) << target->text().toStdString();
    }
}

// A forced ratio makes the ratio box read-only, yet Enter there still hands its text over: no
// road may change that text behind the list's back.
TEST_F(PagesTest, AForcedRatioBoxTakesNothingByAnyRoad) {
    const QString made = LongFilm(25, 1, Frames);
    ASSERT_FALSE(made.isEmpty());
    Open(CopyGeneratedFilm(made));
    Activate(ResizePage);
    Pick(Find<QComboBox>("ComboBoxOutputProjectedRatio"), 10); // "Forcer 2.35:1 (Academy Scope)"
    LabeledEdit* box = Edit("LabeledEditOutputProjectedRatio");
    ASSERT_TRUE(box->isReadOnly());
    ASSERT_EQ(Project().OutputProjectedRatio, 2.35f);
    const QString shown = box->text();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("9"));
    box->setFocus(Qt::TabFocusReason);
    box->setCursorPosition(box->text().size());

    QTest::keySequence(box, QKeySequence::Paste);
    QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_9);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("9"));
    QApplication::sendEvent(box, &commit);
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, box->rect().center(),
                                box->mapToGlobal(box->rect().center()));
    QApplication::sendEvent(box, &menuEvent);
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        if (QAction* paste = PasteAction(menu))
            paste->trigger();
        menu->close();
        Settle();
        QApplication::setActiveWindow(window.get());
        box->setFocus(Qt::OtherFocusReason);
    }
    EXPECT_EQ(box->text(), shown);
    PressEnter(box);
    EXPECT_EQ(Project().OutputProjectedRatio, 2.35f);
    EXPECT_EQ(box->text(), shown);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
}

// One key may bring more than one character (a character beyond 16 bits, a compose sequence):
// the filter sees each of them.
TEST_F(PagesTest, AKeyBringingSeveralCharactersGoesThroughTheFilter) {
    const QString made = LongFilm(25, 1, Frames);
    ASSERT_FALSE(made.isEmpty());
    Open(CopyGeneratedFilm(made));
    Activate(CropPage);
    QLineEdit* box = Line("EditUpDownTop");
    const struct {
        QString typed;
        QString expected;
    } cases[] = {
        {QString::fromUtf8("\xF0\x9D\x9F\x99"), QStringLiteral("0")}, // MATHEMATICAL DOUBLE-STRUCK DIGIT ONE
        {QStringLiteral("1a2"), QStringLiteral("12")},
        {QStringLiteral("e\u0301"), QStringLiteral("0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Project().SetCropTop(0);
        window->Cropping().LoadCropSpinners();
        window->Cropping().RefreshCropPage();
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c.typed);
        QApplication::sendEvent(box, &press);
        EXPECT_EQ(box->text(), c.expected);
        PressEnter(box);
        EXPECT_EQ(Project().CropTop, c.expected.toUInt());
    }
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(u'|').toStdString();
}

// X11 sends the Delete key with the text DEL (0x7F), which no key filter lets through: the key must
// still delete.
TEST_F(PagesTest, TheDeleteKeyAsX11SendsItStillDeletes) {
    const QString made = LongFilm(25, 1, Frames);
    ASSERT_FALSE(made.isEmpty());
    Open(CopyGeneratedFilm(made));
    Activate(ResizePage);
    Pick(Find<QComboBox>("ComboBoxOutputProjectedRatio"), 0); // "Manuel": the ratio box is editable
    for (const char* name :
         {"LabeledEditFrameNumber3", "LabeledEditOutputWidth", "LabeledEditOutputProjectedRatio"}) {
        SCOPED_TRACE(name);
        QLineEdit* box = Line(name);
        box->setFocus(Qt::TabFocusReason);
        box->setText(QStringLiteral("123"));
        box->setCursorPosition(0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
        QApplication::sendEvent(box, &press);
        EXPECT_EQ(box->text(), QStringLiteral("23"));
    }
}
