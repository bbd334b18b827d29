#include "model/TD2VFullProject.h"

#include "model/MessageSink.h"

#include <cmath>

bool TD2VFullProject::AreSizesWithinLimit(uint64_t audioSize, uint64_t subTitlesSize,
                                          uint64_t creditsVideoSize) {
    return audioSize + subTitlesSize + creditsVideoSize <= MaximumSize;
}

QString TD2VFullProject::SizesTooBigMessage() {
    return QStringLiteral("AudioSize + SubTitlesSize + CreditsVideoSize must be fewer or egal than %1 !")
        .arg(MaximumSize);
}

void TD2VFullProject::ComputeOutputHeight() {
    TD2VProject::ComputeOutputHeight();
    ComputeAveragePixelSize();
}

void TD2VFullProject::ComputeOutputHeightRoundedUp() {
    TD2VProject::ComputeOutputHeightRoundedUp();
    ComputeAveragePixelSize();
}

void TD2VFullProject::ComputeMainVideoDuration() {
    TD2VProject::ComputeMainVideoDuration();
    ComputeBitRate();
    ComputeAveragePixelSize();
}

void TD2VFullProject::ComputeCreditsVideoDuration() {
    TD2VProject::ComputeCreditsVideoDuration();
    ComputeBitRate();
    ComputeAveragePixelSize();
}

void TD2VFullProject::SetIsCreditsModeSelected(bool value) {
    TD2VProject::SetIsCreditsModeSelected(value);
    if (!IsCreditsModeSelected)
        CreditsMode = 0;
}

void TD2VFullProject::RangeChanged() {
    TD2VProject::RangeChanged();
    // Mode 1 spreads the bitrate over the full duration, which the range change brings up to
    // date only after the bitrate; once more so the bitrate shown is never a step behind.
    ComputeBitRate();
    ComputeAveragePixelSize();
}

namespace {

void Recompute(TD2VFullProject& project) {
    project.ComputeMainVideoSize();
    project.ComputeBitRate();
    project.ComputeAveragePixelSize();
}

} // namespace

bool TD2VFullProject::SetAudioSize(uint32_t value) {
    if (!AreSizesWithinLimit(value, SubTitlesSize, CreditsVideoSize)) {
        ShowInformation(SizesTooBigMessage());
        return false;
    }
    AudioSize = value;
    Recompute(*this);
    return true;
}

bool TD2VFullProject::SetCreditsVideoSize(uint32_t value) {
    if (!AreSizesWithinLimit(AudioSize, SubTitlesSize, value)) {
        ShowInformation(SizesTooBigMessage());
        return false;
    }
    CreditsVideoSize = value;
    Recompute(*this);
    return true;
}

bool TD2VFullProject::SetMediumSize(uint32_t value) {
    MediumSize = value;
    Recompute(*this);
    return true;
}

bool TD2VFullProject::SetSubTitlesSize(uint32_t value) {
    if (!AreSizesWithinLimit(AudioSize, value, CreditsVideoSize)) {
        ShowInformation(SizesTooBigMessage());
        return false;
    }
    SubTitlesSize = value;
    Recompute(*this);
    return true;
}

bool TD2VFullProject::SetCreditsMode(uint8_t value) {
    switch (value) {
    case 0:
        CreditsMode = 0;
        IsCreditsModeSelected = false;
        SetCreditsVideoSize(0);
        break;
    case 1:
        CreditsMode = 1;
        IsCreditsModeSelected = true;
        SetCreditsVideoSize(0);
        break;
    case 2:
        CreditsMode = 2;
        IsCreditsModeSelected = true;
        break;
    default:
        ShowInformation(QStringLiteral("Bad Value in TD2VFullProject.SetCreditsMode !"));
        return false;
    }
    Recompute(*this);
    return true;
}

uint8_t TD2VFullProject::CreditsModeFor(bool isCreditsModeSelected, bool isOnlyOneScript) {
    if (!isCreditsModeSelected)
        return 0;
    return isOnlyOneScript ? 1 : 2;
}

void TD2VFullProject::ComputeMainVideoSize() {
    // Summed wide: the setters keep the sum within 32 bits, fields written directly may not.
    const uint64_t streams = uint64_t{AudioSize} + SubTitlesSize + CreditsVideoSize;
    MainVideoSize = streams < MediumSize ? static_cast<uint32_t>(MediumSize - streams) : 0;
}

void TD2VFullProject::ComputeBitRate() {
    const uint32_t seconds = CreditsMode == 1 ? FullVideoDuration : MainVideoDuration;
    if (MainVideoDuration == 0 || seconds == 0) {
        BitRate = 0;
        return;
    }
    // One kbit/s over one second is 128 bytes; the product is taken wide so it cannot wrap.
    const long double rate = std::floor(static_cast<long double>(MainVideoSize) / (uint64_t{seconds} * 128));
    // Above 16 bits the rate is meaningless for a video stream: it is capped, not wrapped.
    BitRate = rate <= 0 ? 0 : rate >= 65535 ? 65535 : static_cast<uint16_t>(rate);
}

void TD2VFullProject::ComputeAveragePixelSize() {
    if (MainVideoNumberOfFrames == 0 || OutputWidth == 0 || OutputHeight == 0) {
        AveragePixelSize = 0.0f;
        return;
    }
    const float bitsPerFrame =
        static_cast<float>(static_cast<long double>(MainVideoSize) / MainVideoNumberOfFrames * 8);
    AveragePixelSize = static_cast<float>(static_cast<long double>(bitsPerFrame) /
                                          (uint32_t{OutputWidth} * uint32_t{OutputHeight}));
}
