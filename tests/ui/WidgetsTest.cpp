#include "model/UseFullUnit.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/KeyFilterValidator.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/RadioGroup.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <ostream>

namespace {

TEST(LabeledEditTest, CaptionStandsLeftOfTheBoxAndFollowsIt) {
    QWidget page;
    page.resize(400, 200);
    auto* edit = new LabeledEdit(&page);
    edit->setGeometry(96, 40, 137, 21);
    edit->setLabelText(QStringLiteral("Début : "));
    page.show();

    QLabel* label = edit->EditLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), &page);
    EXPECT_EQ(label->text(), QStringLiteral("Début : "));
    EXPECT_EQ(label->geometry().right() + 1 + 3, 96);
    EXPECT_TRUE(label->isVisible());

    edit->move(150, 80);
    EXPECT_EQ(label->geometry().right() + 1 + 3, 150);
    EXPECT_GE(label->y(), 80 - label->height());
    EXPECT_LE(label->y(), 80 + 21);

    edit->hide();
    EXPECT_FALSE(label->isVisible());
    edit->show();
    EXPECT_TRUE(label->isVisible());
}

TEST(LabeledEditTest, CaptionHidesWithItsGroup) {
    QWidget page;
    auto* group = new QWidget(&page);
    auto* edit = new LabeledEdit(group);
    edit->setLabelText(QStringLiteral("Début : "));
    page.show();
    ASSERT_TRUE(edit->EditLabel()->isVisible());
    group->hide();
    EXPECT_FALSE(edit->EditLabel()->isVisible());
    group->show();
    EXPECT_TRUE(edit->EditLabel()->isVisible());
}

TEST(TrackBarTest, ChangeFollowsProgramMovesButNotUnchangedPositions) {
    TrackBar bar;
    bar.SetMin(0);
    bar.SetMax(359);
    QSignalSpy changes(&bar, &TrackBar::Change);

    bar.SetPosition(100);
    EXPECT_EQ(changes.count(), 1);
    bar.SetPosition(100);
    EXPECT_EQ(changes.count(), 1);
    // Clamped to the ends; a move past the end that is already reached changes nothing.
    bar.SetPosition(1000);
    EXPECT_EQ(bar.Position(), 359);
    EXPECT_EQ(changes.count(), 2);
    bar.SetPosition(359 + 50);
    EXPECT_EQ(changes.count(), 2);
    bar.SetPosition(-20);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(changes.count(), 3);
}

TEST(TrackBarTest, ChangeFollowsTheUsersKeys) {
    TrackBar bar;
    bar.SetMin(0);
    bar.SetMax(359);
    bar.SetLineSize(1);
    bar.SetPageSize(10);
    bar.SetPosition(50);
    bar.show();
    QSignalSpy changes(&bar, &TrackBar::Change);

    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(bar.Position(), 51);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    EXPECT_EQ(bar.Position(), 41);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    QTest::keyClick(&bar, Qt::Key_Left);
    EXPECT_EQ(bar.Position(), 50);
    EXPECT_EQ(changes.count(), 4);
}

TEST(TrackBarTest, TicksArePlacedAndClearedByTheProgram) {
    TrackBar bar;
    bar.SetMax(359);
    bar.resize(720, 45);
    bar.SetTick(0);
    bar.SetTick(359);
    bar.SetTick(120);
    bar.SetTick(120);
    EXPECT_EQ(bar.Ticks(), (QVector<int>{0, 359, 120}));

    // Tick 120 of 0..359 stands about a third along the bar, below the handle's track; nothing
    // is drawn between the ticks.
    bar.SetPosition(0);
    const QColor tickColour = bar.palette().color(QPalette::WindowText);
    const auto tickColumns = [&bar, &tickColour](int from, int to) {
        const QImage image = bar.grab().toImage();
        int count = 0;
        for (int x = from; x < to; ++x)
            for (int y = image.height() / 2; y < image.height(); ++y)
                if (image.pixelColor(x, y) == tickColour) {
                    ++count;
                    break;
                }
        return count;
    };
    EXPECT_GE(tickColumns(230, 255), 1);
    EXPECT_EQ(tickColumns(300, 690), 0);

    bar.ClearTicks();
    EXPECT_TRUE(bar.Ticks().isEmpty());
    EXPECT_EQ(tickColumns(230, 255), 0);
}

// On the button's round indicator: only the indicator and the caption take clicks.
void ClickRadio(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

struct UpDownCase {
    const char* name;
    int increment;
    int start;
    UpDown::Button button;
    int expected;
};

void PrintTo(const UpDownCase& c, std::ostream* os) {
    *os << c.name;
}

class UpDownPressTest : public ::testing::TestWithParam<UpDownCase> {};

TEST_P(UpDownPressTest, MovesBySignedIncrementWithinRange) {
    const UpDownCase& c = GetParam();
    UpDown spinner;
    spinner.SetMin(0);
    spinner.SetMax(575);
    spinner.SetIncrement(c.increment);
    spinner.SetPosition(c.start);
    QSignalSpy clicks(&spinner, &UpDown::Click);

    (c.button == UpDown::Button::Next ? spinner.NextButton() : spinner.PreviousButton())->click();
    EXPECT_EQ(spinner.Position(), c.expected);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<UpDown::Button>(), c.button);
}

INSTANTIATE_TEST_SUITE_P(
    Arrows, UpDownPressTest,
    ::testing::Values(
        // The top crop spinner: the up arrow takes the multiple off, the down arrow adds it.
        UpDownCase{"TopUp", -2, 10, UpDown::Button::Next, 8},
        UpDownCase{"TopDown", -2, 10, UpDown::Button::Previous, 12},
        UpDownCase{"TopUpAtZero", -2, 0, UpDown::Button::Next, 0},
        UpDownCase{"TopDownFromZero", -2, 0, UpDown::Button::Previous, 2},
        UpDownCase{"BottomUp", 2, 10, UpDown::Button::Next, 12},
        UpDownCase{"OddStepStopsAtMax", 32, 560, UpDown::Button::Next, 575},
        UpDownCase{"HugeIncrementDoesNotWrap", 2147483647, 500, UpDown::Button::Next, 575},
        UpDownCase{"HugeNegativeIncrement", -2147483647, 500, UpDown::Button::Next, 0}),
    [](const ::testing::TestParamInfo<UpDownCase>& testCase) { return std::string(testCase.param.name); });

TEST(UpDownTest, RangeChangesKeepThePositionInside) {
    UpDown spinner;
    spinner.SetMax(720);
    spinner.SetPosition(640);
    spinner.SetMax(600);
    EXPECT_EQ(spinner.Position(), 600);
    spinner.SetPosition(-5);
    EXPECT_EQ(spinner.Position(), 0);
    EXPECT_EQ(spinner.focusPolicy(), Qt::NoFocus);
}

TEST(UpDownTest, HorizontalArrowsPointLeftAndRight) {
    UpDown spinner;
    spinner.setOrientation(Qt::Horizontal);
    spinner.resize(30, 21);
    EXPECT_EQ(spinner.NextButton()->arrowType(), Qt::RightArrow);
    EXPECT_EQ(spinner.PreviousButton()->arrowType(), Qt::LeftArrow);
    EXPECT_GT(spinner.NextButton()->x(), spinner.PreviousButton()->x());
}

TEST(RadioGroupTest, ClickComesFromTheUserOnly) {
    RadioGroup group;
    group.setItems({QStringLiteral("16/9 (WIDESCREEN)"), QStringLiteral("4/3 (STANDARD) ")});
    group.resize(310, 130);
    group.show();
    QSignalSpy clicks(&group, &RadioGroup::Click);
    EXPECT_EQ(group.ItemIndex(), -1);

    group.SetItemIndex(0);
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(clicks.count(), 0);

    ClickRadio(group.Button(1));
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(clicks.count(), 1);
    // The item already selected raises nothing.
    ClickRadio(group.Button(1));
    EXPECT_EQ(clicks.count(), 1);

    group.SetItemIndex(-1);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_FALSE(group.Button(0)->isChecked());
    EXPECT_FALSE(group.Button(1)->isChecked());
}

TEST(ImageCanvasTest, PictureHasTheWidgetsSizeAndIsShown) {
    ImageCanvas canvas;
    canvas.resize(720, 576);
    QImage& picture = canvas.Picture();
    EXPECT_EQ(picture.size(), QSize(720, 576));
    picture.fill(QColor(10, 200, 30));
    canvas.update();
    const QImage shown = canvas.grab().toImage();
    EXPECT_EQ(shown.pixelColor(360, 288), QColor(10, 200, 30));
}

// An edit box in a window with a second control to take the focus.
struct EditFixture {
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    int enters = 0;
    int exits = 0;

    explicit EditFixture(char (*filter)(char)) {
        other->move(0, 40);
        AttachEditHandlers(edit, {filter, [this] { ++enters; }, [this] { ++exits; }});
        window.show();
        QApplication::setActiveWindow(&window);
        edit->setFocus(Qt::OtherFocusReason);
    }
};

TEST(EditHandlersTest, IntegerFilterSwallowsWhatIsNotADigit) {
    EditFixture f(GetValidIntegerKey);
    QTest::keyClicks(f.edit, QStringLiteral("1a2-3 ,4"));
    QKeyEvent accent(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QStringLiteral("é"));
    QApplication::sendEvent(f.edit, &accent);
    EXPECT_EQ(f.edit->text(), QStringLiteral("1234"));
    QTest::keyClick(f.edit, Qt::Key_Backspace);
    EXPECT_EQ(f.edit->text(), QStringLiteral("123"));
}

TEST(EditHandlersTest, RealFilterReplacesThePointByTheLocaleSeparator) {
    EditFixture f(GetValidRealKey);
    QTest::keyClicks(f.edit, QStringLiteral("1.85x"));
    const QString expected =
        QStringLiteral("1") + QLatin1Char(static_cast<char>(GetValidRealKey('.'))) + QStringLiteral("85");
    EXPECT_EQ(f.edit->text(), expected);
}

TEST(EditHandlersTest, PastedTextGoesThroughTheFilter) {
    EditFixture f(GetValidIntegerKey);
    QApplication::clipboard()->setText(QStringLiteral("12 3\nab45"));
    QTest::keySequence(f.edit, QKeySequence::Paste);
    EXPECT_EQ(f.edit->text(), QStringLiteral("12345"));
    EXPECT_EQ(FilterText(QStringLiteral("-7x8"), GetValidSignedIntegerKey), QStringLiteral("-78"));
}

TEST(EditHandlersTest, BothEnterKeysRunTheHandlerAndOtherKeysDoNot) {
    EditFixture f(GetValidIntegerKey);
    QTest::keyClick(f.edit, Qt::Key_Return);
    QTest::keyClick(f.edit, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(f.edit, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(f.edit, Qt::Key_5);
    QTest::keyClick(f.edit, Qt::Key_Tab);
    EXPECT_EQ(f.enters, 3);
}

TEST(EditHandlersTest, FocusMovingToAnotherControlRunsExitOnce) {
    EditFixture f(GetValidIntegerKey);
    ASSERT_TRUE(f.edit->hasFocus());
    f.other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(f.exits, 1);
    f.edit->setFocus(Qt::MouseFocusReason);
    f.other->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(f.exits, 2);
}

TEST(EditHandlersTest, FocusLostToAPopupOrAnotherWindowIsNoExit) {
    EditFixture f(GetValidIntegerKey);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(f.edit, &popup);
    QFocusEvent deactivation(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(f.edit, &deactivation);
    EXPECT_EQ(f.exits, 0);

    // A real second window taking the focus (as a message box does).
    QWidget box;
    auto* boxEdit = new QLineEdit(&box);
    box.show();
    QApplication::setActiveWindow(&box);
    boxEdit->setFocus();
    EXPECT_EQ(f.exits, 0);
}

TEST(EditHandlersTest, AttachingAgainReplacesTheHandlers) {
    EditFixture f(GetValidIntegerKey);
    int second = 0;
    AttachEditHandlers(f.edit, {nullptr, [&second] { ++second; }, nullptr});
    QTest::keyClick(f.edit, Qt::Key_Return);
    QTest::keyClicks(f.edit, QStringLiteral("ab"));
    EXPECT_EQ(f.enters, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(f.edit->text(), QStringLiteral("ab"));
}

TEST(ClearDefaultButtonsTest, ReturnInADialogClicksNothing) {
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* button = new QPushButton(QStringLiteral("VALIDER"), &dialog);
    button->move(0, 40);
    ClearDefaultButtons(&dialog);
    QSignalSpy clicks(button, &QPushButton::clicked);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(button->autoDefault());
    EXPECT_FALSE(button->isDefault());
}

} // namespace
