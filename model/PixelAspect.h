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

// The one place where the source's pixel shape is decided. The display ratio (16/9 or 4/3)
// describes the picture over `ActiveColumns` stored columns and the whole frame height, so one
// stored pixel is
//     pixel aspect = (display ratio x frame height) / active columns
// Generic: the whole width, 720 on a DVD frame. ITU-R BT.601 (InputActiveWidth 704): a DVD's 4:3
// or 16:9 covers only the 704 middle columns of its 720, the 8 at each side being outside the
// picture, so PAL 16:9 gives 16/9 x 576 / 704 = 1.4545 rather than 16/9 x 576 / 720 = 1.4222.
// Frames of other widths (704, 352, 480...) are taken whole either way: they carry no known margin.
uint16_t ActiveColumns(const TD2VFile& film);
// Active columns over frame height, in extended precision: the stored shape of the part of the
// frame the display ratio describes. Generic, it is InputRatio itself, so the numbers stay those of
// the project's 32-bit ratios.
long double ActiveRatio(const TD2VFile& film);

// The shape of one stored pixel of the source, as above.
Fraction SourcePixelAspect(const TD2VFile& film);

// The shape of one pixel of the project's output: the source pixel stretched as the crop and the
// resize stretch the picture, so that the output shows the cropped picture at its own shape.
Fraction OutputPixelAspect(const TD2VProject& project);
