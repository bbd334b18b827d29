#pragma once

#include "model/PixelAspect.h"
#include "model/ProjectSettings.h"
#include "model/TD2VFullProject.h"
#include "render/FrameOutput.h"
#include "render/Resizer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What cinescriptor-render writes: the frames of the scripts the program would write with no
// template, in YUV4MPEG2.

// The parts of a film, named as the scripts name them.
enum class RenderPart { Main, Credits, Mixed };
QString PartName(RenderPart part);
std::optional<RenderPart> PartFromName(const QString& name);

// A film opened and its settings read as the program does when it opens the film.
struct PreparedFilm {
    std::unique_ptr<TD2VFullProject> Project;
    WindowSettings Window;
};

// Opens the film and reads its settings file; on failure returns false with what the model and
// the decoder said, or why the film cannot be rendered yet (no settings file), in messages.
// displayFormat: 0 for 16/9, 1 for 4/3, or -1 for the one the settings file keeps (the stream's
// shape when it keeps none), as the program opens the film.
bool PrepareFilm(const QString& d2vPath, int displayFormat, PreparedFilm& film, QStringList& messages);

// The parts the scripts page would write for the film's credits mode: the main part alone, the
// mixed part, or the main part then the credits part.
std::vector<RenderPart> DefaultParts(const TD2VFullProject& project);

// A stretch of frames, both ends included, and the resizer the scripts give it.
struct RenderSegment {
    uint32_t First = 0;
    uint32_t Last = 0;
    bool IsCredits = false; // BilinearResize rather than BicubicResize
};

struct PartPlan {
    RenderPart Part = RenderPart::Main;
    std::vector<RenderSegment> Segments;
    uint64_t FrameCount() const;
};

// The part's frames, or nullopt with the reasons in refusals: no such part, no frame in it, a
// template, or a geometry AviSynth refuses on 4:2:0 pictures.
std::optional<PartPlan> PlanPart(const PreparedFilm& film, RenderPart part, QStringList& refusals);

// Turns decoded frames into YUV4MPEG2 frames: crop, then the part's resize of each plane.
class FrameRenderer {
public:
    explicit FrameRenderer(TD2VFullProject& project);

    // "YUV4MPEG2 ..." with its line end: size, frame rate, progressive, pixel aspect, 4:2:0.
    QByteArray StreamHeader() const;
    // The frame ("FRAME", line end, then the Y, U and V planes) in frame; false with the reason.
    // A frame that decodes damaged still comes; for the first such frame of the film,
    // damageReport then says so.
    bool Render(int32_t frameNumber, bool isCredits, std::vector<uint8_t>& frame, QString& damageReport,
                QString& error);
    size_t FrameBytes() const { return frameBytes; }

private:
    TD2VFullProject& project;
    int outputWidth;
    int outputHeight;
    size_t frameBytes;
    PlaneResizer mainLuma;
    PlaneResizer mainChroma;
    PlaneResizer creditsLuma;
    PlaneResizer creditsChroma;
};

// Writes the part's stream header and frames; false with the reason in error. tell gets the
// damage report, frameDone is called after each frame written.
bool WritePart(FrameRenderer& renderer, const PartPlan& plan, FrameOutput& output,
               const std::function<void(const QString&)>& tell, const std::function<void()>& frameDone,
               QString& error);
