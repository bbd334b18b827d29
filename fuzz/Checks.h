#pragma once

// What each fuzz target checks on one input, shared with the regression tests that replay the
// inputs the fuzzers kept. Each returns an empty text when the input was handled soundly, and
// otherwise what went wrong. Crashes, leaks and undefined behaviour are the sanitizers' to report.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzchecks {

// The settings file: whatever it holds, writing one key and reading the file again gives that
// key's new value and leaves every other key as it was. `folder` is where the file is written.
std::string CheckPrivateProfile(const uint8_t* data, size_t size, const std::string& folder);

// Number text: refusals instead of garbage, and what the general format writes reads back to
// the same text.
std::string CheckNumberText(const uint8_t* data, size_t size);

// The .d2v parser: a refusal names its cause; what it accepts is consistent for the frame numbering.
std::string CheckD2VReader(const uint8_t* data, size_t size);

// The decoder: the input is a .d2v, the line "--stream--", then the stream's bytes, written as
// files into `folder` (emptied first). The film is opened and frames fetched in a random order.
std::string CheckDecoder(const uint8_t* data, size_t size, const std::string& folder);
inline constexpr const char* kStreamMarker = "--stream--\n";

} // namespace fuzzchecks
