#include "MemoryProbe.h"

#include "decoder/Mpeg2Dec3Api.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <random>
#include <string>
#include <sys/resource.h>

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

int ProbeLibrary(const char* d2v, int visits) {
    const size_t heapBefore = HeapInUse();
    DecoderVideoInfo* info = openMPEG2Source(d2v);
    if (!info) {
        std::fprintf(stderr, "%s\n", getLastDecoderError());
        return 1;
    }
    std::printf("open_heap_bytes %zu\n", HeapInUse() - heapBefore);
    std::printf("rss_after_open_kb %ld\n", ResidentKb());
    std::mt19937 random(1000);
    std::uniform_int_distribution<int32_t> pick(0, info->numberOfFrames - 1);
    for (int i = 0; i < visits; ++i)
        if (!getRGBFrame(pick(random))) {
            std::fprintf(stderr, "%s\n", getLastDecoderError());
            return 1;
        }
    std::printf("rss_after_visits_kb %ld\n", ResidentKb());
    std::printf("max_rss_kb %ld\n", PeakResidentKb());
    closeVideo();
    return 0;
}
