#pragma once

#include <string>
#include <utility>
#include <vector>

namespace bench {

// A film made by scripts/bench, in <films>/<name>/film.d2v.
struct Film {
    std::string name;
    std::string baseline;       // the film whose plain stream is the baseline (itself, or the loop unit)
    int gop = 12;               // coded pictures in a GOP
    bool progressivePal = true; // one frame per coded picture, so frames map straight to pictures
};

const std::vector<Film>& Films();
const Film* FindFilm(const std::string& name);
void SetFilmsFolder(const std::string& folder);
std::string D2vPath(const Film& film);
std::string StreamPath(const Film& film); // the film's program stream (film.mpg)

// One line of the closing table. ratioTo: "gop" (the baseline's time for one GOP of the film),
// "access" (the median random access of the same film), "decode" (the median sequential getFrame
// of the same film), or "" for an absolute figure.
struct Figure {
    explicit Figure(std::string what_, std::string film_ = {}, std::string unit_ = "ms")
        : what(std::move(what_)), film(std::move(film_)), unit(std::move(unit_)) {}
    std::string what;
    std::string film;
    std::string unit;
    double median = 0;
    double worst = 0; // the largest sample
    std::string ratioTo;
    double targetRatio = 0;    // 0: no target as a ratio
    double targetAbsolute = 0; // 0: no absolute target (same unit as median)
    // For rates (bytes per second): "worst" is the smallest sample, and the target a minimum.
    bool higherIsBetter = false;
};

// Records a figure from its samples (milliseconds unless the figure says otherwise).
void Record(Figure figure, std::vector<double> samples);
// The baseline's milliseconds for one GOP of the film; 0 when it was not measured in this run.
void RecordGopTime(const std::string& baselineFilm, double gopMs, double fps);
double GopTime(const Film& film);
double Median(std::vector<double> samples);
// This process's CPU time in milliseconds, all threads: what reading and indexing a film costs.
double ProcessCpuMs();
// The clock of every sample, in milliseconds: this thread's CPU time, so that the figures hold
// on a machine others are loading (decoding is synchronous, on one thread, from cached files);
// CINESCRIPTOR_BENCH_CLOCK=wall selects the wall clock instead.
double NowMs();
const char* ClockName();
// Prints every figure with its ratio and target.
void PrintSummary();

} // namespace bench
