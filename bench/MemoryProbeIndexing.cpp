#include "MemoryProbe.h"

#include "indexer/Indexing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

int ProbeIndexing(const char* d2v) {
    namespace fs = std::filesystem;
    std::vector<std::string> inputs;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(d2v).parent_path(), ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".mpg")
            inputs.push_back(it->path().string());
    std::sort(inputs.begin(), inputs.end());
    std::string folder = (fs::temp_directory_path() / "cinescriptor-probe-XXXXXX").string();
    if (inputs.empty() || !::mkdtemp(folder.data())) {
        std::fprintf(stderr, "no stream files beside %s, or no temporary folder\n", d2v);
        return 1;
    }
    std::printf("rss_before_indexing_kb %ld\n", ResidentKb());
    const long before = PeakResidentKb();
    const indexer::IndexResult result = indexer::IndexFilm({inputs, folder + "/film.d2v"});
    const long peak = PeakResidentKb();
    fs::remove_all(folder, ec);
    if (!result.Ok()) {
        std::fprintf(stderr, "indexing failed, code %d\n", static_cast<int>(result.failure));
        return 1;
    }
    std::printf("indexed_mb %.0f\n", static_cast<double>(result.totalBytes) / 1e6);
    std::printf("max_rss_kb %ld\n", peak);
    std::printf("rss_growth_kb %ld\n", peak - before);
    return 0;
}
