#pragma once

#include "decoder/Mpeg2Dec3Api.h"

#include <QImage>
#include <QString>
#include <string>

// The built libMPEG2DEC3.so, loaded the way the program loads it: by path, entry points by name.
class DecoderLibrary {
public:
    DecoderLibrary();
    ~DecoderLibrary();
    DecoderLibrary(const DecoderLibrary&) = delete;
    DecoderLibrary& operator=(const DecoderLibrary&) = delete;

    bool Loaded() const { return open && close && rgb && yuv && lastError && facts && report; }
    std::string LoadError() const { return loadError; }

    decltype(&openMPEG2Source) open = nullptr;
    decltype(&closeVideo) close = nullptr;
    decltype(&getRGBFrame) rgb = nullptr;
    decltype(&getFrame) yuv = nullptr;
    decltype(&getLastDecoderError) lastError = nullptr;
    decltype(&getLastFrameDamage) damage = nullptr;
    decltype(&getStreamFacts) facts = nullptr;
    decltype(&getLastDecoderReport) report = nullptr;

    // The frame as an RGB image (deep copy), or a null image on failure.
    QImage Frame(int number, int width, int height) const;
    // Decodes every frame of the open film in order, then 300 picked at random from the seed, then
    // every frame backwards: a test failure for each frame whose bytes differ from the first pass.
    void ExpectSamePicturesInAnyOrder(const DecoderVideoInfo& info, unsigned seed) const;

private:
    void* handle = nullptr;
    std::string loadError;
};

// Peak signal-to-noise ratio of the luma computed from two RGB images of the same size.
double LumaPsnr(const QImage& a, const QImage& b);
