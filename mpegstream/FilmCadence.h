#pragma once

#include <cstdint>

namespace mpegstream {

// The share of soft-pulldown film as DVD indexers count it ("FILM 98.70 %"): from one coded
// picture to the next, in display order, film keeps the 3:2 cadence, in which the two-bit code
// top_field_first * 2 + repeat_first_field steps 3, 0, 1, 2, 3...; in a progressive sequence the
// repeated frames alternate three and two showings (codes 3 and 1). Any other step is video.
// Fed picture by picture, so that an indexer can count as it writes and a reader of its index
// gets the same figure.
class FilmCadence {
public:
    // fieldCode: top_field_first * 2 + repeat_first_field of the next picture shown.
    void Add(int fieldCode, bool progressiveSequence);
    int64_t FilmSteps() const { return film_; }
    int64_t VideoSteps() const { return video_; }
    // Film steps in hundredths of a percent of all steps (9870 for 98.70 %); 0 before two pictures.
    int FilmShareHundredths() const;

private:
    int64_t film_ = 0;
    int64_t video_ = 0;
    int last_ = -1; // the previous picture's code, -1 before the first
};

} // namespace mpegstream
