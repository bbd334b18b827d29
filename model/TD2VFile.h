#pragma once

#include "model/DecoderLibrary.h"

#include <QLibrary>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

// One .d2v file opened through the decoder library, with its stream properties.
class TD2VFile {
public:
    TD2VFile() = default;
    virtual ~TD2VFile();
    TD2VFile(const TD2VFile&) = delete;
    TD2VFile& operator=(const TD2VFile&) = delete;

    DecoderVideoInfo* VideoInfo = nullptr;
    std::unique_ptr<QLibrary> LibraryHandle;
    OpenMPEG2SourceFunction OpenSourceEntry = nullptr;
    CloseVideoFunction CloseVideoEntry = nullptr;
    // Optional: older libraries do not say what the index tells of its stream.
    GetStreamFactsFunction GetStreamFactsEntry = nullptr;
    uint16_t InputWidth = 720;
    uint16_t InputHeight = 576;
    uint16_t InputFrameRateNumerator = 25000;
    uint16_t InputFrameRateDenominator = 10000;
    float InputFrameRate = 25.0f;
    uint32_t InputNumberOfFrames = 0;
    QString FileName;
    float InputRatio = 1.25f;
    float InputDisplayRatio = 16.0f / 9.0f;
    uint32_t InputVideoDuration = 0;
    uint8_t InputStandard = 0;      // 0 PAL, 1 NTSC, 2 UNKNOWN
    uint8_t InputDisplayFormat = 0; // 0 16/9, 1 4/3
    // Columns the display shape describes: 720 the whole frame (generic), 704 the ITU-R BT.601
    // active width of a DVD frame (see PixelAspect.h).
    uint16_t InputActiveWidth = 720;
    // What the .d2v says of its stream (shape, film share, field order), when the library tells.
    std::optional<DecoderStreamFacts> InputStreamFacts;

    virtual void ComputeInputRatio();
    virtual void ComputeInputDisplayRatio();
    virtual void ComputeInputStandard();
    // Loads the library and binds its entry points; reports the cause and unloads on failure.
    virtual bool LoadDecoderLibrary();
    // False (with one message) when the file could not be opened; nothing is left open then.
    virtual bool Open(const QString& fileName);
    virtual void Close();

    bool SetInputWidth(uint16_t value);
    bool SetInputHeight(uint16_t value);
    bool SetInputFrameRateNumerator(uint16_t value);
    bool SetInputFrameRateDenominator(uint16_t value);
    bool SetInputNumberOfFrames(uint32_t value);
    bool SetFileName(const QString& value);
    bool SetInputDisplayFormat(uint8_t value);
    bool SetInputActiveWidth(uint16_t value);
    // The display format the stream's Aspect_Ratio names (0 16/9, 1 4/3); none when the library
    // does not tell or the stream names another shape.
    std::optional<uint8_t> StreamDisplayFormat() const;

    void ComputeInputFrameRate();
    void ComputeInputDuration();

    QString GetInputStandardName() const;

protected:
    // Binds one entry point by name; reports the missing name on failure.
    bool BindEntry(const char* name, QFunctionPointer& entry);
    // The decoder's own explanation of its last failure, prefixed for a message, or empty.
    QString DecoderErrorSuffix() const;
    void UnloadDecoderLibrary();
};
