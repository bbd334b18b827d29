#include "fuzz/Checks.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Damaged pictures make libavcodec talk on every input.
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "cinescriptor-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    const std::string failure = fuzzchecks::CheckDecoder(data, size, folder);
    if (!failure.empty()) {
        std::fprintf(stderr, "decoder: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
