#pragma once

#include "model/TD2VProject.h"

#include <QString>
#include <cstdint>

// The project the main window creates: adds the size budget of the target medium and the
// credits mode.
class TD2VFullProject : public TD2VProject {
public:
    TD2VFullProject() = default;

    // Sizes are 32-bit (the settings file stores them so); a sum of stream sizes may not pass this.
    static constexpr uint32_t MaximumSize = 4294967295u;
    // True when audio + subtitles + credits stay within MaximumSize.
    static bool AreSizesWithinLimit(uint64_t audioSize, uint64_t subTitlesSize, uint64_t creditsVideoSize);
    // The refusal shown when a size would make that sum pass MaximumSize.
    static QString SizesTooBigMessage();

    uint32_t AudioSize = 0;
    uint32_t CreditsVideoSize = 0;
    uint32_t MainVideoSize = 737280000;
    uint32_t SubTitlesSize = 0;
    uint32_t MediumSize = 737280000;
    uint16_t BitRate = 0; // kbit/s, 1 kbit = 1024 bits
    float AveragePixelSize = 0.0f;
    uint8_t CreditsMode = 0; // 0 none, 1 mixed in one script, 2 separate script

    void ComputeOutputHeight() override;
    void ComputeOutputHeightRoundedUp() override;
    void ComputeMainVideoDuration() override;
    void ComputeCreditsVideoDuration() override;
    void SetIsCreditsModeSelected(bool value) override;

    // Size setters: true when the value was accepted.
    bool SetAudioSize(uint32_t value);
    bool SetCreditsVideoSize(uint32_t value);
    bool SetMediumSize(uint32_t value);
    bool SetSubTitlesSize(uint32_t value);
    bool SetCreditsMode(uint8_t value);
    // The mode the two credits check boxes ask for: 0 without credits handling, otherwise 1 for
    // one mixed script or 2 for a main script and a credits script.
    static uint8_t CreditsModeFor(bool isCreditsModeSelected, bool isOnlyOneScript);

    void ComputeMainVideoSize();
    void ComputeBitRate();
    void ComputeAveragePixelSize();

protected:
    void RangeChanged() override;
};
