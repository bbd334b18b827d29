#include "decoder/VideoStream.h"

#include "mpegstream/StartCodes.h"

#include <algorithm>
#include <iterator>

namespace d2v {

namespace {

bool IsHeaderCode(uint8_t code) {
    return code == 0xB3 || code == 0xB8 || code == 0x00;
}

} // namespace

std::unique_ptr<mpegstream::Demuxer> MakeDemuxer(const D2VFile& file, mpegstream::ByteReader& reader) {
    mpegstream::StreamFormat format;
    switch (file.streamType) {
    case StreamType::Elementary:
        format.type = mpegstream::StreamType::Elementary;
        break;
    case StreamType::Program:
        format.type = mpegstream::StreamType::Program;
        break;
    case StreamType::Transport:
        format.type = mpegstream::StreamType::Transport;
        format.packetSize = file.transportPacketSize;
        format.videoPid = file.videoPid;
        break;
    case StreamType::Pva:
        return nullptr;
    }
    return mpegstream::MakeDemuxer(format, reader);
}

bool PictureSplitter::Refill() {
    if (eof_)
        return false;
    mpegstream::VideoPiece piece;
    if (demuxer_.Next(piece))
        es_.insert(es_.end(), piece.data, piece.data + piece.size);
    else
        eof_ = true;
    return !eof_;
}

// The bytes after the start code at `code`, zeros past the end of the stream.
const uint8_t* PictureSplitter::HeaderAfter(size_t code) {
    const size_t from = code + 4;
    if (from + mpegstream::kHeaderBytes <= es_.size())
        return es_.data() + from;
    std::fill(std::begin(paddedHeader_), std::end(paddedHeader_), 0);
    if (from < es_.size())
        std::copy(es_.begin() + static_cast<std::ptrdiff_t>(from), es_.end(), paddedHeader_);
    return paddedHeader_;
}

void PictureSplitter::StartUnit(size_t at) {
    es_.erase(es_.begin(), es_.begin() + static_cast<std::ptrdiff_t>(at));
    scan_ -= std::min(scan_, at);
    inUnit_ = true;
    sawPicture_ = sawSlice_ = false;
    seqStart_ = seqEnd_ = SIZE_MAX;
    unit_ = CodedPicture();
}

void PictureSplitter::EmitUnit(size_t end) {
    CodedPicture unit = std::move(unit_);
    unit.data.assign(es_.begin(), es_.begin() + static_cast<std::ptrdiff_t>(end));
    if (seqStart_ != SIZE_MAX) {
        const size_t stop = std::min(seqEnd_, end);
        sequenceHeader_.assign(es_.begin() + static_cast<std::ptrdiff_t>(seqStart_),
                               es_.begin() + static_cast<std::ptrdiff_t>(stop));
    }
    es_.erase(es_.begin(), es_.begin() + static_cast<std::ptrdiff_t>(end));
    scan_ -= std::min(scan_, end);
    inUnit_ = false;
    if (!sawPicture_)
        return;
    if (unit.structure == 3) {
        if (firstField_) { // a lone field: pass it on as it is
            ready_.push_back(std::move(*firstField_));
            firstField_.reset();
        }
        ready_.push_back(std::move(unit));
    } else if (!firstField_) {
        firstField_ = std::make_unique<CodedPicture>(std::move(unit));
    } else {
        firstField_->secondField = firstField_->data.size();
        firstField_->data.insert(firstField_->data.end(), unit.data.begin(), unit.data.end());
        ready_.push_back(std::move(*firstField_));
        firstField_.reset();
    }
}

void PictureSplitter::Inspect(size_t at, uint8_t code) {
    using namespace mpegstream;
    if (seqStart_ != SIZE_MAX && seqEnd_ == SIZE_MAX &&
        (code == kGroupStartCode || code == kPictureStartCode))
        seqEnd_ = at;
    if (code == kSequenceHeaderCode) {
        seqStart_ = at;
        seqEnd_ = SIZE_MAX;
        unit_.hasSequenceHeader = true;
        const mpegstream::SequenceHeader header = ReadSequenceHeader(HeaderAfter(at));
        sequence_.width = header.width;
        sequence_.height = header.height;
        sequence_.frameRateCode = header.frameRateCode;
        sequence_.mpeg2 = false;
        sequence_.progressiveSequence = true;
        sequence_.chromaFormat = 1;
    } else if (code == kExtensionStartCode) {
        const uint8_t* h = HeaderAfter(at);
        const int id = ReadExtensionId(h);
        if (id == static_cast<int>(ExtensionId::Sequence)) {
            const SequenceExtension extension = ReadSequenceExtension(h);
            sequence_.mpeg2 = true;
            sequence_.progressiveSequence = extension.progressiveSequence;
            sequence_.chromaFormat = extension.chromaFormat;
        } else if (id == static_cast<int>(ExtensionId::PictureCoding) && sawPicture_) {
            const PictureCodingExtension extension = ReadPictureCodingExtension(h);
            unit_.structure = extension.structure == 0 ? kFramePicture : extension.structure;
            unit_.progressiveFrame = extension.progressiveFrame;
        }
    } else if (code == kPictureStartCode) {
        sawPicture_ = true;
        const PictureHeader header = ReadPictureHeader(HeaderAfter(at));
        unit_.temporalReference = header.temporalReference;
        unit_.type = header.codingType >= 1 && header.codingType <= 3
                         ? static_cast<PictureType>(header.codingType)
                         : PictureType::Unknown;
    } else if (IsSliceCode(code) && sawPicture_) {
        sawSlice_ = true;
    }
}

bool PictureSplitter::Next(CodedPicture& out) {
    while (ready_.empty()) {
        // A start code is looked at once the header bytes after it are in, or at the end of the stream.
        const uint8_t* q = scan_ + 3 <= es_.size()
                               ? mpegstream::FindStartCode(es_.data() + scan_, es_.data() + es_.size())
                               : nullptr;
        const bool found = q != nullptr;
        size_t p = found ? static_cast<size_t>(q - es_.data()) : es_.size();
        if (!found || p + 4 + mpegstream::kHeaderBytes > es_.size()) {
            if (!found)
                scan_ = es_.size() >= 3 ? es_.size() - 2 : 0;
            if (Refill())
                continue;
            if (!found || p + 4 > es_.size()) {
                if (inUnit_)
                    EmitUnit(es_.size());
                else
                    es_.clear();
                scan_ = 0;
                if (firstField_) {
                    ready_.push_back(std::move(*firstField_));
                    firstField_.reset();
                }
                if (ready_.empty())
                    return false;
                break;
            }
        }
        const uint8_t code = es_[p + 3];
        if (inUnit_ && sawSlice_ && (IsHeaderCode(code) || code == 0xB7)) {
            const size_t end = code == 0xB7 ? p + 4 : p;
            EmitUnit(end);
            p -= std::min(p, end);
            if (code == 0xB7) {
                scan_ = p;
                continue;
            }
        }
        if (!inUnit_) {
            if (!IsHeaderCode(code)) {
                scan_ = p + 3;
                continue;
            }
            StartUnit(p);
            p = 0;
        }
        Inspect(p, code);
        scan_ = p + 3;
    }
    out = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

} // namespace d2v
