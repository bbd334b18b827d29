#include "tools/D2VIndexer.h"

#include "tools/StreamReader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace d2vindex {

namespace {

constexpr int kTypeI = 1;
constexpr int kTypeP = 2;
constexpr int kTypeB = 3;
constexpr int kFramePicture = 3;

const char* const kAspectMpeg2[] = {"", "1:1", "4:3", "16:9", "2.21:1"};
const char* const kAspectMpeg1[] = {"",       "1:1",      "0.6735",  "16:9,625", "0.7615",
                                    "0.8055", "16:9,525", "0.8935",  "4:3,625",  "0.9815",
                                    "1.0255", "1.0695",   "4:3,525", "1.575",    "1.2015"};
const unsigned kRateNum[16] = {0, 24000, 24, 25, 30000, 30, 50, 60000, 60, 0, 0, 0, 0, 0, 0, 0};
const unsigned kRateDen[16] = {0, 1001, 1, 1, 1001, 1, 1, 1001, 1, 0, 0, 0, 0, 0, 0, 0};

std::string Format(const char* fmt, auto... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

class BitReader {
public:
    BitReader(const std::vector<uint8_t>& data) : data_(data) {}
    unsigned Get(int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i) {
            size_t byte = bit_ >> 3;
            unsigned b = byte < data_.size() ? (data_[byte] >> (7 - (bit_ & 7))) & 1u : 0u;
            v = (v << 1) | b;
            ++bit_;
        }
        return v;
    }
    void Skip(int n) { bit_ += static_cast<size_t>(n); }

private:
    const std::vector<uint8_t>& data_;
    size_t bit_ = 0;
};

// Where a start code begins: in its pack (program streams) and as a byte (elementary streams).
struct CodePosition {
    FilePosition unit;
    FilePosition byte;
};

// One coded frame as the index records it, in coded order.
struct Entry {
    bool gopStart = false;
    FilePosition position;
    int type = 0;
    int trf = 0; // top_field_first << 1 | repeat_first_field
    int progressiveFrame = 0;
    bool closed = false;
    bool progressiveSequence = false;
    int matrix = 5;
    int vobId = 0;
    int cellId = 0;
};

// What the first sequence header (and its extensions) say; it makes the settings section.
struct SequenceSummary {
    bool seen = false;
    bool mpeg2 = false;
    int width = 0;
    int height = 0;
    int aspect = 0;
    int rateCode = 0;
    int rateExtN = 0;
    int rateExtD = 0;
};

// Follows the video elementary stream's headers and builds one data line per I picture, the
// way the reference indexer lays them out: flags in display order, the GOP/closed/progressive
// bits, the position to seek to and the number of I pictures to pass over from there.
class LineBuilder {
public:
    explicit LineBuilder(bool elementary) : elementary_(elementary) {}

    void SetNavigation(int vobId, int cellId) {
        vobId_ = vobId;
        cellId_ = cellId;
    }

    void Feed(const uint8_t* data, size_t n, FilePosition unit, FilePosition first) {
        size_t i = 0;
        while (i < n) {
            // Fast path: nothing pending, jump to the next zero byte.
            if (!haveCode_ && collecting_ < 0 && zeros_ == 0) {
                const void* z = std::memchr(data + i, 0, n - i);
                if (!z)
                    return;
                i = static_cast<size_t>(static_cast<const uint8_t*>(z) - data);
            }
            const uint8_t b = data[i];
            const FilePosition here{first.file, first.offset + static_cast<int64_t>(i)};
            ++i;
            if (haveCode_) {
                haveCode_ = false;
                zeros_ = 0;
                OnStartCode(b, codeStart_);
                continue;
            }
            if (collecting_ >= 0) {
                header_.push_back(b);
                if (header_.size() >= cap_)
                    FinishHeader();
            }
            if (b == 0) {
                olderZero_ = lastZero_;
                lastZero_ = {unit, here};
                ++zeros_;
            } else if (b == 1 && zeros_ >= 2) {
                codeStart_ = olderZero_;
                haveCode_ = true;
                zeros_ = 0;
            } else {
                zeros_ = 0;
            }
        }
    }

    void Finish() {
        if (collecting_ >= 0)
            FinishHeader();
        // A picture header with no picture data after it cannot be decoded: it is not listed.
        pending_ = false;
        if (!entries_.empty())
            WriteLine(true);
    }

    const SequenceSummary& Summary() const { return summary_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    int Pictures() const { return pictures_; }

    // Share of film-like flag transitions, as the reference indexer reports it after FINISHED.
    double FilmPercent() const {
        long film = 0;
        long video = 0;
        // The last displayed picture is never compared, and the first only starts the count.
        for (size_t i = 1; i + 1 < displayTrf_.size(); ++i) {
            const int trf = displayTrf_[i];
            const int old = displayTrf_[i - 1];
            bool isFilm;
            if (displayProgressiveSequence_[i])
                isFilm = (trf == 3 && old == 1) || (trf == 1 && old == 3);
            else
                isFilm = (trf & 3) == ((old + 1) & 3);
            (isFilm ? film : video)++;
        }
        if (film + video == 0)
            video = 1;
        return film * 100.0 / static_cast<double>(film + video);
    }

private:
    void OnStartCode(uint8_t code, const CodePosition& where) {
        if (collecting_ >= 0)
            FinishHeader();
        if (code >= 0x01 && code <= 0xAF) {
            if (pending_)
                EmitPicture();
            return;
        }
        switch (code) {
        case 0x00:
            pending_ = false;
            Collect(code, 8, where);
            break;
        case 0xB3:
            Collect(code, 140, where);
            break;
        case 0xB5:
            Collect(code, 12, where);
            break;
        case 0xB8:
            Collect(code, 4, where);
            break;
        case 0xB7:
            pending_ = false;
            break;
        default:
            break;
        }
    }

    void Collect(int code, size_t cap, const CodePosition& where) {
        collecting_ = code;
        cap_ = cap;
        header_.clear();
        headerPos_ = where;
    }

    // A start code can straddle two packs: the index names the pack holding its first byte, so
    // that a reader seeking there sees the whole code. The file index is that pack's file too,
    // even when the I picture itself only starts in the next file.
    FilePosition IndexPosition(const CodePosition& where) const {
        return elementary_ ? where.byte : where.unit;
    }

    void FinishHeader() {
        const int code = collecting_;
        collecting_ = -1;
        BitReader bits(header_);
        switch (code) {
        case 0xB3: {
            width_ = static_cast<int>(bits.Get(12));
            height_ = static_cast<int>(bits.Get(12));
            aspect_ = static_cast<int>(bits.Get(4));
            rateCode_ = static_cast<int>(bits.Get(4));
            // MPEG-1 until a sequence extension says otherwise.
            mpeg2_ = false;
            progressiveSequence_ = true;
            rateExtN_ = rateExtD_ = 0;
            matrix_ = height_ > 576 ? 1 : 5;
            sequenceSeen_ = true;
            hadSequence_ = true;
            position_ = IndexPosition(headerPos_);
            UpdateSummary();
            break;
        }
        case 0xB5: {
            const unsigned id = bits.Get(4);
            if (id == 1) {
                bits.Skip(8); // profile and level
                progressiveSequence_ = bits.Get(1) != 0;
                bits.Skip(2); // chroma format
                width_ = (width_ & 0xFFF) | static_cast<int>(bits.Get(2) << 12);
                height_ = (height_ & 0xFFF) | static_cast<int>(bits.Get(2) << 12);
                bits.Skip(12 + 1 + 8 + 1); // bit rate extension, marker, vbv extension, low delay
                rateExtN_ = static_cast<int>(bits.Get(2));
                rateExtD_ = static_cast<int>(bits.Get(5));
                mpeg2_ = true;
                UpdateSummary();
            } else if (id == 2) {
                bits.Skip(3); // video format
                if (bits.Get(1)) {
                    bits.Skip(16); // colour primaries, transfer characteristics
                    matrix_ = static_cast<int>(bits.Get(8));
                }
            } else if (id == 8 && pending_) {
                bits.Skip(16 + 2); // f codes, intra dc precision
                picture_.structure = static_cast<int>(bits.Get(2));
                const unsigned tff = bits.Get(1);
                bits.Skip(5); // frame_pred_frame_dct .. alternate_scan
                const unsigned rff = bits.Get(1);
                bits.Skip(1); // chroma_420_type
                picture_.progressiveFrame = static_cast<int>(bits.Get(1));
                picture_.trf = static_cast<int>(tff << 1 | rff);
            }
            break;
        }
        case 0xB8:
            bits.Skip(25);
            closed_ = bits.Get(1) != 0;
            gopSeen_ = true;
            break;
        case 0x00: {
            if (!sequenceSeen_)
                break;     // nothing is decodable before the first sequence header
            bits.Skip(10); // temporal reference
            picture_ = {};
            picture_.type = static_cast<int>(bits.Get(3));
            if (picture_.type < kTypeI || picture_.type > kTypeB)
                break; // D pictures and reserved types are not indexed
            // MPEG-1 defaults; a picture coding extension overrides them.
            picture_.structure = kFramePicture;
            picture_.trf = 2;
            picture_.progressiveFrame = 1;
            // Seek to the sequence header that came with this picture, else to the I picture itself.
            if (picture_.type == kTypeI && !secondField_ && !hadSequence_)
                position_ = IndexPosition(headerPos_);
            hadSequence_ = false;
            pending_ = true;
            break;
        }
        default:
            break;
        }
    }

    void UpdateSummary() {
        if (summaryFinal_)
            return;
        summary_.seen = true;
        summary_.mpeg2 = mpeg2_;
        summary_.width = width_;
        summary_.height = height_;
        summary_.aspect = aspect_;
        summary_.rateCode = rateCode_;
        summary_.rateExtN = rateExtN_;
        summary_.rateExtD = rateExtD_;
    }

    void EmitPicture() {
        pending_ = false;
        summaryFinal_ = true;
        if (picture_.structure == kFramePicture && secondField_)
            secondField_ = false;
        if (picture_.type == kTypeI)
            started_ = true; // pictures before the first I picture cannot be decoded
        if (!started_)
            return;
        if (picture_.structure == kFramePicture || !secondField_) {
            if (picture_.type == kTypeI && !entries_.empty())
                WriteLine(false);
            Entry e;
            e.gopStart = gopSeen_ && picture_.type == kTypeI;
            e.position = position_;
            e.type = picture_.type;
            e.trf = picture_.trf;
            e.progressiveFrame = picture_.progressiveFrame;
            e.closed = closed_;
            e.progressiveSequence = progressiveSequence_;
            e.matrix = matrix_;
            e.vobId = vobId_;
            e.cellId = cellId_;
            entries_.push_back(e);
            ++pictures_;
            gopSeen_ = false;
        }
        if (picture_.structure != kFramePicture)
            secondField_ = !secondField_;
    }

    void WriteLine(bool finish) {
        const Entry& first = entries_.front();
        // Several I pictures found from one seek point: the reader passes over `skip` of them.
        // Positions are compared with their file, as equal offsets in two files are different places.
        int skip = 0;
        if (!linePositions_.empty()) {
            for (auto it = linePositions_.rbegin(); it != linePositions_.rend() && *it == first.position;
                 ++it)
                ++skip;
        }
        linePositions_.push_back(first.position);

        unsigned info = 0x800;
        if (first.gopStart)
            info |= 0x100;
        if (first.closed)
            info |= 0x400;
        if (first.progressiveSequence)
            info |= 0x200;
        std::string line =
            Format("%03x %d %d %lld %d %d %d", info, first.matrix, first.position.file,
                   static_cast<long long>(first.position.offset), skip, first.vobId, first.cellId);

        // Display order: B pictures stay where they are, each I/P waits for the next I/P.
        // Marked pictures decode without the previous line.
        std::vector<std::pair<int, const Entry*>> display;
        display.reserve(entries_.size());
        const Entry* ref = nullptr;
        int refFlags = 0;
        bool hadP = false;
        for (const Entry& e : entries_) {
            int flags = e.trf | e.type << 4 | e.progressiveFrame << 6;
            if (e.type == kTypeI || e.type == kTypeP) {
                flags |= 0x80;
                if (e.type == kTypeP) {
                    if (ref)
                        display.emplace_back(refFlags, ref);
                    hadP = true;
                }
                ref = &e;
                refFlags = flags;
            } else {
                if (hadP || e.closed)
                    flags |= 0x80;
                display.emplace_back(flags, &e);
            }
        }
        if (ref)
            display.emplace_back(refFlags, ref);
        for (const auto& [flags, e] : display) {
            line += Format(" %02x", flags);
            displayTrf_.push_back(flags & 3);
            displayProgressiveSequence_.push_back(e->progressiveSequence);
        }
        if (finish)
            line += " ff";
        lines_.push_back(std::move(line));
        entries_.clear();
    }

    struct Picture {
        int type = 0;
        int structure = kFramePicture;
        int trf = 2;
        int progressiveFrame = 1;
    };

    const bool elementary_;
    // start-code scanning
    int zeros_ = 0;
    bool haveCode_ = false;
    CodePosition lastZero_;
    CodePosition olderZero_;
    CodePosition codeStart_;
    // header being collected
    int collecting_ = -1;
    size_t cap_ = 0;
    std::vector<uint8_t> header_;
    CodePosition headerPos_;
    // stream state
    bool sequenceSeen_ = false;
    bool mpeg2_ = false;
    bool progressiveSequence_ = true;
    int width_ = 0;
    int height_ = 0;
    int aspect_ = 0;
    int rateCode_ = 0;
    int rateExtN_ = 0;
    int rateExtD_ = 0;
    int matrix_ = 5;
    bool closed_ = false;
    bool gopSeen_ = false;
    bool hadSequence_ = false;
    FilePosition position_;
    int vobId_ = 0;
    int cellId_ = 0;
    Picture picture_;
    bool pending_ = false;
    bool secondField_ = false;
    bool started_ = false;
    SequenceSummary summary_;
    bool summaryFinal_ = false;
    // output
    std::vector<Entry> entries_;
    std::vector<FilePosition> linePositions_;
    std::vector<std::string> lines_;
    std::vector<int> displayTrf_;
    std::vector<bool> displayProgressiveSequence_;
    int pictures_ = 0;
};

enum class StreamKind { Program, Elementary, Unknown, Transport };

struct Detected {
    StreamKind kind = StreamKind::Unknown;
    int packetSize = 188; // transport streams
    int syncOffset = 0;   // 4 when each packet carries a 4-byte time stamp before its sync byte
};

Detected DetectKind(const std::string& path) {
    Detected d;
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (!fp)
        return d;
    std::vector<uint8_t> buf(1 << 20);
    const size_t n = std::fread(buf.data(), 1, buf.size(), fp);
    std::fclose(fp);
    buf.resize(n);
    const struct {
        int size;
        int offset;
    } layouts[] = {{188, 0}, {192, 4}, {204, 0}};
    for (const auto& layout : layouts) {
        bool synced = n >= static_cast<size_t>(layout.offset + 4 * layout.size);
        for (int k = 0; synced && k < 4; ++k)
            synced = buf[static_cast<size_t>(layout.offset + k * layout.size)] == 0x47;
        if (synced) {
            d.kind = StreamKind::Transport;
            d.packetSize = layout.size;
            d.syncOffset = layout.offset;
            return d;
        }
    }
    // Pack headers never occur in a video elementary stream, so any one means a program stream,
    // even when the file starts in the middle of a pack with a sequence header.
    bool sequence = false;
    bool packets = false;
    for (size_t i = 0; i + 3 < n; ++i) {
        if (buf[i] != 0 || buf[i + 1] != 0 || buf[i + 2] != 1)
            continue;
        const uint8_t code = buf[i + 3];
        if (code == 0xBA) {
            d.kind = StreamKind::Program;
            return d;
        }
        sequence = sequence || code == 0xB3;
        packets = packets || code == 0xBB || (code >= 0xE0 && code <= 0xEF);
    }
    if (sequence)
        d.kind = StreamKind::Elementary;
    else if (packets)
        d.kind = StreamKind::Program;
    return d;
}

// Follows the video PID of an MPEG transport stream; the index points at the packet (or at its
// time stamp prefix) in which a header starts.
class TransportDemuxer {
public:
    TransportDemuxer(ConcatenatedReader& reader, LineBuilder& lines, const ProgressFn& progress,
                     const Detected& layout)
        : r_(reader), lines_(lines), progress_(progress), size_(layout.packetSize),
          syncOffset_(layout.syncOffset) {}

    void Run() {
        std::vector<uint8_t> packet(static_cast<size_t>(size_));
        for (;;) {
            const uint8_t* data = nullptr;
            FilePosition where;
            size_t got = r_.Span(data, static_cast<size_t>(size_), &where);
            if (got == 0)
                return;
            std::memcpy(packet.data(), data, got);
            while (got < packet.size()) {
                const size_t more = r_.Span(data, packet.size() - got);
                if (more == 0)
                    return; // a torn last packet
                std::memcpy(packet.data() + got, data, more);
                got += more;
            }
            const uint8_t* p = packet.data() + syncOffset_;
            if (p[0] != 0x47) {
                if (!Resync())
                    return;
                continue;
            }
            Packet(p, where);
            if (progress_ && r_.Consumed() - lastReport_ >= (4 << 20)) {
                lastReport_ = r_.Consumed();
                progress_(lastReport_, r_.TotalSize());
            }
        }
    }

    int VideoPid() const { return videoPid_; }
    int AudioPid() const { return audioPid_; }
    int PcrPid() const { return pcrPid_; }
    int PacketSize() const { return size_; }

private:
    // Skips to the next sync byte that starts a run of packets.
    bool Resync() {
        for (;;) {
            const int b = r_.Get();
            if (b < 0)
                return false;
            if (b == 0x47) {
                // Step back to the start of this packet, time stamp prefix included.
                if (!r_.Skip(size_ - 1 - syncOffset_))
                    return false;
                return true;
            }
        }
    }

    void Packet(const uint8_t* p, const FilePosition& where) {
        if (p[1] & 0x80)
            return; // transport error
        const bool unitStart = (p[1] & 0x40) != 0;
        const int pid = (p[1] & 0x1F) << 8 | p[2];
        const int control = (p[3] >> 4) & 3;
        if (!(control & 1))
            return; // no payload
        int offset = 4;
        if (control & 2)
            offset += 1 + p[4];
        const int end = 188;
        if (offset >= end)
            return;
        const uint8_t* payload = p + offset;
        int length = end - offset;
        if (pid == 0 || pid == pmtPid_) {
            Section(pid, payload, length, unitStart);
            return;
        }
        if (videoPid_ < 0 && unitStart && length >= 4 && payload[0] == 0 && payload[1] == 0 &&
            payload[2] == 1 && payload[3] >= 0xE0 && payload[3] <= 0xEF)
            videoPid_ = pid;
        if (pid != videoPid_)
            return;
        if (unitStart) {
            // PES header: start code, stream id, length, then MPEG-2 flags and header length.
            if (length < 9 || payload[0] != 0 || payload[1] != 0 || payload[2] != 1)
                return;
            const int skip = 9 + payload[8];
            if (skip > length)
                return;
            payload += skip;
            length -= skip;
        }
        FilePosition first = where;
        first.offset += (payload - p) + syncOffset_;
        lines_.Feed(payload, static_cast<size_t>(length), where, first);
    }

    // Program association and program map tables, as far as they name the streams' PIDs.
    void Section(int pid, const uint8_t* payload, int length, bool unitStart) {
        if (!unitStart || length < 1)
            return;
        const int pointer = payload[0];
        if (1 + pointer + 3 > length)
            return;
        const uint8_t* t = payload + 1 + pointer;
        const int available = length - 1 - pointer;
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
            pcrPid_ = (t[8] & 0x1F) << 8 | t[9];
            const int infoLength = (t[10] & 0x0F) << 8 | t[11];
            for (int i = 12 + infoLength; i + 5 <= total;) {
                const int type = t[i];
                const int esPid = (t[i + 1] & 0x1F) << 8 | t[i + 2];
                const int esInfo = (t[i + 3] & 0x0F) << 8 | t[i + 4];
                if ((type == 0x01 || type == 0x02) && videoPid_ < 0)
                    videoPid_ = esPid;
                const bool audio =
                    type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11 || type == 0x81;
                if (audio && audioPid_ == 0)
                    audioPid_ = esPid;
                i += 5 + esInfo;
            }
        }
    }

    ConcatenatedReader& r_;
    LineBuilder& lines_;
    const ProgressFn& progress_;
    const int size_;
    const int syncOffset_;
    int pmtPid_ = -1;
    int videoPid_ = -1;
    int audioPid_ = 0;
    int pcrPid_ = 0;
    int64_t lastReport_ = 0;
};

class ProgramDemuxer {
public:
    ProgramDemuxer(ConcatenatedReader& reader, LineBuilder& lines, const ProgressFn& progress)
        : r_(reader), lines_(lines), progress_(progress) {}

    void Run() {
        uint32_t sync = 0xFFFFFFFF;
        FilePosition ring[4];
        unsigned k = 0;
        for (;;) {
            const int b = r_.Get();
            if (b < 0)
                return;
            ring[k++ & 3] = r_.LastPos();
            sync = sync << 8 | static_cast<uint32_t>(b);
            if ((sync & 0xFFFFFF00u) != 0x00000100u)
                continue;
            const int code = b;
            const FilePosition codeStart = ring[(k - 4) & 3];
            sync = 0xFFFFFFFF;
            if (code == 0xBA) {
                packPos_ = codeStart;
                if (!SkipPackHeader())
                    return;
                Report();
            } else if (code >= 0xBB) {
                if (!Packet(code))
                    return;
            }
            // Anything else between packets is damage: scanning resumes at the next start code.
        }
    }

private:
    bool SkipPackHeader() {
        const int b4 = r_.Get();
        if (b4 < 0)
            return false;
        if ((b4 & 0xC0) == 0x40) {
            if (!r_.Skip(8))
                return false;
            const int b13 = r_.Get();
            if (b13 < 0)
                return false;
            return r_.Skip(b13 & 7);
        }
        if ((b4 & 0xF0) == 0x20)
            return r_.Skip(7);
        return true;
    }

    bool Packet(int code) {
        const int hi = r_.Get();
        const int lo = r_.Get();
        if (hi < 0 || lo < 0)
            return false;
        int remaining = hi << 8 | lo;
        if (code >= 0xE0 && code <= 0xEF) {
            if (videoId_ < 0)
                videoId_ = code;
            if (code == videoId_)
                return VideoPayload(remaining);
        }
        if (code == 0xBF && remaining >= 29) {
            std::vector<uint8_t> nav(static_cast<size_t>(remaining));
            for (auto& v : nav) {
                const int c = r_.Get();
                if (c < 0)
                    return false;
                v = static_cast<uint8_t>(c);
            }
            if (nav[0] == 0x01) // data search information: VOB and cell numbers
                lines_.SetNavigation(nav[25] << 8 | nav[26], nav[28]);
            return true;
        }
        return r_.Skip(remaining);
    }

    bool VideoPayload(int remaining) {
        auto get = [&]() {
            --remaining;
            return r_.Get();
        };
        int c = get();
        if (c < 0)
            return false;
        if ((c & 0xC0) == 0x80) {
            get();
            const int headerLength = get();
            if (headerLength < 0)
                return false;
            remaining -= headerLength;
            if (!r_.Skip(headerLength))
                return false;
        } else {
            // MPEG-1 packet header: stuffing, optional buffer size, then time stamps.
            for (int stuffing = 0; c == 0xFF && stuffing < 16; ++stuffing)
                c = get();
            if ((c & 0xC0) == 0x40) {
                get();
                c = get();
            }
            if ((c & 0xF0) == 0x20) {
                remaining -= 4;
                if (!r_.Skip(4))
                    return false;
            } else if ((c & 0xF0) == 0x30) {
                remaining -= 9;
                if (!r_.Skip(9))
                    return false;
            }
            if (c < 0)
                return false;
        }
        while (remaining > 0) {
            const uint8_t* data = nullptr;
            FilePosition where;
            const size_t n = r_.Span(data, static_cast<size_t>(remaining), &where);
            if (n == 0)
                return false;
            lines_.Feed(data, n, packPos_, where);
            remaining -= static_cast<int>(n);
        }
        return true;
    }

    void Report() {
        if (progress_ && r_.Consumed() - lastReport_ >= (4 << 20)) {
            lastReport_ = r_.Consumed();
            progress_(lastReport_, r_.TotalSize());
        }
    }

    ConcatenatedReader& r_;
    LineBuilder& lines_;
    const ProgressFn& progress_;
    FilePosition packPos_;
    int videoId_ = -1;
    int64_t lastReport_ = 0;
};

std::string SettingsAndData(const LineBuilder& lines, const ConcatenatedReader& reader, StreamKind kind,
                            const TransportDemuxer* transport, const IndexOptions& options) {
    const SequenceSummary& s = lines.Summary();
    std::string out;
    out += Format("\nStream_Type=%d\n", kind == StreamKind::Program     ? 1
                                        : kind == StreamKind::Transport ? 2
                                                                        : 0);
    if (transport) {
        out += Format("MPEG2_Transport_PID=%x,%x,%x\n", transport->VideoPid(), transport->AudioPid(),
                      transport->PcrPid());
        out += Format("Transport_Packet_Size=%d\n", transport->PacketSize());
    }
    out += Format("MPEG_Type=%d\n", s.mpeg2 ? 2 : 1);
    out += "iDCT_Algorithm=6\n";
    out += "YUVRGB_Scale=1\n";
    out += "Luminance_Filter=0,0\n";
    out += "Clipping=0,0,0,0\n";
    // Reserved aspect codes have no name: the value is left empty rather than invented.
    const char* aspect = "";
    if (s.mpeg2 && s.aspect >= 0 && s.aspect < 5)
        aspect = kAspectMpeg2[s.aspect];
    else if (!s.mpeg2 && s.aspect >= 0 && s.aspect < 15)
        aspect = kAspectMpeg1[s.aspect];
    out += Format("Aspect_Ratio=%s\n", aspect);
    out += Format("Picture_Size=%dx%d\n", s.width, s.height);
    out += Format("Field_Operation=%d\n", options.fieldOperation);
    unsigned num = kRateNum[s.rateCode & 15];
    unsigned den = kRateDen[s.rateCode & 15];
    if (s.mpeg2) {
        num *= static_cast<unsigned>(s.rateExtN + 1);
        den *= static_cast<unsigned>(s.rateExtD + 1);
    }
    const FrameRateLine rate = MakeFrameRateLine(num, den, options.fieldOperation);
    out += Format("Frame_Rate=%d (%u/%u)\n", rate.rate, rate.num, rate.den);
    const int last = reader.FileCount() - 1;
    out += Format("Location=0,0,%d,%llx\n\n", last,
                  static_cast<unsigned long long>(reader.FileSize(last) / 2048));
    for (const std::string& line : lines.Lines()) {
        out += line;
        out += '\n';
    }
    const double film = lines.FilmPercent();
    if (film >= 50.0)
        out += Format("\nFINISHED  %.2f%% FILM\n", film);
    else
        out += Format("\nFINISHED  %.2f%% VIDEO\n", 100.0 - film);
    return out;
}

} // namespace

FrameRateLine MakeFrameRateLine(unsigned num, unsigned den, int fieldOperation) {
    FrameRateLine line;
    if (den == 0 || num == 0)
        return line;
    double rate = static_cast<double>(num) / den;
    line.num = num;
    line.den = den;
    if (fieldOperation == 1) {
        // Force film keeps four frames of five.
        rate *= 0.8;
        if (std::fabs(rate - 23.976) < 0.001) {
            line.num = 24000;
            line.den = 1001;
        } else {
            line.num = static_cast<unsigned>(1000 * rate);
            line.den = 1000;
        }
    }
    line.rate = static_cast<int>(rate * 1000);
    return line;
}

std::string RelativePath(const std::string& target, const std::string& baseDir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path absTarget = fs::absolute(target, ec).lexically_normal();
    if (ec)
        return target;
    const fs::path absBase = fs::absolute(baseDir.empty() ? "." : baseDir, ec).lexically_normal();
    if (ec)
        return absTarget.generic_string();
    const fs::path rel = absTarget.lexically_relative(absBase);
    if (rel.empty())
        return absTarget.generic_string();
    return rel.generic_string();
}

bool BuildIndex(const std::vector<std::string>& inputs, const std::string& d2vPath,
                const IndexOptions& options, std::string& text, std::string& error,
                const ProgressFn& progress) {
    if (options.fieldOperation < 0 || options.fieldOperation > 2) {
        error = "the field operation must be 0, 1 or 2";
        return false;
    }
    ConcatenatedReader reader;
    if (!reader.Open(inputs, error))
        return false;
    const Detected detected = DetectKind(inputs.front());
    const StreamKind kind = detected.kind;
    if (kind == StreamKind::Unknown) {
        error = "'" + inputs.front() + "' is not an MPEG-1/2 program, transport or video elementary stream";
        return false;
    }

    LineBuilder lines(kind == StreamKind::Elementary);
    std::unique_ptr<TransportDemuxer> transport;
    if (kind == StreamKind::Program) {
        ProgramDemuxer demuxer(reader, lines, progress);
        demuxer.Run();
    } else if (kind == StreamKind::Transport) {
        transport = std::make_unique<TransportDemuxer>(reader, lines, progress, detected);
        transport->Run();
    } else {
        int64_t lastReport = 0;
        for (;;) {
            const uint8_t* data = nullptr;
            FilePosition where;
            const size_t n = reader.Span(data, 1 << 20, &where);
            if (n == 0)
                break;
            lines.Feed(data, n, where, where);
            if (progress && reader.Consumed() - lastReport >= (4 << 20)) {
                lastReport = reader.Consumed();
                progress(lastReport, reader.TotalSize());
            }
        }
    }
    if (!reader.Failure().empty()) {
        error = reader.Failure();
        return false;
    }
    lines.Finish();
    if (progress)
        progress(reader.TotalSize(), reader.TotalSize());
    if (!lines.Summary().seen) {
        error = "no MPEG-1/2 video sequence header found in '" + inputs.front() + "'";
        return false;
    }
    if (lines.Lines().empty()) {
        error = "no decodable I picture found in '" + inputs.front() + "'";
        return false;
    }

    namespace fs = std::filesystem;
    const std::string d2vDir = fs::path(d2vPath).parent_path().string();
    text = "DGIndexProjectFile16\n";
    text += std::to_string(inputs.size()) + "\n";
    for (const std::string& input : inputs) {
        std::error_code ec;
        text += options.fullPaths ? fs::absolute(input, ec).lexically_normal().generic_string()
                                  : RelativePath(input, d2vDir);
        text += '\n';
    }
    text += SettingsAndData(lines, reader, kind, transport.get(), options);
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(path).parent_path();
    if (dir.empty())
        dir = ".";
    std::string name = ".";
    name += fs::path(path).filename().string();
    name += ".XXXXXX";
    std::string temp = (dir / name).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    size_t written = 0;
    int failure = 0; // errno of the first step that failed
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failure = errno;
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    // mkstemp creates the file private; an index is an ordinary document.
    if (!failure) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(temp.c_str(), 0666 & ~mask);
    }
    if (!failure && std::rename(temp.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure) {
        error = "cannot write '" + path + "': " + std::strerror(failure);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace d2vindex
