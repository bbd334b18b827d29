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

#ifdef __cplusplus
}
#endif
