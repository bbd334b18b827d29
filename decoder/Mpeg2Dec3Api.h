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

// Why a call failed, or what is wrong with the frame it returned, as a code with its particulars,
// for callers that word it in their users' language. Codes are never renumbered; a caller words
// an unknown code with getLastDecoderError's or getLastFrameDamage's text.
enum DecoderReportCode {
    DECODER_REPORT_NONE = 0,
    // The .d2v file itself (file: its path).
    DECODER_INDEX_UNREADABLE = 1, // numbers[0]: the system's errno (ENOENT: there is no such file)
    DECODER_INDEX_NOT_A_FILE = 2, // a folder, a device, a pipe
    DECODER_INDEX_TOO_LARGE = 3,
    // Its text (line: the line concerned, from 1).
    DECODER_INDEX_EMPTY = 10,
    DECODER_INDEX_NOT_D2V = 11, // found: the first line
    DECODER_INDEX_DVD2AVI = 12,
    DECODER_INDEX_H264 = 13,
    DECODER_INDEX_BAD_VERSION = 14,         // found: the first line
    DECODER_INDEX_UNSUPPORTED_VERSION = 15, // numbers[0]: the version
    DECODER_INDEX_NO_FILE_COUNT = 16,
    DECODER_INDEX_MISSING_FILE_NAME = 17,  // numbers[0]: the files announced
    DECODER_INDEX_FILE_NAME_TOO_LONG = 18, // numbers[0]: the line's length in bytes
    DECODER_INDEX_NOT_A_SETTING = 19,      // found: the line
    DECODER_INDEX_BAD_SETTING = 20,        // setting: its name; found: its value
    DECODER_INDEX_NO_FRAME_RATE = 21,
    DECODER_INDEX_NO_DATA_LINES = 22,
    DECODER_INDEX_NO_INFO_WORD = 23,    // found: what starts the data line
    DECODER_INDEX_BAD_DATA_VALUE = 24,  // found: the value
    DECODER_INDEX_INCOMPLETE_LINE = 25, // numbers[0]: the numbers expected after the info word
    DECODER_INDEX_BAD_FILE_NUMBER = 26, // numbers[0]: the file number; numbers[1]: the files listed
    DECODER_INDEX_TRUNCATED = 27,       // the data lines end without their end mark
    DECODER_INDEX_NO_PICTURES = 28,
    DECODER_INDEX_NO_FRAMES = 29,
    // The stream files it lists (file: the name as the .d2v writes it, or the file found).
    DECODER_STREAM_NOT_FOUND = 30,
    DECODER_STREAM_NOT_A_FILE = 31,
    DECODER_STREAM_UNREADABLE = 32, // numbers[0]: errno
    DECODER_STREAM_SHRUNK = 33,     // it became shorter while it was read
    DECODER_STREAM_READ_ERROR = 34, // numbers[0]: errno
    DECODER_STREAM_PVA = 35,        // PVA streams are not supported
    DECODER_STREAM_NO_VIDEO = 36,   // line: where the .d2v says the film starts
    DECODER_STREAM_BAD_PICTURE_SIZE = 37,
    // The decoder and the calls.
    DECODER_CODEC_UNAVAILABLE = 40,
    DECODER_NO_FILE_NAMED = 41,
    DECODER_NO_FILM_OPEN = 42,
    DECODER_FRAME_OUTSIDE = 43,     // numbers[0]: the frame asked; numbers[1]: the last frame
    DECODER_FRAME_UNDECODABLE = 44, // numbers[0]: the frame asked
    DECODER_OUT_OF_MEMORY = 45,
    DECODER_INTERNAL_FAILURE = 46, // found: the technical reason
    // What is wrong with a frame returned.
    DECODER_DAMAGE_CONCEALED = 60,     // damaged or missing data, or a reference picture with some
    DECODER_DAMAGE_MISSING = 61,       // a picture the stream does not give; numbers: it, the one shown
    DECODER_DAMAGE_INDEX_MISMATCH = 62 // line: the .d2v line that does not match its stream
};

typedef struct DecoderReport {
    int32_t code; // a DecoderReportCode
    int32_t line; // the .d2v's line concerned, 0 for none
    int64_t numbers[2];
    const char* file;    // NUL-terminated, "" for none; a file name's own bytes
    const char* setting; // likewise
    const char* found;   // what was found instead, cut short; likewise
} DecoderReport;

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
// The last call's report: why it failed, or after a frame was returned what is wrong with it
// (code DECODER_REPORT_NONE when nothing is). Never NULL; valid until the next call. Optional, as
// getStreamFacts.
MPEG2DEC3_EXPORT const DecoderReport* getLastDecoderReport(void);

#ifdef __cplusplus
}
#endif
