#pragma once

#include <string>

namespace bench {

// Decodes up to maxPictures of a program stream from the start with libavformat and libavcodec
// (one thread, as our library decodes) and returns how many pictures came out, with the time of
// the demuxing and decoding alone (opening and probing left out) in ms; -1 with the reason in
// error on failure.
int DecodeSequentially(const std::string& path, int maxPictures, double& ms, std::string& error);

} // namespace bench
