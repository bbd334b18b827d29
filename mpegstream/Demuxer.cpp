#include "mpegstream/Demuxer.h"

#include "mpegstream/StartCodes.h"

#include <algorithm>
#include <vector>

namespace mpegstream {

namespace {

bool IsPrefix(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

bool IsVideoStreamId(uint8_t id) {
    return id >= 0xE0 && id <= 0xEF;
}

// Offset of the payload in a PES packet of which `size` bytes are at hand; 0 if the header is broken.
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

// The PES scrambling control bits of an MPEG-2 packet header.
bool PesScrambled(const uint8_t* p, size_t size) {
    return size > 6 && (p[6] & 0xC0) == 0x80 && (p[6] & 0x30) != 0;
}

class ElementaryDemuxer final : public Demuxer {
public:
    explicit ElementaryDemuxer(ByteReader& reader) : reader_(reader) {}
    bool Next(VideoPiece& piece) override {
        if (!reader_.Ensure(1))
            return false;
        piece = {reader_.Data(), reader_.Available(), reader_.Offset(), reader_.Offset()};
        reader_.Skip(piece.size);
        return true;
    }

private:
    ByteReader& reader_;
};

class ProgramDemuxer final : public Demuxer {
public:
    explicit ProgramDemuxer(ByteReader& reader) : reader_(reader) {}

    bool Next(VideoPiece& piece) override {
        while (reader_.Ensure(4)) {
            const uint8_t* p = reader_.Data();
            if (!IsPrefix(p) || p[3] < 0xB9) {
                Resync();
                continue;
            }
            const uint8_t code = p[3];
            if (code == 0xBA) {
                if (!PackHeader())
                    return false;
                continue;
            }
            if (code == 0xB9) { // program end
                reader_.Skip(4);
                continue;
            }
            if (!reader_.Ensure(6))
                return EndsInside();
            p = reader_.Data();
            const size_t size = 6 + (size_t{p[4]} << 8 | p[5]);
            if (IsVideoStreamId(code) && (videoId_ < 0 || code == videoId_) && size > 6) {
                if (Video(code, size, piece))
                    return true;
                continue;
            }
            if (code == 0xBF)
                Navigation(size);
            Pass(size);
        }
        return false;
    }

private:
    bool EndsInside() {
        if (reader_.Available() > 0 && reader_.InViewToEnd() && !reader_.Files().Failed())
            cutShort_ = true;
        return false;
    }

    // Passes over a whole packet, however far it reaches beyond what is in view.
    void Pass(uint64_t size) {
        if (reader_.Offset() + size > reader_.Files().TotalSize())
            cutShort_ = true;
        reader_.Skip(size);
    }

    bool PackHeader() {
        const uint64_t start = reader_.Offset();
        if (!reader_.Ensure(5))
            return EndsInside();
        const uint8_t marker = reader_.Data()[4];
        if ((marker >> 6) == 1) { // MPEG-2: 14 bytes and up to 7 of stuffing
            if (!reader_.Ensure(14))
                return EndsInside();
            Pass(14 + (reader_.Data()[13] & 7));
        } else if ((marker >> 4) == 2) { // MPEG-1
            Pass(12);
        } else {
            skipped_ += 4;
            reader_.Skip(4);
            return true;
        }
        pack_ = start;
        havePack_ = true;
        return true;
    }

    bool Video(uint8_t code, size_t size, VideoPiece& piece) {
        // A packet cut by the end of the stream still gives what it holds.
        if (!reader_.Ensure(size))
            EndsInside();
        const size_t have = std::min(size, reader_.Available());
        const uint8_t* p = reader_.Data();
        const size_t header = PesPayloadOffset(p, have);
        if (header == 0) {
            skipped_ += 4;
            reader_.Skip(4);
            return false;
        }
        if (PesScrambled(p, have))
            MarkScrambled(reader_.Offset());
        videoId_ = code;
        piece = {p + header, have - header, reader_.Offset() + header, havePack_ ? pack_ : reader_.Offset()};
        reader_.Skip(have);
        return piece.size > 0;
    }

    // A DVD's data search information: the VOB and cell numbers of what follows.
    void Navigation(size_t size) {
        constexpr size_t kNeeded = 6 + 29;
        if (size < kNeeded || !reader_.Ensure(kNeeded))
            return;
        const uint8_t* dsi = reader_.Data() + 6;
        if (dsi[0] != 0x01)
            return;
        vobId_ = dsi[25] << 8 | dsi[26];
        cellId_ = dsi[28];
    }

    // Passes over bytes up to the next start code of a pack or packet.
    void Resync() {
        const uint8_t* p = reader_.Data();
        const size_t n = reader_.Available();
        size_t skip = n - 2; // a prefix may begin in the last two bytes
        for (size_t from = 1; const uint8_t* q = FindStartCode(p + from, p + n);) {
            const size_t at = static_cast<size_t>(q - p);
            if (at + 3 >= n || p[at + 3] >= 0xB9) {
                skip = at;
                break;
            }
            from = at + 1;
        }
        skipped_ += skip;
        reader_.Skip(skip);
    }

    ByteReader& reader_;
    int videoId_ = -1;
    uint64_t pack_ = 0;
    bool havePack_ = false;
};

class TransportDemuxer final : public Demuxer {
public:
    TransportDemuxer(ByteReader& reader, int packetSize, int videoPid)
        : reader_(reader), size_(static_cast<size_t>(packetSize)), prefix_(packetSize == 192 ? 4 : 0),
          started_(videoPid >= 0) {
        // With the video PID known, a seek may land inside a PES packet: its payload is video.
        pids_.video = videoPid;
    }

    bool Next(VideoPiece& piece) override {
        while (reader_.Ensure(size_)) {
            const uint8_t* p = reader_.Data() + prefix_;
            if (p[0] != 0x47) {
                Resync();
                continue;
            }
            const bool video = Packet(p, piece);
            reader_.Skip(size_);
            if (video)
                return true;
        }
        if (reader_.Available() > 0 && reader_.InViewToEnd() && !reader_.Files().Failed())
            cutShort_ = true; // a torn last packet
        return false;
    }

private:
    bool Packet(const uint8_t* p, VideoPiece& piece) {
        const int pid = (p[1] & 0x1F) << 8 | p[2];
        if (p[1] & 0x80) { // the transmission flagged it as damaged
            if (pid == pids_.video)
                skipped_ += size_;
            return false;
        }
        const bool unitStart = (p[1] & 0x40) != 0;
        const int control = (p[3] >> 4) & 3;
        if (!(control & 1))
            return false; // no payload
        size_t offset = 4;
        if (control & 2)
            offset += 1 + size_t{p[4]};
        if (offset >= 188)
            return false;
        const uint8_t* payload = p + offset;
        size_t length = 188 - offset;
        if (pid == 0 || pid == pmtPid_) {
            Section(pid, payload, length, unitStart);
            return false;
        }
        if (pids_.video < 0 && unitStart && length >= 4 && IsPrefix(payload) && IsVideoStreamId(payload[3]))
            pids_.video = pid;
        if (pid != pids_.video)
            return false;
        if ((p[3] >> 6) != 0)
            MarkScrambled(reader_.Offset());
        if (unitStart) {
            started_ = false;
            if (length >= 9 && IsPrefix(payload) && IsVideoStreamId(payload[3])) {
                if (PesScrambled(payload, length))
                    MarkScrambled(reader_.Offset());
                const size_t header = 9 + size_t{payload[8]};
                started_ = header <= length;
                if (started_) {
                    payload += header;
                    length -= header;
                }
            }
        }
        if (!started_ || length == 0)
            return false;
        piece = {payload, length, reader_.Offset() + static_cast<uint64_t>(payload - reader_.Data()),
                 reader_.Offset()};
        return true;
    }

    // Program association and program map tables, as far as they name the streams' PIDs.
    void Section(int pid, const uint8_t* payload, size_t length, bool unitStart) {
        if (!unitStart || length < 1)
            return;
        const size_t pointer = payload[0];
        if (1 + pointer + 3 > length)
            return;
        const uint8_t* t = payload + 1 + pointer;
        const int available = static_cast<int>(length - 1 - pointer);
        const int sectionLength = (t[1] & 0x0F) << 8 | t[2];
        const int total = std::min(3 + sectionLength, available) - 4; // without the CRC
        if (pid == 0 && t[0] == 0x00) {
            for (int i = 8; i + 4 <= total; i += 4) {
                const int program = t[i] << 8 | t[i + 1];
                if (program != 0) {
                    pmtPid_ = (t[i + 2] & 0x1F) << 8 | t[i + 3];
                    break;
                }
            }
        } else if (pid == pmtPid_ && t[0] == 0x02 && total >= 12) {
            pids_.pcr = (t[8] & 0x1F) << 8 | t[9];
            const int infoLength = (t[10] & 0x0F) << 8 | t[11];
            for (int i = 12 + infoLength; i + 5 <= total;) {
                const int type = t[i];
                const int esPid = (t[i + 1] & 0x1F) << 8 | t[i + 2];
                const int esInfo = (t[i + 3] & 0x0F) << 8 | t[i + 4];
                if ((type == 0x01 || type == 0x02) && pids_.video < 0)
                    pids_.video = esPid;
                const bool audio =
                    type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11 || type == 0x81;
                if (audio && pids_.audio == 0)
                    pids_.audio = esPid;
                i += 5 + esInfo;
            }
        }
    }

    // Passes over bytes up to a sync byte followed by another one a packet later; the stream's
    // last packet has only its own.
    void Resync() {
        for (size_t first = 1;; first = 0) {
            const bool more = reader_.Ensure(2 * size_);
            const uint8_t* p = reader_.Data() + prefix_;
            const size_t n = reader_.Available();
            size_t i = first;
            bool found = false;
            for (; i + size_ <= n; ++i) {
                if (p[i] != 0x47)
                    continue;
                if (i + size_ + prefix_ < n) {
                    if (p[i + size_] == 0x47) {
                        found = true;
                        break;
                    }
                    continue;
                }
                found = !more;
                break; // the next sync byte is not in view yet: look again once it is
            }
            i = std::min(i, n);
            skipped_ += i;
            reader_.Skip(i);
            if (found || !more)
                return;
        }
    }

    ByteReader& reader_;
    const size_t size_;
    const size_t prefix_;
    int pmtPid_ = -1;
    bool started_;
};

} // namespace

bool DetectFormat(const uint8_t* data, size_t size, StreamFormat& format) {
    const struct {
        int size;
        int prefix;
    } layouts[] = {{188, 0}, {192, 4}, {204, 0}};
    for (const auto& layout : layouts) {
        bool synced = size >= static_cast<size_t>(layout.prefix + 4 * layout.size);
        for (int k = 0; synced && k < 4; ++k)
            synced = data[static_cast<size_t>(layout.prefix + k * layout.size)] == 0x47;
        if (synced) {
            format = {StreamType::Transport, layout.size, -1};
            return true;
        }
    }
    // Pack headers never occur in a video elementary stream, so any one means a program stream,
    // even when the data starts in the middle of a pack with a sequence header.
    bool sequence = false;
    bool packets = false;
    for (const uint8_t* q = FindStartCode(data, data + size); q && q + 3 < data + size;
         q = FindStartCode(q + 3, data + size)) {
        const uint8_t code = q[3];
        if (code == 0xBA) {
            format = {StreamType::Program, 188, -1};
            return true;
        }
        sequence = sequence || code == kSequenceHeaderCode;
        packets = packets || code == 0xBB || IsVideoStreamId(code);
    }
    if (!sequence && !packets)
        return false;
    format = {sequence ? StreamType::Elementary : StreamType::Program, 188, -1};
    return true;
}

std::unique_ptr<Demuxer> MakeDemuxer(const StreamFormat& format, ByteReader& reader) {
    switch (format.type) {
    case StreamType::Elementary:
        return std::make_unique<ElementaryDemuxer>(reader);
    case StreamType::Program:
        return std::make_unique<ProgramDemuxer>(reader);
    case StreamType::Transport:
        return std::make_unique<TransportDemuxer>(reader, format.packetSize, format.videoPid);
    }
    return nullptr;
}

} // namespace mpegstream
