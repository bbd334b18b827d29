#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

namespace bench {

namespace {

std::string filmsFolder;
std::vector<std::pair<Figure, std::vector<double>>> figures;
std::map<std::string, std::pair<double, double>> gopTimes; // film -> (ms per GOP, pictures/s)

} // namespace

const std::vector<Film>& Films() {
    static const std::vector<Film> films{
        {"pal_gop12", "pal_gop12", 12, true},
        {"pal_gop15", "pal_gop15", 15, true},
        {"ntsc_pulldown", "ntsc_pulldown", 15, false},
        {"pal_longgop", "pal_longgop", 120, true},
        // 120 copies of pal_gop12's stream: the same pictures, so the same baseline.
        {"two_hours", "pal_gop12", 12, true},
    };
    return films;
}

const Film* FindFilm(const std::string& name) {
    for (const Film& film : Films())
        if (film.name == name)
            return &film;
    return nullptr;
}

void SetFilmsFolder(const std::string& folder) {
    filmsFolder = folder;
}
std::string D2vPath(const Film& film) {
    return filmsFolder + "/" + film.name + "/film.d2v";
}
std::string StreamPath(const Film& film) {
    return filmsFolder + "/" + film.name + "/film.mpg";
}

double Median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    const size_t middle = samples.size() / 2;
    std::nth_element(samples.begin(), samples.begin() + middle, samples.end());
    double m = samples[middle];
    if (samples.size() % 2 == 0)
        m = (m + *std::max_element(samples.begin(), samples.begin() + middle)) / 2;
    return m;
}

namespace {
bool UseWallClock() {
    static const bool wall = [] {
        const char* choice = std::getenv("CINESCRIPTOR_BENCH_CLOCK");
        return choice && std::strcmp(choice, "wall") == 0;
    }();
    return wall;
}
} // namespace

double NowMs() {
    timespec t{};
    clock_gettime(UseWallClock() ? CLOCK_MONOTONIC : CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

const char* ClockName() {
    return UseWallClock() ? "wall clock" : "thread CPU time";
}

void Record(Figure figure, std::vector<double> samples) {
    figure.median = Median(samples);
    if (!samples.empty())
        figure.worst = figure.higherIsBetter ? *std::min_element(samples.begin(), samples.end())
                                             : *std::max_element(samples.begin(), samples.end());
    figures.emplace_back(std::move(figure), std::move(samples));
}

void RecordGopTime(const std::string& baselineFilm, double gopMs, double fps) {
    gopTimes[baselineFilm] = {gopMs, fps};
}

double GopTime(const Film& film) {
    const auto it = gopTimes.find(film.baseline);
    return it == gopTimes.end() ? 0 : it->second.first;
}

void PrintSummary() {
    std::printf("\nTimes are %s.", ClockName());
    std::printf("\n%-38s %-14s %10s %10s %9s %9s  %-20s %s\n", "figure", "film", "median", "worst", "x ref",
                "worst x", "target", "met");
    for (const auto& [baseline, times] : gopTimes)
        std::printf("%-38s %-14s %8.2fms %10s %9s %9s  %-20s (%.0f pictures/s)\n",
                    "baseline: one GOP, libavcodec", baseline.c_str(), times.first, "", "1.00", "", "",
                    times.second);
    for (const auto& [f, samples] : figures) {
        const Film* film = FindFilm(f.film);
        double reference = 0;
        if (film && f.ratioTo == "gop")
            reference = GopTime(*film);
        const char* referenceWhat = f.ratioTo == "access"   ? "random access"
                                    : f.ratioTo == "decode" ? "getFrame, sequential (per frame)"
                                                            : nullptr;
        if (referenceWhat)
            for (const auto& [other, otherSamples] : figures)
                if (other.film == f.film && other.what == referenceWhat)
                    reference = other.median;
        char ratio[32] = "", worstRatio[32] = "", target[64] = "", met[16] = "";
        if (reference > 0) {
            std::snprintf(ratio, sizeof ratio, "%.2f", f.median / reference);
            std::snprintf(worstRatio, sizeof worstRatio, "%.2f", f.worst / reference);
        }
        bool ok = true;
        bool judged = false;
        if (f.targetRatio > 0 && reference > 0) {
            std::snprintf(target, sizeof target, "<= %.2f x %s", f.targetRatio,
                          f.ratioTo == "gop" ? "GOP" : f.ratioTo.c_str());
            ok = f.median / reference <= f.targetRatio;
            judged = true;
        }
        if (f.targetAbsolute > 0) {
            const size_t used = std::char_traits<char>::length(target);
            std::snprintf(target + used, sizeof target - used, "%s%s %g %s", used ? ", " : "",
                          f.higherIsBetter ? ">=" : "<=", f.targetAbsolute, f.unit.c_str());
            ok = ok && (f.higherIsBetter ? f.median >= f.targetAbsolute : f.median <= f.targetAbsolute);
            judged = true;
        }
        if (judged)
            std::snprintf(met, sizeof met, "%s", ok ? "yes" : "NO");
        const char* unit = f.unit.c_str();
        std::printf("%-38s %-14s %8.2f%-2s %8.2f%-2s %9s %9s  %-20s %s\n", f.what.c_str(), f.film.c_str(),
                    f.median, unit, f.worst, unit, ratio, worstRatio, target, met);
    }
    std::fflush(stdout);
}

} // namespace bench
