#include "mpegstream/StartCodes.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mpegstream {

const uint8_t* FindStartCode(const uint8_t* from, const uint8_t* end) {
    const uint8_t* p = from;
#ifdef __SSE2__
    // Sixteen places at a time: a prefix starts where a byte and the next are 00 and the one
    // after is 01. Coded data holds a 01 every few hundred bytes, too often for a memchr per 01.
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    for (; end - p >= 18; p += 16) {
        const __m128i first = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), zero);
        const __m128i second = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), zero);
        const __m128i third = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2)), one);
        const int found = _mm_movemask_epi8(_mm_and_si128(_mm_and_si128(first, second), third));
        if (found != 0)
            return p + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    for (; end - p >= 3; ++p)
        if (p[0] == 0 && p[1] == 0 && p[2] == 1)
            return p;
    return nullptr;
}

} // namespace mpegstream
