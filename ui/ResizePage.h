#pragma once

#include "ui/PreviewPage.h"

#include <memory>

namespace Ui {
class ResizePage;
}

// The fourth page: the output width and its alignment, the desired ratio, the output height the
// project derives and the aspect error.
class ResizePage : public PreviewPage {
    Q_OBJECT

public:
    ResizePage(TForm1& form, QWidget* parent);
    ~ResizePage() override;

    int32_t ResizingCurrentFrame() const { return CurrentFrame(); }
    void SetResizingCurrentFrame(int32_t frame) { SetCurrentFrame(frame); }
    // The crops were changed to minimise the aspect error, and can be put back.
    bool IsAspectRatioErrorMinimized() const { return isAspectRatioErrorMinimized; }
    void ResetState() override;

    void SetUpResizePage();
    void RefreshResizePage();
    void ShowResizeFrame(int32_t frameNumber);

private:
    bool DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                   const QColor& background) override;
    void RefreshPage() override { RefreshResizePage(); }
    void TakeWidthBox(bool isExit);
    static void SetEditable(QLineEdit* box, bool editable, const QColor& readOnlyColour);

    void TrackBar3Change();
    void UpDownOutputWidthClick();
    void LabeledEditOutputWidthKeyDown();
    void LabeledEditOutputWidthExit();
    void ComboBoxOutputWidthMultipleChange(int index);
    void ComboBoxOutputHeightMultipleChange(int index);
    void ComboBoxOutputProjectedRatioChange(int index);
    void LabeledEditOutputRatioKeyDown();
    void LabeledEditOutputRatioExit();
    void ButtonMinimizeAspectRatioErrorClick();
    void ComboBoxActiveWidthChange(int index);

    std::unique_ptr<Ui::ResizePage> ui;
    bool isAspectRatioErrorMinimized = false;
};
