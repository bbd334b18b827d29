#pragma once

#include <cstdint>

class TD2VFile;
class TD2VProject;

// A ratio of two positive whole numbers, kept in lowest terms.
struct Fraction {
    int64_t Numerator = 1;
    int64_t Denominator = 1;

    static Fraction Reduced(int64_t numerator, int64_t denominator);
    double Value() const { return static_cast<double>(Numerator) / static_cast<double>(Denominator); }
    // The nearest fraction whose terms are both at most limit (itself when they already are).
    Fraction Limited(int64_t limit) const;
};

// The shape of one stored pixel of the source: the display shape of the whole frame (16/9 or 4/3)
// over the frame's stored shape, width / height.
Fraction SourcePixelAspect(const TD2VFile& film);

// The shape of one pixel of the project's output: the source pixel stretched as the crop and the
// resize stretch the picture, so that the output shows the cropped picture at its own shape.
Fraction OutputPixelAspect(const TD2VProject& project);
