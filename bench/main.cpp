// Frame access, opening, auto-crop, previews, indexing and memory, each set beside libavcodec
// decoding the same stream sequentially in the same run. scripts/bench makes the films and runs this.
//   cinescriptor_bench --films=<folder> [Google Benchmark arguments...]

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace bench {
void RegisterDecoderBenchmarks();
void RegisterModelBenchmarks();
void RegisterIndexerBenchmarks();
void RegisterRenderBenchmarks();
} // namespace bench

namespace {

// Runs the memory probe in a child process and reads its "key value" lines.
bool Probe(const std::string& d2v, const char* mode, std::map<std::string, double>& values,
           std::string& error) {
    const std::string probe =
        QCoreApplication::applicationDirPath().toStdString() + "/cinescriptor_bench_memory";
    const std::string command = "'" + probe + "' '" + d2v + "' " + mode + " 1000";
    FILE* out = popen(command.c_str(), "r");
    if (!out) {
        error = "cannot start " + probe;
        return false;
    }
    char key[64];
    double value = 0;
    while (std::fscanf(out, "%63s %lf", key, &value) == 2)
        values[key] = value;
    if (pclose(out) != 0 || values.empty()) {
        error = probe + " " + mode + " failed (see its message above)";
        return false;
    }
    return true;
}

void Memory(benchmark::State& state, const char* mode) {
    const bench::Film& film = *bench::FindFilm("two_hours");
    std::map<std::string, double> values;
    std::string error;
    for (auto _ : state) {
        if (!Probe(bench::D2vPath(film), mode, values, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        // The probe's own run time says nothing; its sizes are the counters.
        state.SetIterationTime(0.001);
    }
    for (const auto& [key, value] : values)
        state.counters[key] = value;
    if (std::strcmp(mode, "index") == 0) {
        bench::Figure growth{"peak RSS beyond idle, indexing", film.name, "MB"};
        growth.targetAbsolute = 50;
        bench::Record(growth, {values["rss_growth_kb"] / 1024});
        return;
    }
    const bool library = std::strcmp(mode, "library") == 0;
    bench::Figure peak{library ? "peak RSS, library, 1000 frames" : "peak RSS, project, 1000 frames",
                       film.name, "MB"};
    if (!library)
        peak.targetAbsolute = 150;
    bench::Record(peak, {values["max_rss_kb"] / 1024});
    if (library) {
        bench::Figure index{"heap held after open (index)", film.name, "MB"};
        index.targetAbsolute = 30;
        bench::Record(index, {values["open_heap_bytes"] / 1048576});
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    std::string films;
    if (const char* env = std::getenv("CINESCRIPTOR_BENCH_FILMS"))
        films = env;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--films=", 8) == 0)
            films = argv[i] + 8;
        else
            args.push_back(argv[i]);
    }
    if (films.empty()) {
        std::fprintf(stderr, "%s: no films; run scripts/bench, or pass --films=<folder it made>\n", argv[0]);
        return 2;
    }
    bench::SetFilmsFolder(films);

    // The previews draw with QPainter, which wants a GUI application; no screen is needed.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    // Registration order is run order: the baselines first, so that every ratio has its reference.
    bench::RegisterDecoderBenchmarks();
    bench::RegisterModelBenchmarks();
    bench::RegisterIndexerBenchmarks();
    bench::RegisterRenderBenchmarks();
    for (const char* mode : {"library", "project", "index"})
        benchmark::RegisterBenchmark((std::string("memory/") + mode + "/two_hours").c_str(),
                                     [mode](benchmark::State& s) { Memory(s, mode); })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);

    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::PrintSummary();
    return 0;
}
