#include "ui/Cinescriptor.h"

#include "model/ModelArithmetic.h"
#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui_Cinescriptor.h"
#include "ui_SequencePage.h"

#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

// Owned by the main window as a QObject child; the controls themselves belong to the page.
class TForm1::SequencePageWidgets : public QObject, public Ui::SequencePage {
public:
    using QObject::QObject;
};

namespace {

// A range box, the project setter it feeds and the property shown back in it.
struct RangeBox {
    LabeledEdit* Box;
    bool (TD2VProject::*Set)(uint32_t);
    uint32_t TD2VProject::*Value;
};

enum RangeBoxIndex { BeginBox, EndBox, CreditsBox };

RangeBox RangeBoxOf(TForm1& form, RangeBoxIndex index) {
    TForm1::SequencePageWidgets& w = *form.SequencePageUi;
    const RangeBox boxes[] = {
        {w.LabeledEditBegin, &TD2VProject::SetFirstFrameNumber, &TD2VProject::FirstFrameNumber},
        {w.LabeledEditEnd, &TD2VProject::SetLastFrameNumber, &TD2VProject::LastFrameNumber},
        {w.LabeledEditCredits, &TD2VProject::SetCreditsFrameNumber, &TD2VProject::CreditsFrameNumber}};
    return boxes[index];
}

// The three range boxes and both durations, as the project now holds them.
void ShowRange(TForm1& form) {
    const TD2VFullProject& p = *form.Project;
    TForm1::SequencePageWidgets& w = *form.SequencePageUi;
    w.LabeledEditBegin->setText(QString::number(p.FirstFrameNumber));
    w.LabeledEditCredits->setText(QString::number(p.CreditsFrameNumber));
    w.LabeledEditEnd->setText(QString::number(p.LastFrameNumber));
    w.LabelTotalVideoDuration->setText(QStringLiteral("Durée :  ") + DurationToString(p.FullVideoDuration));
    w.LabelCreditsDuration->setText(QStringLiteral("Durée :  ") + DurationToString(p.CreditsVideoDuration));
}

void TakeRangeBox(TForm1& form, RangeBoxIndex index, bool isExit) {
    if (!form.Project)
        return;
    TD2VFullProject& p = *form.Project;
    const RangeBox r = RangeBoxOf(form, index);
    const QString text = r.Box->text();
    switch (TForm1::NumberBoxAction(text, isExit, 0, p.InputNumberOfFrames - 1, p.*r.Value, false)) {
    case TForm1::BoxAction::Apply:
        (p.*r.Set)(StringToValidLongWord(text));
        // The view jumps to the frame just chosen; the refresh rewrites all three boxes, since the
        // project may have pushed the other two.
        form.SequencePageUi->TrackBar1->SetPosition(static_cast<int>(p.*r.Value));
        form.RefreshSequencePage();
        break;
    case TForm1::BoxAction::Restore:
        r.Box->setText(QString::number(p.*r.Value));
        break;
    case TForm1::BoxAction::None:
        break;
    }
}

void SelectShownFrame(TForm1& form, RangeBoxIndex index) {
    if (!form.Project)
        return;
    TD2VFullProject& p = *form.Project;
    (p.*RangeBoxOf(form, index).Set)(static_cast<uint32_t>(form.SequencePageUi->TrackBar1->Position()));
    ShowRange(form);
    form.MarkRangeTicks();
}

} // namespace

TForm1::BoxAction TForm1::NumberBoxAction(const QString& text, bool isExit, uint32_t min, uint32_t max,
                                          uint32_t current, bool applyUnchanged) {
    if (!IsStringValidLongWordInRange(text, min, max))
        return isExit ? BoxAction::Restore : BoxAction::None;
    if (isExit && !applyUnchanged && StringToValidLongWord(text) == current)
        return BoxAction::None;
    return BoxAction::Apply;
}

void TForm1::BuildSequencePage() {
    SequencePageUi = new SequencePageWidgets(this);
    auto* page = new QWidget(ui->TabSheet2);
    SequencePageUi->setupUi(page);
    auto* layout = new QVBoxLayout(ui->TabSheet2);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    SequencePageWidgets& w = *SequencePageUi;
    Previews[0] = {
        w.LabeledEditFrameNumber1,
        w.TrackBar1,
        w.Image1,
        &TForm1::VideoRangeCurrentFrame,
        &TForm1::RefreshSequencePage,
        [](TD2VFullProject& project, int32_t frameNumber, QImage& image, const QColor& background) {
            return project.ShowFrame(frameNumber, image, background);
        }};
    AttachPreviewPage(Previews[0]);
    connect(w.TrackBar1, &TrackBar::Change, this, &TForm1::TrackBar1Change);

    AttachEditHandlers(w.LabeledEditBegin, {GetValidIntegerKey, [this] { LabeledEditBeginKeyDown(); },
                                            [this] { LabeledEditBeginExit(); }});
    AttachEditHandlers(w.LabeledEditEnd, {GetValidIntegerKey, [this] { LabeledEditEndKeyDown(); },
                                          [this] { LabeledEditEndExit(); }});
    AttachEditHandlers(w.LabeledEditCredits, {GetValidIntegerKey, [this] { LabeledEditCreditsKeyDown(); },
                                              [this] { LabeledEditCreditsExit(); }});

    connect(w.ButtonSelectFirstFrame, &QPushButton::clicked, this, &TForm1::ButtonSelectFirstFrameClick);
    connect(w.ButtonSelectLastFrame, &QPushButton::clicked, this, &TForm1::ButtonSelectLastFrameClick);
    connect(w.ButtonSelectCreditsFrame, &QPushButton::clicked, this, &TForm1::ButtonSelectCreditsFrameClick);
    for (QPushButton* button : {w.Button1minLess, w.Button1minMore, w.Button50Less, w.Button50More})
        connect(button, &QPushButton::clicked, this, [this, button] { MoveTrackBarButtonClick(button); });
    connect(w.ButtonGotoFirstFrame, &QPushButton::clicked, this, &TForm1::ButtonGotoFirstFrameClick);
    connect(w.ButtonGotoLastFrame, &QPushButton::clicked, this, &TForm1::ButtonGotoLastFrameClick);
}

void TForm1::AttachPreviewPage(PreviewPage& page) {
    LabeledEdit* box = page.FrameBox;
    AttachEditHandlers(box, {GetValidIntegerKey, [this, box] { LabeledEditFrameNumberKeyDown(box); },
                             [this, box] { LabeledEditFrameNumberExit(box); }});
}

void TForm1::SetUpSequencePage() {
    SequencePageWidgets& w = *SequencePageUi;
    w.CheckBoxIsCreditsModeSelected->setChecked(Project->IsCreditsModeSelected);
    UpdateCreditsMode();
    w.LabeledEditFrameNumber1->setLabelText(QStringLiteral("Frame affichée :  "));

    TrackBar* bar = w.TrackBar1;
    bar->ClearTicks();
    bar->SetLineSize(1);
    bar->SetPageSize(10);
    bar->SetMin(0);
    bar->SetMax(static_cast<int>(Project->InputNumberOfFrames - 1));
    bar->SetPosition(VideoRangeCurrentFrame);
    // A move made on the previous film must not draw on this one.
    Previews[0].IsRefreshPending = false;
}

void TForm1::MarkRangeTicks() {
    TrackBar* bar = SequencePageUi->TrackBar1;
    bar->ClearTicks();
    bar->SetTick(static_cast<int>(Project->FirstFrameNumber));
    bar->SetTick(static_cast<int>(Project->LastFrameNumber));
    if (Project->IsCreditsModeSelected)
        bar->SetTick(static_cast<int>(Project->CreditsFrameNumber));
}

void TForm1::RefreshSequencePage() {
    Previews[0].IsRefreshPending = false;
    SequencePageWidgets& w = *SequencePageUi;
    w.GroupBox6->setVisible(Project->IsCreditsModeSelected);
    ShowRange(*this);
    ShowSequenceFrame(w.TrackBar1->Position());
}

void TForm1::ShowSequenceFrame(int32_t frameNumber) {
    ShowPreviewFrame(Previews[0], frameNumber);
}

void TForm1::ShowPreviewFrame(PreviewPage& page, int32_t frameNumber) {
    page.Draw(*Project, frameNumber, page.Image->Picture(), palette().color(QPalette::Button));
    page.Image->update();
    // The number comes back from the project: when drawing failed, the page follows the frame
    // still on show.
    this->*page.CurrentFrame = Project->CurrentFrameNumber;
    page.FrameBox->setText(QString::number(this->*page.CurrentFrame));
    // The page already shows this frame: the track bar's notification would only draw it again.
    const QSignalBlocker blocker(page.Bar);
    page.Bar->SetPosition(this->*page.CurrentFrame);
}

void TForm1::RequestPreviewRefresh(PreviewPage& page) {
    if (IsOpeningFile || page.IsRefreshPending)
        return;
    page.IsRefreshPending = true;
    // Moves that pile up meanwhile (a held arrow key, a dragged slider) end in one refresh that
    // shows the track bar's latest position.
    QTimer::singleShot(0, this, [this, &page] {
        if (!page.IsRefreshPending)
            return;
        page.IsRefreshPending = false;
        if (!IsOpeningFile && Project)
            (this->*page.Refresh)();
    });
}

void TForm1::TrackBar1Change() {
    RequestPreviewRefresh(Previews[0]);
}

void TForm1::LabeledEditFrameNumberKeyDown(QObject* Sender) {
    for (PreviewPage& page : Previews) {
        if (Sender != page.FrameBox || !Project)
            continue;
        const QString text = page.FrameBox->text();
        if (NumberBoxAction(text, false, 0, Project->InputNumberOfFrames - 1, 0, true) == BoxAction::Apply) {
            page.Bar->SetPosition(static_cast<int>(StringToValidLongWord(text)));
            (this->*page.Refresh)();
        }
        return;
    }
}

void TForm1::LabeledEditFrameNumberExit(QObject* Sender) {
    for (PreviewPage& page : Previews) {
        if (Sender != page.FrameBox || !Project)
            continue;
        const QString text = page.FrameBox->text();
        const auto position = static_cast<uint32_t>(page.Bar->Position());
        switch (NumberBoxAction(text, true, 0, Project->InputNumberOfFrames - 1, position, true)) {
        case BoxAction::Apply:
            page.Bar->SetPosition(static_cast<int>(StringToValidLongWord(text)));
            (this->*page.Refresh)();
            break;
        case BoxAction::Restore:
            page.FrameBox->setText(QString::number(position));
            break;
        case BoxAction::None:
            break;
        }
        return;
    }
}

void TForm1::LabeledEditBeginKeyDown() {
    TakeRangeBox(*this, BeginBox, false);
}

void TForm1::LabeledEditBeginExit() {
    TakeRangeBox(*this, BeginBox, true);
}

void TForm1::LabeledEditEndKeyDown() {
    TakeRangeBox(*this, EndBox, false);
}

void TForm1::LabeledEditEndExit() {
    TakeRangeBox(*this, EndBox, true);
}

void TForm1::LabeledEditCreditsKeyDown() {
    TakeRangeBox(*this, CreditsBox, false);
}

void TForm1::LabeledEditCreditsExit() {
    TakeRangeBox(*this, CreditsBox, true);
}

void TForm1::ButtonSelectFirstFrameClick() {
    SelectShownFrame(*this, BeginBox);
}

void TForm1::ButtonSelectLastFrameClick() {
    SelectShownFrame(*this, EndBox);
}

void TForm1::ButtonSelectCreditsFrameClick() {
    SelectShownFrame(*this, CreditsBox);
}

void TForm1::MoveTrackBarButtonClick(QObject* Sender) {
    if (!Project)
        return;
    SequencePageWidgets& w = *SequencePageUi;
    // One minute of film, counted again at each click from the stored frame rate.
    const int32_t minute =
        RoundToLowBits<uint16_t>(static_cast<long double>(Project->InputFrameRate) * 60).value_or(0);
    const struct {
        QObject* Button;
        int32_t Step;
    } moves[] = {
        {w.Button1minMore, minute}, {w.Button1minLess, -minute}, {w.Button50More, 50}, {w.Button50Less, -50}};
    for (const auto& move : moves) {
        if (Sender != move.Button)
            continue;
        // Widened so that no sum can overflow; the track bar clamps it into the film. Its change
        // notification refreshes the page, and a move that ends where it started does nothing.
        const int64_t target = int64_t{w.TrackBar1->Position()} + move.Step;
        w.TrackBar1->SetPosition(static_cast<int>(
            std::clamp<int64_t>(target, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
        return;
    }
}

void TForm1::ButtonGotoFirstFrameClick() {
    SequencePageUi->TrackBar1->SetPosition(0);
    RefreshSequencePage();
}

void TForm1::ButtonGotoLastFrameClick() {
    if (!Project)
        return;
    SequencePageUi->TrackBar1->SetPosition(static_cast<int>(Project->InputNumberOfFrames - 1));
    RefreshSequencePage();
}
