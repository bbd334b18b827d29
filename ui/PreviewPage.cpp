#include "ui/PreviewPage.h"

#include "model/TD2VFullProject.h"
#include "model/UseFullUnit.h"
#include "ui/Cinescriptor.h"
#include "ui/widgets/EditHandlers.h"
#include "ui/widgets/ImageCanvas.h"
#include "ui/widgets/LabeledEdit.h"
#include "ui/widgets/TrackBar.h"
#include "ui/widgets/UpDown.h"

#include <QSignalBlocker>
#include <QTimer>
#include <cstdlib>

namespace {

// The position a spinner showed after its last move, to tell a real move from a press at a limit.
constexpr const char* ShownPositionProperty = "ShownPosition";

} // namespace

PreviewPage::PreviewPage(TForm1& owner, QWidget* parent) : QWidget(parent), form(owner) {}

PreviewPage::BoxAction PreviewPage::NumberBoxAction(const QString& text, bool isExit, uint32_t min,
                                                    uint32_t max, uint32_t current, bool applyUnchanged) {
    if (!IsStringValidLongWordInRange(text, min, max))
        return isExit ? BoxAction::Restore : BoxAction::None;
    if (isExit && !applyUnchanged && StringToValidLongWord(text) == current)
        return BoxAction::None;
    return BoxAction::Apply;
}

void PreviewPage::AttachPreview(LabeledEdit* box, TrackBar* bar, ImageCanvas* image) {
    frameNumberBox = box;
    frameBar = bar;
    frameImage = image;
    AttachEditHandlers(box, {GetValidIntegerKey, [this] { LabeledEditFrameNumberKeyDown(); },
                             [this] { LabeledEditFrameNumberExit(); }});
}

void PreviewPage::SetUpPreview() {
    frameNumberBox->setLabelText(QStringLiteral("Frame affichée :  "));
    frameBar->ClearTicks();
    frameBar->SetLineSize(1);
    frameBar->SetPageSize(10);
    frameBar->SetMin(0);
    frameBar->SetMax(static_cast<int>(form.Project()->InputNumberOfFrames - 1));
    frameBar->SetPosition(currentFrame);
    // A move made on the previous film must not draw on this one.
    isRefreshPending = false;
}

void PreviewPage::ShowPreviewFrame(int32_t frameNumber) {
    TD2VFullProject& project = *form.Project();
    DrawFrame(project, frameNumber, frameImage->Picture(), palette().color(QPalette::Button));
    frameImage->update();
    // The number comes back from the project: when drawing failed, the page follows the frame
    // still on show.
    currentFrame = project.CurrentFrameNumber;
    frameNumberBox->setText(QString::number(currentFrame));
    // The page already shows this frame: the track bar's notification would only draw it again.
    const QSignalBlocker blocker(frameBar);
    frameBar->SetPosition(currentFrame);
}

void PreviewPage::RequestPreviewRefresh() {
    if (form.IsOpeningFile() || isRefreshPending)
        return;
    isRefreshPending = true;
    // Moves that pile up meanwhile (a held arrow key, a dragged slider) end in one refresh that
    // shows the track bar's latest position.
    QTimer::singleShot(0, this, [this] {
        if (!isRefreshPending)
            return;
        isRefreshPending = false;
        if (!form.IsOpeningFile() && form.Project() != nullptr)
            RefreshPage();
    });
}

void PreviewPage::LabeledEditFrameNumberKeyDown() {
    TakeFrameNumberBox(false);
}

void PreviewPage::LabeledEditFrameNumberExit() {
    TakeFrameNumberBox(true);
}

void PreviewPage::TakeFrameNumberBox(bool isExit) {
    const TD2VFullProject* project = form.Project();
    if (project == nullptr)
        return;
    const QString text = frameNumberBox->text();
    const auto position = static_cast<uint32_t>(frameBar->Position());
    switch (NumberBoxAction(text, isExit, 0, project->InputNumberOfFrames - 1, position, true)) {
    case BoxAction::Apply:
        frameBar->SetPosition(static_cast<int>(StringToValidLongWord(text)));
        RefreshPage();
        break;
    case BoxAction::Restore:
        frameNumberBox->setText(QString::number(position));
        break;
    case BoxAction::None:
        break;
    }
}

void PreviewPage::ShowAspectRatioError(QLineEdit* box) {
    const TD2VFullProject& project = *form.Project();
    const int error = std::abs(static_cast<int>(project.AspectRatioError));
    SetBoxBackground(box, error <= 1000   ? QColor(255, 255, 255)
                          : error <= 5000 ? QColor(255, 255, 0)
                                          : QColor(255, 0, 0));
    box->setText(project.GetAspectRatioErrorText());
}

void PreviewPage::SetBoxBackground(QLineEdit* box, const QColor& colour) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, colour);
    // Dark text reads poorly on a dark background such as the warning red: white there.
    palette.setColor(QPalette::Text, qGray(colour.rgb()) < 128 ? QColor(255, 255, 255) : QColor(0, 0, 0));
    box->setPalette(palette);
}

void PreviewPage::ConnectSpinner(UpDown* spinner, std::function<void()> handler) {
    connect(spinner, &UpDown::Click, this, [spinner, handler = std::move(handler)] {
        const QVariant shown = spinner->property(ShownPositionProperty);
        spinner->setProperty(ShownPositionProperty, spinner->Position());
        if (shown.isValid() && shown.toInt() == spinner->Position())
            return;
        handler();
    });
}

void PreviewPage::SetSpinnerPosition(UpDown* spinner, int position) {
    spinner->SetPosition(position);
    spinner->setProperty(ShownPositionProperty, spinner->Position());
}
