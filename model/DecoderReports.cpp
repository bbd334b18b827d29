#include "model/DecoderReports.h"

#include <cerrno>

namespace {

// {line}: the .d2v line; {n0}, {n1}: the numbers; {file}, {setting}, {found}: the texts;
// {system}: the system's reason for the error number n0.
struct Wording {
    DecoderReportCode code;
    const char* text;
};

constexpr Wording kWordings[] = {
    {DECODER_INDEX_UNREADABLE, "{system}"},
    {DECODER_INDEX_NOT_A_FILE, "ce n'est pas un fichier ordinaire"},
    {DECODER_INDEX_TOO_LARGE, "le fichier est trop gros pour être un index .d2v"},
    {DECODER_INDEX_EMPTY, "ligne {line} : le fichier est vide, ce n'est pas un index .d2v"},
    {DECODER_INDEX_NOT_D2V, "ligne {line} : ce n'est pas un index .d2v (on y lit « {found} »)"},
    {DECODER_INDEX_DVD2AVI,
     "ligne {line} : les projets DVD2AVI ne sont pas pris en charge ; indexez à nouveau "
     "le film avec un indexeur récent"},
    {DECODER_INDEX_H264,
     "ligne {line} : les index H.264 (format 42) ne sont pas pris en charge, seulement MPEG-1 et MPEG-2"},
    {DECODER_INDEX_BAD_VERSION, "ligne {line} : version de format illisible dans « {found} »"},
    {DECODER_INDEX_UNSUPPORTED_VERSION,
     "ligne {line} : la version de format {n0} n'est pas prise en charge (versions 8 à 16)"},
    {DECODER_INDEX_NO_FILE_COUNT, "ligne {line} : le nombre de fichiers du flux manque"},
    {DECODER_INDEX_MISSING_FILE_NAME, "ligne {line} : il manque un nom de fichier du flux ({n0} annoncés)"},
    {DECODER_INDEX_FILE_NAME_TOO_LONG,
     "ligne {line} : nom de fichier du flux de {n0} octets, plus long que tout nom de fichier"},
    {DECODER_INDEX_NOT_A_SETTING,
     "ligne {line} : un réglage « clé=valeur » est attendu, on y lit « {found} »"},
    {DECODER_INDEX_BAD_SETTING,
     "ligne {line} : la valeur « {found} » de {setting} est illisible ou non prise en "
     "charge"},
    {DECODER_INDEX_NO_FRAME_RATE, "ligne {line} : aucun réglage Frame_Rate avant les lignes de données"},
    {DECODER_INDEX_NO_DATA_LINES, "ligne {line} : aucune ligne de données"},
    {DECODER_INDEX_NO_INFO_WORD,
     "ligne {line} : une ligne de données doit commencer par son mot d'information, on y lit « {found} »"},
    {DECODER_INDEX_BAD_DATA_VALUE,
     "ligne {line} : la valeur « {found} » d'une ligne de données est illisible ou hors limites"},
    {DECODER_INDEX_INCOMPLETE_LINE,
     "ligne {line} : ligne de données incomplète ({n0} nombres attendus après le mot d'information)"},
    {DECODER_INDEX_BAD_FILE_NUMBER,
     "ligne {line} : fichier du flux numéro {n0}, mais l'index n'en liste que {n1}"},
    {DECODER_INDEX_TRUNCATED,
     "ligne {line} : les lignes de données finissent sans leur marque de fin « ff » (fichier tronqué ?)"},
    {DECODER_INDEX_NO_PICTURES, "ligne {line} : l'index ne liste aucune image"},
    {DECODER_INDEX_NO_FRAMES, "l'index ne donne aucune image"},
    {DECODER_STREAM_NOT_FOUND, "le fichier du flux « {file} » qu'il nomme est introuvable"},
    {DECODER_STREAM_NOT_A_FILE, "le fichier du flux « {file} » n'est pas un fichier ordinaire"},
    {DECODER_STREAM_UNREADABLE, "le fichier du flux « {file} » ne peut pas être ouvert ({system})"},
    {DECODER_STREAM_SHRUNK, "le fichier du flux « {file} » a raccourci pendant sa lecture"},
    {DECODER_STREAM_READ_ERROR, "erreur de lecture dans le fichier du flux « {file} » ({system})"},
    {DECODER_STREAM_PVA, "les flux PVA (Stream_Type=3) ne sont pas pris en charge"},
    {DECODER_STREAM_NO_VIDEO, "aucune vidéo MPEG là où l'index fait commencer le film (ligne {line})"},
    {DECODER_STREAM_BAD_PICTURE_SIZE, "la taille d'image de l'en-tête de séquence du flux est illisible"},
    {DECODER_CODEC_UNAVAILABLE, "le décodeur vidéo MPEG de FFmpeg n'est pas disponible"},
    {DECODER_NO_FILE_NAMED, "aucun fichier .d2v n'est nommé"},
    {DECODER_NO_FILM_OPEN, "aucun film n'est ouvert"},
    {DECODER_FRAME_OUTSIDE, "l'image {n0} est hors du film (0 à {n1})"},
    {DECODER_FRAME_UNDECODABLE, "le flux ne donne pas cette image"},
    {DECODER_OUT_OF_MEMORY, "mémoire insuffisante"},
    {DECODER_INTERNAL_FAILURE, "erreur interne du décodeur"},
    {DECODER_DAMAGE_CONCEALED,
     "données endommagées ou manquantes dans le flux, ou dans une image dont celle-ci est prédite"},
    {DECODER_DAMAGE_MISSING, "image absente du flux, remplacée par la précédente"},
    {DECODER_DAMAGE_INDEX_MISMATCH,
     "l'index ne correspond pas au flux (sa ligne {line}) : indexez à nouveau le film"},
};

QString SystemReason(int64_t error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("fichier introuvable");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case ENAMETOOLONG:
        return QStringLiteral("nom trop long");
    case ELOOP:
        return QStringLiteral("trop de liens symboliques");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers ouverts");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie");
    case ENOMEM:
        return QStringLiteral("mémoire insuffisante");
    default:
        return QStringLiteral("erreur système %1").arg(error);
    }
}

QString Text(const char* bytes) {
    return bytes != nullptr ? QString::fromUtf8(bytes) : QString();
}

} // namespace

QString DecoderReportText(const DecoderReport& report) {
    const Wording* wording = nullptr;
    for (const Wording& w : kWordings)
        if (w.code == report.code)
            wording = &w;
    if (wording == nullptr)
        return {};
    // One pass, so that a quoted value holding "{file}" stays as it is.
    const QString pattern = QString::fromUtf8(wording->text);
    QString text;
    for (qsizetype at = 0; at < pattern.size();) {
        const qsizetype open = pattern.indexOf(QLatin1Char('{'), at);
        const qsizetype close = open < 0 ? -1 : pattern.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            text += pattern.mid(at);
            break;
        }
        text += pattern.mid(at, open - at);
        const QString name = pattern.mid(open + 1, close - open - 1);
        if (name == QLatin1String("line"))
            text += QString::number(report.line);
        else if (name == QLatin1String("n0"))
            text += QString::number(report.numbers[0]);
        else if (name == QLatin1String("n1"))
            text += QString::number(report.numbers[1]);
        else if (name == QLatin1String("file"))
            text += Text(report.file);
        else if (name == QLatin1String("setting"))
            text += Text(report.setting);
        else if (name == QLatin1String("found"))
            text += Text(report.found);
        else if (name == QLatin1String("system"))
            text += SystemReason(report.numbers[0]);
        at = close + 1;
    }
    return text;
}
