#include "model/PixelAspect.h"

#include "model/TD2VProject.h"

#include <numeric>

Fraction Fraction::Reduced(int64_t numerator, int64_t denominator) {
    if (numerator <= 0 || denominator <= 0)
        return {};
    const int64_t divisor = std::gcd(numerator, denominator);
    return {numerator / divisor, denominator / divisor};
}

Fraction Fraction::Limited(int64_t limit) const {
    if (Numerator <= limit && Denominator <= limit)
        return *this;
    // The last convergent of the continued fraction that still fits.
    int64_t n0 = 0, d0 = 1, n1 = 1, d1 = 0;
    int64_t n = Numerator, d = Denominator;
    while (d != 0) {
        const int64_t a = n / d;
        // The next terms would pass the limit (checked before they are formed, so nothing wraps).
        if ((n1 != 0 && a > (limit - n0) / n1) || (d1 != 0 && a > (limit - d0) / d1))
            break;
        const int64_t n2 = a * n1 + n0;
        const int64_t d2 = a * d1 + d0;
        n0 = n1;
        d0 = d1;
        n1 = n2;
        d1 = d2;
        const int64_t r = n % d;
        n = d;
        d = r;
    }
    return d1 == 0 ? Fraction{limit, 1} : Reduced(n1 == 0 ? 1 : n1, d1);
}

uint16_t ActiveColumns(const TD2VFile& film) {
    return film.InputActiveWidth == 704 && film.InputWidth == 720 ? 704 : film.InputWidth;
}

long double ActiveRatio(const TD2VFile& film) {
    if (ActiveColumns(film) == film.InputWidth || film.InputHeight == 0)
        return film.InputRatio;
    return static_cast<long double>(ActiveColumns(film)) / film.InputHeight;
}

Fraction SourcePixelAspect(const TD2VFile& film) {
    const bool fourThirds = film.InputDisplayFormat == 1;
    return Fraction::Reduced(int64_t{fourThirds ? 4 : 16} * film.InputHeight,
                             int64_t{fourThirds ? 3 : 9} * ActiveColumns(film));
}

Fraction OutputPixelAspect(const TD2VProject& project) {
    const Fraction source = SourcePixelAspect(project);
    // Each factor is reduced before the next, so the terms stay far within 64 bits.
    const Fraction stretch = Fraction::Reduced(int64_t{project.CroppedWidth} * project.OutputHeight,
                                               int64_t{project.CroppedHeight} * project.OutputWidth);
    return Fraction::Reduced(source.Numerator * stretch.Numerator, source.Denominator * stretch.Denominator);
}
