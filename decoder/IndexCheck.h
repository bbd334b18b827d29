#pragma once

#include "decoder/D2VFile.h"
#include "mpegstream/FileSet.h"

#include <cstdint>

namespace d2v {

enum class LineAgreement : uint8_t {
    Unchecked,
    Agrees,
    Differs,
    Unknown, // the stream is cut, damaged or unreadable there: told as damage, not as a wrong index
};

// Whether an index line says what its stream holds: it comes after the line before; it points at
// an I picture (the first one found lies in the first packet of video read from its position),
// from which `skip` I pictures are passed over; the coded pictures from the next I picture, put in
// display order, have the picture types its flags list; the picture after them is an I picture,
// the one a seek to the next line finds. A decode that runs on from this line into the next then
// gives the very pictures a seek to the next line gives.
LineAgreement CheckIndexLine(const D2VFile& file, mpegstream::FileSet& files, int line);

} // namespace d2v
