#pragma once

#include "ui/SizeEntryDialog.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace Ui {
class TFormEstimateSize;
}

// Estimates the size of an audio track or of the credits video from a bitrate, the duration it
// covers and a margin; on validation the estimate is added to the calculator's size.
class TFormEstimateSize : public SizeEntryDialog {
    Q_OBJECT

public:
    explicit TFormEstimateSize(TForm3* owner);
    ~TFormEstimateSize() override;

    uint32_t EstimatedSize = 0;
    uint16_t EnteredBitRate = 0; // kbit/s, 0 to 50000
    int8_t EnteredMargin = 0;    // percent, -100 to 100

    static constexpr uint16_t MaximumBitRate = 50000;
    static constexpr int8_t MaximumMargin = 100;

    // The estimate for a bitrate and a margin over the duration the calculator's FormSender
    // covers; nothing when it is beyond a 32-bit size or FormSender is neither audio nor credits.
    std::optional<uint32_t> EstimateFor(uint16_t bitRate, int8_t margin) const;
    void ComputeEstimatedSize();
    void RefreshResults();
    void ApplyEstimatedSize();
    void RestoreSavedSize() override;

    void LabeledEditBitRateKeyDown();
    void LabeledEditBitRateExit();
    void LabeledEditMarginKeyDown();
    void LabeledEditMarginExit();

private:
    void FormShow(TD2VFullProject& project) override;
    void ApplyEntry() override { ApplyEstimatedSize(); }
    void TakeBitRate(bool isExit);
    void TakeMargin(bool isExit);
    // Takes a bitrate and margin pair whose estimate fits; says so, and restores the boxes, when not.
    bool TakeEntries(uint16_t bitRate, int8_t margin);

    std::unique_ptr<Ui::TFormEstimateSize> ui;
};
