// The pixel work of TD2VProject: auto-crop and the two previews.
#include "model/TD2VProject.h"

#include "model/MessageSink.h"

#include <QPainter>
#include <algorithm>
#include <functional>

namespace {

void Report(const char* text) {
    ShowInformation(QString::fromUtf8(text));
}

} // namespace

// ---- Auto-crop ----

namespace {

// A pixel is black when each of its components is below 16.
inline bool IsBlackPixel(const uchar* pixel) {
    return ((pixel[0] | pixel[1] | pixel[2]) & 0xF0) == 0;
}

// At most 5 % of the line may be lit; count * 100 <= size * 5 is the real comparison made exact.
inline bool IsMostlyBlack(uint32_t litPixels, uint32_t lineLength) {
    return uint64_t{litPixels} * 100 <= uint64_t{lineLength} * 5;
}

} // namespace

bool TD2VProject::IsBlackRow(uint16_t y) const {
    if (FrameBitmap.isNull() || y >= FrameBitmap.height() || InputWidth > FrameBitmap.width())
        return false;
    const uchar* pixel = FrameBitmap.constScanLine(y);
    uint32_t lit = 0;
    for (uint16_t x = 0; x < InputWidth; ++x, pixel += 3)
        lit += IsBlackPixel(pixel) ? 0 : 1;
    return IsMostlyBlack(lit, InputWidth);
}

bool TD2VProject::IsBlackColumn(uint16_t x) const {
    if (FrameBitmap.isNull() || x >= FrameBitmap.width() || InputHeight > FrameBitmap.height())
        return false;
    const uchar* pixel = FrameBitmap.constBits() + size_t{x} * 3;
    const qsizetype stride = FrameBitmap.bytesPerLine();
    uint32_t lit = 0;
    for (uint16_t y = 0; y < InputHeight; ++y, pixel += stride)
        lit += IsBlackPixel(pixel) ? 0 : 1;
    return IsMostlyBlack(lit, InputHeight);
}

void TD2VProject::DetectBlackBorders() {
    const uint32_t rowLimit = InputHeight / 4;
    const uint32_t columnLimit = InputWidth / 10;
    // Each edge examines at most limit + 1 lines and stops at the first one that is lit.
    auto countFrom = [](uint32_t limit, uint32_t size, const std::function<bool(uint32_t)>& isBlack) {
        uint16_t count = 0;
        for (uint32_t i = 0; i <= limit && i < size && isBlack(i); ++i)
            ++count;
        return count;
    };
    const uint16_t top =
        countFrom(rowLimit, InputHeight, [this](uint32_t i) { return IsBlackRow(uint16_t(i)); });
    const uint16_t bottom = countFrom(
        rowLimit, InputHeight, [this](uint32_t i) { return IsBlackRow(uint16_t(InputHeight - 1 - i)); });
    const uint16_t left =
        countFrom(columnLimit, InputWidth, [this](uint32_t i) { return IsBlackColumn(uint16_t(i)); });
    const uint16_t right = countFrom(
        columnLimit, InputWidth, [this](uint32_t i) { return IsBlackColumn(uint16_t(InputWidth - 1 - i)); });
    AutoCropTop = std::min(AutoCropTop, top);
    AutoCropBottom = std::min(AutoCropBottom, bottom);
    AutoCropLeft = std::min(AutoCropLeft, left);
    AutoCropRight = std::min(AutoCropRight, right);
}

bool TD2VProject::AutoCrop() {
    // (InputNumberOfFrames - 1) would wrap and sample frames that do not exist.
    if (InputNumberOfFrames == 0) {
        Report("InputNumberOfFrames must be strictly positive in TD2VProject.AutoCrop !");
        return false;
    }
    // Before any frame was shown there is no -1 to go back to: the first frame stands in.
    const int32_t frameOnDisplay = CurrentFrameNumber < 0 ? 0 : CurrentFrameNumber;
    AutoCropTop = AutoCropBottom = InputHeight / 2;
    AutoCropLeft = AutoCropRight = InputWidth / 2;
    const uint32_t quarter = (InputNumberOfFrames - 1) / 4;
    for (uint32_t i = 1; i <= 4; ++i) {
        if (!LoadFrame(static_cast<int32_t>(quarter * i))) {
            LoadFrame(frameOnDisplay);
            return false;
        }
        DetectBlackBorders();
    }
    SetCropTop(AutoCropTop);
    SetCropBottom(AutoCropBottom);
    SetCropLeft(AutoCropLeft);
    SetCropRight(AutoCropRight);
    LoadFrame(frameOnDisplay);
    return true;
}

// ---- Previews ----

bool TD2VProject::ShowFrameWithCropBorder(int32_t frameNumber, QImage& image, const QColor& backgroundColor) {
    QPainter painter;
    if (!BeginFrameDrawing("TD2VProject.ShowFrameWithCropBorder", frameNumber, image, backgroundColor,
                           painter))
        return false;
    const int dx = (image.width() - InputWidth) / 2;
    const int dy = (image.height() - InputHeight) / 2;
    painter.drawImage(QPoint(dx, dy), FrameBitmap, QRect(0, 0, InputWidth, InputHeight));
    // The outline lies on the outermost pixels the crop keeps (right and bottom exclusive).
    const int left = dx + CropLeft;
    const int top = dy + CropTop;
    const int right = dx + InputWidth - CropRight;
    const int bottom = dy + InputHeight - CropBottom;
    if (right > left && bottom > top) {
        painter.fillRect(left, top, right - left, 1, Qt::white);
        painter.fillRect(left, bottom - 1, right - left, 1, Qt::white);
        painter.fillRect(left, top, 1, bottom - top, Qt::white);
        painter.fillRect(right - 1, top, 1, bottom - top, Qt::white);
    }
    painter.end();
    CurrentFrameNumber = frameNumber;
    return true;
}

bool TD2VProject::ShowResizedCroppedFrame(int32_t frameNumber, QImage& image, const QColor& backgroundColor) {
    // The picture is checked against the source size, as the canvas is laid out for it.
    QPainter painter;
    if (!BeginFrameDrawing("TD2VProject.ShowResizedCroppedFrame", frameNumber, image, backgroundColor,
                           painter))
        return false;
    const QImage cropped = FrameBitmap.copy(CropLeft, CropTop, CroppedWidth, CroppedHeight);
    if (cropped.isNull()) {
        Report("Bug in TD2VProject.ShowResizedCroppedFrame !");
        return false;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const int dx = (image.width() - OutputWidth) / 2;
    const int dy = (image.height() - OutputHeight) / 2;
    painter.drawImage(QRect(dx, dy, OutputWidth, OutputHeight), cropped);
    painter.end();
    CurrentFrameNumber = frameNumber;
    return true;
}
