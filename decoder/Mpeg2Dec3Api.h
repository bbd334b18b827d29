#pragma once

// The decoder library's C interface, the one declaration shared by the library, the program's
// run-time binding and the test stand-ins. Plain C: no Qt, no FFmpeg. Entry points are bound by
// name at run time. One film is open at a time; returned pointers stay valid until the next call
// or closeVideo.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define MPEG2DEC3_EXPORT __attribute__((visibility("default")))

typedef struct DecoderVideoInfo {
    int32_t width;
    int32_t height;
    int32_t frameRateNumerator;
    int32_t frameRateDenominator;
    int32_t numberOfFrames;
} DecoderVideoInfo;

// What the open film's .d2v says of its stream: its header and the flags of every coded picture.
typedef struct DecoderStreamFacts {
    // Aspect_Ratio: 0 unknown (absent, garbage, or "1:1" square samples), 1 "4:3", 2 "16:9",
    // 3 another display ratio; displayAspectMilli is the ratio x 1000 (0 when unknown).
    int32_t displayAspect;
    int32_t displayAspectMilli;
    int32_t codedPictures;
    int32_t progressivePictures;   // progressive_frame set; the others are the interlaced part
    int32_t topFieldFirstPictures; // of the interlaced part
    int32_t bottomFieldFirstPictures;
    // Share of the film carried as soft-pulldown film, as DVD indexers count it: hundredths of a
    // percent (9870 for "FILM 98.70 %"); 0 with fewer than two pictures.
    int32_t filmShareHundredths;
    int32_t scanType;       // 0 progressive, 1 interlaced, 2 mixed
    int32_t fieldOrder;     // of the interlaced part: 0 none (all progressive), 1 top first, 2 bottom first
    int32_t isNtscRate;     // 1 when Frame_Rate is 30000/1001
    int32_t fieldOperation; // Field_Operation: 0 honour pulldown, 1 force film, 2 ignore pulldown
} DecoderStreamFacts;

// Opens a .d2v index (closing any film already open); NULL on failure, see getLastDecoderError.
MPEG2DEC3_EXPORT DecoderVideoInfo* openMPEG2Source(const char* d2vPath);
MPEG2DEC3_EXPORT void closeVideo(void);
// Frame frameNumber (from 0) as B,G,R bytes, top row first, width * 3 bytes a row; NULL on failure.
MPEG2DEC3_EXPORT unsigned char* getRGBFrame(int32_t frameNumber);
// The same frame as planar 4:2:0: width * height bytes of Y, then U, then V at half size; NULL on failure.
MPEG2DEC3_EXPORT unsigned char* getFrame(int32_t frameNumber);
// Why the last call failed, as UTF-8 text; "" after a success.
MPEG2DEC3_EXPORT const char* getLastDecoderError(void);
// What was wrong in the stream where the frame last returned comes from, as UTF-8 text: "" when it
// decoded whole, otherwise what is shown instead (a concealed picture, a neighbouring picture).
MPEG2DEC3_EXPORT const char* getLastFrameDamage(void);
// The open film's stream facts, valid until closeVideo; NULL when no film is open. Optional:
// callers bind it when the library has it.
MPEG2DEC3_EXPORT const DecoderStreamFacts* getStreamFacts(void);

#ifdef __cplusplus
}
#endif
