#include "model/TD2VProject.h"

#include "model/MessageSink.h"
#include "model/ModelArithmetic.h"
#include "model/PixelAspect.h"
#include "model/UseFullUnit.h"
#include "platform/NumberText.h"

#include <cmath>
#include <functional>

namespace {

const uint8_t AlignNearest = 1;
const uint8_t AlignUp = 2;
const uint8_t AlignDown = 3;

void Report(const char* text) {
    ShowInformation(QString::fromUtf8(text));
}

// Stores a computed ratio as a 32-bit float; false when the result is not a usable number.
bool StoreRatio(long double value, float& field) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e38L)
        return false;
    field = static_cast<float>(value);
    return true;
}

} // namespace

// ---- Source overrides ----

void TD2VProject::ComputeInputRatio() {
    TD2VFileWithFrame::ComputeInputRatio();
    ComputeAspectRatio();
}

void TD2VProject::ComputeInputDisplayRatio() {
    TD2VFileWithFrame::ComputeInputDisplayRatio();
    ComputeAspectRatio();
}

void TD2VProject::ComputeInputStandard() {
    TD2VFileWithFrame::ComputeInputStandard();
    // The storage shape of the standard's frame; the output height follows at the next width change.
    OutputProjectedRatio = InputStandard == 1 ? 1.5f : 1.25f;
}

bool TD2VProject::Open(const QString& fileName) {
    if (!TD2VFileWithFrame::Open(fileName))
        return false;
    SetFirstFrameNumber(0);
    // A file of 0 frames asks for frame 4294967295 here, which is refused with its message.
    SetLastFrameNumber(InputNumberOfFrames - 1);
    SetCreditsFrameNumber(LastFrameNumber);
    // Crops of an earlier file on this object could make the first new crop look too big.
    CropTop = CropBottom = CropLeft = CropRight = 0;
    SetCropTop(0);
    SetCropBottom(0);
    SetCropLeft(0);
    SetCropRight(0);
    SetOutputWidth(CroppedWidth < 640 ? CroppedWidth : 640);
    return true;
}

// ---- Crops ----

bool TD2VProject::SetCropsMultiple(uint8_t value) {
    if (value > 8) {
        Report("CropsMultiple must be fewer than 8 !");
        return false;
    }
    // Every crop is divided by it.
    if (value == 0) {
        Report("CropsMultiple must be strictly positive !");
        return false;
    }
    CropsMultiple = value;
    SetCropTop(CropTop);
    SetCropBottom(CropBottom);
    SetCropLeft(CropLeft);
    SetCropRight(CropRight);
    return true;
}

namespace {

// The "too big" test is made on the value before alignment, in 32 bits so a wrapped 16-bit
// difference (a negative crop) is refused too.
bool StoreCrop(uint16_t value, uint16_t opposite, uint16_t inputSize, uint8_t multiple, uint16_t& field,
               const char* tooBigText, const char* bugText) {
    if (uint32_t{value} + opposite >= inputSize) {
        Report(tooBigText);
        return false;
    }
    if (multiple == 0) {
        Report(bugText);
        return true;
    }
    field = static_cast<uint16_t>(GetValidFixedMultiple(value, multiple, AlignDown));
    return true;
}

} // namespace

bool TD2VProject::SetCropTop(uint16_t value) {
    if (!StoreCrop(value, CropBottom, InputHeight, CropsMultiple, CropTop,
                   "CropTop or CropBottom are too big !", "Bug in TD2VProject.SetCropTop !"))
        return false;
    ComputeCroppedHeight();
    return true;
}

bool TD2VProject::SetCropBottom(uint16_t value) {
    if (!StoreCrop(value, CropTop, InputHeight, CropsMultiple, CropBottom,
                   "CropTop or CropBottom are too big !", "Bug in TD2VProject.SetCropBottom !"))
        return false;
    ComputeCroppedHeight();
    return true;
}

bool TD2VProject::SetCropLeft(uint16_t value) {
    if (!StoreCrop(value, CropRight, InputWidth, CropsMultiple, CropLeft,
                   "CropLeft or CropRight are too big !", "Bug in TD2VProject.SetCropLeft !"))
        return false;
    ComputeCroppedWidth();
    return true;
}

bool TD2VProject::SetCropRight(uint16_t value) {
    if (!StoreCrop(value, CropLeft, InputWidth, CropsMultiple, CropRight,
                   "CropLeft or CropRight are too big !", "Bug in TD2VProject.SetCropRight !"))
        return false;
    ComputeCroppedWidth();
    return true;
}

void TD2VProject::ComputeCroppedWidth() {
    CroppedWidth = static_cast<uint16_t>(InputWidth - CropLeft - CropRight);
    ComputeCroppedRatio();
}

void TD2VProject::ComputeCroppedHeight() {
    CroppedHeight = static_cast<uint16_t>(InputHeight - CropTop - CropBottom);
    ComputeCroppedRatio();
}

void TD2VProject::ComputeCroppedRatio() {
    if (CroppedHeight == 0 ||
        !StoreRatio(static_cast<long double>(CroppedWidth) / CroppedHeight, CroppedRatio))
        Report("Bug in TD2VProject.ComputeCroppedRatio !");
    ComputeAspectRatio();
}

void TD2VProject::ComputeAspectRatio() {
    // The display shape of the active frame, scaled by how cropping changed the stored shape
    // (the pixel shape of PixelAspect.h times the cropped width over height).
    const long double activeRatio = ActiveRatio(*this);
    if (activeRatio == 0 ||
        !StoreRatio(static_cast<long double>(InputDisplayRatio) / activeRatio * CroppedRatio, AspectRatio))
        Report("Bug in TD2VProject.ComputeAspectRatio !");
    ComputeAspectRatioError();
}

void TD2VProject::ComputeOutputRatio() {
    if (OutputHeight == 0 || !StoreRatio(static_cast<long double>(OutputWidth) / OutputHeight, OutputRatio))
        Report("Bug in TD2VProject.ComputeOutputRatio !");
    ComputeAspectRatioError();
}

void TD2VProject::ComputeAspectRatioError() {
    if (AspectRatio == 0.0f) {
        Report("Bug in TD2VProject.ComputeAspectRatioError !");
        return;
    }
    const long double aspect = AspectRatio;
    const std::optional<int64_t> error = RoundToLowBits<int64_t>((OutputRatio - aspect) * 100000 / aspect);
    if (!error) {
        Report("Bug in TD2VProject.ComputeAspectRatioError !");
        return;
    }
    if (*error > 30000)
        AspectRatioError = 32767;
    else if (*error < -30000)
        AspectRatioError = -32768;
    else
        AspectRatioError = static_cast<int16_t>(*error);
}

QString TD2VProject::GetAspectRatioErrorText() const {
    if (AspectRatioError == 32767)
        return QStringLiteral("> 30");
    if (AspectRatioError == -32768)
        return QStringLiteral("< -30");
    return FormatGeneral(static_cast<long double>(AspectRatioError) / 1000, 6);
}

// ---- Output size ----

bool TD2VProject::SetOutputWidth(uint16_t value) {
    if (value > CroppedWidth) {
        Report("OutputWidth should be fewer than CroppedWidth !");
        return false;
    }
    // A 0 x 0 output frame is no output: its ratio and every budget figure would be undefined.
    if (value == 0) {
        Report("OutputWidth must be strictly positive !");
        return false;
    }
    if (OutputWidthMultiple == 0)
        Report("Bug in TD2VProject.SetOutputWidth !");
    else
        OutputWidth = static_cast<uint16_t>(GetValidFixedMultiple(value, OutputWidthMultiple, AlignNearest));
    ComputeOutputHeight();
    return true;
}

bool TD2VProject::SetOutputWidthMultiple(uint8_t value) {
    if (value > 32) {
        Report("OutputWidthMultiple must be fewer than 32 !");
        return false;
    }
    // A width step of 0 would never end the step-down of the output height.
    if (value == 0) {
        Report("OutputWidthMultiple must be strictly positive !");
        return false;
    }
    OutputWidthMultiple = value;
    SetOutputWidth(OutputWidth);
    return true;
}

bool TD2VProject::SetOutputHeightMultiple(uint8_t value) {
    if (value > 32) {
        Report("OutputHeightMultiple must be fewer than 32 !");
        return false;
    }
    if (value == 0) {
        Report("OutputHeightMultiple must be strictly positive !");
        return false;
    }
    OutputHeightMultiple = value;
    ComputeOutputHeight();
    return true;
}

bool TD2VProject::SetOutputProjectedRatio(float value) {
    bool accepted = false;
    if (std::isnan(value) || value < 1.0f)
        Report("OutputProjectedRatio must be higher than 1 !");
    else if (value > 5.0f)
        Report("OutputProjectedRatio must be fewer than 5 !");
    else {
        OutputProjectedRatio = value;
        accepted = true;
    }
    ComputeOutputHeight();
    return accepted;
}

namespace {

std::optional<uint16_t> ProjectedHeight(uint16_t width, float projectedRatio) {
    if (projectedRatio == 0.0f)
        return std::nullopt;
    return RoundToLowBits<uint16_t>(static_cast<long double>(width) / projectedRatio);
}

} // namespace

void TD2VProject::ComputeOutputHeightAligned(uint8_t method) {
    // Each step down one width multiple is what SetOutputWidth would do before computing the
    // height again (then always to the nearest multiple); a loop keeps the stack flat.
    for (;;) {
        const std::optional<uint16_t> h = ProjectedHeight(OutputWidth, OutputProjectedRatio);
        if (!h) {
            Report("Bug in TD2VProject.ComputeOutputHeight !");
            break;
        }
        if (*h > CroppedHeight) {
            Report("OutputHeight must be fewer than CroppedHeight !");
            if (OutputWidthMultiple == 0) {
                Report("Bug in TD2VProject.ComputeOutputHeight !");
                break;
            }
            const uint16_t narrower = static_cast<uint16_t>(OutputWidth - OutputWidthMultiple);
            if (narrower > CroppedWidth) {
                Report("OutputWidth should be fewer than CroppedWidth !");
                break;
            }
            if (narrower == 0) {
                Report("OutputWidth must be strictly positive !");
                break;
            }
            OutputWidth =
                static_cast<uint16_t>(GetValidFixedMultiple(narrower, OutputWidthMultiple, AlignNearest));
            method = AlignNearest;
            continue;
        }
        if (OutputHeightMultiple == 0)
            Report("Bug in TD2VProject.ComputeOutputHeight !");
        else
            OutputHeight = static_cast<uint16_t>(GetValidFixedMultiple(*h, OutputHeightMultiple, method));
        break;
    }
    ComputeOutputRatio();
}

void TD2VProject::ComputeOutputHeight() {
    ComputeOutputHeightAligned(AlignNearest);
}

void TD2VProject::ComputeOutputHeightRoundedUp() {
    ComputeOutputHeightAligned(AlignUp);
}

void TD2VProject::SaveCrops() {
    SavedCropTop = CropTop;
    SavedCropBottom = CropBottom;
    SavedCropLeft = CropLeft;
    SavedCropRight = CropRight;
}

void TD2VProject::RestoreCrops() {
    SetCropTop(SavedCropTop);
    SetCropBottom(SavedCropBottom);
    SetCropLeft(SavedCropLeft);
    SetCropRight(SavedCropRight);
}

void TD2VProject::MinimizeAspectRatioError() {
    const std::optional<uint16_t> h = ProjectedHeight(OutputWidth, OutputProjectedRatio);
    if (!h) {
        Report("Bug in TD2VProject.MinimizeAspectRatioError !");
        return;
    }
    if (*h == OutputHeight)
        return;
    if (OutputHeight < *h)
        ComputeOutputHeightRoundedUp();
    // The cropped height that would bring the aspect error to 0.
    const long double divisor = static_cast<long double>(OutputRatio) * ActiveRatio(*this);
    const std::optional<uint16_t> t =
        divisor == 0
            ? std::nullopt
            : RoundToLowBits<uint16_t>(static_cast<long double>(CroppedWidth) * InputDisplayRatio / divisor);
    if (!t) {
        Report("Bug in TD2VProject.MinimizeAspectRatioError !");
        return;
    }
    const uint16_t d = *t > CroppedHeight ? static_cast<uint16_t>(*t - CroppedHeight) : 0;
    // 16-bit arithmetic: giving back more lines than a border holds wraps, and the setter refuses it.
    SetCropTop(static_cast<uint16_t>(CropTop - d / 2));
    SetCropBottom(static_cast<uint16_t>(CropBottom - (d - d / 2)));
}

// ---- Frame range ----

bool TD2VProject::SetFirstFrameNumber(uint32_t value) {
    if (value > InputNumberOfFrames) {
        Report("FirstFrameNumber must be fewer or egal than InputNumberOfFrames !");
        return false;
    }
    FirstFrameNumber = value;
    if (LastFrameNumber < value)
        LastFrameNumber = value;
    if (CreditsFrameNumber < value)
        CreditsFrameNumber = value;
    RangeChanged();
    return true;
}

bool TD2VProject::SetCreditsFrameNumber(uint32_t value) {
    if (value > InputNumberOfFrames) {
        Report("CreditsFrameNumber must be fewer or egal than InputNumberOfFrames !");
        return false;
    }
    CreditsFrameNumber = value;
    if (LastFrameNumber < value)
        LastFrameNumber = value;
    if (FirstFrameNumber > value)
        FirstFrameNumber = value;
    RangeChanged();
    return true;
}

bool TD2VProject::SetLastFrameNumber(uint32_t value) {
    if (value > InputNumberOfFrames) {
        Report("LastFrameNumber must be fewer or egal than InputNumberOfFrames !");
        return false;
    }
    LastFrameNumber = value;
    if (CreditsFrameNumber > value)
        CreditsFrameNumber = value;
    if (FirstFrameNumber > value)
        FirstFrameNumber = value;
    RangeChanged();
    return true;
}

void TD2VProject::RangeChanged() {
    ComputeMainVideoDuration();
    ComputeCreditsVideoDuration();
    ComputeFullVideoDuration();
}

void TD2VProject::SetIsCreditsModeSelected(bool value) {
    IsCreditsModeSelected = value;
    ComputeMainVideoDuration();
    ComputeCreditsVideoDuration();
}

// The invariant First <= Credits <= Last keeps these differences non-negative.
void TD2VProject::ComputeFullVideoNumberOfFrames() {
    FullVideoNumberOfFrames = LastFrameNumber - FirstFrameNumber + 1;
}

void TD2VProject::ComputeMainVideoNumberOfFrames() {
    MainVideoNumberOfFrames = IsCreditsModeSelected ? CreditsFrameNumber - FirstFrameNumber
                                                    : LastFrameNumber - FirstFrameNumber + 1;
}

void TD2VProject::ComputeCreditsVideoNumberOfFrames() {
    CreditsVideoNumberOfFrames = LastFrameNumber - CreditsFrameNumber + 1;
}

namespace {

// Seconds of a frame count at the stored frame rate, rounded halves to even.
void ComputeDuration(float frameRate, const char* nullRateText, const char* rangeText,
                     const std::function<uint32_t()>& countFrames, uint32_t& duration) {
    if (frameRate == 0.0f) {
        Report(nullRateText);
        return;
    }
    const uint32_t frames = countFrames();
    const std::optional<uint32_t> seconds =
        RoundToLowBits<uint32_t>(static_cast<long double>(frames) / frameRate);
    if (!seconds) {
        Report(rangeText);
        return;
    }
    duration = *seconds;
}

} // namespace

void TD2VProject::ComputeMainVideoDuration() {
    ComputeDuration(
        InputFrameRate, "FrameRate in null in ComputeMainVideoDuration !",
        "MainVideoDuration must be a LongWord !",
        [this] {
            ComputeMainVideoNumberOfFrames();
            return MainVideoNumberOfFrames;
        },
        MainVideoDuration);
}

void TD2VProject::ComputeCreditsVideoDuration() {
    ComputeDuration(
        InputFrameRate, "FrameRate in null in ComputeCreditsVideoDuration !",
        "CreditsVideoDuration must be a LongWord !",
        [this] {
            ComputeCreditsVideoNumberOfFrames();
            return CreditsVideoNumberOfFrames;
        },
        CreditsVideoDuration);
}

void TD2VProject::ComputeFullVideoDuration() {
    ComputeDuration(
        InputFrameRate, "FrameRate in null in ComputeFullVideoDuration !",
        "FullVideoDuration must be a LongWord !",
        [this] {
            ComputeFullVideoNumberOfFrames();
            return FullVideoNumberOfFrames;
        },
        FullVideoDuration);
}
