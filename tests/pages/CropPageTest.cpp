#include "PagesFixture.h"

#include <QTest>
#include <ostream>

namespace {

const QColor White(255, 255, 255);
const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);

struct Border {
    const char* box;
    const char* spinner;
    uint16_t TD2VProject::*crop;
};

void PrintTo(const Border& c, std::ostream* os) {
    *os << c.box;
}

const Border Borders[] = {{"EditUpDownTop", "UpDownTop", &TD2VProject::CropTop},
                          {"EditUpDownBottom", "UpDownBottom", &TD2VProject::CropBottom},
                          {"EditUpDownLeft", "UpDownLeft", &TD2VProject::CropLeft},
                          {"EditUpDownRight", "UpDownRight", &TD2VProject::CropRight}};

} // namespace

class CropPageTest : public PagesTest {
protected:
    void SetUp() override {
        Open(CopyFilm(QStringLiteral("pal_letterbox")));
        Activate(CropPage);
    }
    void SetCrop(const char* box, int value) {
        Type(Line(box), QString::number(value));
        PressEnter(Line(box));
    }
    QVector<int> Crops() {
        return {Project().CropTop, Project().CropBottom, Project().CropLeft, Project().CropRight};
    }
    QVector<int> Spinners() {
        QVector<int> result;
        for (const Border& b : Borders)
            result << Find<UpDown>(b.spinner)->Position();
        return result;
    }
    QVector<QString> Boxes() {
        QVector<QString> result;
        for (const Border& b : Borders)
            result << Line(b.box)->text();
        return result;
    }
    QComboBox* Modulo() { return Find<QComboBox>("ComboBoxCropsMultiple"); }
};

// Each border's box: Enter and leaving with valid, aligned, out-of-range, empty and unchanged text.
class CropBoxTest : public CropPageTest, public ::testing::WithParamInterface<Border> {};

TEST_P(CropBoxTest, TypedBorderIsAlignedAndMovesItsSpinner) {
    const Border b = GetParam();
    QLineEdit* box = Line(b.box);
    UpDown* spinner = Find<UpDown>(b.spinner);
    ASSERT_EQ(Modulo()->currentText(), QStringLiteral("2"));

    // "Modulo" 2 aligns 7 down to 6: the box and the spinner show 6.
    Type(box, QStringLiteral("7"));
    PressEnter(box);
    EXPECT_EQ(Project().*b.crop, 6);
    EXPECT_EQ(box->text(), QStringLiteral("6"));
    EXPECT_EQ(spinner->Position(), 6);

    const bool vertical = b.crop == &TD2VProject::CropTop || b.crop == &TD2VProject::CropBottom;
    const QString outOfRange = QString::number(vertical ? 576 : 720);
    for (const QString& invalid : {outOfRange, QString()}) {
        Type(box, invalid);
        PressEnter(box);
        EXPECT_EQ(box->text(), invalid);
        EXPECT_EQ(Project().*b.crop, 6);
        Leave(box);
        EXPECT_EQ(box->text(), QStringLiteral("6"));
    }

    // Leaving with the same value still redraws the page.
    LabeledEdit* frameBox = Edit("LabeledEditFrameNumber2");
    frameBox->setText(QStringLiteral("unchanged"));
    Type(box, QStringLiteral("6"));
    Leave(box);
    EXPECT_EQ(frameBox->text(), QStringLiteral("0"));

    Type(box, QStringLiteral("17"));
    Leave(box);
    EXPECT_EQ(Project().*b.crop, 16);
    EXPECT_EQ(spinner->Position(), 16);
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Borders, CropBoxTest, ::testing::ValuesIn(Borders),
                         [](const auto& testCase) { return std::string(testCase.param.box); });

TEST_F(CropPageTest, SpinnersMoveTheirBorderTheWayTheArrowPointsAndStopAtTheirLimits) {
    UpDown* top = Find<UpDown>("UpDownTop");
    QLineEdit* topBox = Line("EditUpDownTop");
    // At 0 the up arrow changes nothing and redraws nothing.
    topBox->setText(QStringLiteral("unchanged"));
    top->Press(UpDown::Button::Next);
    Settle();
    EXPECT_EQ(topBox->text(), QStringLiteral("unchanged"));
    EXPECT_EQ(Project().CropTop, 0);

    top->Press(UpDown::Button::Previous);
    Settle();
    EXPECT_EQ(Project().CropTop, 2);
    EXPECT_EQ(topBox->text(), QStringLiteral("2"));

    Pick(Modulo(), 0);
    top->Press(UpDown::Button::Next);
    top->Press(UpDown::Button::Previous);
    EXPECT_EQ(Project().CropTop, 2);
    top->Press(UpDown::Button::Next);
    top->Press(UpDown::Button::Next);
    EXPECT_EQ(Project().CropTop, 0);

    // Up on the bottom spinner and right on the left spinner enlarge their crops; right on the
    // right spinner makes its crop smaller.
    Find<UpDown>("UpDownBottom")->Press(UpDown::Button::Next);
    Find<UpDown>("UpDownLeft")->Press(UpDown::Button::Next);
    Find<UpDown>("UpDownRight")->Press(UpDown::Button::Previous);
    EXPECT_EQ(Crops(), (QVector<int>{0, 1, 1, 1}));
    Find<UpDown>("UpDownRight")->Press(UpDown::Button::Next);
    EXPECT_EQ(Project().CropRight, 0);

    // At the far end (InputWidth - 1) the arrow stops too.
    SetCrop("EditUpDownLeft", 719);
    EXPECT_EQ(Project().CropLeft, 719);
    QLineEdit* leftBox = Line("EditUpDownLeft");
    leftBox->setText(QStringLiteral("unchanged"));
    Find<UpDown>("UpDownLeft")->Press(UpDown::Button::Next);
    EXPECT_EQ(leftBox->text(), QStringLiteral("unchanged"));
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(CropPageTest, ModuloTwoAlignsTheCropsAndTheSpinnersStepByTwo) {
    Pick(Modulo(), 0);
    EXPECT_EQ(Project().CropsMultiple, 1);
    SetCrop("EditUpDownTop", 5);
    SetCrop("EditUpDownBottom", 5);
    SetCrop("EditUpDownLeft", 3);
    SetCrop("EditUpDownRight", 3);
    EXPECT_EQ(Crops(), (QVector<int>{5, 5, 3, 3}));

    Pick(Modulo(), 1);
    EXPECT_EQ(Project().CropsMultiple, 2);
    EXPECT_EQ(Crops(), (QVector<int>{4, 4, 2, 2}));
    EXPECT_EQ(Spinners(), (QVector<int>{4, 4, 2, 2}));
    EXPECT_EQ(Boxes(), (QVector<QString>{"4", "4", "2", "2"}));

    for (const Border& b : Borders)
        Find<UpDown>(b.spinner)->Press(UpDown::Button::Next);
    // Top and right shrink by 2, bottom and left grow by 2.
    EXPECT_EQ(Crops(), (QVector<int>{2, 6, 4, 0}));
}

TEST_F(CropPageTest, BorderLeavingNoPictureIsRefusedWithTheProjectsMessage) {
    SetCrop("EditUpDownBottom", 276);
    SetCrop("EditUpDownTop", 300);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("CropTop or CropBottom are too big !")});
    EXPECT_EQ(Project().CropTop, 0);
    EXPECT_EQ(Line("EditUpDownTop")->text(), QStringLiteral("0"));
    EXPECT_EQ(Find<UpDown>("UpDownTop")->Position(), 0);
    EXPECT_EQ(Project().CropBottom, 276);
}

TEST_F(CropPageTest, AutoCropFindsTheLetterboxAndMovesTheSpinners) {
    Click("ButtonAutoCrop");
    EXPECT_EQ(Crops(), (QVector<int>{72, 72, 0, 0}));
    EXPECT_EQ(Spinners(), (QVector<int>{72, 72, 0, 0}));
    EXPECT_EQ(Boxes(), (QVector<QString>{"72", "72", "0", "0"}));
    // Height on the first row, width on the second.
    EXPECT_EQ(Find<QLabel>("LabelCroppedWidth1")->text(), QStringLiteral("Hauteur :  432"));
    EXPECT_EQ(Find<QLabel>("LabelCroppedHeight1")->text(), QStringLiteral("Largeur :  720"));
    EXPECT_EQ(Find<QLabel>("LabelCroppedRatio1")->text(), QStringLiteral("Rapport L/H :  1,6667"));
    // 16/9 over 1.25, times 720/432: 2.3704.
    EXPECT_EQ(Find<QLabel>("LabelAspectRatio1")->text(), QStringLiteral("Aspect Ratio :  2,3704"));

    // The white outline lies on the outermost kept rows: row 72 and row 503 of the frame.
    const QImage picture = Find<ImageCanvas>("Image2")->Picture();
    for (int x : {0, 100, 719}) {
        EXPECT_EQ(QColor(picture.pixel(x, 72)), White) << x;
        EXPECT_EQ(QColor(picture.pixel(x, 503)), White) << x;
        EXPECT_NE(QColor(picture.pixel(x, 71)), White) << x;
    }
    EXPECT_TRUE(messages.messages.empty()) << messages.Texts().join(QLatin1Char('|')).toStdString();
}

// The output stays 640 x 512 (ratio 1.25) while the side crops change the picture's true shape,
// 16/9 / 1.25 x (720 - left - right) / 576; the error is (1.25 - shape) / shape.
TEST_F(CropPageTest, AspectErrorColourFollowsItsSize) {
    Pick(Modulo(), 0);
    const struct {
        int left, right;
        double percent;
        QColor colour;
    } cases[] = {
        {105, 104, -0.929, White}, // 511 columns
        {99, 99, -3.017, Yellow},  // 522 columns
        {88, 88, -6.940, Red},     // 544 columns
        {0, 0, -29.688, Red},      // the whole frame
    };
    for (const auto& c : cases) {
        SetCrop("EditUpDownLeft", c.left);
        SetCrop("EditUpDownRight", c.right);
        QLineEdit* error = Line("LabeledEditAspectRatioError1");
        EXPECT_EQ(Background("LabeledEditAspectRatioError1"), c.colour) << c.left;
        bool ok = false;
        const double shown = QLocale(QLocale::French).toDouble(error->text(), &ok);
        EXPECT_TRUE(ok) << error->text().toStdString();
        EXPECT_NEAR(shown, c.percent, 0.002) << c.left;
    }
}

TEST_F(CropPageTest, AspectErrorBeyondThirtyPercentIsShownAsALimitInRed) {
    // "Forcer 3.00:1" makes the output far wider than the picture.
    Activate(ResizePage);
    Pick(Find<QComboBox>("ComboBoxOutputProjectedRatio"), 14);
    Activate(CropPage);
    EXPECT_EQ(Line("LabeledEditAspectRatioError1")->text(), QStringLiteral("> 30"));
    EXPECT_EQ(Background("LabeledEditAspectRatioError1"), Red);

    // A square output of a 16/9 picture.
    Activate(ResizePage);
    Pick(Find<QComboBox>("ComboBoxOutputProjectedRatio"), 0);
    LabeledEdit* ratio = Edit("LabeledEditOutputProjectedRatio");
    Type(ratio, QStringLiteral("1"));
    PressEnter(ratio);
    Activate(CropPage);
    EXPECT_EQ(Line("LabeledEditAspectRatioError1")->text(), QStringLiteral("< -30"));
    EXPECT_EQ(Background("LabeledEditAspectRatioError1"), Red);
}

TEST_F(CropPageTest, CropsChangedOnTheResizePageAreShownWhenThePageComesBack) {
    Click("ButtonAutoCrop");
    Activate(ResizePage);
    // "Forcer 2.20:1": 640 x 290, which minimising widens to 292 lines by giving back crop.
    Pick(Find<QComboBox>("ComboBoxOutputProjectedRatio"), 9);
    Click("ButtonMinimizeAspectRatioError");
    const QVector<int> minimised = Crops();
    ASSERT_NE(minimised, (QVector<int>{72, 72, 0, 0}));
    Activate(CropPage);
    EXPECT_EQ(Spinners(), minimised);
    EXPECT_EQ(Boxes()[0], QString::number(minimised[0]));
}
