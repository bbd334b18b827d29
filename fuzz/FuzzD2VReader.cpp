#include "fuzz/Checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string failure = fuzzchecks::CheckD2VReader(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "d2v reader: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
