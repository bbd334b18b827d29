#include "fuzz/Checks.h"

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    const std::string failure = fuzzchecks::CheckPrivateProfile(data, size, folder.path().toStdString());
    if (!failure.empty()) {
        std::fprintf(stderr, "settings file: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
