#pragma once

#include "mpegstream/Headers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace mpegstream {

// The first start code prefix (00 00 01) lying wholly in [from, end), or nullptr.
const uint8_t* FindStartCode(const uint8_t* from, const uint8_t* end);

struct StartCode {
    uint8_t code = 0;
    uint64_t offset = 0;             // stream offset of its first byte
    uint64_t unit = 0;               // stream offset of the container unit holding that byte
    const uint8_t* header = nullptr; // the kHeaderBytes bytes after it, zeros past the end of the stream
};

// Finds the start codes of a video elementary stream handed over in pieces (packet payloads, as a
// demultiplexer gives them) and hands each over once the bytes after it have arrived: a code and
// its header may straddle any number of pieces, files and packets. A start code's last byte never
// begins the next one.
class StartCodeScanner {
public:
    template <typename OnCode>
    void Feed(const uint8_t* data, size_t size, uint64_t offset, uint64_t unit, OnCode&& onCode);
    // Hands over the codes still waiting for header bytes, the missing ones as zeros.
    template <typename OnCode> void Finish(OnCode&& onCode);

private:
    struct Byte {
        uint8_t value = 0xFF;
        uint64_t offset = 0;
        uint64_t unit = 0;
    };
    struct Pending {
        uint8_t code = 0;
        uint64_t offset = 0;
        uint64_t unit = 0;
        uint8_t header[kHeaderBytes] = {};
        size_t have = 0;
    };
    template <typename OnCode>
    void Found(uint8_t code, uint64_t offset, uint64_t unit, const uint8_t* after, size_t available,
               OnCode& onCode);

    Byte last_[3];            // the last three bytes before the piece, oldest first
    uint64_t prefixFrom_ = 0; // no prefix starts before this offset (the byte after the last code)
    Pending pending_[4];      // codes near the end of a piece, in stream order
    size_t pendingCount_ = 0;
};

template <typename OnCode>
void StartCodeScanner::Found(uint8_t code, uint64_t offset, uint64_t unit, const uint8_t* after,
                             size_t available, OnCode& onCode) {
    if (available >= kHeaderBytes) {
        // Codes still waiting lie before this one and would have been completed by these bytes.
        onCode(StartCode{code, offset, unit, after});
        return;
    }
    if (pendingCount_ == std::size(pending_)) // cannot happen: codes are four bytes apart at least
        return;
    Pending& p = pending_[pendingCount_++];
    p = Pending{};
    p.code = code;
    p.offset = offset;
    p.unit = unit;
    std::memcpy(p.header, after, available);
    p.have = available;
}

template <typename OnCode>
void StartCodeScanner::Feed(const uint8_t* data, size_t size, uint64_t offset, uint64_t unit,
                            OnCode&& onCode) {
    if (size == 0)
        return;
    // Header bytes owed to codes met before; the earliest completes first.
    size_t done = 0;
    for (size_t k = 0; k < pendingCount_; ++k) {
        Pending& p = pending_[k];
        const size_t take = std::min(kHeaderBytes - p.have, size);
        std::memcpy(p.header + p.have, data, take);
        p.have += take;
        if (p.have == kHeaderBytes && done == k) {
            onCode(StartCode{p.code, p.offset, p.unit, p.header});
            ++done;
        }
    }
    std::copy(pending_ + done, pending_ + pendingCount_, pending_);
    pendingCount_ -= done;

    // Codes whose prefix began in earlier pieces: their last byte is one of the first three here.
    size_t from = 0;
    for (size_t k = 0; k < 3 && k < size; ++k) {
        auto at = [&](size_t i) { return i < 3 ? last_[i].value : data[i - 3]; };
        if (last_[k].offset < prefixFrom_ || at(k) != 0 || at(k + 1) != 0 || at(k + 2) != 1)
            continue;
        Found(data[k], last_[k].offset, last_[k].unit, data + k + 1, size - k - 1, onCode);
        prefixFrom_ = offset + k + 1;
        from = k + 1;
    }
    if (prefixFrom_ > offset)
        from = std::max<size_t>(from, static_cast<size_t>(std::min<uint64_t>(prefixFrom_ - offset, size)));

    // Codes wholly in this piece; a prefix at its very end is found with the next piece.
    while (from + 3 < size) {
        const uint8_t* q = FindStartCode(data + from, data + size - 1);
        if (!q)
            break;
        const size_t at = static_cast<size_t>(q - data);
        Found(data[at + 3], offset + at, unit, data + at + 4, size - at - 4, onCode);
        from = at + 4;
        prefixFrom_ = offset + from;
    }

    const size_t keep = std::min<size_t>(size, 3);
    std::copy(last_ + keep, last_ + 3, last_);
    for (size_t i = 0; i < keep; ++i) {
        const size_t index = size - keep + i;
        last_[3 - keep + i] = Byte{data[index], offset + index, unit};
    }
}

template <typename OnCode> void StartCodeScanner::Finish(OnCode&& onCode) {
    for (size_t k = 0; k < pendingCount_; ++k)
        onCode(StartCode{pending_[k].code, pending_[k].offset, pending_[k].unit, pending_[k].header});
    pendingCount_ = 0;
}

} // namespace mpegstream
