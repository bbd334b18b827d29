#pragma once

#include "decoder/D2VFile.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace d2v {

// The listed stream files read as one byte stream: a GOP may start in one file and end in the next.
class ConcatenatedFiles {
public:
    explicit ConcatenatedFiles(std::vector<std::string> paths) : paths_(std::move(paths)) {}
    ~ConcatenatedFiles();
    ConcatenatedFiles(const ConcatenatedFiles&) = delete;
    ConcatenatedFiles& operator=(const ConcatenatedFiles&) = delete;

    bool Seek(int file, int64_t offset, std::string& error);
    // Fills up to size bytes; 0 at the end of the last file or on a read error (see Failed()).
    size_t Read(uint8_t* data, size_t size);
    bool Failed() const { return failed_; }
    const std::string& ErrorText() const { return error_; }

private:
    bool OpenFile(int file);

    std::vector<std::string> paths_;
    std::FILE* current_ = nullptr;
    int file_ = -1;
    bool failed_ = false;
    std::string error_;
};

// A window over a byte source with as much look-ahead as a parser asks for.
class ByteReader {
public:
    explicit ByteReader(ConcatenatedFiles& source) : source_(source) {}
    // True when at least n bytes are available (false at the end of the stream).
    bool Ensure(size_t n);
    const uint8_t* Data() const { return buffer_.data() + pos_; }
    size_t Available() const { return buffer_.size() - pos_; }
    void Skip(size_t n);
    // Stops reading once this many more bytes have come from the source, so that a search through
    // a file holding no video ends early.
    void SetBudget(uint64_t bytes) { budget_ = fetched_ + bytes; }
    void ClearBudget() { budget_ = UINT64_MAX; }
    bool OverBudget() const { return fetched_ >= budget_; }

private:
    ConcatenatedFiles& source_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    uint64_t fetched_ = 0;
    uint64_t budget_ = UINT64_MAX;
};

// Pulls the video elementary stream out of the container.
class VideoDemuxer {
public:
    virtual ~VideoDemuxer() = default;
    // Appends some video bytes to es; false at the end of the stream.
    virtual bool ReadVideo(std::vector<uint8_t>& es) = 0;
    // Bytes passed over because they were no packet of the container: lost or damaged data.
    uint64_t SkippedBytes() const { return skipped_; }

protected:
    uint64_t skipped_ = 0;
};

std::unique_ptr<VideoDemuxer> MakeDemuxer(const D2VFile& file, ByteReader& reader);

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
    explicit PictureSplitter(VideoDemuxer& demuxer) : demuxer_(demuxer) {}
    bool Next(CodedPicture& out);
    // The last sequence header (with its extensions) seen, and what it says.
    const std::vector<uint8_t>& SequenceHeader() const { return sequenceHeader_; }
    const SequenceInfo& Sequence() const { return sequence_; }
    bool HasSequence() const { return !sequenceHeader_.empty(); }

private:
    uint8_t At(size_t i) const { return i < es_.size() ? es_[i] : 0; }
    bool Refill();
    void EmitUnit(size_t end);
    void StartUnit(size_t at);
    void Inspect(size_t at, uint8_t code);

    VideoDemuxer& demuxer_;
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
};

} // namespace d2v
