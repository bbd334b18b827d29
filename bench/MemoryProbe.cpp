// Opens a film, visits random frames and prints what the process held:
//   cinescriptor_bench_memory <film.d2v> library|project [visits]
// "library" goes through the decoder's C entry points only; "project" opens the film as the
// program does (TD2VFullProject, drawing each frame on a page-sized canvas); "index" indexes its
// stream files instead (the peak beyond the size before indexing).

#include "model/MessageSink.h"
#include "model/TD2VFullProject.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "MemoryProbe.h"

namespace {

class StderrSink : public MessageSink {
public:
    void Information(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void Warning(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool Confirm(const QString&) override { return false; }
};

int Project(int argc, char** argv, int visits) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    StderrSink sink;
    SetMessageSink(&sink);
    std::printf("rss_before_open_kb %ld\n", ResidentKb());
    TD2VFullProject project;
    if (!project.Open(QString::fromLocal8Bit(argv[1])))
        return 1;
    QImage canvas(720, 576, QImage::Format_RGB888);
    if (!project.ShowFrame(0, canvas, Qt::darkGray))
        return 1;
    std::printf("rss_after_open_kb %ld\n", ResidentKb());
    std::mt19937 random(1000);
    std::uniform_int_distribution<int32_t> pick(0, int32_t(project.InputNumberOfFrames) - 1);
    for (int i = 0; i < visits; ++i)
        if (!project.ShowFrame(pick(random), canvas, Qt::darkGray))
            return 1;
    std::printf("rss_after_visits_kb %ld\n", ResidentKb());
    std::printf("max_rss_kb %ld\n", PeakResidentKb());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[2], "library") != 0 && std::strcmp(argv[2], "project") != 0 &&
                     std::strcmp(argv[2], "index") != 0)) {
        std::fprintf(stderr, "usage: %s film.d2v library|project|index [visits]\n", argv[0]);
        return 2;
    }
    if (std::strcmp(argv[2], "index") == 0)
        return ProbeIndexing(argv[1]);
    const int visits = argc > 3 ? std::atoi(argv[3]) : 1000;
    return std::strcmp(argv[2], "library") == 0 ? ProbeLibrary(argv[1], visits) : Project(argc, argv, visits);
}
