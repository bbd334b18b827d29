#pragma once

#include "ui/PreviewPage.h"

#include <array>
#include <memory>

namespace Ui {
class CropPage;
}

// The third page: the four crop borders, set by hand or found by the automatic crop, with the
// cropped size and its aspect error.
class CropPage : public PreviewPage {
    Q_OBJECT

public:
    CropPage(TForm1& form, QWidget* parent);
    ~CropPage() override;

    int32_t CroppingCurrentFrame() const { return CurrentFrame(); }
    void SetCroppingCurrentFrame(int32_t frame) { SetCurrentFrame(frame); }

    void SetUpCropPage();
    // Page activation: the spinners take the project's crops.
    void LoadCropSpinners();
    void RefreshCropPage();
    void ShowCropFrame(int32_t frameNumber);

private:
    enum BorderIndex { TopBorder, BottomBorder, LeftBorder, RightBorder };
    struct CropBorder;

    bool DrawFrame(TD2VFullProject& project, int32_t frameNumber, QImage& image,
                   const QColor& background) override;
    void RefreshPage() override { RefreshCropPage(); }
    // In the order the refresh hands them to the project.
    std::array<CropBorder, 4> Borders() const;
    void TakeCropBox(BorderIndex index, bool isExit);
    void SetIncrements();

    void TrackBar2Change();
    void OnUpDownClick();
    void EditUpDownTopKeyDown();
    void EditUpDownTopExit();
    void EditUpDownBottomKeyDown();
    void EditUpDownBottomExit();
    void EditUpDownLeftKeyDown();
    void EditUpDownLeftExit();
    void EditUpDownRightKeyDown();
    void EditUpDownRightExit();
    void ComboBoxCropsMultipleChange(int index);
    void ButtonAutoCropClick();

    std::unique_ptr<Ui::CropPage> ui;
};
