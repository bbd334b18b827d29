#include "mpegstream/StartCodes.h"

namespace mpegstream {

const uint8_t* FindStartCode(const uint8_t* from, const uint8_t* end) {
    // Looks for the 01 and checks the two bytes before it: a 01 is rarer in coded data than a 00.
    if (end - from < 3)
        return nullptr;
    const uint8_t* p = from + 2;
    while (p < end) {
        p = static_cast<const uint8_t*>(std::memchr(p, 1, static_cast<size_t>(end - p)));
        if (!p)
            return nullptr;
        if (p[-1] == 0 && p[-2] == 0)
            return p - 2;
        // This 01 cannot be one of the two zeros before the next one.
        p += 3;
    }
    return nullptr;
}

} // namespace mpegstream
