#include "ui/SequencePage.h"

#include "model/ModelArithmetic.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "ui/Cinescriptor.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui_SequencePage.h"

#include <algorithm>
#include <limits>

namespace {

// A range box, the project setter it feeds and the property shown back in it.
struct RangeBox {
    LabeledEdit* Box;
    bool (TD2VProject::*Set)(uint32_t);
    uint32_t TD2VProject::*Value;
};

} // namespace

SequencePage::SequencePage(TForm1& owner, QWidget* parent)
    : PreviewPage(owner, parent), ui(std::make_unique<Ui::SequencePage>()) {
    ui->setupUi(this);
    AttachPreview(ui->LabeledEditFrameNumber1, ui->TrackBar1, ui->Image1);
    connect(ui->TrackBar1, &TrackBar::Change, this, &SequencePage::TrackBar1Change);

    AttachEditHandlers(ui->LabeledEditBegin, {GetValidIntegerKey, [this] { LabeledEditBeginKeyDown(); },
                                              [this] { LabeledEditBeginExit(); }});
    AttachEditHandlers(ui->LabeledEditEnd, {GetValidIntegerKey, [this] { LabeledEditEndKeyDown(); },
                                            [this] { LabeledEditEndExit(); }});
    AttachEditHandlers(ui->LabeledEditCredits, {GetValidIntegerKey, [this] { LabeledEditCreditsKeyDown(); },
                                                [this] { LabeledEditCreditsExit(); }});

    connect(ui->ButtonSelectFirstFrame, &QPushButton::clicked, this,
            &SequencePage::ButtonSelectFirstFrameClick);
    connect(ui->ButtonSelectLastFrame, &QPushButton::clicked, this,
            &SequencePage::ButtonSelectLastFrameClick);
    connect(ui->ButtonSelectCreditsFrame, &QPushButton::clicked, this,
            &SequencePage::ButtonSelectCreditsFrameClick);
    for (QPushButton* button : {ui->Button1minLess, ui->Button1minMore, ui->Button50Less, ui->Button50More})
        connect(button, &QPushButton::clicked, this, [this, button] { MoveTrackBarButtonClick(button); });
    connect(ui->ButtonGotoFirstFrame, &QPushButton::clicked, this, &SequencePage::ButtonGotoFirstFrameClick);
    connect(ui->ButtonGotoLastFrame, &QPushButton::clicked, this, &SequencePage::ButtonGotoLastFrameClick);
    connect(ui->CheckBoxIsCreditsModeSelected, &QCheckBox::toggled, this,
            &SequencePage::CheckBoxIsCreditsModeSelectedClick);
    connect(ui->CheckBoxOnlyOneScript, &QCheckBox::toggled, this, &SequencePage::CheckBoxOnlyOneScriptClick);
}

SequencePage::~SequencePage() = default;

bool SequencePage::IsOnlyOneScriptChecked() const {
    return ui->CheckBoxOnlyOneScript->isChecked();
}

void SequencePage::SetOnlyOneScriptChecked(bool checked) {
    ui->CheckBoxOnlyOneScript->setChecked(checked);
}

void SequencePage::ResetState() {
    PreviewPage::ResetState();
    SetOnlyOneScriptChecked(false);
}

bool SequencePage::DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                             const QColor& background) {
    return project.ShowFrame(frameNumber, image, background);
}

void SequencePage::SetUpSequencePage() {
    ui->CheckBoxIsCreditsModeSelected->setChecked(form.Project()->IsCreditsModeSelected);
    UpdateCreditsMode();
    SetUpPreview();
}

void SequencePage::MarkRangeTicks() {
    const TD2VFullProject& p = *form.Project();
    TrackBar* bar = ui->TrackBar1;
    bar->ClearTicks();
    bar->SetTick(static_cast<int>(p.FirstFrameNumber));
    bar->SetTick(static_cast<int>(p.LastFrameNumber));
    if (p.IsCreditsModeSelected)
        bar->SetTick(static_cast<int>(p.CreditsFrameNumber));
}

void SequencePage::RefreshSequencePage() {
    CancelPendingRefresh();
    ui->GroupBox6->setVisible(form.Project()->IsCreditsModeSelected);
    ShowRange();
    ShowSequenceFrame(ui->TrackBar1->Position());
}

void SequencePage::ShowSequenceFrame(int32_t frameNumber) {
    ShowPreviewFrame(frameNumber);
}

void SequencePage::UpdateCreditsMode() {
    TD2VFullProject& p = *form.Project();
    p.SetCreditsMode(TD2VFullProject::CreditsModeFor(p.IsCreditsModeSelected, IsOnlyOneScriptChecked()));
}

void SequencePage::ShowRange() {
    const TD2VFullProject& p = *form.Project();
    ui->LabeledEditBegin->setText(QString::number(p.FirstFrameNumber));
    ui->LabeledEditCredits->setText(QString::number(p.CreditsFrameNumber));
    ui->LabeledEditEnd->setText(QString::number(p.LastFrameNumber));
    ui->LabelTotalVideoDuration->setText(QStringLiteral("Durée :  ") + DurationToString(p.FullVideoDuration));
    ui->LabelCreditsDuration->setText(QStringLiteral("Durée :  ") + DurationToString(p.CreditsVideoDuration));
}

void SequencePage::TakeRangeBox(RangeBoxIndex index, bool isExit) {
    if (form.Project() == nullptr)
        return;
    TD2VFullProject& p = *form.Project();
    const RangeBox boxes[] = {
        {ui->LabeledEditBegin, &TD2VProject::SetFirstFrameNumber, &TD2VProject::FirstFrameNumber},
        {ui->LabeledEditEnd, &TD2VProject::SetLastFrameNumber, &TD2VProject::LastFrameNumber},
        {ui->LabeledEditCredits, &TD2VProject::SetCreditsFrameNumber, &TD2VProject::CreditsFrameNumber}};
    const RangeBox& r = boxes[index];
    const QString text = r.Box->text();
    switch (NumberBoxAction(text, isExit, 0, p.InputNumberOfFrames - 1, p.*r.Value, false)) {
    case BoxAction::Apply:
        (p.*r.Set)(StringToValidLongWord(text));
        // The view jumps to the frame just chosen; the refresh rewrites all three boxes, since the
        // project may have pushed the other two.
        ui->TrackBar1->SetPosition(static_cast<int>(p.*r.Value));
        RefreshSequencePage();
        break;
    case BoxAction::Restore:
        r.Box->setText(QString::number(p.*r.Value));
        break;
    case BoxAction::None:
        break;
    }
}

void SequencePage::SelectShownFrame(RangeBoxIndex index) {
    if (form.Project() == nullptr)
        return;
    TD2VFullProject& p = *form.Project();
    const auto frame = static_cast<uint32_t>(ui->TrackBar1->Position());
    // A switch rather than a table of member pointers: GCC 12 with the sanitizers takes the table's
    // index for uninitialised.
    switch (index) {
    case BeginBox:
        p.SetFirstFrameNumber(frame);
        break;
    case EndBox:
        p.SetLastFrameNumber(frame);
        break;
    case CreditsBox:
        p.SetCreditsFrameNumber(frame);
        break;
    }
    ShowRange();
    MarkRangeTicks();
}

void SequencePage::TrackBar1Change() {
    RequestPreviewRefresh();
}

void SequencePage::LabeledEditBeginKeyDown() {
    TakeRangeBox(BeginBox, false);
}

void SequencePage::LabeledEditBeginExit() {
    TakeRangeBox(BeginBox, true);
}

void SequencePage::LabeledEditEndKeyDown() {
    TakeRangeBox(EndBox, false);
}

void SequencePage::LabeledEditEndExit() {
    TakeRangeBox(EndBox, true);
}

void SequencePage::LabeledEditCreditsKeyDown() {
    TakeRangeBox(CreditsBox, false);
}

void SequencePage::LabeledEditCreditsExit() {
    TakeRangeBox(CreditsBox, true);
}

void SequencePage::ButtonSelectFirstFrameClick() {
    SelectShownFrame(BeginBox);
}

void SequencePage::ButtonSelectLastFrameClick() {
    SelectShownFrame(EndBox);
}

void SequencePage::ButtonSelectCreditsFrameClick() {
    SelectShownFrame(CreditsBox);
}

void SequencePage::MoveTrackBarButtonClick(QObject* Sender) {
    if (form.Project() == nullptr)
        return;
    // One minute of film, counted again at each click from the stored frame rate.
    const int32_t minute =
        RoundToLowBits<uint16_t>(static_cast<long double>(form.Project()->InputFrameRate) * 60).value_or(0);
    const struct {
        QObject* Button;
        int32_t Step;
    } moves[] = {{ui->Button1minMore, minute},
                 {ui->Button1minLess, -minute},
                 {ui->Button50More, 50},
                 {ui->Button50Less, -50}};
    for (const auto& move : moves) {
        if (Sender != move.Button)
            continue;
        // Widened so that no sum can overflow; the track bar clamps it into the film. Its change
        // notification refreshes the page, and a move that ends where it started does nothing.
        const int64_t target = int64_t{ui->TrackBar1->Position()} + move.Step;
        ui->TrackBar1->SetPosition(static_cast<int>(
            std::clamp<int64_t>(target, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
        return;
    }
}

void SequencePage::ButtonGotoFirstFrameClick() {
    ui->TrackBar1->SetPosition(0);
    RefreshSequencePage();
}

void SequencePage::ButtonGotoLastFrameClick() {
    if (form.Project() == nullptr)
        return;
    ui->TrackBar1->SetPosition(static_cast<int>(form.Project()->InputNumberOfFrames - 1));
    RefreshSequencePage();
}

void SequencePage::CheckBoxIsCreditsModeSelectedClick() {
    if (form.IsOpeningFile() || form.Project() == nullptr)
        return;
    form.Project()->SetIsCreditsModeSelected(ui->CheckBoxIsCreditsModeSelected->isChecked());
    MarkRangeTicks();
    UpdateCreditsMode();
    RefreshSequencePage();
}

void SequencePage::CheckBoxOnlyOneScriptClick() {
    if (form.IsOpeningFile() || form.Project() == nullptr)
        return;
    UpdateCreditsMode();
}
