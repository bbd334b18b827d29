// Indexing the bench films as the program does (indexer::IndexFilm, the index written to a
// temporary folder), from the page cache: throughput in bytes per process CPU time, and what the
// progress reports cost.

#include "BenchSupport.h"

#include "indexer/Indexing.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

namespace {

namespace fs = std::filesystem;

// The film's stream files, in the order its index lists them (the two-hour film: its 120 copies).
std::vector<std::string> StreamFiles(const Film& film) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(D2vPath(film)).parent_path(), ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().extension() == ".mpg")
            files.push_back(it->path().string());
    std::sort(files.begin(), files.end());
    return files;
}

uint64_t TotalSize(const std::vector<std::string>& files) {
    uint64_t total = 0;
    std::error_code ec;
    for (const std::string& file : files)
        total += fs::file_size(file, ec);
    return total;
}

struct Folder {
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "cinescriptor-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
    std::string path;
};

// One indexing run; its process CPU time in ms, or -1 on failure.
double IndexOnce(benchmark::State& state, const std::vector<std::string>& files, const std::string& d2v,
                 const indexer::IndexControl& control) {
    const double start = ProcessCpuMs();
    const indexer::IndexResult result = indexer::IndexFilm({files, d2v}, control);
    const double ms = ProcessCpuMs() - start;
    if (!result.Ok()) {
        state.SkipWithError(
            ("indexing failed, code " + std::to_string(static_cast<int>(result.failure))).c_str());
        return -1;
    }
    return ms;
}

void Throughput(benchmark::State& state, const Film& film) {
    const std::vector<std::string> files = StreamFiles(film);
    const uint64_t bytes = TotalSize(files);
    Folder folder;
    if (files.empty() || folder.path.empty()) {
        state.SkipWithError("no stream files, or no temporary folder");
        return;
    }
    const std::string d2v = folder.path + "/film.d2v";
    if (IndexOnce(state, files, d2v, {}) < 0) // brings the files into the page cache
        return;
    std::vector<double> rates;
    for (auto _ : state) {
        const double ms = IndexOnce(state, files, d2v, {});
        if (ms < 0)
            return;
        state.SetIterationTime(ms / 1000);
        rates.push_back(static_cast<double>(bytes) / 1e9 / (ms / 1000));
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["GB_per_s"] = Median(rates);
    Figure figure{"indexing throughput (process CPU)", film.name, "GB/s"};
    figure.higherIsBetter = true;
    figure.targetAbsolute = 1;
    Record(std::move(figure), std::move(rates));
}

// Runs with and without a progress callback alternate, so that both see the same machine load;
// the callback does what a window's would: keep the figures for the next repaint.
void ProgressCost(benchmark::State& state, const Film& film) {
    const std::vector<std::string> files = StreamFiles(film);
    Folder folder;
    if (files.empty() || folder.path.empty()) {
        state.SkipWithError("no stream files, or no temporary folder");
        return;
    }
    const std::string d2v = folder.path + "/film.d2v";
    std::atomic<uint64_t> shownDone{0}, shownTotal{0};
    std::atomic<int> calls{0};
    indexer::IndexControl reporting;
    reporting.progress = [&](uint64_t done, uint64_t total) {
        shownDone.store(done, std::memory_order_relaxed);
        shownTotal.store(total, std::memory_order_relaxed);
        calls.fetch_add(1, std::memory_order_relaxed);
    };
    std::atomic<bool> never{false};
    reporting.cancel = &never;
    if (IndexOnce(state, files, d2v, {}) < 0)
        return;
    std::vector<double> plain, reported;
    for (auto _ : state) {
        const double a = IndexOnce(state, files, d2v, {});
        const double b = IndexOnce(state, files, d2v, reporting);
        if (a < 0 || b < 0)
            return;
        plain.push_back(a);
        reported.push_back(b);
        state.SetIterationTime((a + b) / 1000);
    }
    const double cost = (Median(reported) - Median(plain)) / Median(plain) * 100;
    state.counters["calls_per_run"] =
        static_cast<double>(calls.load()) / static_cast<double>(reported.size());
    Figure figure{"progress reporting cost", film.name, "%"};
    figure.targetAbsolute = 5;
    Record(std::move(figure), {cost});
}

} // namespace

void RegisterIndexerBenchmarks() {
    for (const Film& film : Films()) {
        const Film* f = &film;
        benchmark::RegisterBenchmark(("indexer/throughput/" + film.name).c_str(),
                                     [f](benchmark::State& s) { Throughput(s, *f); })
            ->Iterations(film.name == "two_hours" ? 3 : 15)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("indexer/progress_cost/pal_gop12",
                                 [](benchmark::State& s) { ProgressCost(s, *FindFilm("pal_gop12")); })
        ->Iterations(31)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
