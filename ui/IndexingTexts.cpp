#include "ui/IndexingTexts.h"

#include "model/UseFullUnit.h"
#include "platform/NumberText.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

QString Quoted(const QString& name) {
    return QStringLiteral("« %1 »").arg(name);
}

// The system's own words for an error number, as a technical cause in brackets.
QString Cause(int systemError) {
    if (systemError == 0)
        return QString();
    return QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(systemError)));
}

} // namespace

QString IndexFailureText(const indexer::IndexResult& r, const QStringList& inputs, const QString& d2vPath) {
    using indexer::IndexFailure;
    const QString file = r.file >= 0 && r.file < inputs.size() ? Quoted(inputs[r.file]) : QString();
    const QString index = Quoted(d2vPath);
    const QString nothing = QStringLiteral("\n\nAucun index n'a été écrit.");
    switch (r.failure) {
    case IndexFailure::None:
    case IndexFailure::Cancelled:
        return QString();
    case IndexFailure::NoInput:
        return QStringLiteral("Aucun fichier vidéo n'a été choisi.");
    case IndexFailure::BadFieldOperation:
        return QStringLiteral("Bug in IndexFilm : field operation !");
    case IndexFailure::OutputIsInput:
        return QStringLiteral("L'index %1 remplacerait le fichier vidéo %2 : choisissez un autre nom pour "
                              "l'index.")
                   .arg(index, file) +
               nothing;
    case IndexFailure::InputMissing:
        return QStringLiteral("Le fichier %1 est introuvable : la vidéo ne peut pas être indexée sans lui.")
                   .arg(file) +
               nothing;
    case IndexFailure::InputNotAFile:
        return QStringLiteral("%1 n'est pas un fichier vidéo : c'est un dossier ou un périphérique.")
                   .arg(file) +
               nothing;
    case IndexFailure::InputUnreadable:
        return QStringLiteral("Le fichier %1 ne peut pas être lu%2.").arg(file, Cause(r.systemError)) +
               nothing;
    case IndexFailure::InputEmpty:
        return QStringLiteral("Le fichier %1 est vide.").arg(file) + nothing;
    case IndexFailure::NotMpeg:
        return QStringLiteral(
                   "Le fichier %1 n'est pas une vidéo MPEG-1 ou MPEG-2 (ni flux programme, ni flux "
                   "transport, ni flux vidéo élémentaire).")
                   .arg(file) +
               nothing;
    case IndexFailure::NoVideo:
        return QStringLiteral("Le fichier %1 ne contient aucune image MPEG-1 ou MPEG-2.").arg(file) + nothing;
    case IndexFailure::NoIPicture:
        return QStringLiteral("Le fichier %1 ne contient aucune image complète (image I) d'où commencer le "
                              "décodage.")
                   .arg(file) +
               nothing;
    case IndexFailure::Scrambled:
        return QStringLiteral("Le fichier %1 est chiffré (à l'octet %2) : ce disque est protégé contre la "
                              "copie. Seules les copies non chiffrées d'un DVD peuvent être indexées.")
                   .arg(file)
                   .arg(r.offset) +
               nothing;
    case IndexFailure::ReadFailed:
        return QStringLiteral("La lecture du fichier %1 a échoué à l'octet %2%3.")
                   .arg(file)
                   .arg(r.offset)
                   .arg(Cause(r.systemError)) +
               nothing;
    case IndexFailure::InputChanged:
        return QStringLiteral("Le fichier %1 a raccourci pendant sa lecture (à l'octet %2) : sa copie est "
                              "peut-être encore en cours.")
                   .arg(file)
                   .arg(r.offset) +
               nothing;
    case IndexFailure::OutputUnwritable:
        return QStringLiteral("L'index %1 ne peut pas être créé%2.").arg(index, Cause(r.systemError)) +
               nothing;
    case IndexFailure::OutputWriteFailed:
        if (r.systemError == ENOSPC)
            return QStringLiteral("Le disque est plein : l'index %1 ne peut pas être écrit.").arg(index) +
                   nothing;
        return QStringLiteral("L'écriture de l'index %1 a échoué%2.").arg(index, Cause(r.systemError)) +
               nothing;
    case IndexFailure::OutOfMemory:
        return QStringLiteral("La mémoire manque pour indexer la vidéo.") + nothing;
    }
    return QStringLiteral("Bug in IndexFilm : unknown failure !");
}

QString IndexWarningText(const indexer::IndexResult::Warning& warning, const QStringList& inputs) {
    const QString file =
        warning.file >= 0 && warning.file < inputs.size() ? Quoted(inputs[warning.file]) : QString();
    switch (warning.code) {
    case indexer::IndexWarning::FilmEndsEarly:
        return QStringLiteral("Le fichier %1 s'arrête au milieu d'un paquet, comme une copie incomplète : la "
                              "vidéo est indexée jusque-là et se termine plus tôt que prévu.")
            .arg(file);
    }
    return QString();
}

QString DvdFailureText(indexer::DvdFailure failure, const QString& path) {
    using indexer::DvdFailure;
    switch (failure) {
    case DvdFailure::None:
        return QString();
    case DvdFailure::NotADvdFolder:
        return QStringLiteral(
                   "%1 n'est pas un dossier de DVD : choisissez le dossier VIDEO_TS, le dossier qui "
                   "le contient ou son fichier VIDEO_TS.IFO.")
            .arg(Quoted(path));
    case DvdFailure::NoIfoFiles:
        return QStringLiteral(
                   "Le dossier %1 n'a pas de fichier VIDEO_TS.IFO (ni sa copie VIDEO_TS.BUP) : les "
                   "titres du DVD ne peuvent pas être lus.")
            .arg(Quoted(path));
    case DvdFailure::UnreadableIfo:
        return QStringLiteral("Les fichiers IFO du dossier %1 sont illisibles : les titres du DVD ne peuvent "
                              "pas être lus.")
            .arg(Quoted(path));
    case DvdFailure::NoTitle:
        return QStringLiteral("Le DVD du dossier %1 n'a aucun titre.").arg(Quoted(path));
    }
    return QString();
}

QString UnwritableFolderText(const QString& folder, int systemError) {
    return QStringLiteral("Le dossier %1 ne peut pas recevoir l'index de la vidéo%2.\n\nChoisissez où "
                          "l'écrire.")
        .arg(Quoted(folder), Cause(systemError));
}

QString ShortDurationText(int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    if (seconds >= 3600)
        return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
    return DurationToString(static_cast<uint32_t>(seconds));
}

QString MegabytesText(uint64_t bytes) {
    const double megabytes = static_cast<double>(bytes) / 1048576;
    if (megabytes >= 10)
        return QStringLiteral("%1 Mo").arg(std::llround(megabytes));
    return FormatGeneral(std::round(megabytes * 10) / 10) + QStringLiteral(" Mo");
}

QString DisplayShapeText(indexer::DisplayShape shape) {
    switch (shape) {
    case indexer::DisplayShape::Wide:
        return QStringLiteral("16/9");
    case indexer::DisplayShape::FourThree:
        return QStringLiteral("4/3");
    case indexer::DisplayShape::Unknown:
        break;
    }
    return QStringLiteral("?");
}
