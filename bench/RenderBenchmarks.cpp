// cinescriptor-render's loop (decode, crop, resize, YUV4MPEG2 out) set beside the sequential
// getFrame decode of the same frames, and its resident size over a long stretch of film.
#include "BenchSupport.h"

#include "render/FrameOutput.h"
#include "render/RenderJob.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace bench {

namespace {

// The letterboxed films' picture, 720 x 432, to 640 x 272: the usual 2.35 encode.
std::unique_ptr<TD2VFullProject> LetterboxProject(benchmark::State& state, const Film& film) {
    auto project = std::make_unique<TD2VFullProject>();
    if (!project->Open(QString::fromStdString(D2vPath(film)))) {
        state.SkipWithError("cannot open the film");
        return nullptr;
    }
    project->SetCropTop(72);
    project->SetCropBottom(72);
    project->SetOutputProjectedRatio(2.35f);
    project->SetOutputWidth(640);
    if (project->OutputWidth != 640 || project->OutputHeight != 272) {
        state.SkipWithError("the film does not give a 640 x 272 output");
        return nullptr;
    }
    return project;
}

// A film set for the 2.35 encode, its renderer and an output that throws the frames away.
struct Bench {
    std::unique_ptr<TD2VFullProject> Project;
    std::unique_ptr<FrameRenderer> Renderer;
    std::unique_ptr<FrameOutput> Output;

    bool Start(benchmark::State& state, const Film& film) {
        Project = LetterboxProject(state, film);
        if (!Project)
            return false;
        QString error;
        Output = FrameOutput::OpenFile(QStringLiteral("/dev/null"), error);
        if (!Output) {
            state.SkipWithError(error.toStdString().c_str());
            return false;
        }
        Renderer = std::make_unique<FrameRenderer>(*Project);
        return true;
    }
};

double ResidentMb() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576;
}

constexpr uint32_t kStretch = 500;

// Per frame, the decode alone and the whole render of the same stretch, in turns.
void RenderVersusDecode(benchmark::State& state, const Film& film) {
    Bench set;
    if (!set.Start(state, film))
        return;
    TD2VFullProject* project = set.Project.get();
    FrameRenderer& renderer = *set.Renderer;
    FrameOutput& output = *set.Output;
    QString error;
    const uint32_t stretches = project->InputNumberOfFrames / kStretch;
    std::vector<double> decodeSamples;
    std::vector<double> renderSamples;
    uint32_t round = 0;
    for (auto _ : state) {
        const uint32_t first = (round++ % stretches) * kStretch;
        const PartPlan plan{RenderPart::Main, {RenderSegment{first, first + kStretch - 1, false}}};

        // Each run starts with the same random access: the decoder holds nothing of the stretch.
        const auto elsewhere =
            static_cast<int32_t>((first + project->InputNumberOfFrames / 2) % project->InputNumberOfFrames);
        project->GetFrameEntry(elsewhere);
        auto start = NowMs();
        for (uint32_t n = first; n <= plan.Segments[0].Last; ++n)
            if (project->GetFrameEntry(static_cast<int32_t>(n)) == nullptr) {
                state.SkipWithError("getFrame failed");
                return;
            }
        decodeSamples.push_back((NowMs() - start) / kStretch);

        project->GetFrameEntry(elsewhere);
        start = NowMs();
        if (!WritePart(
                renderer, plan, output, [](const QString&) {}, [] {}, error)) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        renderSamples.push_back((NowMs() - start) / kStretch);
        state.SetIterationTime((decodeSamples.back() + renderSamples.back()) * kStretch / 1000);
    }
    state.counters["decode_fps"] = 1000 / Median(decodeSamples);
    state.counters["render_fps"] = 1000 / Median(renderSamples);
    Record(Figure{"getFrame, sequential (per frame)", film.name}, std::move(decodeSamples));
    Figure render{"render 640 x 272 (per frame)", film.name};
    render.ratioTo = "decode";
    render.targetRatio = 1.5;
    Record(std::move(render), std::move(renderSamples));
}

// The resident size after a first stretch and after a long one: the render holds one frame and
// its resizers' buffers, whatever the length.
void RenderMemory(benchmark::State& state, const Film& film, uint32_t frames) {
    Bench set;
    if (!set.Start(state, film))
        return;
    FrameRenderer& renderer = *set.Renderer;
    FrameOutput& output = *set.Output;
    QString error;
    double early = 0;
    double late = 0;
    for (auto _ : state) {
        const PartPlan plan{RenderPart::Main, {RenderSegment{0, frames - 1, false}}};
        uint32_t done = 0;
        const auto start = NowMs();
        if (!WritePart(
                renderer, plan, output, [](const QString&) {},
                [&] {
                    if (++done == kStretch)
                        early = ResidentMb();
                },
                error)) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        late = ResidentMb();
        state.SetIterationTime((NowMs() - start) / 1000);
    }
    state.counters["rss_after_500_mb"] = early;
    state.counters["rss_at_end_mb"] = late;
    Record(Figure{"render: resident size growth, frame 500 to " + std::to_string(frames), film.name, "MB"},
           {late - early});
}

} // namespace

void RegisterRenderBenchmarks() {
    const Film* film = FindFilm("pal_gop12");
    benchmark::RegisterBenchmark("render/versus_decode/pal_gop12",
                                 [film](benchmark::State& s) { RenderVersusDecode(s, *film); })
        ->Iterations(9)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    const Film* longFilm = FindFilm("two_hours");
    benchmark::RegisterBenchmark("render/memory/two_hours",
                                 [longFilm](benchmark::State& s) { RenderMemory(s, *longFilm, 9000); })
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
