#pragma once

#include "model/TD2VFile.h"

#include <QColor>
#include <QImage>
#include <cstdint>

class QPainter;

// Adds the frame bitmap: any frame fetched from the decoder and drawn centred into a canvas.
class TD2VFileWithFrame : public TD2VFile {
public:
    TD2VFileWithFrame() = default;
    ~TD2VFileWithFrame() override;

    GetFrameFunction GetFrameEntry = nullptr;
    GetRGBFrameFunction GetRGBFrameEntry = nullptr;
    // Optional: libraries that do not export it never report damage.
    GetLastFrameDamageFunction GetLastFrameDamageEntry = nullptr;
    // Optional: older libraries tell damage in their own words only.
    GetLastDecoderReportFunction GetLastDecoderReportEntry = nullptr;
    // A damaged stream is reported once per opened film, not at every frame drawn from it.
    bool IsStreamDamageReported = false;
    int32_t CurrentFrameNumber = -1;
    QImage FrameBitmap; // InputWidth x InputHeight, Format_BGR888; null when no file is open

    bool LoadDecoderLibrary() override;
    bool Open(const QString& fileName) override;
    void Close() override;

    // Copies the decoder's frame into FrameBitmap; false (with one message) when it cannot.
    bool LoadFrame(int32_t frameNumber);
    // What is wrong with frame frameNumber, just fetched, told to the user (written: by the
    // renderer, into its output); empty when it is what the stream holds.
    QString FrameDamageMessage(int32_t frameNumber, bool written) const;
    // Draws the frame unscaled at the centre of image (Format_RGB32 or Format_BGR888).
    bool ShowFrame(int32_t frameNumber, QImage& image, const QColor& backgroundColor);

protected:
    // How every drawing of a frame into a picture starts: the picture must hold the source frame,
    // the frame is fetched (a refused one leaves the picture as it was), then the painter is opened
    // on the picture filled with the background. `drawing` names the caller in the messages; false
    // after a message when any step fails.
    bool BeginFrameDrawing(const char* drawing, int32_t frameNumber, QImage& image,
                           const QColor& backgroundColor, QPainter& painter);

private:
    void ReportStreamDamage(int32_t frameNumber);
};
