#include "ui/ResizePage.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/Cinescriptor.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"
#include "ui_ResizePage.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

// The smallest width the width box accepts; the spinner stops there too, so no 0 x 0 output.
constexpr uint16_t MinimumOutputWidth = 25;

constexpr int ManualRatioItem = 0;
constexpr int AutomaticRatioItem = 1;
constexpr int CroppedRatioItem = 2;

struct RatioChoice {
    const char* Item;
    float Ratio; // 0 for the three items that set no fixed ratio
};

// The fixed ratios go over as 32-bit floats, as typed: 1.33, not 4/3.
constexpr RatioChoice RatioChoices[] = {
    {"Manuel", 0.0f},
    {"Automatique", 0.0f},
    {"Conserver rapport", 0.0f},
    {"Forcer 1.33:1 (4/3)", 1.33f},
    {"Forcer 1.37:1 (Academy)", 1.37f},
    {"Forcer 1.66:1 (Super 16)", 1.66f},
    {"Forcer 1.70:1 (VistaVision)", 1.70f},
    {"Forcer 1.78:1 (16/9)", 1.78f},
    {"Forcer 1.85:1 (Academy Flat)", 1.85f},
    {"Forcer 2.20:1 (Super Panavision 70)", 2.20f},
    {"Forcer 2.35:1 (Academy Scope)", 2.35f},
    {"Forcer 2.40:1 (Panavision)", 2.40f},
    {"Forcer 2.55:1 (CinemaScope)", 2.55f},
    {"Forcer 2.76:1 (MGM Camera 65)", 2.76f},
    {"Forcer 3.00:1 (Cinerama)", 3.00f},
};

// Items of both "Modulos" lists, index i standing for 2 << i pixels.
const QStringList Multiples = {QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("8"),
                               QStringLiteral("16"), QStringLiteral("32")};

int MultipleIndex(uint8_t multiple) {
    return static_cast<int>(Multiples.indexOf(QString::number(multiple)));
}

// A typed ratio beyond what a 32-bit float holds goes over as an infinity, which the project
// refuses with its own message, rather than as an undefined conversion.
float ToFloatRatio(long double value) {
    if (value > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max())
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// The columns the display shape describes: the whole 720, or the 704 of ITU-R BT.601.
const QStringList ActiveWidths = {QStringLiteral("720 (générique)"), QStringLiteral("704 (ITU-R BT.601)")};
constexpr uint16_t ActiveWidthOfItem[] = {720, 704};

} // namespace

ResizePage::ResizePage(TForm1& owner, QWidget* parent)
    : PreviewPage(owner, parent), ui(std::make_unique<Ui::ResizePage>()) {
    ui->setupUi(this);
    AttachPreview(ui->LabeledEditFrameNumber3, ui->TrackBar3, ui->Image3);
    connect(ui->TrackBar3, &TrackBar::Change, this, &ResizePage::TrackBar3Change);

    ConnectSpinner(ui->UpDownOutputWidth, [this] { UpDownOutputWidthClick(); });
    AttachEditHandlers(ui->LabeledEditOutputWidth,
                       {GetValidIntegerKey, [this] { LabeledEditOutputWidthKeyDown(); },
                        [this] { LabeledEditOutputWidthExit(); }});
    AttachEditHandlers(ui->LabeledEditOutputProjectedRatio,
                       {GetValidRealKey, [this] { LabeledEditOutputRatioKeyDown(); },
                        [this] { LabeledEditOutputRatioExit(); }});
    // Read-only boxes that only show results; the handlers keep input methods out of them.
    for (QLineEdit* shown : {static_cast<QLineEdit*>(ui->LabeledEditOutputHeight),
                             static_cast<QLineEdit*>(ui->LabeledEditOutputRatio),
                             static_cast<QLineEdit*>(ui->LabeledEditAspectRatioError2)})
        AttachEditHandlers(shown, EditHandlers{});
    connect(ui->ComboBoxOutputWidthMultiple, &QComboBox::activated, this,
            &ResizePage::ComboBoxOutputWidthMultipleChange);
    connect(ui->ComboBoxOutputHeightMultiple, &QComboBox::activated, this,
            &ResizePage::ComboBoxOutputHeightMultipleChange);
    connect(ui->ComboBoxOutputProjectedRatio, &QComboBox::activated, this,
            &ResizePage::ComboBoxOutputProjectedRatioChange);
    connect(ui->ButtonMinimizeAspectRatioError, &QPushButton::clicked, this,
            &ResizePage::ButtonMinimizeAspectRatioErrorClick);
    ui->ComboBoxActiveWidth->addItems(ActiveWidths);
    connect(ui->ComboBoxActiveWidth, &QComboBox::activated, this, &ResizePage::ComboBoxActiveWidthChange);
}

ResizePage::~ResizePage() = default;

void ResizePage::ResetState() {
    PreviewPage::ResetState();
    isAspectRatioErrorMinimized = false;
}

bool ResizePage::DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                           const QColor& background) {
    return project.ShowResizedCroppedFrame(frameNumber, image, background);
}

void ResizePage::SetEditable(QLineEdit* box, bool editable, const QColor& readOnlyColour) {
    box->setReadOnly(!editable);
    SetBoxBackground(box, editable ? QColor(255, 255, 255) : readOnlyColour);
}

void ResizePage::SetUpResizePage() {
    TD2VFullProject& p = *form.Project();
    const QColor windowColour = palette().color(QPalette::Window);
    SetUpPreview();

    ui->UpDownOutputWidth->SetMin(MinimumOutputWidth);
    ui->UpDownOutputWidth->SetMax(p.CroppedWidth);
    ui->UpDownOutputWidth->SetIncrement(p.OutputWidthMultiple);
    SetSpinnerPosition(ui->UpDownOutputWidth, p.OutputWidth);

    SetEditable(ui->LabeledEditOutputWidth, true, windowColour);
    SetEditable(ui->LabeledEditOutputHeight, false, windowColour);
    SetEditable(ui->LabeledEditOutputRatio, false, windowColour);
    // Read-only, but white: its colour follows the error.
    SetEditable(ui->LabeledEditAspectRatioError2, false, QColor(255, 255, 255));

    QComboBox* ratios = ui->ComboBoxOutputProjectedRatio;
    ratios->clear();
    ratios->setEditable(false);
    ratios->show();
    for (const RatioChoice& choice : RatioChoices)
        ratios->addItem(QString::fromUtf8(choice.Item));
    // A film seen before keeps the ratio read from its settings file.
    ratios->setCurrentIndex(form.IsIniFileMissing() ? AutomaticRatioItem : ManualRatioItem);
    SetEditable(ui->LabeledEditOutputProjectedRatio, true, windowColour);

    QComboBox* widthMultiple = ui->ComboBoxOutputWidthMultiple;
    widthMultiple->clear();
    widthMultiple->setEditable(false);
    widthMultiple->show();
    widthMultiple->addItems(Multiples);
    if (MultipleIndex(p.OutputWidthMultiple) < 0) {
        // The list shows the multiple the project then holds.
        p.SetOutputWidthMultiple(32);
        ui->UpDownOutputWidth->SetIncrement(p.OutputWidthMultiple);
    }
    widthMultiple->setCurrentIndex(MultipleIndex(p.OutputWidthMultiple));

    QComboBox* heightMultiple = ui->ComboBoxOutputHeightMultiple;
    heightMultiple->clear();
    heightMultiple->setEditable(false);
    heightMultiple->show();
    heightMultiple->addItems(Multiples);
    if (MultipleIndex(p.OutputHeightMultiple) < 0)
        p.SetOutputHeightMultiple(2);
    heightMultiple->setCurrentIndex(MultipleIndex(p.OutputHeightMultiple));

    ui->ComboBoxActiveWidth->setCurrentIndex(p.InputActiveWidth == ActiveWidthOfItem[1] ? 1 : 0);
}

void ResizePage::RefreshResizePage() {
    CancelPendingRefresh();
    TD2VFullProject& p = *form.Project();
    const int ratioItem = ui->ComboBoxOutputProjectedRatio->currentIndex();
    SetEditable(ui->LabeledEditOutputProjectedRatio, ratioItem == ManualRatioItem,
                palette().color(QPalette::Window));
    // These two follow every change of the crop made meanwhile.
    if (ratioItem == AutomaticRatioItem)
        p.SetOutputProjectedRatio(p.AspectRatio);
    else if (ratioItem == CroppedRatioItem)
        p.SetOutputProjectedRatio(p.CroppedRatio);

    ui->ButtonMinimizeAspectRatioError->setText(isAspectRatioErrorMinimized
                                                    ? QStringLiteral("Annuler les modifications")
                                                    : QStringLiteral("Minimiser l'erreur d'aspect"));
    // Height on the first row and width on the second, as on the crop page.
    ui->LabelCroppedWidth2->setText(QStringLiteral("Hauteur :  ") + QString::number(p.CroppedHeight));
    ui->LabelCroppedHeight2->setText(QStringLiteral("Largeur :  ") + QString::number(p.CroppedWidth));
    ui->LabelCroppedRatio2->setText(QStringLiteral("Rapport L/H :  ") + FormatGeneral(p.CroppedRatio, 5));
    ui->LabelAspectRatio2->setText(QStringLiteral("Aspect Ratio :  ") + FormatGeneral(p.AspectRatio, 5));

    ui->UpDownOutputWidth->SetMax(p.CroppedWidth);
    SetSpinnerPosition(ui->UpDownOutputWidth, p.OutputWidth);
    ui->LabeledEditOutputWidth->setText(QString::number(p.OutputWidth));
    ui->LabeledEditOutputHeight->setText(QString::number(p.OutputHeight));
    ui->LabeledEditOutputRatio->setText(FormatGeneral(p.OutputRatio, 5));
    ui->LabeledEditOutputProjectedRatio->setText(FormatGeneral(p.OutputProjectedRatio, 5));
    ShowAspectRatioError(ui->LabeledEditAspectRatioError2);
    ShowResizeFrame(ui->TrackBar3->Position());
}

void ResizePage::ComboBoxActiveWidthChange(int index) {
    if (form.Project() == nullptr || index < 0 || index > 1)
        return;
    // The aspect ratio follows, and with "Automatique" the desired ratio and the height.
    form.Project()->SetInputActiveWidth(ActiveWidthOfItem[index]);
    RefreshResizePage();
}

void ResizePage::ShowResizeFrame(int32_t frameNumber) {
    ShowPreviewFrame(frameNumber);
}

void ResizePage::TrackBar3Change() {
    RequestPreviewRefresh();
}

void ResizePage::UpDownOutputWidthClick() {
    if (form.Project() == nullptr)
        return;
    form.Project()->SetOutputWidth(static_cast<uint16_t>(ui->UpDownOutputWidth->Position()));
    // The refresh puts the spinner on the width as the project aligned it.
    RefreshResizePage();
}

void ResizePage::TakeWidthBox(bool isExit) {
    if (form.Project() == nullptr)
        return;
    TD2VFullProject& p = *form.Project();
    LabeledEdit* box = ui->LabeledEditOutputWidth;
    const QString text = box->text();
    switch (NumberBoxAction(text, isExit, MinimumOutputWidth, p.CroppedWidth, p.OutputWidth, false)) {
    case BoxAction::Apply:
        p.SetOutputWidth(static_cast<uint16_t>(StringToValidLongWord(text)));
        RefreshResizePage();
        break;
    case BoxAction::Restore:
        box->setText(QString::number(p.OutputWidth));
        break;
    case BoxAction::None:
        break;
    }
}

void ResizePage::LabeledEditOutputWidthKeyDown() {
    TakeWidthBox(false);
}

void ResizePage::LabeledEditOutputWidthExit() {
    TakeWidthBox(true);
}

void ResizePage::ComboBoxOutputWidthMultipleChange(int index) {
    if (form.Project() == nullptr)
        return;
    TD2VFullProject& p = *form.Project();
    if (index >= 0 && index < Multiples.size())
        p.SetOutputWidthMultiple(static_cast<uint8_t>(2 << index));
    ui->UpDownOutputWidth->SetIncrement(p.OutputWidthMultiple);
    RefreshResizePage();
}

void ResizePage::ComboBoxOutputHeightMultipleChange(int index) {
    if (form.Project() == nullptr)
        return;
    if (index >= 0 && index < Multiples.size())
        form.Project()->SetOutputHeightMultiple(static_cast<uint8_t>(2 << index));
    RefreshResizePage();
}

void ResizePage::ComboBoxOutputProjectedRatioChange(int index) {
    if (form.Project() == nullptr)
        return;
    // "Automatique" and "Conserver rapport" are applied by the refresh itself, once, so that a
    // refused ratio is reported once.
    if (index > CroppedRatioItem && index < static_cast<int>(std::size(RatioChoices)))
        form.Project()->SetOutputProjectedRatio(RatioChoices[index].Ratio);
    RefreshResizePage();
}

void ResizePage::LabeledEditOutputRatioKeyDown() {
    if (form.Project() == nullptr)
        return;
    const std::optional<long double> ratio = StrToFloat(ui->LabeledEditOutputProjectedRatio->text());
    if (!ratio) {
        ShowWarning(QStringLiteral("StrToFloat exception in TForm1.LabeledEditOutputRatioKeyDown !"));
        return;
    }
    form.Project()->SetOutputProjectedRatio(ToFloatRatio(*ratio));
    RefreshResizePage();
}

void ResizePage::LabeledEditOutputRatioExit() {
    TD2VFullProject* project = form.Project();
    LabeledEdit* box = ui->LabeledEditOutputProjectedRatio;
    if (project == nullptr || box->isReadOnly())
        return;
    // Leaving the box untouched keeps the stored ratio: its text holds only 5 digits of it.
    if (box->text() == FormatGeneral(project->OutputProjectedRatio, 5))
        return;
    const std::optional<long double> ratio = StrToFloat(box->text());
    if (!ratio) {
        box->setText(FormatGeneral(project->OutputProjectedRatio, 15));
        ShowWarning(QStringLiteral("StrToFloat exception in TForm1.LabeledEditOutputProjectedRatio !"));
        return;
    }
    project->SetOutputProjectedRatio(ToFloatRatio(*ratio));
    RefreshResizePage();
}

void ResizePage::ButtonMinimizeAspectRatioErrorClick() {
    TD2VFullProject* project = form.Project();
    if (project == nullptr)
        return;
    if (!isAspectRatioErrorMinimized) {
        project->SaveCrops();
        project->MinimizeAspectRatioError();
        isAspectRatioErrorMinimized = true;
    } else {
        project->RestoreCrops();
        isAspectRatioErrorMinimized = false;
    }
    RefreshResizePage();
}
