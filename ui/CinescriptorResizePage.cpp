#include "ui/Cinescriptor.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"
#include "ui_Cinescriptor.h"
#include "ui_ResizePage.h"

#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <optional>

// Owned by the main window as a QObject child; the controls themselves belong to the page.
class TForm1::ResizePageWidgets : public QObject, public Ui::ResizePage {
public:
    using QObject::QObject;
};

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

void SetEditable(QLineEdit* box, bool editable, const QColor& readOnlyColour) {
    box->setReadOnly(!editable);
    TForm1::SetBoxBackground(box, editable ? QColor(255, 255, 255) : readOnlyColour);
}

} // namespace

void TForm1::BuildResizePage() {
    ResizePageUi = new ResizePageWidgets(this);
    auto* page = new QWidget(ui->TabSheet4);
    ResizePageUi->setupUi(page);
    auto* layout = new QVBoxLayout(ui->TabSheet4);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    ResizePageWidgets& w = *ResizePageUi;
    Previews[2] = {
        w.LabeledEditFrameNumber3,
        w.TrackBar3,
        w.Image3,
        &TForm1::ResizingCurrentFrame,
        &TForm1::RefreshResizePage,
        [](TD2VFullProject& project, int32_t frameNumber, QImage& image, const QColor& background) {
            return project.ShowResizedCroppedFrame(frameNumber, image, background);
        }};
    AttachPreviewPage(Previews[2]);
    connect(w.TrackBar3, &TrackBar::Change, this, &TForm1::TrackBar3Change);

    ConnectSpinner(w.UpDownOutputWidth, &TForm1::UpDownOutputWidthClick);
    AttachEditHandlers(w.LabeledEditOutputWidth,
                       {GetValidIntegerKey, [this] { LabeledEditOutputWidthKeyDown(); },
                        [this] { LabeledEditOutputWidthExit(); }});
    AttachEditHandlers(w.LabeledEditOutputProjectedRatio,
                       {GetValidRealKey, [this] { LabeledEditOutputRatioKeyDown(); },
                        [this] { LabeledEditOutputRatioExit(); }});
    // Read-only boxes that only show results; the handlers keep input methods out of them.
    for (QLineEdit* shown : {static_cast<QLineEdit*>(w.LabeledEditOutputHeight),
                             static_cast<QLineEdit*>(w.LabeledEditOutputRatio),
                             static_cast<QLineEdit*>(w.LabeledEditAspectRatioError2)})
        AttachEditHandlers(shown, EditHandlers{});
    connect(w.ComboBoxOutputWidthMultiple, &QComboBox::activated, this,
            &TForm1::ComboBoxOutputWidthMultipleChange);
    connect(w.ComboBoxOutputHeightMultiple, &QComboBox::activated, this,
            &TForm1::ComboBoxOutputHeightMultipleChange);
    connect(w.ComboBoxOutputProjectedRatio, &QComboBox::activated, this,
            &TForm1::ComboBoxOutputProjectedRatioChange);
    connect(w.ButtonMinimizeAspectRatioError, &QPushButton::clicked, this,
            &TForm1::ButtonMinimizeAspectRatioErrorClick);
}

void TForm1::SetUpResizePage() {
    ResizePageWidgets& w = *ResizePageUi;
    TD2VFullProject& p = *Project;
    const QColor windowColour = palette().color(QPalette::Window);
    w.LabeledEditFrameNumber3->setLabelText(QStringLiteral("Frame affichée :  "));

    w.UpDownOutputWidth->SetMin(MinimumOutputWidth);
    w.UpDownOutputWidth->SetMax(p.CroppedWidth);
    w.UpDownOutputWidth->SetIncrement(p.OutputWidthMultiple);
    SetSpinnerPosition(w.UpDownOutputWidth, p.OutputWidth);

    SetEditable(w.LabeledEditOutputWidth, true, windowColour);
    SetEditable(w.LabeledEditOutputHeight, false, windowColour);
    SetEditable(w.LabeledEditOutputRatio, false, windowColour);
    // Read-only, but white: its colour follows the error.
    SetEditable(w.LabeledEditAspectRatioError2, false, QColor(255, 255, 255));

    QComboBox* ratios = w.ComboBoxOutputProjectedRatio;
    ratios->clear();
    ratios->setEditable(false);
    ratios->show();
    for (const RatioChoice& choice : RatioChoices)
        ratios->addItem(QString::fromUtf8(choice.Item));
    // A film seen before keeps the ratio read from its settings file.
    ratios->setCurrentIndex(IsIniFileMissing ? AutomaticRatioItem : ManualRatioItem);
    SetEditable(w.LabeledEditOutputProjectedRatio, true, windowColour);

    QComboBox* widthMultiple = w.ComboBoxOutputWidthMultiple;
    widthMultiple->clear();
    widthMultiple->setEditable(false);
    widthMultiple->show();
    widthMultiple->addItems(Multiples);
    if (MultipleIndex(p.OutputWidthMultiple) < 0) {
        // The list shows the multiple the project then holds.
        p.SetOutputWidthMultiple(32);
        w.UpDownOutputWidth->SetIncrement(p.OutputWidthMultiple);
    }
    widthMultiple->setCurrentIndex(MultipleIndex(p.OutputWidthMultiple));

    QComboBox* heightMultiple = w.ComboBoxOutputHeightMultiple;
    heightMultiple->clear();
    heightMultiple->setEditable(false);
    heightMultiple->show();
    heightMultiple->addItems(Multiples);
    if (MultipleIndex(p.OutputHeightMultiple) < 0)
        p.SetOutputHeightMultiple(2);
    heightMultiple->setCurrentIndex(MultipleIndex(p.OutputHeightMultiple));

    TrackBar* bar = w.TrackBar3;
    bar->ClearTicks();
    bar->SetLineSize(1);
    bar->SetPageSize(10);
    bar->SetMin(0);
    bar->SetMax(static_cast<int>(p.InputNumberOfFrames - 1));
    bar->SetPosition(ResizingCurrentFrame);
    Previews[2].IsRefreshPending = false;
}

void TForm1::RefreshResizePage() {
    Previews[2].IsRefreshPending = false;
    ResizePageWidgets& w = *ResizePageUi;
    TD2VFullProject& p = *Project;
    const int ratioItem = w.ComboBoxOutputProjectedRatio->currentIndex();
    SetEditable(w.LabeledEditOutputProjectedRatio, ratioItem == ManualRatioItem,
                palette().color(QPalette::Window));
    // These two follow every change of the crop made meanwhile.
    if (ratioItem == AutomaticRatioItem)
        p.SetOutputProjectedRatio(p.AspectRatio);
    else if (ratioItem == CroppedRatioItem)
        p.SetOutputProjectedRatio(p.CroppedRatio);

    w.ButtonMinimizeAspectRatioError->setText(IsAspectRatioErrorMinimized
                                                  ? QStringLiteral("Annuler les modifications")
                                                  : QStringLiteral("Minimiser l'erreur d'aspect"));
    // Height on the first row and width on the second, as on the crop page.
    w.LabelCroppedWidth2->setText(QStringLiteral("Hauteur :  ") + QString::number(p.CroppedHeight));
    w.LabelCroppedHeight2->setText(QStringLiteral("Largeur :  ") + QString::number(p.CroppedWidth));
    w.LabelCroppedRatio2->setText(QStringLiteral("Rapport L/H :  ") + FormatGeneral(p.CroppedRatio, 5));
    w.LabelAspectRatio2->setText(QStringLiteral("Aspect Ratio :  ") + FormatGeneral(p.AspectRatio, 5));

    w.UpDownOutputWidth->SetMax(p.CroppedWidth);
    SetSpinnerPosition(w.UpDownOutputWidth, p.OutputWidth);
    w.LabeledEditOutputWidth->setText(QString::number(p.OutputWidth));
    w.LabeledEditOutputHeight->setText(QString::number(p.OutputHeight));
    w.LabeledEditOutputRatio->setText(FormatGeneral(p.OutputRatio, 5));
    w.LabeledEditOutputProjectedRatio->setText(FormatGeneral(p.OutputProjectedRatio, 5));
    ShowAspectRatioError(w.LabeledEditAspectRatioError2);
    ShowResizeFrame(w.TrackBar3->Position());
}

void TForm1::ShowResizeFrame(int32_t frameNumber) {
    ShowPreviewFrame(Previews[2], frameNumber);
}

void TForm1::TrackBar3Change() {
    RequestPreviewRefresh(Previews[2]);
}

void TForm1::UpDownOutputWidthClick() {
    if (!Project)
        return;
    Project->SetOutputWidth(static_cast<uint16_t>(ResizePageUi->UpDownOutputWidth->Position()));
    // The refresh puts the spinner on the width as the project aligned it.
    RefreshResizePage();
}

namespace {

void TakeWidthBox(TForm1& form, bool isExit) {
    if (!form.Project)
        return;
    TD2VFullProject& p = *form.Project;
    LabeledEdit* box = form.ResizePageUi->LabeledEditOutputWidth;
    const QString text = box->text();
    switch (TForm1::NumberBoxAction(text, isExit, MinimumOutputWidth, p.CroppedWidth, p.OutputWidth, false)) {
    case TForm1::BoxAction::Apply:
        p.SetOutputWidth(static_cast<uint16_t>(StringToValidLongWord(text)));
        form.RefreshResizePage();
        break;
    case TForm1::BoxAction::Restore:
        box->setText(QString::number(p.OutputWidth));
        break;
    case TForm1::BoxAction::None:
        break;
    }
}

} // namespace

void TForm1::LabeledEditOutputWidthKeyDown() {
    TakeWidthBox(*this, false);
}

void TForm1::LabeledEditOutputWidthExit() {
    TakeWidthBox(*this, true);
}

void TForm1::ComboBoxOutputWidthMultipleChange(int index) {
    if (!Project)
        return;
    if (index >= 0 && index < Multiples.size())
        Project->SetOutputWidthMultiple(static_cast<uint8_t>(2 << index));
    ResizePageUi->UpDownOutputWidth->SetIncrement(Project->OutputWidthMultiple);
    RefreshResizePage();
}

void TForm1::ComboBoxOutputHeightMultipleChange(int index) {
    if (!Project)
        return;
    if (index >= 0 && index < Multiples.size())
        Project->SetOutputHeightMultiple(static_cast<uint8_t>(2 << index));
    RefreshResizePage();
}

void TForm1::ComboBoxOutputProjectedRatioChange(int index) {
    if (!Project)
        return;
    // "Automatique" and "Conserver rapport" are applied by the refresh itself, once, so that a
    // refused ratio is reported once.
    if (index > CroppedRatioItem && index < static_cast<int>(std::size(RatioChoices)))
        Project->SetOutputProjectedRatio(RatioChoices[index].Ratio);
    RefreshResizePage();
}

void TForm1::LabeledEditOutputRatioKeyDown() {
    if (!Project)
        return;
    const std::optional<long double> ratio =
        StrToFloat(ResizePageUi->LabeledEditOutputProjectedRatio->text());
    if (!ratio) {
        ShowWarning(QStringLiteral("StrToFloat exception in TForm1.LabeledEditOutputRatioKeyDown !"));
        return;
    }
    Project->SetOutputProjectedRatio(ToFloatRatio(*ratio));
    RefreshResizePage();
}

void TForm1::LabeledEditOutputRatioExit() {
    LabeledEdit* box = ResizePageUi->LabeledEditOutputProjectedRatio;
    if (!Project || box->isReadOnly())
        return;
    // Leaving the box untouched keeps the stored ratio: its text holds only 5 digits of it.
    if (box->text() == FormatGeneral(Project->OutputProjectedRatio, 5))
        return;
    const std::optional<long double> ratio = StrToFloat(box->text());
    if (!ratio) {
        box->setText(FormatGeneral(Project->OutputProjectedRatio, 15));
        ShowWarning(QStringLiteral("StrToFloat exception in TForm1.LabeledEditOutputProjectedRatio !"));
        return;
    }
    Project->SetOutputProjectedRatio(ToFloatRatio(*ratio));
    RefreshResizePage();
}

void TForm1::ButtonMinimizeAspectRatioErrorClick() {
    if (!Project)
        return;
    if (!IsAspectRatioErrorMinimized) {
        Project->SaveCrops();
        Project->MinimizeAspectRatioError();
        IsAspectRatioErrorMinimized = true;
    } else {
        Project->RestoreCrops();
        IsAspectRatioErrorMinimized = false;
    }
    RefreshResizePage();
}
