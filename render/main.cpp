// cinescriptor-render: the frames of the scripts Cinescriptor writes for a film, in YUV4MPEG2,
// for encoders on systems without AviSynth.

#include "platform/FileBytes.h"
#include "render/FrameOutput.h"
#include "render/RenderJob.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

const char* const Usage =
    "Usage : cinescriptor-render FILM.d2v [--part main|credits|mixed] [-o SORTIE.y4m]\n"
    "                            [--display 16:9|4:3] [--quiet]\n"
    "\n"
    "Écrit en YUV4MPEG2 (4:2:0, progressif) les images des scripts AviSynth que Cinescriptor écrit\n"
    "pour ce film sans modèle : Trim, Crop, puis BicubicResize pour la vidéo principale ou\n"
    "BilinearResize pour les crédits, avec les réglages enregistrés dans FILM.ini. Le film doit\n"
    "avoir été préparé dans Cinescriptor et ses réglages enregistrés en fermant la fenêtre.\n"
    "\n"
    "  --part main      la vidéo principale (toute la séquence si « Mode Crédits » n'est pas coché)\n"
    "  --part credits   les crédits\n"
    "  --part mixed     la vidéo principale puis les crédits, en un seul flux\n"
    "                   Sans --part : ce que la page des scripts écrirait, « main » seul sans crédits,\n"
    "                   « mixed » avec un seul script, « main » puis « credits » avec deux scripts.\n"
    "  -o SORTIE.y4m    écrit dans ce fichier ; sans -o, ou avec -o -, sur la sortie standard.\n"
    "                   Quand deux parties sont écrites, les crédits vont dans SORTIE_Credits.y4m\n"
    "                   (nommé comme la page des scripts nomme le script des crédits) ; la sortie\n"
    "                   standard n'en reçoit qu'une : choisissez-la avec --part.\n"
    "  --display 16:9|4:3\n"
    "                   forme d'affichage de l'image entière, qui donne la forme des pixels écrite\n"
    "                   dans le flux ; sans elle, celle que FILM.ini garde (celle du flux à défaut),\n"
    "                   avec la largeur active choisie dans Cinescriptor (720 ou 704)\n"
    "  -q, --quiet      pas d'avancement sur le terminal\n"
    "  -h, --help       cette aide\n"
    "\n"
    "Exemple : cinescriptor-render film.d2v --part main | ffmpeg -i - -c:v libx264 -b:v 914k film.mp4\n"
    "\n"
    "Code de sortie : 0 réussite, 1 échec (message sur la sortie d'erreur), 2 mauvais arguments.\n";

struct Options {
    QString Film;
    std::optional<RenderPart> Part;
    QString Output; // empty or "-": standard output
    int DisplayFormat = -1;
    bool IsQuiet = false;
    bool IsHelp = false;
};

// False with the reason (empty for a plain usage error) when the arguments make no sense.
bool ParseArguments(int argc, char* argv[], Options& options, QString& problem) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = FileNameFromBytes(QByteArray(argv[i]));
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (!options.Film.isEmpty()) {
                problem = QStringLiteral("un seul film à la fois (« %1 » en trop)").arg(argument);
                return false;
            }
            options.Film = argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.IsHelp = true;
            continue;
        }
        if (argument == QLatin1String("-q") || argument == QLatin1String("--quiet")) {
            options.IsQuiet = true;
            continue;
        }
        // Options with a value: "--part credits" or "--part=credits".
        QString name = argument;
        QString value;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        } else if (argument == QLatin1String("--part") || argument == QLatin1String("-o") ||
                   argument == QLatin1String("--output") || argument == QLatin1String("--display")) {
            if (i + 1 >= argc) {
                problem = QStringLiteral("« %1 » attend une valeur").arg(argument);
                return false;
            }
            value = FileNameFromBytes(QByteArray(argv[++i]));
        }
        if (name == QLatin1String("--part")) {
            options.Part = PartFromName(value);
            if (!options.Part) {
                problem = QStringLiteral("partie inconnue « %1 » (main, credits ou mixed)").arg(value);
                return false;
            }
        } else if (name == QLatin1String("-o") || name == QLatin1String("--output")) {
            options.Output = value;
        } else if (name == QLatin1String("--display")) {
            if (value == QLatin1String("16:9"))
                options.DisplayFormat = 0;
            else if (value == QLatin1String("4:3"))
                options.DisplayFormat = 1;
            else {
                problem = QStringLiteral("forme d'affichage inconnue « %1 » (16:9 ou 4:3)").arg(value);
                return false;
            }
        } else {
            problem = QStringLiteral("option inconnue « %1 »").arg(argument);
            return false;
        }
    }
    if (options.Film.isEmpty() && !options.IsHelp) {
        problem = QStringLiteral("aucun film .d2v n'est donné");
        return false;
    }
    return true;
}

bool IsStandardOutput(const QString& output) {
    return output.isEmpty() || output == QLatin1String("-");
}

// As the scripts page names the credits script: the main name with "_Credits" before the extension.
QString CreditsOutputName(const QString& path) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype extension = dot > nameStart ? dot : path.size();
    return path.left(extension) + QStringLiteral("_Credits") + path.mid(extension);
}

// Frames, speed and time left on the terminal, rewritten in place twice a second.
class Progress {
public:
    Progress(uint64_t total_, bool isShown_) : total(total_), isShown(isShown_) { clock.start(); }

    void FrameDone() {
        ++done;
        if (!isShown || (clock.elapsed() < nextShow && done != total))
            return;
        nextShow = clock.elapsed() + 500;
        const double seconds = clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0;
        const auto left = static_cast<qint64>(rate > 0 ? (total - done) / rate : 0);
        std::fprintf(stderr, "\r  image %llu / %llu   %.1f images/s   reste %lld:%02lld:%02lld ",
                     static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), rate,
                     left / 3600, left / 60 % 60, left % 60);
        std::fflush(stderr);
        isLineOpen = true;
    }
    // Ends the progress line, so that a message that follows starts on its own line.
    void EndLine() {
        if (isLineOpen)
            std::fputc('\n', stderr);
        isLineOpen = false;
    }

private:
    uint64_t total;
    bool isShown;
    uint64_t done = 0;
    QElapsedTimer clock;
    qint64 nextShow = 0;
    bool isLineOpen = false;
};

void Tell(const QString& text) {
    std::fprintf(stderr, "cinescriptor-render : %s\n", qUtf8Printable(text));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    // A reader that stops early (an encoder given a frame count) is seen as a failed write.
    std::signal(SIGPIPE, SIG_IGN);

    Options options;
    QString problem;
    if (!ParseArguments(argc, argv, options, problem)) {
        if (!problem.isEmpty())
            Tell(problem);
        std::fputs(Usage, stderr);
        return 2;
    }
    if (options.IsHelp) {
        std::fputs(Usage, stdout);
        return 0;
    }

    PreparedFilm film;
    QStringList messages;
    const bool isPrepared = PrepareFilm(options.Film, options.DisplayFormat, film, messages);
    for (const QString& message : messages)
        Tell(message);
    if (!isPrepared)
        return 1;

    const std::vector<RenderPart> parts =
        options.Part ? std::vector<RenderPart>{*options.Part} : DefaultParts(*film.Project);
    std::vector<PartPlan> plans;
    QStringList refusals;
    for (RenderPart part : parts)
        if (const auto plan = PlanPart(film, part, refusals))
            plans.push_back(*plan);
    for (const QString& refusal : refusals)
        Tell(refusal);
    if (!refusals.isEmpty())
        return 1;
    if (plans.size() > 1 && IsStandardOutput(options.Output)) {
        Tell(QStringLiteral(
            "Ce film a deux scripts, la vidéo principale et les crédits : la sortie standard ne "
            "peut recevoir qu'un des deux. Choisissez --part main ou --part credits, ou donnez "
            "-o SORTIE.y4m pour écrire les deux fichiers."));
        return 1;
    }

    // Every output is opened before the first frame, so that a folder that cannot be written
    // costs no decoding.
    std::vector<std::unique_ptr<FrameOutput>> outputs;
    for (size_t i = 0; i < plans.size(); ++i) {
        if (IsStandardOutput(options.Output)) {
            outputs.push_back(FrameOutput::Standard());
            continue;
        }
        const QString path = i == 0 ? options.Output : CreditsOutputName(options.Output);
        QString error;
        outputs.push_back(FrameOutput::OpenFile(path, error));
        if (!outputs.back()) {
            Tell(error);
            return 1;
        }
    }

    uint64_t total = 0;
    for (const PartPlan& plan : plans)
        total += plan.FrameCount();
    Progress progress(total, !options.IsQuiet && ::isatty(STDERR_FILENO));
    FrameRenderer renderer(*film.Project);
    for (size_t i = 0; i < plans.size(); ++i) {
        QString error;
        const bool isWritten = WritePart(
            renderer, plans[i], *outputs[i],
            [&progress](const QString& text) {
                progress.EndLine();
                Tell(text);
            },
            [&progress] { progress.FrameDone(); }, error);
        if (!isWritten || !outputs[i]->Commit()) {
            progress.EndLine();
            Tell(isWritten ? outputs[i]->Error() : error);
            return 1;
        }
    }
    progress.EndLine();
    return 0;
}
