#include "indexer/IndexLines.h"

#include <cstdio>
#include <utility>

namespace indexer {

namespace {

constexpr int kTypeI = static_cast<int>(mpegstream::CodingType::I);
constexpr int kTypeP = static_cast<int>(mpegstream::CodingType::P);
constexpr int kTypeB = static_cast<int>(mpegstream::CodingType::B);

} // namespace

void LineBuilder::OnStartCode(const mpegstream::StartCode& code) {
    using namespace mpegstream;
    const uint8_t* h = code.header;
    if (IsSliceCode(code.code)) {
        if (pending_)
            EmitPicture();
        return;
    }
    switch (code.code) {
    case kSequenceHeaderCode: {
        const SequenceHeader s = ReadSequenceHeader(h);
        width_ = s.width;
        height_ = s.height;
        aspect_ = s.aspectCode;
        rateCode_ = s.frameRateCode;
        // MPEG-1 until a sequence extension says otherwise.
        mpeg2_ = false;
        progressiveSequence_ = true;
        rateExtN_ = rateExtD_ = 0;
        matrix_ = height_ > 576 ? 1 : 5;
        sequenceSeen_ = true;
        hadSequence_ = true;
        position_ = SeekPoint(code);
        UpdateSummary();
        break;
    }
    case kExtensionStartCode: {
        const int id = ReadExtensionId(h);
        if (id == static_cast<int>(ExtensionId::Sequence)) {
            const SequenceExtension e = ReadSequenceExtension(h);
            progressiveSequence_ = e.progressiveSequence;
            width_ = (width_ & 0xFFF) | e.widthExtension << 12;
            height_ = (height_ & 0xFFF) | e.heightExtension << 12;
            rateExtN_ = e.frameRateExtensionN;
            rateExtD_ = e.frameRateExtensionD;
            mpeg2_ = true;
            UpdateSummary();
        } else if (id == static_cast<int>(ExtensionId::SequenceDisplay)) {
            const int matrix = ReadMatrixCoefficients(h);
            if (matrix >= 0)
                matrix_ = matrix;
        } else if (id == static_cast<int>(ExtensionId::PictureCoding) && pending_) {
            const PictureCodingExtension e = ReadPictureCodingExtension(h);
            picture_.structure = e.structure;
            picture_.progressiveFrame = e.progressiveFrame;
            picture_.trf = e.topFieldFirst << 1 | e.repeatFirstField;
        }
        break;
    }
    case kGroupStartCode:
        closed_ = ReadClosedGop(h);
        gopSeen_ = true;
        break;
    case kPictureStartCode: {
        pending_ = false;
        if (!sequenceSeen_)
            break; // nothing is decodable before the first sequence header
        picture_ = {};
        picture_.type = ReadPictureHeader(h).codingType;
        if (picture_.type < kTypeI || picture_.type > kTypeB)
            break; // D pictures and reserved types are not indexed
        // Seek to the sequence header that came with this picture, else to the I picture itself.
        if (picture_.type == kTypeI && !secondField_ && !hadSequence_)
            position_ = SeekPoint(code);
        hadSequence_ = false;
        pending_ = true;
        break;
    }
    case kSequenceEndCode:
        pending_ = false;
        break;
    default:
        break;
    }
}

void LineBuilder::Finish() {
    // A picture header with no picture data after it cannot be decoded: it is not listed.
    pending_ = false;
    if (!entries_.empty())
        WriteLine(true);
}

void LineBuilder::UpdateSummary() {
    if (summaryFinal_)
        return;
    summary_ = {true, mpeg2_, width_, height_, aspect_, rateCode_, rateExtN_, rateExtD_};
}

void LineBuilder::EmitPicture() {
    pending_ = false;
    summaryFinal_ = true;
    const bool frame = picture_.structure == mpegstream::kFramePicture;
    if (frame && secondField_)
        secondField_ = false;
    if (picture_.type == kTypeI)
        started_ = true; // pictures before the first I picture cannot be decoded
    if (!started_)
        return;
    if (frame || !secondField_) {
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
    if (!frame)
        secondField_ = !secondField_;
}

void LineBuilder::WriteLine(bool finish) {
    const Entry& first = entries_.front();
    // Several I pictures found from one seek point: the reader passes over `skip` of them.
    if (first.position == lastLinePosition_) {
        ++linesAtLastPosition_;
    } else {
        lastLinePosition_ = first.position;
        linesAtLastPosition_ = 1;
    }
    const int skip = linesAtLastPosition_ - 1;

    unsigned info = 0x800;
    if (first.gopStart)
        info |= 0x100;
    if (first.closed)
        info |= 0x400;
    if (first.progressiveSequence)
        info |= 0x200;
    const mpegstream::FilePosition where = files_.PositionOf(first.position);
    char text[128];
    std::snprintf(text, sizeof text, "%03x %d %d %lld %d %d %d", info, first.matrix, where.file,
                  static_cast<long long>(where.offset), skip, first.vobId, first.cellId);
    std::string line = text;

    // Display order: B pictures stay where they are, each I/P waits for the next I/P.
    // Marked pictures decode without the previous line.
    std::vector<int> display;
    display.reserve(entries_.size());
    bool haveRef = false;
    int refFlags = 0;
    bool hadP = false;
    for (const Entry& e : entries_) {
        int flags = e.trf | e.type << 4 | e.progressiveFrame << 6;
        if (e.type == kTypeI || e.type == kTypeP) {
            flags |= 0x80;
            if (e.type == kTypeP) {
                if (haveRef)
                    display.push_back(refFlags);
                hadP = true;
            }
            haveRef = true;
            refFlags = flags;
        } else {
            if (hadP || e.closed)
                flags |= 0x80;
            display.push_back(flags);
        }
    }
    if (haveRef)
        display.push_back(refFlags);
    // The film share is counted as a reader of the index counts it: by the line's progressive bit.
    for (int flags : display) {
        std::snprintf(text, sizeof text, " %02x", flags);
        line += text;
        cadence_.Add(flags & 3, first.progressiveSequence);
    }
    if (finish)
        line += " ff";
    lines_.push_back(std::move(line));
    entries_.clear();
}

} // namespace indexer
