#include "Baseline.h"
#include "BenchSupport.h"

#include "decoder/ColorConvert.h"
#include "decoder/D2VFile.h"
#include "decoder/IndexCheck.h"
#include "decoder/Mpeg2Dec3Api.h"
#include "decoder/Mpeg2Source.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <vector>

namespace bench {

namespace {

// Opens the film for one benchmark; skips it with the decoder's reason when that fails.
DecoderVideoInfo* OpenOrSkip(benchmark::State& state, const Film& film) {
    DecoderVideoInfo* info = openMPEG2Source(D2vPath(film).c_str());
    if (!info || info->numberOfFrames < 2)
        state.SkipWithError((D2vPath(film) + ": " + getLastDecoderError()).c_str());
    return info;
}

bool Fetch(benchmark::State& state, int frame) {
    if (getRGBFrame(frame))
        return true;
    state.SkipWithError(("frame " + std::to_string(frame) + ": " + getLastDecoderError()).c_str());
    return false;
}

// A frame at least three GOPs away from the previous one, so that nothing of it is cached.
int FarFrame(std::mt19937& random, int count, int previous, int gop) {
    std::uniform_int_distribution<int> pick(0, count - 1);
    for (;;) {
        const int frame = pick(random);
        if (std::abs(frame - previous) > 3 * gop || count <= 8 * gop)
            return frame;
    }
}

void Baseline(benchmark::State& state, const Film& film, int maxPictures) {
    std::vector<double> seconds;
    int pictures = 0;
    for (auto _ : state) {
        std::string error;
        double ms = 0;
        pictures = DecodeSequentially(StreamPath(film), maxPictures, ms, error);
        if (pictures <= 0) {
            state.SkipWithError(error.c_str());
            return;
        }
        seconds.push_back(ms / 1000);
        state.SetIterationTime(seconds.back());
    }
    const double fps = pictures / Median(seconds);
    const double gopMs = film.gop * 1000.0 / fps;
    RecordGopTime(film.name, gopMs, fps);
    state.counters["pictures_per_s"] = fps;
    state.counters["gop_ms"] = gopMs;
}

// Times `timed(frame)` after an untimed `prepare(frame)` for frames chosen by `next`.
void Accesses(benchmark::State& state, const Film& film, Figure figure,
              const std::function<int(std::mt19937&, int count, int previous)>& next, int before) {
    DecoderVideoInfo* info = OpenOrSkip(state, film);
    if (!info)
        return;
    const int count = info->numberOfFrames;
    std::mt19937 random(20261208);
    std::vector<double> samples;
    int previous = 0;
    for (auto _ : state) {
        const int frame = next(random, count, previous);
        const int first = std::clamp(frame + before, 0, count - 1);
        if (before != 0 && !Fetch(state, first))
            return;
        const auto start = NowMs();
        if (!Fetch(state, frame))
            return;
        const auto end = NowMs();
        samples.push_back(end - start);
        state.SetIterationTime(samples.back() / 1000);
        previous = frame;
    }
    closeVideo();
    const double gop = GopTime(film);
    if (gop > 0) {
        state.counters["median_x_gop"] = Median(samples) / gop;
        state.counters["worst_x_gop"] = *std::max_element(samples.begin(), samples.end()) / gop;
    }
    figure.film = film.name;
    figure.ratioTo = "gop";
    Record(std::move(figure), std::move(samples));
}

// Frames shown before their own GOP's I picture in an open GOP: they need the GOP before. Only
// those with three GOPs before them, for the untimed access that empties the cache.
std::vector<int> LeadingBFrames(const Film& film) {
    d2v::D2VFile file;
    std::string error;
    std::vector<int> frames;
    if (!film.progressivePal || !d2v::ReadD2VFile(D2vPath(film), file, error))
        return frames;
    for (const d2v::IndexLine& line : file.lines)
        if (!line.IsClosedGop() && line.pictureCount > 0 && line.firstPicture >= 3 * film.gop &&
            d2v::FlagPictureType(file.flags[line.firstPicture]) == d2v::PictureType::B)
            frames.push_back(line.firstPicture);
    return frames;
}

// The two-hour film is its loop unit listed again and again: a frame of any copy must decode to
// the very pixels of the same frame of the unit, or its figures would not be the unit's.
bool SameAsLoopUnit(benchmark::State& state) {
    const Film& unitFilm = *FindFilm(FindFilm("two_hours")->baseline);
    DecoderVideoInfo* unit = OpenOrSkip(state, unitFilm);
    if (!unit)
        return false;
    const int unitFrames = unit->numberOfFrames;
    const size_t bytes = size_t(unit->width) * size_t(unit->height) * 3;
    std::vector<std::vector<uint8_t>> expected;
    const int probes[] = {0, 1, 5, unitFrames / 2, unitFrames - 1};
    for (int frame : probes) {
        const uint8_t* rgb = getRGBFrame(frame);
        if (!rgb) {
            state.SkipWithError(getLastDecoderError());
            return false;
        }
        expected.emplace_back(rgb, rgb + bytes);
    }
    DecoderVideoInfo* looped = OpenOrSkip(state, *FindFilm("two_hours"));
    if (!looped)
        return false;
    const int copies = looped->numberOfFrames / unitFrames;
    bool same = looped->numberOfFrames == copies * unitFrames;
    for (int copy : {1, copies / 2, copies - 1})
        for (size_t i = 0; same && i < expected.size(); ++i) {
            const uint8_t* rgb = getRGBFrame(copy * unitFrames + probes[i]);
            same = rgb && std::equal(expected[i].begin(), expected[i].end(), rgb);
        }
    closeVideo();
    if (!same)
        state.SkipWithError("the two-hour film does not decode as copies of its loop unit");
    return same;
}

void Open(benchmark::State& state, const Film& film, double targetMs) {
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = NowMs();
        DecoderVideoInfo* info = openMPEG2Source(D2vPath(film).c_str());
        const auto end = NowMs();
        if (!info) {
            state.SkipWithError(getLastDecoderError());
            return;
        }
        state.counters["frames"] = info->numberOfFrames;
        closeVideo();
        samples.push_back(end - start);
        state.SetIterationTime(samples.back() / 1000);
    }
    if (film.name == "two_hours" && !SameAsLoopUnit(state))
        return;
    Figure figure{"open .d2v", film.name};
    figure.targetAbsolute = targetMs;
    Record(std::move(figure), std::move(samples));
}

void BgrConversion(benchmark::State& state, const Film& film) {
    DecoderVideoInfo* info = OpenOrSkip(state, film);
    if (!info)
        return;
    const int width = info->width, height = info->height;
    const uint8_t* planar = getFrame(info->numberOfFrames / 2);
    if (!planar) {
        state.SkipWithError(getLastDecoderError());
        return;
    }
    const size_t lumaSize = size_t(width) * height;
    std::vector<uint8_t> yuv(planar, planar + lumaSize * 3 / 2);
    closeVideo();
    std::vector<uint8_t> bgr(lumaSize * 3);
    d2v::Yuv420View view;
    view.y = yuv.data();
    view.u = yuv.data() + lumaSize;
    view.v = view.u + lumaSize / 4;
    view.yPitch = width;
    view.uPitch = view.vPitch = width / 2;
    view.width = width;
    view.height = height;
    const d2v::RgbCoefficients k = d2v::CoefficientsFor(5, true);
    // What getRGBFrame does for a .d2v named neither _P nor _A: chroma per field.
    const d2v::ChromaSiting siting = d2v::ChromaSiting::Interlaced;
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = NowMs();
        d2v::ConvertToBgr24(view, siting, k, bgr.data());
        benchmark::DoNotOptimize(bgr.data());
        const auto end = NowMs();
        samples.push_back(end - start);
        state.SetIterationTime(samples.back() / 1000);
    }
    Figure figure{"BGR24 conversion alone", film.name};
    figure.ratioTo = "gop";
    Record(std::move(figure), std::move(samples));
}

// The same conversion by libswscale (bilinear chroma, SIMD), for scale: what a vectorised
// conversion costs at this size.
void SwscaleConversion(benchmark::State& state, const Film& film) {
    DecoderVideoInfo* info = OpenOrSkip(state, film);
    if (!info)
        return;
    const int width = info->width, height = info->height;
    const uint8_t* planar = getFrame(info->numberOfFrames / 2);
    if (!planar) {
        state.SkipWithError(getLastDecoderError());
        return;
    }
    const size_t lumaSize = size_t(width) * height;
    std::vector<uint8_t> yuv(planar, planar + lumaSize * 3 / 2);
    closeVideo();
    std::vector<uint8_t> bgr(lumaSize * 3);
    SwsContext* sws = sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_BGR24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws) {
        state.SkipWithError("sws_getContext failed");
        return;
    }
    const uint8_t* const source[3] = {yuv.data(), yuv.data() + lumaSize, yuv.data() + lumaSize * 5 / 4};
    const int sourcePitch[3] = {width, width / 2, width / 2};
    uint8_t* const target[1] = {bgr.data()};
    const int targetPitch[1] = {width * 3};
    std::vector<double> samples;
    for (auto _ : state) {
        const double start = NowMs();
        sws_scale(sws, source, sourcePitch, 0, height, target, targetPitch);
        benchmark::DoNotOptimize(bgr.data());
        samples.push_back(NowMs() - start);
        state.SetIterationTime(samples.back() / 1000);
    }
    sws_freeContext(sws);
    Figure figure{"BGR24 by libswscale (for scale)", film.name};
    figure.ratioTo = "gop";
    Record(std::move(figure), std::move(samples));
}

// Coded pictures handed to libavcodec per random access, from the decoder's own statistics: the
// floor is the reference pictures from the GOP's I picture up to the frame, plus the frame.
void PicturesPerAccess(benchmark::State& state, const Film& film) {
    d2v::Mpeg2Source source;
    if (!source.Open(D2vPath(film))) {
        state.SkipWithError(source.LastError().c_str());
        return;
    }
    std::mt19937 random(20261208);
    std::vector<double> samples;
    int previous = 0;
    for (auto _ : state) {
        const int frame = FarFrame(random, source.FrameCount(), previous, film.gop);
        const int before = source.Statistics().picturesSent;
        const double start = NowMs();
        if (!source.RgbFrame(frame)) {
            state.SkipWithError(source.LastError().c_str());
            return;
        }
        state.SetIterationTime((NowMs() - start) / 1000);
        samples.push_back(source.Statistics().picturesSent - before);
        previous = frame;
    }
    state.counters["pictures_median"] = Median(samples);
    Record(Figure{"pictures decoded per random access", film.name, "pic"}, std::move(samples));
}

// What a seek adds the first time it leaves a line of the film: the line's stream read again up to
// the next line's I picture, start codes only, and compared with the index.
void IndexLineCheck(benchmark::State& state, const Film& film) {
    d2v::D2VFile file;
    std::string error;
    if (!d2v::ReadD2VFile(D2vPath(film), file, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string folder = std::filesystem::path(D2vPath(film)).parent_path().string();
    std::vector<std::string> paths;
    for (const std::string& written : file.files)
        paths.push_back(d2v::ResolveStreamPath(written, folder));
    mpegstream::FileSet files;
    if (!files.Open(paths)) {
        state.SkipWithError("the film's stream files cannot be opened");
        return;
    }
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(file.lines.size()) - 1);
    std::vector<double> samples;
    for (auto _ : state) {
        const int line = pick(random);
        const double start = NowMs();
        const d2v::LineAgreement agreement = d2v::CheckIndexLine(file, files, line);
        samples.push_back(NowMs() - start);
        state.SetIterationTime(samples.back() / 1000);
        if (agreement != d2v::LineAgreement::Agrees) {
            state.SkipWithError(("line " + std::to_string(line) + " does not agree with its stream").c_str());
            return;
        }
    }
    Figure figure{"index line check", film.name};
    figure.ratioTo = "gop";
    Record(std::move(figure), std::move(samples));
}

} // namespace

void RegisterDecoderBenchmarks() {
    for (const Film& film : Films()) {
        if (film.baseline != film.name)
            continue;
        // Enough pictures to average over many GOPs; a pass stays within a few seconds.
        benchmark::RegisterBenchmark(("baseline/libavcodec_sequential/" + film.name).c_str(),
                                     [&film](benchmark::State& s) { Baseline(s, film, 600); })
            ->Iterations(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    for (const char* name : {"two_hours", "pal_gop12"})
        benchmark::RegisterBenchmark((std::string("library/open/") + name).c_str(),
                                     [film = FindFilm(name), name](benchmark::State& s) {
                                         Open(s, *film, std::string(name) == "two_hours" ? 50 : 0);
                                     })
            ->Iterations(15)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);

    for (const Film& film : Films()) {
        const Film* f = &film;
        auto reg = [](const std::string& name, auto fn, int iterations) {
            benchmark::RegisterBenchmark(name.c_str(), fn)
                ->Iterations(iterations)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        };
        const int gop = film.gop;
        auto far = [gop](std::mt19937& r, int count, int previous) {
            return FarFrame(r, count, previous, gop);
        };

        Figure random{"random access"};
        random.targetRatio = 0.75;
        reg(
            "library/random_access/" + film.name,
            [f, random, far](benchmark::State& s) { Accesses(s, *f, random, far, 0); }, 80);

        Figure next{"next frame"};
        next.targetRatio = 0.2;
        reg(
            "library/next_frame/" + film.name,
            [f, next, far](benchmark::State& s) {
                Accesses(
                    s, *f, next, [&](std::mt19937& r, int c, int p) { return far(r, c - 1, p) + 1; }, -1);
            },
            60);

        Figure previous{"previous frame"};
        previous.targetRatio = 0.2;
        reg(
            "library/previous_frame/" + film.name,
            [f, previous, far](benchmark::State& s) {
                Accesses(
                    s, *f, previous, [&](std::mt19937& r, int c, int p) { return far(r, c - 1, p); }, 1);
            },
            60);

        reg(
            "library/jump_50/" + film.name,
            [f, far](benchmark::State& s) {
                Accesses(
                    s, *f, Figure{"jump of 50 frames"},
                    [&](std::mt19937& r, int c, int p) { return far(r, c - 50, p) + 50; }, -50);
            },
            40);

        reg(
            "library/stride_250/" + film.name,
            [f](benchmark::State& s) {
                Accesses(
                    s, *f, Figure{"every 250th frame"},
                    [](std::mt19937&, int c, int p) { return p + 250 < c ? p + 250 : 0; }, 0);
            },
            40);

        const std::vector<int> leading = LeadingBFrames(film);
        if (!leading.empty()) {
            Figure worst{"open-GOP leading B frame"};
            worst.targetRatio = 1.5;
            reg(
                "library/leading_b_frame/" + film.name,
                [f, worst, leading, gop](benchmark::State& s) {
                    // An untimed access three GOPs earlier first, so the GOP before is not cached.
                    Accesses(
                        s, *f, worst,
                        [&](std::mt19937& r, int, int) {
                            return leading[std::uniform_int_distribution<size_t>(0, leading.size() - 1)(r)];
                        },
                        -(3 * gop));
                },
                40);
        }

        reg(
            "library/index_line_check/" + film.name, [f](benchmark::State& s) { IndexLineCheck(s, *f); }, 80);

        reg(
            "library/pictures_per_random_access/" + film.name,
            [f](benchmark::State& s) { PicturesPerAccess(s, *f); }, 80);

        if (film.name == "pal_gop12" || film.name == "ntsc_pulldown")
            benchmark::RegisterBenchmark(("library/bgr24_conversion/" + film.name).c_str(),
                                         [f](benchmark::State& s) { BgrConversion(s, *f); })
                ->Iterations(200)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        if (film.name == "pal_gop12")
            reg(
                "library/bgr24_by_libswscale/" + film.name,
                [f](benchmark::State& s) { SwscaleConversion(s, *f); }, 200);
    }
}

} // namespace bench
