// Draws the bitrate calculator and the About window into PNG files, for the documentation.
// Usage: calculator_screenshots <folder>; run it under a real X server (xvfb-run) so fonts and
// style are the desktop's.
#include "common/TestPaths.h"
#include "model/DecoderLibrary.h"
#include "model/TD2VFullProject.h"
#include "ui/About.h"
#include "ui/BitRateCalculator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool Save(QWidget* window, const QString& path) {
    window->show();
    QApplication::processEvents();
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    window->hide();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Cinescriptor"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: calculator_screenshots <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    // A two-hour PAL film with its credits in a script of their own.
    QTemporaryDir dir;
    const QString film = dir.filePath(QStringLiteral("film.d2v"));
    QFile description(film);
    if (!description.open(QIODevice::WriteOnly))
        return 1;
    description.write("width=720\nheight=576\nnum=25\nden=1\nframes=180000\n");
    description.close();
    DecoderLibraryFileName = BinDir() + QStringLiteral("/libfakedecoder.so");
    TD2VFullProject project;
    if (!project.Open(film))
        return 1;
    project.SetCreditsMode(2);
    project.SetCreditsFrameNumber(175000);
    project.SetAudioSize(165888000);
    project.SetSubTitlesSize(716800);
    project.SetCreditsVideoSize(10485760);
    project.SetMediumSize(2u * 737280000u);

    TForm3 calculator(nullptr, &project);
    TFormAbout about(nullptr);
    const bool saved = Save(&calculator, folder + QStringLiteral("/calculator.png")) &&
                       Save(&about, folder + QStringLiteral("/about.png"));
    return saved ? 0 : 1;
}
