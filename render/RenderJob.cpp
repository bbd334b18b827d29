#include "render/RenderJob.h"

#include "model/DecoderLibrary.h"
#include "model/MessageSink.h"

#include <QFileInfo>
#include <cstring>
#include <limits>
#include <numeric>

namespace {

// The model reports through the process-wide sink; here its texts are gathered instead of shown.
class GatheringSink final : public MessageSink {
public:
    GatheringSink() : previous(&Messages()) { SetMessageSink(this); }
    ~GatheringSink() override { SetMessageSink(previous); }
    GatheringSink(const GatheringSink&) = delete;
    GatheringSink& operator=(const GatheringSink&) = delete;

    void Information(const QString& text) override { Texts << text; }
    void Warning(const QString& text) override { Texts << text; }
    bool Confirm(const QString& text) override {
        Texts << text;
        return false;
    }

    QStringList Texts;

private:
    MessageSink* previous;
};

constexpr double BicubicB = 0.33;
constexpr double BicubicC = 0.33;

} // namespace

QString PartName(RenderPart part) {
    switch (part) {
    case RenderPart::Main:
        return QStringLiteral("main");
    case RenderPart::Credits:
        return QStringLiteral("credits");
    case RenderPart::Mixed:
        return QStringLiteral("mixed");
    }
    return {};
}

std::optional<RenderPart> PartFromName(const QString& name) {
    for (RenderPart part : {RenderPart::Main, RenderPart::Credits, RenderPart::Mixed})
        if (name == PartName(part))
            return part;
    return std::nullopt;
}

bool PrepareFilm(const QString& d2vPath, int displayFormat, PreparedFilm& film, QStringList& messages) {
    // As the program's own opening does, with the path it would get from its file dialog.
    const QString fileName = QFileInfo(d2vPath).absoluteFilePath();
    GatheringSink sink;
    auto project = std::make_unique<TD2VFullProject>();
    if (!project->Open(fileName)) {
        messages << sink.Texts;
        return false;
    }
    if (project->InputNumberOfFrames == 0) {
        messages << QStringLiteral("Le fichier %1 ne contient aucune image : il ne peut pas être ouvert.")
                        .arg(fileName);
        return false;
    }
    // Opening draws frame 0 and tells of its damage; the renderer tells of damage in the frames it
    // writes, once, in its own words.
    if (project->IsStreamDamageReported && !sink.Texts.isEmpty())
        sink.Texts.removeLast();
    project->IsStreamDamageReported = false;
    messages << sink.Texts;
    sink.Texts.clear();

    const QString iniFileName = IniFileNameFor(fileName);
    if (IsIniFileMissing(iniFileName)) {
        messages << QStringLiteral(
                        "Le fichier de réglages « %1 » est absent ou illisible : préparez d'abord le film "
                        "dans Cinescriptor (ouvrez « %2 », faites vos réglages, puis fermez la fenêtre "
                        "en enregistrant les modifications).")
                        .arg(iniFileName, fileName);
        return false;
    }
    // The window state every opening starts from; the file then has its say.
    WindowSettings window;
    project->SetIsCreditsModeSelected(false);
    LoadProjectSettings(iniFileName, *project, window);
    if (displayFormat == 0 || displayFormat == 1)
        project->SetInputDisplayFormat(static_cast<uint8_t>(displayFormat));
    if (!sink.Texts.isEmpty()) {
        messages << QStringLiteral("Le fichier de réglages « %1 » contient des valeurs que le film refuse :")
                        .arg(iniFileName)
                 << sink.Texts;
        return false;
    }
    project->SetCreditsMode(
        TD2VFullProject::CreditsModeFor(project->IsCreditsModeSelected, window.IsOnlyOneScript));
    if (!sink.Texts.isEmpty()) {
        messages << sink.Texts;
        return false;
    }
    film.Project = std::move(project);
    film.Window = window;
    return true;
}

std::vector<RenderPart> DefaultParts(const TD2VFullProject& project) {
    switch (project.CreditsMode) {
    case 1:
        return {RenderPart::Mixed};
    case 2:
        return {RenderPart::Main, RenderPart::Credits};
    default:
        return {RenderPart::Main};
    }
}

uint64_t PartPlan::FrameCount() const {
    uint64_t count = 0;
    for (const RenderSegment& segment : Segments)
        count += uint64_t{segment.Last} - segment.First + 1;
    return count;
}

namespace {

QString PartText(RenderPart part) {
    return QStringLiteral("La partie « %1 »").arg(PartName(part));
}

// Crop's own refusal on 4:2:0 pictures, where a chroma sample covers two by two pixels.
void CheckGeometry(const TD2VFullProject& p, QStringList& refusals) {
    if (p.InputWidth % 2 != 0 || p.InputHeight % 2 != 0)
        refusals << QStringLiteral(
                        "L'image du film mesure %1 × %2 pixels : une image 4:2:0 de taille impaire ne peut "
                        "pas être traitée comme AviSynth le ferait.")
                        .arg(p.InputWidth)
                        .arg(p.InputHeight);
    const struct {
        const char* Key;
        const char* Border;
        uint16_t Value;
    } crops[] = {{"CropLeft", "gauche", p.CropLeft},
                 {"CropTop", "haut", p.CropTop},
                 {"CropRight", "droite", p.CropRight},
                 {"CropBottom", "bas", p.CropBottom}};
    for (const auto& crop : crops)
        if (crop.Value % 2 != 0)
            refusals << QStringLiteral(
                            "Le rognage du bord %1 (%2) vaut %3 pixels, un nombre impair : AviSynth ne "
                            "rogne une image 4:2:0 que de nombres pairs. Dans Cinescriptor, choisissez "
                            "« Modulo » 2 sur la page de rognage, réglez ce bord à nouveau et "
                            "enregistrez.")
                            .arg(QLatin1String(crop.Border), QLatin1String(crop.Key))
                            .arg(crop.Value);
    if (p.OutputWidth % 2 != 0 || p.OutputHeight % 2 != 0)
        refusals << QStringLiteral(
                        "La taille de sortie %1 × %2 est impaire : AviSynth ne redimensionne une image "
                        "4:2:0 qu'en tailles paires. Dans Cinescriptor, choisissez des « Modulos » pairs "
                        "sur la page de redimensionnement et enregistrez.")
                        .arg(p.OutputWidth)
                        .arg(p.OutputHeight);
}

} // namespace

std::optional<PartPlan> PlanPart(const PreparedFilm& film, RenderPart part, QStringList& refusals) {
    const TD2VFullProject& p = *film.Project;
    const qsizetype before = refusals.size();
    const bool hasCredits = p.CreditsMode != 0;
    if (part != RenderPart::Main && !hasCredits) {
        refusals << QStringLiteral(
                        "%1 n'existe pas : le film n'a pas de crédits (« Mode Crédits » n'est pas coché "
                        "dans Cinescriptor).")
                        .arg(PartText(part));
        return std::nullopt;
    }

    // Trim stops at the film's last frame, as AviSynth's does with an end beyond it.
    const uint32_t lastOfFilm = p.InputNumberOfFrames - 1;
    auto segment = [&](uint32_t first, int64_t last, bool isCredits) -> std::optional<RenderSegment> {
        const int64_t end = std::min<int64_t>(last, lastOfFilm);
        if (end < first) {
            refusals << QStringLiteral(
                            "%1 ne contient aucune frame (début à la frame %2, fin à la frame %3) : "
                            "rien ne peut être écrit.")
                            .arg(isCredits ? QStringLiteral("La séquence des crédits")
                                           : QStringLiteral("La vidéo principale"))
                            .arg(first)
                            .arg(last);
            return std::nullopt;
        }
        return RenderSegment{first, static_cast<uint32_t>(end), isCredits};
    };
    PartPlan plan;
    plan.Part = part;
    if (part != RenderPart::Credits) {
        // The credits start frame belongs to the credits: the main part ends on the frame before it.
        const int64_t end = hasCredits ? int64_t{p.CreditsFrameNumber} - 1 : int64_t{p.LastFrameNumber};
        if (const auto main = segment(p.FirstFrameNumber, end, false))
            plan.Segments.push_back(*main);
    }
    if (part != RenderPart::Main)
        if (const auto credits = segment(p.CreditsFrameNumber, p.LastFrameNumber, true))
            plan.Segments.push_back(*credits);

    const bool usesMainTemplate = part != RenderPart::Credits && film.Window.IsMainScriptModele;
    const bool usesCreditsTemplate = part == RenderPart::Credits && film.Window.IsCreditsScriptModele;
    if (usesMainTemplate || usesCreditsTemplate)
        refusals << QStringLiteral("%1 suit le modèle de script « %2 » : seul AviSynth peut l'exécuter.")
                        .arg(PartText(part), usesMainTemplate ? film.Window.MainScriptModele
                                                              : film.Window.CreditsScriptModele);
    CheckGeometry(p, refusals);
    if (refusals.size() != before)
        return std::nullopt;
    return plan;
}

FrameRenderer::FrameRenderer(TD2VFullProject& project_)
    : project(project_), outputWidth(project_.OutputWidth), outputHeight(project_.OutputHeight),
      frameBytes(std::strlen("FRAME\n") +
                 static_cast<size_t>(outputWidth) * static_cast<size_t>(outputHeight) * 3 / 2),
      mainLuma(ResizeKernel::Bicubic(BicubicB, BicubicC), project_.CroppedWidth, project_.CroppedHeight,
               outputWidth, outputHeight),
      mainChroma(ResizeKernel::Bicubic(BicubicB, BicubicC), project_.CroppedWidth / 2,
                 project_.CroppedHeight / 2, outputWidth / 2, outputHeight / 2),
      creditsLuma(ResizeKernel::Bilinear(), project_.CroppedWidth, project_.CroppedHeight, outputWidth,
                  outputHeight),
      creditsChroma(ResizeKernel::Bilinear(), project_.CroppedWidth / 2, project_.CroppedHeight / 2,
                    outputWidth / 2, outputHeight / 2) {}

QByteArray FrameRenderer::StreamHeader() const {
    const DecoderVideoInfo* info = project.VideoInfo;
    const Fraction rate =
        info != nullptr
            ? Fraction::Reduced(info->frameRateNumerator, info->frameRateDenominator)
            : Fraction::Reduced(project.InputFrameRateNumerator, project.InputFrameRateDenominator);
    // Readers of the format take each term as a 32-bit integer.
    const Fraction aspect = OutputPixelAspect(project).Limited(std::numeric_limits<int32_t>::max());
    return QStringLiteral("YUV4MPEG2 W%1 H%2 F%3:%4 Ip A%5:%6 C420mpeg2\n")
        .arg(outputWidth)
        .arg(outputHeight)
        .arg(rate.Numerator)
        .arg(rate.Denominator)
        .arg(aspect.Numerator)
        .arg(aspect.Denominator)
        .toLatin1();
}

bool FrameRenderer::Render(int32_t frameNumber, bool isCredits, std::vector<uint8_t>& frame,
                           QString& damageReport, QString& error) {
    damageReport.clear();
    const unsigned char* yuv =
        project.GetFrameEntry != nullptr ? project.GetFrameEntry(frameNumber) : nullptr;
    if (yuv == nullptr) {
        const QString cause = DecoderErrorText(project.LibraryHandle.get());
        error = QStringLiteral("Le décodeur n'a pas pu fournir l'image %1 du fichier « %2 »%3.")
                    .arg(frameNumber)
                    .arg(project.FileName, cause.isEmpty() ? QString() : QStringLiteral(" : ") + cause);
        return false;
    }
    const int width = project.InputWidth;
    const int height = project.InputHeight;
    // The record is read again at every frame; a size that changed would make the planes overrun.
    if (project.VideoInfo == nullptr || project.VideoInfo->width != width ||
        project.VideoInfo->height != height) {
        error = QStringLiteral("Le décodeur a changé la taille de l'image %1 du fichier « %2 ».")
                    .arg(frameNumber)
                    .arg(project.FileName);
        return false;
    }
    // Told once a film: a damaged stream would otherwise flood the terminal frame after frame.
    if (!project.IsStreamDamageReported) {
        damageReport = project.FrameDamageMessage(frameNumber, true);
        project.IsStreamDamageReported = !damageReport.isEmpty();
    }

    const int chromaWidth = width / 2;
    const uint8_t* y = yuv + project.CropTop * width + project.CropLeft;
    const uint8_t* u = yuv + width * height + project.CropTop / 2 * chromaWidth + project.CropLeft / 2;
    const uint8_t* v = u + chromaWidth * (height / 2);
    frame.resize(frameBytes);
    std::memcpy(frame.data(), "FRAME\n", 6);
    uint8_t* out = frame.data() + 6;
    const size_t lumaBytes = static_cast<size_t>(outputWidth) * static_cast<size_t>(outputHeight);
    PlaneResizer& luma = isCredits ? creditsLuma : mainLuma;
    PlaneResizer& chroma = isCredits ? creditsChroma : mainChroma;
    luma.Resize(y, width, out, outputWidth);
    chroma.Resize(u, chromaWidth, out + lumaBytes, outputWidth / 2);
    chroma.Resize(v, chromaWidth, out + lumaBytes + lumaBytes / 4, outputWidth / 2);
    return true;
}

bool WritePart(FrameRenderer& renderer, const PartPlan& plan, FrameOutput& output,
               const std::function<void(const QString&)>& tell, const std::function<void()>& frameDone,
               QString& error) {
    const QByteArray header = renderer.StreamHeader();
    if (!output.Write(header.constData(), static_cast<size_t>(header.size()))) {
        error = output.Error();
        return false;
    }
    std::vector<uint8_t> frame;
    QString damageReport;
    for (const RenderSegment& segment : plan.Segments) {
        for (uint64_t n = segment.First; n <= segment.Last; ++n) {
            if (!renderer.Render(static_cast<int32_t>(n), segment.IsCredits, frame, damageReport, error))
                return false;
            if (!damageReport.isEmpty())
                tell(damageReport);
            if (!output.Write(frame.data(), frame.size())) {
                error = output.Error();
                return false;
            }
            frameDone();
        }
    }
    return true;
}
