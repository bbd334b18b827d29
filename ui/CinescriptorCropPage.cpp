#include "ui/Cinescriptor.h"

#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"
#include "ui_Cinescriptor.h"
#include "ui_CropPage.h"

#include <QVBoxLayout>
#include <array>
#include <cstdlib>

// Owned by the main window as a QObject child; the controls themselves belong to the page.
class TForm1::CropPageWidgets : public QObject, public Ui::CropPage {
public:
    using QObject::QObject;
};

namespace {

// The position a spinner showed after its last move, to tell a real move from a press at a limit.
constexpr const char* ShownPositionProperty = "ShownPosition";

// One border: its box and spinner, the setter and field of the project, the frame dimension that
// bounds it, and the sign that makes each arrow move the border the way it points.
struct CropBorder {
    QLineEdit* Box;
    UpDown* Spinner;
    bool (TD2VProject::*Set)(uint16_t);
    uint16_t TD2VProject::*Value;
    uint16_t TD2VFile::*Dimension;
    int IncrementSign;
};

enum BorderIndex { TopBorder, BottomBorder, LeftBorder, RightBorder };

// In the order the refresh hands them to the project.
std::array<CropBorder, 4> Borders(const TForm1::CropPageWidgets& w) {
    return {{{w.EditUpDownTop, w.UpDownTop, &TD2VProject::SetCropTop, &TD2VProject::CropTop,
              &TD2VFile::InputHeight, -1},
             {w.EditUpDownBottom, w.UpDownBottom, &TD2VProject::SetCropBottom, &TD2VProject::CropBottom,
              &TD2VFile::InputHeight, 1},
             {w.EditUpDownLeft, w.UpDownLeft, &TD2VProject::SetCropLeft, &TD2VProject::CropLeft,
              &TD2VFile::InputWidth, 1},
             {w.EditUpDownRight, w.UpDownRight, &TD2VProject::SetCropRight, &TD2VProject::CropRight,
              &TD2VFile::InputWidth, -1}}};
}

void LoadSpinners(TForm1& form) {
    for (const CropBorder& b : Borders(*form.CropPageUi))
        TForm1::SetSpinnerPosition(b.Spinner, (*form.Project).*b.Value);
}

void TakeCropBox(TForm1& form, BorderIndex index, bool isExit) {
    if (!form.Project)
        return;
    TD2VFullProject& p = *form.Project;
    const CropBorder b = Borders(*form.CropPageUi)[index];
    const QString text = b.Box->text();
    switch (TForm1::NumberBoxAction(text, isExit, 0, p.*b.Dimension - 1u, p.*b.Value, true)) {
    case TForm1::BoxAction::Apply:
        (p.*b.Set)(static_cast<uint16_t>(StringToValidLongWord(text)));
        // Aligned by the project, or its former value when refused.
        TForm1::SetSpinnerPosition(b.Spinner, p.*b.Value);
        form.RefreshCropPage();
        break;
    case TForm1::BoxAction::Restore:
        b.Box->setText(QString::number(p.*b.Value));
        break;
    case TForm1::BoxAction::None:
        break;
    }
}

void SetIncrements(TForm1& form) {
    for (const CropBorder& b : Borders(*form.CropPageUi))
        b.Spinner->SetIncrement(b.IncrementSign * form.Project->CropsMultiple);
}

} // namespace

void TForm1::BuildCropPage() {
    CropPageUi = new CropPageWidgets(this);
    auto* page = new QWidget(ui->TabSheet3);
    CropPageUi->setupUi(page);
    auto* layout = new QVBoxLayout(ui->TabSheet3);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    CropPageWidgets& w = *CropPageUi;
    Previews[1] = {
        w.LabeledEditFrameNumber2,
        w.TrackBar2,
        w.Image2,
        &TForm1::CroppingCurrentFrame,
        &TForm1::RefreshCropPage,
        [](TD2VFullProject& project, int32_t frameNumber, QImage& image, const QColor& background) {
            return project.ShowFrameWithCropBorder(frameNumber, image, background);
        }};
    AttachPreviewPage(Previews[1]);
    connect(w.TrackBar2, &TrackBar::Change, this, &TForm1::TrackBar2Change);

    for (const CropBorder& b : Borders(w))
        ConnectSpinner(b.Spinner, &TForm1::OnUpDownClick);
    AttachEditHandlers(w.EditUpDownTop, {GetValidIntegerKey, [this] { EditUpDownTopKeyDown(); },
                                         [this] { EditUpDownTopExit(); }});
    AttachEditHandlers(w.EditUpDownBottom, {GetValidIntegerKey, [this] { EditUpDownBottomKeyDown(); },
                                            [this] { EditUpDownBottomExit(); }});
    AttachEditHandlers(w.EditUpDownLeft, {GetValidIntegerKey, [this] { EditUpDownLeftKeyDown(); },
                                          [this] { EditUpDownLeftExit(); }});
    AttachEditHandlers(w.EditUpDownRight, {GetValidIntegerKey, [this] { EditUpDownRightKeyDown(); },
                                           [this] { EditUpDownRightExit(); }});
    connect(w.ComboBoxCropsMultiple, &QComboBox::activated, this, &TForm1::ComboBoxCropsMultipleChange);
    connect(w.ButtonAutoCrop, &QPushButton::clicked, this, &TForm1::ButtonAutoCropClick);
}

void TForm1::SetUpCropPage() {
    CropPageWidgets& w = *CropPageUi;
    TD2VFullProject& p = *Project;
    w.LabeledEditFrameNumber2->setLabelText(QStringLiteral("Frame affichée :  "));

    TrackBar* bar = w.TrackBar2;
    bar->ClearTicks();
    bar->SetLineSize(1);
    bar->SetPageSize(10);
    bar->SetMin(0);
    bar->SetMax(static_cast<int>(p.InputNumberOfFrames - 1));

    for (const CropBorder& b : Borders(w)) {
        b.Spinner->SetMin(0);
        b.Spinner->SetMax(p.*b.Dimension - 1);
    }
    LoadSpinners(*this);
    SetIncrements(*this);

    QComboBox* multiple = w.ComboBoxCropsMultiple;
    multiple->clear();
    multiple->setEditable(false);
    multiple->show();
    multiple->addItems({QStringLiteral("1"), QStringLiteral("2")});
    if (p.CropsMultiple == 1) {
        multiple->setCurrentIndex(0);
    } else {
        // The increments keep the stored multiple until "Modulo" is changed.
        if (p.CropsMultiple != 2)
            p.SetCropsMultiple(2);
        multiple->setCurrentIndex(1);
    }

    bar->SetPosition(CroppingCurrentFrame);
    Previews[1].IsRefreshPending = false;
}

void TForm1::LoadCropSpinners() {
    LoadSpinners(*this);
}

void TForm1::RefreshCropPage() {
    Previews[1].IsRefreshPending = false;
    CropPageWidgets& w = *CropPageUi;
    TD2VFullProject& p = *Project;
    const auto borders = Borders(w);
    // The spinners are the page's working copy of the crops.
    for (const CropBorder& b : borders)
        (p.*b.Set)(static_cast<uint16_t>(b.Spinner->Position()));

    // Height on the first row and width on the second, each row with its own word.
    w.LabelCroppedWidth1->setText(QStringLiteral("Hauteur :  ") + QString::number(p.CroppedHeight));
    w.LabelCroppedHeight1->setText(QStringLiteral("Largeur :  ") + QString::number(p.CroppedWidth));
    w.LabelCroppedRatio1->setText(QStringLiteral("Rapport L/H :  ") + FormatGeneral(p.CroppedRatio, 5));
    w.LabelAspectRatio1->setText(QStringLiteral("Aspect Ratio :  ") + FormatGeneral(p.AspectRatio, 5));
    for (const CropBorder& b : borders)
        b.Box->setText(QString::number(p.*b.Value));
    ShowAspectRatioError(w.LabeledEditAspectRatioError1);
    ShowCropFrame(w.TrackBar2->Position());
}

void TForm1::ShowCropFrame(int32_t frameNumber) {
    ShowPreviewFrame(Previews[1], frameNumber);
}

void TForm1::ShowAspectRatioError(QLineEdit* box) {
    const int error = std::abs(static_cast<int>(Project->AspectRatioError));
    SetBoxBackground(box, error <= 1000   ? QColor(255, 255, 255)
                          : error <= 5000 ? QColor(255, 255, 0)
                                          : QColor(255, 0, 0));
    box->setText(Project->GetAspectRatioErrorText());
}

void TForm1::SetBoxBackground(QLineEdit* box, const QColor& colour) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, colour);
    box->setPalette(palette);
}

void TForm1::ConnectSpinner(UpDown* spinner, void (TForm1::*handler)()) {
    connect(spinner, &UpDown::Click, this, [this, spinner, handler] {
        const QVariant shown = spinner->property(ShownPositionProperty);
        spinner->setProperty(ShownPositionProperty, spinner->Position());
        if (shown.isValid() && shown.toInt() == spinner->Position())
            return;
        (this->*handler)();
    });
}

void TForm1::SetSpinnerPosition(UpDown* spinner, int position) {
    spinner->SetPosition(position);
    spinner->setProperty(ShownPositionProperty, spinner->Position());
}

void TForm1::TrackBar2Change() {
    RequestPreviewRefresh(Previews[1]);
}

void TForm1::OnUpDownClick() {
    // The spinner has already moved: the refresh hands its new position to the project.
    if (Project)
        RefreshCropPage();
}

void TForm1::EditUpDownTopKeyDown() {
    TakeCropBox(*this, TopBorder, false);
}

void TForm1::EditUpDownTopExit() {
    TakeCropBox(*this, TopBorder, true);
}

void TForm1::EditUpDownBottomKeyDown() {
    TakeCropBox(*this, BottomBorder, false);
}

void TForm1::EditUpDownBottomExit() {
    TakeCropBox(*this, BottomBorder, true);
}

void TForm1::EditUpDownLeftKeyDown() {
    TakeCropBox(*this, LeftBorder, false);
}

void TForm1::EditUpDownLeftExit() {
    TakeCropBox(*this, LeftBorder, true);
}

void TForm1::EditUpDownRightKeyDown() {
    TakeCropBox(*this, RightBorder, false);
}

void TForm1::EditUpDownRightExit() {
    TakeCropBox(*this, RightBorder, true);
}

void TForm1::ComboBoxCropsMultipleChange(int index) {
    if (!Project)
        return;
    TD2VFullProject& p = *Project;
    if (index == 0)
        p.SetCropsMultiple(1);
    else if (index == 1)
        p.SetCropsMultiple(2);
    // Each crop again through its setter, which aligns it down to the multiple.
    for (const CropBorder& b : Borders(*CropPageUi))
        (p.*b.Set)(p.*b.Value);
    LoadSpinners(*this);
    SetIncrements(*this);
    RefreshCropPage();
}

void TForm1::ButtonAutoCropClick() {
    if (!Project)
        return;
    Project->AutoCrop();
    LoadSpinners(*this);
    RefreshCropPage();
}
