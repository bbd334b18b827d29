#include "decoder/IndexCheck.h"

#include "decoder/VideoStream.h"
#include "mpegstream/ByteReader.h"
#include "mpegstream/StartCodes.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace d2v {

namespace {

// Bytes read beyond what the index gives the line before it is given up on.
constexpr uint64_t kReadMargin = 16ull * 1024 * 1024;
// Read a little at a time: the check stops a few bytes into the next line's I picture.
constexpr size_t kReadChunk = 64 * 1024;

uint64_t PositionOf(const mpegstream::FileSet& files, const IndexLine& line) {
    return files.StreamOffset({line.file, line.position});
}

// A coded frame (both fields of a field pair) as indexers count them: from its picture header,
// once a slice follows.
struct CodedFrame {
    PictureType type = PictureType::Unknown;
    // Where an index line points for it: the container unit holding the first byte of its
    // sequence header when one comes with it, else of its picture header; and that header's offset.
    uint64_t seekPoint = 0;
    uint64_t headerOffset = 0;
};

// Compares the coded frames read from a line's position with what the line says, one at a time.
class LineComparison {
public:
    LineComparison(const D2VFile& file, const mpegstream::FileSet& files, int index)
        : file_(file), files_(files), index_(index), line_(file.lines[static_cast<size_t>(index)]),
          skip_(line_.skip), display_(line_.firstPicture) {}

    // False once the answer is known.
    bool Take(const CodedFrame& frame, uint64_t firstUnit) {
        switch (stage_) {
        case Stage::FindingI:
            // The line points at an I picture: the first one lies in the first packet of video
            // read; `skip` I pictures after it are passed over.
            if (iPictures_.empty() && frame.seekPoint != firstUnit)
                return Finish(LineAgreement::Differs);
            if (frame.type != PictureType::I)
                return true;
            iPictures_.push_back(frame.headerOffset);
            if (skip_-- > 0)
                return true;
            stage_ = Stage::InLine;
            return Compare(frame);
        case Stage::InLine:
            if (frame.type == PictureType::I)
                iPictures_.push_back(frame.headerOffset);
            return Compare(frame);
        case Stage::AfterLine:
            return Finish(NextLineFinds(frame) ? LineAgreement::Agrees : LineAgreement::Differs);
        case Stage::Done:
            break;
        }
        return false;
    }
    LineAgreement Result() const { return stage_ == Stage::Done ? result_ : LineAgreement::Unknown; }

private:
    enum class Stage { FindingI, InLine, AfterLine, Done };

    PictureType ShownAs(int display) const {
        return FlagPictureType(file_.flags[static_cast<size_t>(display)]);
    }

    // Coded order to display order as the decode numbers them: a B picture at once, an I or P
    // picture when the next one comes.
    bool Compare(const CodedFrame& frame) {
        if (frame.type == PictureType::B) {
            if (ShownAs(display_++) != PictureType::B)
                return Finish(LineAgreement::Differs);
        } else {
            if (coded_ > 0 && ShownAs(display_++) != pending_)
                return Finish(LineAgreement::Differs);
            pending_ = frame.type;
        }
        if (++coded_ < line_.pictureCount)
            return true;
        if (ShownAs(display_) != pending_)
            return Finish(LineAgreement::Differs);
        if (index_ + 1 == static_cast<int>(file_.lines.size()))
            return Finish(LineAgreement::Agrees);
        stage_ = Stage::AfterLine;
        return true;
    }

    // The picture after the line's is the next line's I picture, and a seek to that line finds it.
    bool NextLineFinds(const CodedFrame& frame) const {
        const IndexLine& next = file_.lines[static_cast<size_t>(index_ + 1)];
        const uint64_t position = PositionOf(files_, next);
        const auto passed = std::count_if(iPictures_.begin(), iPictures_.end(),
                                          [&](uint64_t offset) { return offset >= position; });
        return frame.type == PictureType::I && position >= PositionOf(files_, line_) &&
               position <= frame.headerOffset && next.skip == passed;
    }

    bool Finish(LineAgreement result) {
        result_ = result;
        stage_ = Stage::Done;
        return false;
    }

    const D2VFile& file_;
    const mpegstream::FileSet& files_;
    const int index_;
    const IndexLine& line_;
    Stage stage_ = Stage::FindingI;
    LineAgreement result_ = LineAgreement::Unknown;
    int skip_;
    int display_;
    int coded_ = 0;
    PictureType pending_ = PictureType::Unknown;
    std::vector<uint64_t> iPictures_; // where the I pictures met start
};

// Start codes to coded frames, counted as an indexer counts them: a picture header followed by a
// slice, the second field of a pair not again.
class FrameFinder {
public:
    template <typename OnFrame> bool Code(const mpegstream::StartCode& code, OnFrame& onFrame) {
        using namespace mpegstream;
        if (IsSliceCode(code.code)) {
            if (!pending_)
                return true;
            pending_ = false;
            const bool whole = structure_ == kFramePicture;
            const bool second = !whole && secondField_;
            secondField_ = !whole && !secondField_;
            return second || onFrame(frame_);
        }
        switch (code.code) {
        case kSequenceHeaderCode:
            sequence_ = true;
            sequenceUnit_ = code.unit;
            sequenceOffset_ = code.offset;
            break;
        case kExtensionStartCode:
            if (pending_ && ReadExtensionId(code.header) == static_cast<int>(ExtensionId::PictureCoding))
                structure_ = ReadPictureCodingExtension(code.header).structure;
            break;
        case kPictureStartCode: {
            const int type = ReadPictureHeader(code.header).codingType;
            pending_ = type >= 1 && type <= 3;
            structure_ = kFramePicture;
            frame_.type = static_cast<PictureType>(pending_ ? type : 0);
            frame_.seekPoint = sequence_ ? sequenceUnit_ : code.unit;
            frame_.headerOffset = sequence_ ? sequenceOffset_ : code.offset;
            sequence_ = false;
            break;
        }
        case kSequenceEndCode:
            pending_ = false;
            break;
        default:
            break;
        }
        return true;
    }

private:
    bool pending_ = false;
    bool secondField_ = false;
    int structure_ = mpegstream::kFramePicture;
    bool sequence_ = false;
    uint64_t sequenceUnit_ = 0;
    uint64_t sequenceOffset_ = 0;
    CodedFrame frame_;
};

} // namespace

LineAgreement CheckIndexLine(const D2VFile& file, mpegstream::FileSet& files, int index) {
    const IndexLine& line = file.lines[static_cast<size_t>(index)];
    const auto pastTheEnd = [&](const IndexLine& l) { return l.position >= files.Size(l.file); };
    if (pastTheEnd(line))
        return LineAgreement::Unknown; // a cut stream: told as damage
    const uint64_t position = PositionOf(files, line);
    if (index > 0) {
        const IndexLine& before = file.lines[static_cast<size_t>(index - 1)];
        const uint64_t previous = PositionOf(files, before);
        if (!pastTheEnd(before) &&
            (position < previous || (position == previous && line.skip <= before.skip)))
            return LineAgreement::Differs;
    }
    uint64_t budget = kReadMargin;
    if (index + 1 < static_cast<int>(file.lines.size())) {
        const uint64_t next = PositionOf(files, file.lines[static_cast<size_t>(index + 1)]);
        budget += next > position ? next - position : 0;
    }

    // A failure met here is the stream's, and the decode meets it again where it reads there.
    const bool failedBefore = files.Failed();
    mpegstream::ByteReader reader(files, position, kReadChunk);
    reader.SetBudget(budget);
    std::unique_ptr<mpegstream::Demuxer> demuxer = MakeDemuxer(file, reader);
    LineAgreement agreement = LineAgreement::Unknown;
    if (demuxer) {
        LineComparison comparison(file, files, index);
        FrameFinder finder;
        mpegstream::StartCodeScanner scanner;
        uint64_t firstUnit = 0;
        bool more = true;
        auto onFrame = [&](const CodedFrame& frame) { return more = comparison.Take(frame, firstUnit); };
        auto onCode = [&](const mpegstream::StartCode& code) {
            if (more)
                finder.Code(code, onFrame);
        };
        mpegstream::VideoPiece piece;
        for (bool first = true; more && demuxer->Next(piece); first = false) {
            if (first)
                firstUnit = piece.unit;
            scanner.Feed(piece.data, piece.size, piece.offset, piece.unit, onCode);
        }
        if (more)
            scanner.Finish(onCode);
        agreement = comparison.Result();
        // Lost container data can make any picture seem out of place.
        if (demuxer->SkippedBytes() > 0 || files.Failed())
            agreement = LineAgreement::Unknown;
    }
    if (!failedBefore)
        files.ClearFailure();
    return agreement;
}

} // namespace d2v
