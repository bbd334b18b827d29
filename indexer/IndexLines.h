#pragma once

#include "mpegstream/FileSet.h"
#include "mpegstream/FilmCadence.h"
#include "mpegstream/StartCodes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace indexer {

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
    // Positions are written as file and offset in these files. Lines of an elementary stream
    // point at the header itself, others at the container unit holding its first byte.
    LineBuilder(const mpegstream::FileSet& files, bool elementary) : files_(files), elementary_(elementary) {}

    // The DVD navigation numbers that go with the pictures from now on.
    void SetNavigation(int vobId, int cellId) {
        vobId_ = vobId;
        cellId_ = cellId;
    }
    void OnStartCode(const mpegstream::StartCode& code);
    void Finish();

    const SequenceSummary& Summary() const { return summary_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    int Pictures() const { return pictures_; }
    // Share of soft-pulldown film in hundredths of a percent, counted as readers of the index count it.
    int FilmShareHundredths() const { return cadence_.FilmShareHundredths(); }

private:
    // One coded frame as the index records it, in coded order.
    struct Entry {
        bool gopStart = false;
        uint64_t position = 0;
        int type = 0;
        int trf = 0; // top_field_first << 1 | repeat_first_field
        int progressiveFrame = 0;
        bool closed = false;
        bool progressiveSequence = false;
        int matrix = 5;
        int vobId = 0;
        int cellId = 0;
    };
    struct Picture {
        int type = 0;
        int structure = mpegstream::kFramePicture;
        int trf = 2;
        int progressiveFrame = 1;
    };

    void UpdateSummary();
    void EmitPicture();
    void WriteLine(bool finish);

    uint64_t SeekPoint(const mpegstream::StartCode& code) const {
        return elementary_ ? code.offset : code.unit;
    }

    const mpegstream::FileSet& files_;
    const bool elementary_;
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
    uint64_t position_ = 0;
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
    uint64_t lastLinePosition_ = UINT64_MAX;
    int linesAtLastPosition_ = 0;
    std::vector<std::string> lines_;
    int pictures_ = 0;
    // film share, fed in display order
    mpegstream::FilmCadence cadence_;
};

} // namespace indexer
