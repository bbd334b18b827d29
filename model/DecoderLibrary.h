#pragma once

#include <QLibrary>
#include <QString>
#include <cstdint>
#include <memory>

// The header record the decoder returns for an open file; it stays valid until closeVideo.
struct DecoderVideoInfo {
    int32_t width;
    int32_t height;
    int32_t frameRateNumerator;
    int32_t frameRateDenominator;
    int32_t numberOfFrames;
};

extern "C" {
using OpenMPEG2SourceFunction = DecoderVideoInfo* (*)(const char* d2vPath);
using CloseVideoFunction = void (*)();
using GetRGBFrameFunction = unsigned char* (*)(int32_t frameNumber);
using GetFrameFunction = unsigned char* (*)(int32_t frameNumber);
using GetLastDecoderErrorFunction = const char* (*)();
using GetLastFrameDamageFunction = const char* (*)();
}

// File name of the decoder library; tests point it at a stand-in.
extern QString DecoderLibraryFileName;

// Loads DecoderLibraryFileName from the program's own folder first, then through the system's
// ordinary search. On failure returns nullptr and puts the loader's reason in errorText.
std::unique_ptr<QLibrary> LoadDecoderLibraryFile(QString& errorText);

// The library's explanation of its last failure, or an empty text when it has none.
QString DecoderErrorText(const QLibrary* library);
