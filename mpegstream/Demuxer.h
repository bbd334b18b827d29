#pragma once

#include "mpegstream/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mpegstream {

enum class StreamType { Elementary, Program, Transport };

struct StreamFormat {
    StreamType type = StreamType::Program;
    int packetSize = 188; // transport streams: 188, 192 (a 4-byte time stamp before each packet) or 204
    int videoPid = -1;    // transport streams: -1 follows the first video stream met
};

// Recognises a stream from its first bytes; false when it is none of the three kinds.
bool DetectFormat(const uint8_t* data, size_t size, StreamFormat& format);

// A piece of the video elementary stream, as it lies in one packet.
struct VideoPiece {
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint64_t offset = 0; // stream offset of data[0]
    // Stream offset of the container unit holding data[0], where a reader seeks to find it again:
    // the last pack header (program streams), the packet with its time stamp prefix (transport
    // streams); in an elementary stream, where every byte is a place to seek to, the piece's start.
    uint64_t unit = 0;
};

// Program identifiers a transport stream's tables name (0 when none was found).
struct TransportPids {
    int video = -1;
    int audio = 0;
    int pcr = 0;
};

// Pulls the video elementary stream out of its container. Data that is no packet of the
// container is passed over up to the next point of synchronisation: in a program stream the next
// start code of a pack or packet, in a transport stream a sync byte followed by another one a
// packet later (the last packet of the stream: its own sync byte).
class Demuxer {
public:
    virtual ~Demuxer() = default;
    // The next piece of video, valid until the next call; false at the end of the stream, on a
    // read failure (see the reader's files) and once the reader's budget is spent.
    virtual bool Next(VideoPiece& piece) = 0;

    // Bytes passed over in search of the next packet, and packets flagged as damaged: lost data.
    uint64_t SkippedBytes() const { return skipped_; }
    // A video packet marked as scrambled (an encrypted disc) was met; the first one's offset.
    bool Scrambled() const { return scrambled_; }
    uint64_t ScrambledAt() const { return scrambledAt_; }
    // The stream ended inside a packet: it was cut short.
    bool CutShort() const { return cutShort_; }
    // DVD navigation: the VOB and cell numbers of the last navigation pack met.
    int VobId() const { return vobId_; }
    int CellId() const { return cellId_; }
    const TransportPids& Pids() const { return pids_; }

protected:
    void MarkScrambled(uint64_t at) {
        if (!scrambled_)
            scrambledAt_ = at;
        scrambled_ = true;
    }

    uint64_t skipped_ = 0;
    bool scrambled_ = false;
    uint64_t scrambledAt_ = 0;
    bool cutShort_ = false;
    int vobId_ = 0;
    int cellId_ = 0;
    TransportPids pids_;
};

std::unique_ptr<Demuxer> MakeDemuxer(const StreamFormat& format, ByteReader& reader);

} // namespace mpegstream
