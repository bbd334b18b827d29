#pragma once

#include "decoder/ColorConvert.h"
#include "decoder/D2VFile.h"
#include "decoder/FrameList.h"
#include "decoder/IndexCheck.h"
#include "decoder/Report.h"
#include "decoder/VideoStream.h"
#include "mpegstream/FileSet.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace d2v {

// An open .d2v film: numbers frames as Mpeg2Source does and decodes any of them through the index.
class Mpeg2Source {
public:
    Mpeg2Source();
    ~Mpeg2Source();
    Mpeg2Source(const Mpeg2Source&) = delete;
    Mpeg2Source& operator=(const Mpeg2Source&) = delete;

    bool Open(const std::string& d2vPath);
    // Why the last call failed; empty after a success.
    const Report& Failure() const { return error_; }
    // What is wrong with the frame last returned: empty when it is what the stream holds there,
    // otherwise what was shown instead (a concealed picture, a neighbour) or that the index does
    // not match its stream there.
    const Report& Damage() const { return damage_; }
    // The same in English.
    std::string LastError() const { return Describe(error_); }
    std::string LastDamage() const { return Describe(damage_); }

    // Size of the returned pictures: the coded size (whole macroblocks; pairs of them vertically
    // for interlaced sequences).
    int Width() const { return width_; }
    int Height() const { return height_; }
    int FrameRateNumerator() const { return file_.frameRateNumerator; }
    int FrameRateDenominator() const { return file_.frameRateDenominator; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }

    // Packed B,G,R, top row first, Width() x 3 bytes a row; null on failure. Valid until the next call.
    // The last few converted frames are kept, so asking again for one of them costs a look-up.
    const uint8_t* RgbFrame(int frame);
    // Planar Y, then U, then V (4:2:0, pitch = width); null on failure. Valid until the next call.
    const uint8_t* YuvFrame(int frame);

    const D2VFile& File() const { return file_; }
    const std::vector<FramePair>& Frames() const { return frames_; }
    int FirstServableFrame() const { return firstServable_; }

    struct Stats {
        int seeks = 0;
        int picturesSent = 0;
        int typeMismatches = 0; // decoded picture type differs from the index's flag
        int repeats = 0;        // pictures the stream never gave, served as a neighbour
        int rgbHits = 0;        // frames served from the converted-frame cache
    };
    const Stats& Statistics() const { return stats_; }

private:
    bool ProbeStream(int& orphanBPictures);
    LineAgreement Agreement(int line);
    void ReportMismatch(int picture);
    bool OpenStreamFiles();
    // True, with the error set, when reading the stream files failed.
    bool ReadFailed();
    bool SetUpDecoder(bool mpeg2);
    bool BuildYuv(int frame);
    AVFrame* Picture(int picture);
    bool StartSession(int line);
    void RunSession(int target);
    void EndSession();
    void SendPicture(const CodedPicture& picture);
    void Send(const uint8_t* data, size_t size, bool withSequenceHeader, int64_t pts);
    void Drain();
    void ReceiveFrames();
    void StoreFrame(AVFrame* frame, int picture);
    void MarkPredictedDamage(AVFrame* frame, int picture);
    void Evict(int line);
    void ClearCache();

    Report error_;
    Report damage_;
    std::string d2vPath_;
    D2VFile file_;
    std::vector<std::string> streamPaths_;
    std::vector<FramePair> frames_;
    std::vector<int> pictureLine_;
    std::vector<int> lineFirstI_;
    std::vector<LineAgreement> agreement_; // of each line, checked when first needed
    int firstServable_ = 0;
    int width_ = 0, height_ = 0;
    ChromaSiting defaultSiting_ = ChromaSiting::Interlaced;
    bool autoSiting_ = false;
    std::vector<uint8_t> sequenceHeader_;

    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;

    mpegstream::FileSet files_;
    // The decode in progress, kept so that stepping forward continues it.
    std::unique_ptr<mpegstream::ByteReader> reader_;
    std::unique_ptr<mpegstream::Demuxer> demuxer_;
    std::unique_ptr<PictureSplitter> splitter_;
    bool sessionActive_ = false;
    bool sessionEnded_ = false;
    bool synced_ = false;
    bool needHeader_ = false;
    int skipLeft_ = 0;
    int nextDisplay_ = 0;
    int keepFrom_ = 0;
    int lastOutput_ = -1;
    bool havePendingRef_ = false;
    int64_t pendingRefPts_ = 0;
    int64_t serial_ = 0;
    std::unordered_map<int64_t, int> ptsPicture_;
    // The line the running decode is in, and its coded pictures sent so far: the decode runs on
    // into the next line only where this one agrees with the stream.
    int sessionLine_ = 0;
    int codedInLine_ = 0;
    // Damage reaches the pictures predicted from a damaged one: whether the last reference
    // picture output is marked, and the B pictures output since, which the next one may mark.
    bool referenceMarked_ = false;
    std::vector<int> bPicturesSinceReference_;

    std::map<int, AVFrame*> cache_; // decoded pictures by display index

    // B pictures shown before this one are not sent while catching up: nothing refers to them.
    // Set per request to the first picture of the frame before the one asked, so that stepping
    // back one frame still finds its pictures cached.
    int sendBFrom_ = 0;

    std::vector<uint8_t> yuv_;
    // Recently converted frames, most recent first; their buffers are reused, never reallocated.
    struct RgbEntry {
        int frame = -1;
        std::vector<uint8_t> bgr;
        Report damage;
    };
    std::vector<RgbEntry> rgbCache_;
    Stats stats_;
};

} // namespace d2v
