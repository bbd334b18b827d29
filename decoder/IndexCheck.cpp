#include "decoder/IndexCheck.h"

#include "decoder/VideoStream.h"
#include "mpegstream/ByteReader.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace d2v {

namespace {

// Bytes read beyond what the index gives the line before it is given up on.
constexpr uint64_t kReadMargin = 16ull * 1024 * 1024;

uint64_t PositionOf(const mpegstream::FileSet& files, const IndexLine& line) {
    return files.StreamOffset({line.file, line.position});
}

LineAgreement Compare(const D2VFile& file, const mpegstream::FileSet& files, PictureSplitter& splitter,
                      int index) {
    const IndexLine& line = file.lines[static_cast<size_t>(index)];
    CodedPicture picture;
    // Where the I pictures met so far start: a seek to the next line's position passes over those
    // at or after it.
    std::vector<uint64_t> iPictures;
    for (int skip = line.skip;;) {
        if (!splitter.Next(picture))
            return LineAgreement::Unknown;
        // The line points at an I picture: the first one lies in the first packet of video read.
        if (iPictures.empty() && picture.seekPoint != splitter.FirstUnit())
            return LineAgreement::Differs;
        if (picture.type != PictureType::I)
            continue;
        iPictures.push_back(picture.headerOffset);
        if (skip-- == 0)
            break;
    }

    // Coded order to display order as the decode numbers them: a B picture at once, an I or P
    // picture when the next one comes.
    const auto shownAs = [&](int display) {
        return FlagPictureType(file.flags[static_cast<size_t>(display)]);
    };
    int display = line.firstPicture;
    PictureType pending = PictureType::Unknown;
    for (int coded = 0;;) {
        if (picture.type == PictureType::B) {
            if (shownAs(display++) != PictureType::B)
                return LineAgreement::Differs;
        } else {
            if (coded > 0 && shownAs(display++) != pending)
                return LineAgreement::Differs;
            pending = picture.type;
        }
        if (++coded == line.pictureCount)
            break;
        if (!splitter.Next(picture))
            return LineAgreement::Unknown;
        if (picture.type == PictureType::I)
            iPictures.push_back(picture.headerOffset);
    }
    if (shownAs(display) != pending)
        return LineAgreement::Differs;

    if (index + 1 == static_cast<int>(file.lines.size()))
        return LineAgreement::Agrees;
    // The picture after the line's is the next line's I picture, and a seek to that line finds it.
    if (!splitter.Next(picture))
        return LineAgreement::Unknown;
    const IndexLine& next = file.lines[static_cast<size_t>(index + 1)];
    const uint64_t nextPosition = PositionOf(files, next);
    const auto passed = std::count_if(iPictures.begin(), iPictures.end(),
                                      [&](uint64_t offset) { return offset >= nextPosition; });
    if (picture.type != PictureType::I || nextPosition < PositionOf(files, line) ||
        nextPosition > picture.headerOffset || next.skip != passed)
        return LineAgreement::Differs;
    return LineAgreement::Agrees;
}

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
    mpegstream::ByteReader reader(files, position);
    reader.SetBudget(budget);
    std::unique_ptr<mpegstream::Demuxer> demuxer = MakeDemuxer(file, reader);
    LineAgreement agreement = LineAgreement::Unknown;
    if (demuxer) {
        PictureSplitter splitter(*demuxer);
        agreement = Compare(file, files, splitter, index);
        // Lost container data can make any picture seem out of place.
        if (demuxer->SkippedBytes() > 0 || files.Failed())
            agreement = LineAgreement::Unknown;
    }
    if (!failedBefore)
        files.ClearFailure();
    return agreement;
}

} // namespace d2v
