#include "BenchSupport.h"

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QImage>
#include <functional>
#include <memory>
#include <random>

namespace bench {

namespace {

// The model's messages would be modal boxes in the program; here a message means the figure is
// not worth having.
class BenchSink : public MessageSink {
public:
    void Information(const QString& text) override { last = text; }
    void Warning(const QString& text) override { last = text; }
    bool Confirm(const QString& text) override {
        last = text;
        return false;
    }
    QString last;
};

BenchSink sink;

// The canvas of the three picture pages.
QImage Canvas() {
    return QImage(720, 576, QImage::Format_RGB888);
}
const QColor kBackground(Qt::darkGray);

std::unique_ptr<TD2VFullProject> OpenProject(benchmark::State& state, const Film& film) {
    SetMessageSink(&sink);
    sink.last.clear();
    auto project = std::make_unique<TD2VFullProject>();
    if (!project->Open(QString::fromStdString(D2vPath(film)))) {
        state.SkipWithError(("open: " + sink.last.toStdString()).c_str());
        return nullptr;
    }
    return project;
}

bool Check(benchmark::State& state, bool ok) {
    if (!ok)
        state.SkipWithError(sink.last.toStdString().c_str());
    return ok;
}

void Open(benchmark::State& state, const Film& film) {
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = NowMs();
        auto project = OpenProject(state, film);
        const auto end = NowMs();
        if (!project)
            return;
        samples.push_back(end - start);
        state.SetIterationTime(samples.back() / 1000);
    }
    Record(Figure{"model Open (library load + open)", film.name}, std::move(samples));
}

void AutoCrop(benchmark::State& state, const Film& film) {
    auto project = OpenProject(state, film);
    if (!project)
        return;
    QImage canvas = Canvas();
    std::mt19937 random(6);
    std::uniform_int_distribution<int32_t> pick(0, int32_t(project->InputNumberOfFrames) - 1);
    std::vector<double> samples;
    for (auto _ : state) {
        // A frame on display elsewhere in the film, as when the user asks from the crop page.
        if (!Check(state, project->ShowFrame(pick(random), canvas, kBackground)))
            return;
        const auto start = NowMs();
        if (!Check(state, project->AutoCrop()))
            return;
        const auto end = NowMs();
        samples.push_back(end - start);
        state.SetIterationTime(samples.back() / 1000);
    }
    state.counters["crop_top"] = project->CropTop;
    state.counters["crop_bottom"] = project->CropBottom;
    Figure figure{"AutoCrop", film.name};
    figure.ratioTo = "access";
    figure.targetRatio = 5;
    Record(std::move(figure), std::move(samples));
}

using Draw = std::function<bool(TD2VFullProject&, int32_t, QImage&)>;

// Redraws of the frame on display (the decoder serves it from its cache), or steps to the next
// frame when `step` is set.
void Preview(benchmark::State& state, const Film& film, const std::string& what, const Draw& draw,
             bool step) {
    auto project = OpenProject(state, film);
    if (!project)
        return;
    QImage canvas = Canvas();
    if (!Check(state, project->AutoCrop()))
        return;
    int32_t frame = int32_t(project->InputNumberOfFrames / 3);
    if (!Check(state, draw(*project, frame, canvas)))
        return;
    std::vector<double> samples;
    for (auto _ : state) {
        if (step)
            ++frame;
        const auto start = NowMs();
        if (!Check(state, draw(*project, frame, canvas)))
            return;
        const auto end = NowMs();
        samples.push_back(end - start);
        state.SetIterationTime(samples.back() / 1000);
    }
    Figure figure{what, film.name};
    if (step) {
        figure.ratioTo = "gop";
    } else {
        figure.targetAbsolute = 5;
    }
    Record(std::move(figure), std::move(samples));
}

} // namespace

void RegisterModelBenchmarks() {
    const Film* film = FindFilm("two_hours");
    auto reg = [](const std::string& name, auto fn, int iterations) {
        benchmark::RegisterBenchmark(name.c_str(), fn)
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    reg(
        "model/open/two_hours", [film](benchmark::State& s) { Open(s, *film); }, 10);
    reg(
        "model/auto_crop/two_hours", [film](benchmark::State& s) { AutoCrop(s, *film); }, 15);

    const std::vector<std::pair<std::string, Draw>> draws{
        {"ShowFrame",
         [](TD2VFullProject& p, int32_t f, QImage& i) { return p.ShowFrame(f, i, kBackground); }},
        {"ShowFrameWithCropBorder", [](TD2VFullProject& p, int32_t f,
                                       QImage& i) { return p.ShowFrameWithCropBorder(f, i, kBackground); }},
        {"ShowResizedCroppedFrame", [](TD2VFullProject& p, int32_t f,
                                       QImage& i) { return p.ShowResizedCroppedFrame(f, i, kBackground); }},
    };
    for (const auto& [name, draw] : draws) {
        reg(
            "model/" + name + "/redraw/two_hours",
            [film, name, draw](benchmark::State& s) { Preview(s, *film, name + " (redraw)", draw, false); },
            100);
        reg(
            "model/" + name + "/next_frame/two_hours",
            [film, name, draw](benchmark::State& s) {
                Preview(s, *film, name + " (next frame)", draw, true);
            },
            60);
    }
}

} // namespace bench
