#pragma once

#include "ui/PreviewPage.h"

#include <memory>

namespace Ui {
class SequencePage;
}

// The second page: steps through the film and chooses the range to encode and where the end
// credits begin, with the two check boxes that steer the credits mode.
class SequencePage : public PreviewPage {
    Q_OBJECT

public:
    SequencePage(TForm1& form, QWidget* parent);
    ~SequencePage() override;

    int32_t VideoRangeCurrentFrame() const { return CurrentFrame(); }
    void SetVideoRangeCurrentFrame(int32_t frame) { SetCurrentFrame(frame); }
    // The one-script check box, kept in the settings file; set while a film is being opened,
    // when its click handler does nothing.
    bool IsOnlyOneScriptChecked() const;
    void SetOnlyOneScriptChecked(bool checked);
    void ResetState() override;

    void SetUpSequencePage();
    void MarkRangeTicks();
    void RefreshSequencePage();
    void ShowSequenceFrame(int32_t frameNumber);
    // The project's credits mode from the two credits check boxes.
    void UpdateCreditsMode();

private:
    enum RangeBoxIndex { BeginBox, EndBox, CreditsBox };

    bool DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                   const QColor& background) override;
    void RefreshPage() override { RefreshSequencePage(); }
    // The three range boxes and both durations, as the project now holds them.
    void ShowRange();
    void TakeRangeBox(RangeBoxIndex index, bool isExit);
    void SelectShownFrame(RangeBoxIndex index);

    void TrackBar1Change();
    void LabeledEditBeginKeyDown();
    void LabeledEditBeginExit();
    void LabeledEditEndKeyDown();
    void LabeledEditEndExit();
    void LabeledEditCreditsKeyDown();
    void LabeledEditCreditsExit();
    void ButtonSelectFirstFrameClick();
    void ButtonSelectLastFrameClick();
    void ButtonSelectCreditsFrameClick();
    // Serves "+1 min", "-1 min", "+50" and "-50"; tells them apart by the sender.
    void MoveTrackBarButtonClick(QObject* Sender);
    void ButtonGotoFirstFrameClick();
    void ButtonGotoLastFrameClick();
    void CheckBoxIsCreditsModeSelectedClick();
    void CheckBoxOnlyOneScriptClick();

    std::unique_ptr<Ui::SequencePage> ui;
};
