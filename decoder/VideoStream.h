#pragma once

#include "decoder/D2VFile.h"
#include "mpegstream/ByteReader.h"
#include "mpegstream/Demuxer.h"
#include "mpegstream/Headers.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace d2v {

// The demultiplexer for the container the index names (Stream_Type, the transport packet size and
// video PID); null for PVA streams.
std::unique_ptr<mpegstream::Demuxer> MakeDemuxer(const D2VFile& file, mpegstream::ByteReader& reader);

struct SequenceInfo {
    int width = 0, height = 0;
    int frameRateCode = 0;
    bool mpeg2 = false;
    bool progressiveSequence = true; // MPEG-1 is always progressive
    int chromaFormat = 1;            // 1: 4:2:0
};

// One coded frame (both fields when coded as two field pictures), with the headers before it.
struct CodedPicture {
    std::vector<uint8_t> data;
    PictureType type = PictureType::Unknown;
    bool hasSequenceHeader = false;
    int structure = 3;      // 1 top field, 2 bottom field, 3 frame
    size_t secondField = 0; // where the second field picture starts in data; 0 for a frame picture
    int temporalReference = 0;
    bool progressiveFrame = true;
};

// Cuts the elementary stream into coded frames. Bytes before the first header are dropped, as
// after a seek into the middle of a picture.
class PictureSplitter {
public:
    explicit PictureSplitter(mpegstream::Demuxer& demuxer) : demuxer_(demuxer) {}
    bool Next(CodedPicture& out);
    // The last sequence header (with its extensions) seen, and what it says.
    const std::vector<uint8_t>& SequenceHeader() const { return sequenceHeader_; }
    const SequenceInfo& Sequence() const { return sequence_; }
    bool HasSequence() const { return !sequenceHeader_.empty(); }

private:
    const uint8_t* HeaderAfter(size_t code);
    bool Refill();
    void EmitUnit(size_t end);
    void StartUnit(size_t at);
    void Inspect(size_t at, uint8_t code);

    mpegstream::Demuxer& demuxer_;
    std::vector<uint8_t> es_;
    size_t scan_ = 0;
    bool eof_ = false;
    bool inUnit_ = false;
    bool sawPicture_ = false, sawSlice_ = false;
    size_t seqStart_ = SIZE_MAX, seqEnd_ = SIZE_MAX;
    CodedPicture unit_;
    std::deque<CodedPicture> ready_;
    std::unique_ptr<CodedPicture> firstField_;
    std::vector<uint8_t> sequenceHeader_;
    SequenceInfo sequence_;
    uint8_t paddedHeader_[mpegstream::kHeaderBytes] = {};
};

} // namespace d2v
