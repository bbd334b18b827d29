#pragma once

#include "model/TD2VFileWithFrame.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>

// An encoding project on an opened source: crop and resize geometry, frame range and durations,
// auto-crop and previews.
class TD2VProject : public TD2VFileWithFrame {
public:
    TD2VProject() = default;

    uint16_t AutoCropTop = 0;
    uint16_t AutoCropBottom = 0;
    uint16_t AutoCropLeft = 0;
    uint16_t AutoCropRight = 0;
    uint16_t SavedCropTop = 0;
    uint16_t SavedCropBottom = 0;
    uint16_t SavedCropLeft = 0;
    uint16_t SavedCropRight = 0;
    float CroppedRatio = 1.25f;
    float AspectRatio = 1.25f;
    float OutputRatio = 1.25f;
    int16_t AspectRatioError = 0; // thousandths of a percent; 32767 / -32768 beyond +/-30 %
    uint16_t CropTop = 0;
    uint16_t CropBottom = 0;
    uint16_t CropLeft = 0;
    uint16_t CropRight = 0;
    uint8_t CropsMultiple = 2;
    uint16_t CroppedWidth = 720;
    uint16_t CroppedHeight = 576;
    uint16_t OutputWidth = 720;
    uint16_t OutputHeight = 576;
    uint8_t OutputWidthMultiple = 32;
    uint8_t OutputHeightMultiple = 2;
    float OutputProjectedRatio = 1.25f;
    uint32_t FirstFrameNumber = 0;
    uint32_t LastFrameNumber = 0;
    uint32_t CreditsFrameNumber = 0;
    uint32_t MainVideoDuration = 0;
    uint32_t FullVideoDuration = 0;
    uint32_t CreditsVideoDuration = 0;
    uint32_t FullVideoNumberOfFrames = 0;
    uint32_t MainVideoNumberOfFrames = 0;
    uint32_t CreditsVideoNumberOfFrames = 0;
    bool IsCreditsModeSelected = false;

    void ComputeInputRatio() override;
    void ComputeInputDisplayRatio() override;
    void ComputeInputStandard() override;
    // Sets the range to the whole film, the crops to 0 and the output width to at most 640.
    bool Open(const QString& fileName) override;

    virtual void ComputeOutputHeight();
    virtual void ComputeOutputHeightRoundedUp();
    virtual void ComputeMainVideoDuration();
    virtual void ComputeCreditsVideoDuration();
    virtual void SetIsCreditsModeSelected(bool value);

    // Geometry setters: true when the value was accepted.
    bool SetCropsMultiple(uint8_t value);
    bool SetCropTop(uint16_t value);
    bool SetCropBottom(uint16_t value);
    bool SetCropLeft(uint16_t value);
    bool SetCropRight(uint16_t value);
    bool SetOutputWidth(uint16_t value);
    bool SetOutputWidthMultiple(uint8_t value);
    bool SetOutputHeightMultiple(uint8_t value);
    bool SetOutputProjectedRatio(float value);

    void ComputeCroppedWidth();
    void ComputeCroppedHeight();
    void ComputeCroppedRatio();
    void ComputeAspectRatio();
    void ComputeOutputRatio();
    void ComputeAspectRatioError();

    QString GetAspectRatioErrorText() const;
    void SaveCrops();
    void RestoreCrops();
    void MinimizeAspectRatioError();

    // Range setters: true when the value was accepted.
    bool SetFirstFrameNumber(uint32_t value);
    bool SetCreditsFrameNumber(uint32_t value);
    bool SetLastFrameNumber(uint32_t value);

    void ComputeFullVideoNumberOfFrames();
    void ComputeMainVideoNumberOfFrames();
    void ComputeCreditsVideoNumberOfFrames();
    void ComputeFullVideoDuration();

    // Sets the crops from the black borders of four sampled frames; false when it could not sample.
    bool AutoCrop();
    // Narrows the AutoCrop* borders to those of the frame in FrameBitmap.
    void DetectBlackBorders();
    bool IsBlackRow(uint16_t y) const;
    bool IsBlackColumn(uint16_t x) const;
    bool ShowFrameWithCropBorder(int32_t frameNumber, QImage& image, const QColor& backgroundColor);
    bool ShowResizedCroppedFrame(int32_t frameNumber, QImage& image, const QColor& backgroundColor);

protected:
    // After a range change: durations in their fixed order.
    virtual void RangeChanged();
    // The output height from the width and projected ratio, aligned with the given method.
    void ComputeOutputHeightAligned(uint8_t method);
};
