#include "decoder/StreamReader.h"

#include <algorithm>
#include <cstring>

namespace d2v {

ConcatenatedFiles::~ConcatenatedFiles() {
    if (current_)
        std::fclose(current_);
}

bool ConcatenatedFiles::OpenFile(int file) {
    if (current_)
        std::fclose(current_);
    current_ = nullptr;
    file_ = file;
    if (file < 0 || file >= static_cast<int>(paths_.size()))
        return false;
    current_ = std::fopen(paths_[static_cast<size_t>(file)].c_str(), "rb");
    if (!current_) {
        failed_ = true;
        error_ = "cannot open \"" + paths_[static_cast<size_t>(file)] + "\"";
        return false;
    }
    return true;
}

bool ConcatenatedFiles::Seek(int file, int64_t offset, std::string& error) {
    failed_ = false;
    error_.clear();
    if (!OpenFile(file) || std::fseek(current_, static_cast<long>(offset), SEEK_SET) != 0) {
        error = error_.empty() ? "cannot seek to byte " + std::to_string(offset) + " of stream file " +
                                     std::to_string(file + 1)
                               : error_;
        return false;
    }
    return true;
}

size_t ConcatenatedFiles::Read(uint8_t* data, size_t size) {
    while (current_) {
        const size_t got = std::fread(data, 1, size, current_);
        if (got > 0)
            return got;
        if (std::ferror(current_)) {
            failed_ = true;
            error_ = "read error in \"" + paths_[static_cast<size_t>(file_)] + "\"";
            return 0;
        }
        if (!OpenFile(file_ + 1))
            return 0;
    }
    return 0;
}

bool ByteReader::Ensure(size_t n) {
    if (Available() >= n)
        return true;
    if (pos_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ = 0;
    }
    constexpr size_t kChunk = 256 * 1024;
    while (buffer_.size() < n) {
        if (fetched_ >= budget_)
            return false;
        const size_t old = buffer_.size();
        buffer_.resize(old + std::max(kChunk, n - old));
        const size_t got = source_.Read(buffer_.data() + old, buffer_.size() - old);
        buffer_.resize(old + got);
        fetched_ += got;
        if (got == 0)
            return false;
    }
    return true;
}

void ByteReader::Skip(size_t n) {
    pos_ += std::min(n, Available());
}

namespace {

bool IsStartCode(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

class ElementaryDemuxer final : public VideoDemuxer {
public:
    explicit ElementaryDemuxer(ByteReader& reader) : reader_(reader) {}
    bool ReadVideo(std::vector<uint8_t>& es) override {
        reader_.Ensure(64 * 1024);
        const size_t n = reader_.Available();
        if (n == 0)
            return false;
        es.insert(es.end(), reader_.Data(), reader_.Data() + n);
        reader_.Skip(n);
        return true;
    }

private:
    ByteReader& reader_;
};

// Offset of the payload in a PES packet of the given total size, or 0 if the header is broken.
size_t PesPayloadOffset(const uint8_t* p, size_t size) {
    if (size < 9)
        return 0;
    if ((p[6] & 0xC0) == 0x80) { // MPEG-2
        const size_t offset = 9 + size_t{p[8]};
        return offset <= size ? offset : 0;
    }
    size_t i = 6; // MPEG-1: stuffing, buffer size, time stamps
    while (i < size && p[i] == 0xFF && i < 6 + 16)
        ++i;
    if (i < size && (p[i] & 0xC0) == 0x40)
        i += 2;
    if (i >= size)
        return 0;
    if ((p[i] & 0xF0) == 0x20)
        i += 5;
    else if ((p[i] & 0xF0) == 0x30)
        i += 10;
    else if (p[i] == 0x0F)
        i += 1;
    else
        return 0;
    return i <= size ? i : 0;
}

class ProgramDemuxer final : public VideoDemuxer {
public:
    explicit ProgramDemuxer(ByteReader& reader) : reader_(reader) {}
    bool ReadVideo(std::vector<uint8_t>& es) override {
        while (reader_.Ensure(4)) {
            const uint8_t* p = reader_.Data();
            if (!IsStartCode(p) || p[3] < 0xB9) {
                Resync();
                continue;
            }
            const uint8_t code = p[3];
            if (code == 0xBA) {
                if (!reader_.Ensure(12))
                    return false;
                p = reader_.Data();
                if ((p[4] >> 6) == 1) {
                    if (!reader_.Ensure(14))
                        return false;
                    p = reader_.Data();
                    reader_.Skip(14 + (p[13] & 7));
                } else {
                    reader_.Skip(12);
                }
                continue;
            }
            if (code == 0xB9) {
                reader_.Skip(4);
                continue;
            }
            if (!reader_.Ensure(6))
                return false;
            p = reader_.Data();
            const size_t size = 6 + ((size_t{p[4]} << 8) | p[5]);
            const bool video = code >= 0xE0 && code <= 0xEF && (videoId_ < 0 || code == videoId_);
            if (!video || size == 6) {
                reader_.Skip(size);
                continue;
            }
            // A packet cut by the end of the stream still gives what it holds.
            reader_.Ensure(size);
            const size_t have = std::min(size, reader_.Available());
            p = reader_.Data();
            const size_t offset = PesPayloadOffset(p, have);
            if (offset == 0) {
                skipped_ += 4;
                reader_.Skip(4);
                continue;
            }
            videoId_ = code;
            es.insert(es.end(), p + offset, p + have);
            reader_.Skip(have);
            return true;
        }
        return false;
    }

private:
    void Resync() {
        const uint8_t* p = reader_.Data();
        const size_t n = reader_.Available();
        size_t i = 1;
        while (i + 3 <= n && !(IsStartCode(p + i) && (i + 3 == n || p[i + 3] >= 0xB9)))
            ++i;
        const size_t skip = std::min(i, n > 3 ? n - 3 : n);
        skipped_ += skip;
        reader_.Skip(skip);
    }

    ByteReader& reader_;
    int videoId_ = -1;
};

class TransportDemuxer final : public VideoDemuxer {
public:
    TransportDemuxer(ByteReader& reader, int packetSize, int pid)
        : reader_(reader), packetSize_(static_cast<size_t>(packetSize)),
          syncOffset_(packetSize == 192 ? 4 : 0), pid_(pid) {}

    bool ReadVideo(std::vector<uint8_t>& es) override {
        while (reader_.Ensure(packetSize_)) {
            const uint8_t* p = reader_.Data() + syncOffset_;
            if (p[0] != 0x47) {
                Resync();
                continue;
            }
            const int pid = ((p[1] & 0x1F) << 8) | p[2];
            const bool unitStart = (p[1] & 0x40) != 0;
            const int adaptation = (p[3] >> 4) & 3;
            size_t offset = 4;
            if (adaptation & 2)
                offset += 1 + size_t{p[4]};
            const size_t end = 188;
            const bool payload = (adaptation & 1) && offset < end;
            bool appended = false;
            if (payload && (pid_ < 0 || pid == pid_)) {
                const uint8_t* data = p + offset;
                size_t size = end - offset;
                if (unitStart) {
                    if (size >= 9 && IsStartCode(data) && data[3] >= 0xE0 && data[3] <= 0xEF) {
                        const size_t header = 9 + size_t{data[8]};
                        pid_ = pid;
                        started_ = header <= size;
                        data += std::min(header, size);
                        size -= std::min(header, size);
                    } else if (pid_ >= 0) {
                        started_ = false;
                    }
                }
                if (started_ && size > 0) {
                    es.insert(es.end(), data, data + size);
                    appended = true;
                }
            }
            reader_.Skip(packetSize_);
            if (appended)
                return true;
        }
        return false;
    }

private:
    void Resync() {
        const uint8_t* p = reader_.Data();
        const size_t n = reader_.Available();
        size_t i = 1;
        while (i + syncOffset_ + packetSize_ < n &&
               !(p[i + syncOffset_] == 0x47 && p[i + syncOffset_ + packetSize_] == 0x47))
            ++i;
        skipped_ += i;
        reader_.Skip(i);
    }

    ByteReader& reader_;
    size_t packetSize_;
    size_t syncOffset_;
    int pid_;
    bool started_ = false;
};

bool IsHeaderCode(uint8_t code) {
    return code == 0xB3 || code == 0xB8 || code == 0x00;
}

} // namespace

std::unique_ptr<VideoDemuxer> MakeDemuxer(const D2VFile& file, ByteReader& reader) {
    switch (file.streamType) {
    case StreamType::Elementary:
        return std::make_unique<ElementaryDemuxer>(reader);
    case StreamType::Program:
        return std::make_unique<ProgramDemuxer>(reader);
    case StreamType::Transport:
        return std::make_unique<TransportDemuxer>(reader, file.transportPacketSize, file.videoPid);
    case StreamType::Pva:
        break;
    }
    return nullptr;
}

bool PictureSplitter::Refill() {
    if (eof_)
        return false;
    if (!demuxer_.ReadVideo(es_))
        eof_ = true;
    return !eof_;
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
    if (seqStart_ != SIZE_MAX && seqEnd_ == SIZE_MAX && (code == 0xB8 || code == 0x00))
        seqEnd_ = at;
    if (code == 0xB3) {
        seqStart_ = at;
        seqEnd_ = SIZE_MAX;
        unit_.hasSequenceHeader = true;
        sequence_.width = (At(at + 4) << 4) | (At(at + 5) >> 4);
        sequence_.height = ((At(at + 5) & 0x0F) << 8) | At(at + 6);
        sequence_.frameRateCode = At(at + 7) & 0x0F;
        sequence_.mpeg2 = false;
        sequence_.progressiveSequence = true;
        sequence_.chromaFormat = 1;
    } else if (code == 0xB5) {
        const int id = At(at + 4) >> 4;
        if (id == 1) {
            sequence_.mpeg2 = true;
            sequence_.progressiveSequence = (At(at + 5) >> 3) & 1;
            sequence_.chromaFormat = (At(at + 5) >> 1) & 3;
        } else if (id == 8 && sawPicture_) {
            unit_.structure = At(at + 6) & 3;
            unit_.progressiveFrame = (At(at + 8) >> 7) != 0;
            if (unit_.structure == 0)
                unit_.structure = 3;
        }
    } else if (code == 0x00) {
        sawPicture_ = true;
        unit_.temporalReference = (At(at + 4) << 2) | (At(at + 5) >> 6);
        const int type = (At(at + 5) >> 3) & 7;
        unit_.type = type >= 1 && type <= 3 ? static_cast<PictureType>(type) : PictureType::Unknown;
    } else if (code >= 0x01 && code <= 0xAF && sawPicture_) {
        sawSlice_ = true;
    }
}

bool PictureSplitter::Next(CodedPicture& out) {
    while (ready_.empty()) {
        // Start codes are looked at with the 12 bytes after them, which every header field used fits in.
        size_t p = scan_;
        bool found = false;
        while (p + 3 <= es_.size()) {
            const uint8_t* q = static_cast<const uint8_t*>(std::memchr(es_.data() + p, 0, es_.size() - p));
            if (!q)
                break;
            p = static_cast<size_t>(q - es_.data());
            if (p + 3 > es_.size())
                break;
            if (es_[p + 1] == 0 && es_[p + 2] == 1) {
                found = true;
                break;
            }
            ++p;
        }
        if (!found || p + 12 > es_.size()) {
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
