#include "ui/CropPage.h"

#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/Cinescriptor.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"
#include "ui_CropPage.h"

// One border: its box and spinner, the setter and field of the project, the frame dimension that
// bounds it, and the sign that makes each arrow move the border the way it points.
struct CropPage::CropBorder {
    QLineEdit* Box;
    UpDown* Spinner;
    bool (TD2VProject::*Set)(uint16_t);
    uint16_t TD2VProject::*Value;
    uint16_t TD2VFile::*Dimension;
    int IncrementSign;
};

CropPage::CropPage(TForm1& owner, QWidget* parent)
    : PreviewPage(owner, parent), ui(std::make_unique<Ui::CropPage>()) {
    ui->setupUi(this);
    AttachPreview(ui->LabeledEditFrameNumber2, ui->TrackBar2, ui->Image2);
    connect(ui->TrackBar2, &TrackBar::Change, this, &CropPage::TrackBar2Change);

    for (const CropBorder& b : Borders())
        ConnectSpinner(b.Spinner, [this] { OnUpDownClick(); });
    AttachEditHandlers(ui->EditUpDownTop, {GetValidIntegerKey, [this] { EditUpDownTopKeyDown(); },
                                           [this] { EditUpDownTopExit(); }});
    AttachEditHandlers(ui->EditUpDownBottom, {GetValidIntegerKey, [this] { EditUpDownBottomKeyDown(); },
                                              [this] { EditUpDownBottomExit(); }});
    AttachEditHandlers(ui->EditUpDownLeft, {GetValidIntegerKey, [this] { EditUpDownLeftKeyDown(); },
                                            [this] { EditUpDownLeftExit(); }});
    AttachEditHandlers(ui->EditUpDownRight, {GetValidIntegerKey, [this] { EditUpDownRightKeyDown(); },
                                             [this] { EditUpDownRightExit(); }});
    connect(ui->ComboBoxCropsMultiple, &QComboBox::activated, this, &CropPage::ComboBoxCropsMultipleChange);
    connect(ui->ButtonAutoCrop, &QPushButton::clicked, this, &CropPage::ButtonAutoCropClick);
}

CropPage::~CropPage() = default;

std::array<CropPage::CropBorder, 4> CropPage::Borders() const {
    return {{{ui->EditUpDownTop, ui->UpDownTop, &TD2VProject::SetCropTop, &TD2VProject::CropTop,
              &TD2VFile::InputHeight, -1},
             {ui->EditUpDownBottom, ui->UpDownBottom, &TD2VProject::SetCropBottom, &TD2VProject::CropBottom,
              &TD2VFile::InputHeight, 1},
             {ui->EditUpDownLeft, ui->UpDownLeft, &TD2VProject::SetCropLeft, &TD2VProject::CropLeft,
              &TD2VFile::InputWidth, 1},
             {ui->EditUpDownRight, ui->UpDownRight, &TD2VProject::SetCropRight, &TD2VProject::CropRight,
              &TD2VFile::InputWidth, -1}}};
}

bool CropPage::DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                         const QColor& background) {
    return project.ShowFrameWithCropBorder(frameNumber, image, background);
}

void CropPage::SetUpCropPage() {
    TD2VFullProject& p = *form.Project();
    SetUpPreview();

    for (const CropBorder& b : Borders()) {
        b.Spinner->SetMin(0);
        b.Spinner->SetMax(p.*b.Dimension - 1);
    }
    LoadCropSpinners();
    SetIncrements();

    QComboBox* multiple = ui->ComboBoxCropsMultiple;
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
}

void CropPage::LoadCropSpinners() {
    for (const CropBorder& b : Borders())
        SetSpinnerPosition(b.Spinner, (*form.Project()).*b.Value);
}

void CropPage::RefreshCropPage() {
    CancelPendingRefresh();
    TD2VFullProject& p = *form.Project();
    const auto borders = Borders();
    // The spinners are the page's working copy of the crops.
    for (const CropBorder& b : borders)
        (p.*b.Set)(static_cast<uint16_t>(b.Spinner->Position()));

    // Height on the first row and width on the second, each row with its own word.
    ui->LabelCroppedWidth1->setText(QStringLiteral("Hauteur :  ") + QString::number(p.CroppedHeight));
    ui->LabelCroppedHeight1->setText(QStringLiteral("Largeur :  ") + QString::number(p.CroppedWidth));
    ui->LabelCroppedRatio1->setText(QStringLiteral("Rapport L/H :  ") + FormatGeneral(p.CroppedRatio, 5));
    ui->LabelAspectRatio1->setText(QStringLiteral("Aspect Ratio :  ") + FormatGeneral(p.AspectRatio, 5));
    for (const CropBorder& b : borders)
        b.Box->setText(QString::number(p.*b.Value));
    ShowAspectRatioError(ui->LabeledEditAspectRatioError1);
    ShowCropFrame(ui->TrackBar2->Position());
}

void CropPage::ShowCropFrame(int32_t frameNumber) {
    ShowPreviewFrame(frameNumber);
}

void CropPage::TakeCropBox(BorderIndex index, bool isExit) {
    if (form.Project() == nullptr)
        return;
    TD2VFullProject& p = *form.Project();
    const CropBorder b = Borders()[index];
    const QString text = b.Box->text();
    switch (NumberBoxAction(text, isExit, 0, p.*b.Dimension - 1u, p.*b.Value, true)) {
    case BoxAction::Apply:
        (p.*b.Set)(static_cast<uint16_t>(StringToValidLongWord(text)));
        // Aligned by the project, or its former value when refused.
        SetSpinnerPosition(b.Spinner, p.*b.Value);
        RefreshCropPage();
        break;
    case BoxAction::Restore:
        b.Box->setText(QString::number(p.*b.Value));
        break;
    case BoxAction::None:
        break;
    }
}

void CropPage::SetIncrements() {
    for (const CropBorder& b : Borders())
        b.Spinner->SetIncrement(b.IncrementSign * form.Project()->CropsMultiple);
}

void CropPage::TrackBar2Change() {
    RequestPreviewRefresh();
}

void CropPage::OnUpDownClick() {
    // The spinner has already moved: the refresh hands its new position to the project.
    if (form.Project() != nullptr)
        RefreshCropPage();
}

void CropPage::EditUpDownTopKeyDown() {
    TakeCropBox(TopBorder, false);
}

void CropPage::EditUpDownTopExit() {
    TakeCropBox(TopBorder, true);
}

void CropPage::EditUpDownBottomKeyDown() {
    TakeCropBox(BottomBorder, false);
}

void CropPage::EditUpDownBottomExit() {
    TakeCropBox(BottomBorder, true);
}

void CropPage::EditUpDownLeftKeyDown() {
    TakeCropBox(LeftBorder, false);
}

void CropPage::EditUpDownLeftExit() {
    TakeCropBox(LeftBorder, true);
}

void CropPage::EditUpDownRightKeyDown() {
    TakeCropBox(RightBorder, false);
}

void CropPage::EditUpDownRightExit() {
    TakeCropBox(RightBorder, true);
}

void CropPage::ComboBoxCropsMultipleChange(int index) {
    if (form.Project() == nullptr)
        return;
    TD2VFullProject& p = *form.Project();
    if (index == 0)
        p.SetCropsMultiple(1);
    else if (index == 1)
        p.SetCropsMultiple(2);
    // Each crop again through its setter, which aligns it down to the multiple.
    for (const CropBorder& b : Borders())
        (p.*b.Set)(p.*b.Value);
    LoadCropSpinners();
    SetIncrements();
    RefreshCropPage();
}

void CropPage::ButtonAutoCropClick() {
    if (form.Project() == nullptr)
        return;
    form.Project()->AutoCrop();
    LoadCropSpinners();
    RefreshCropPage();
}
