#include "mpegstream/FilmCadence.h"

namespace mpegstream {

void FilmCadence::Add(int fieldCode, bool progressiveSequence) {
    const int code = fieldCode & 3;
    if (last_ >= 0) {
        const bool film = progressiveSequence ? (code == 3 && last_ == 1) || (code == 1 && last_ == 3)
                                              : code == ((last_ + 1) & 3);
        ++(film ? film_ : video_);
    }
    last_ = code;
}

int FilmCadence::FilmShareHundredths() const {
    const int64_t steps = film_ + video_;
    return steps == 0 ? 0 : static_cast<int>((film_ * 10000 + steps / 2) / steps);
}

} // namespace mpegstream
