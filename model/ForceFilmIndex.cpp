#include "model/ForceFilmIndex.h"

#include "model/TD2VFile.h"
#include "platform/FileBytes.h"
#include "platform/NumberText.h"

#include <QFileInfo>
#include <QList>

namespace {

// Below this share the cadence changes too often for whole pictures at 23.976.
constexpr int32_t MinimumFilmShare = 9500;

bool IsAbsoluteName(const QByteArray& name) {
    // A Unix path, a Windows drive path or a network share.
    return name.startsWith('/') || name.startsWith('\\') || (name.size() >= 2 && name[1] == ':');
}

} // namespace

QString FilmShareText(int32_t hundredths) {
    const int32_t tenths = hundredths < 0 ? 0 : hundredths / 10;
    return QStringLiteral("FILM %1%2%3 %").arg(tenths / 10).arg(DecimalSeparator()).arg(tenths % 10);
}

bool CanMakeForceFilmIndex(const TD2VFile& film, QString& reason) {
    if (!film.InputStreamFacts) {
        reason = QStringLiteral("La bibliothèque de décodage ne dit pas comment le flux est fait.");
        return false;
    }
    const DecoderStreamFacts& facts = *film.InputStreamFacts;
    if (facts.fieldOperation == 1) {
        reason = QStringLiteral("Cet index est déjà un index Force Film.");
        return false;
    }
    if (facts.isNtscRate != 1) {
        reason = QStringLiteral("Force Film ne concerne que les films NTSC à 29,97 images par seconde.");
        return false;
    }
    if (facts.filmShareHundredths < MinimumFilmShare) {
        reason = QStringLiteral("Le flux n'est film qu'à %1 : Force Film en demande au moins 95 %.")
                     .arg(FilmShareText(facts.filmShareHundredths).mid(5));
        return false;
    }
    reason.clear();
    return true;
}

QString ForceFilmIndexName(const QString& d2vFileName) {
    const qsizetype nameStart = d2vFileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = d2vFileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype extension = dot >= nameStart ? dot : d2vFileName.size();
    return d2vFileName.left(extension) + QStringLiteral("_FILM.d2v");
}

bool WriteForceFilmIndex(const QString& source, const QString& target, QString& error) {
    QByteArray bytes;
    if (!ReadWholeFile(source, bytes)) {
        error = QStringLiteral("Impossible de lire l'index « %1 ».").arg(source);
        return false;
    }
    QList<QByteArray> lines = bytes.split('\n');
    const auto content = [&lines](qsizetype i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    };
    const auto replace = [&lines](qsizetype i, const QByteArray& text) {
        lines[i] = text + (lines[i].endsWith('\r') ? "\r" : "");
    };
    // The file list (its count, then one name a line) ends at the first blank line; the settings
    // follow, up to the next one.
    bool isCount = false;
    const int count = lines.size() > 1 ? content(1).trimmed().toInt(&isCount) : 0;
    const bool isOtherFolder = QFileInfo(source).absolutePath() != QFileInfo(target).absolutePath();
    const QByteArray sourceFolder = FileNameBytes(QFileInfo(source).absolutePath()) + '/';
    qsizetype i = 2;
    for (; isCount && i < lines.size() && i < 2 + count; ++i) {
        const QByteArray name = content(i);
        if (isOtherFolder && !name.isEmpty() && !IsAbsoluteName(name))
            replace(i, sourceFolder + name);
    }
    while (i < lines.size() && !content(i).isEmpty())
        ++i;
    bool isFieldOperation = false;
    bool isFrameRate = false;
    for (++i; i < lines.size() && !content(i).isEmpty(); ++i) {
        if (content(i).startsWith("Field_Operation=")) {
            replace(i, "Field_Operation=1");
            isFieldOperation = true;
        } else if (content(i).startsWith("Frame_Rate=")) {
            replace(i, "Frame_Rate=23976 (24000/1001)");
            isFrameRate = true;
        }
    }
    if (!isCount || !isFieldOperation || !isFrameRate) {
        error =
            QStringLiteral("L'index « %1 » n'a pas la forme attendue : aucun index Force Film n'a été écrit.")
                .arg(source);
        return false;
    }
    if (!WriteWholeFile(target, lines.join('\n'))) {
        error = QStringLiteral("Impossible d'écrire l'index « %1 » : rien n'a été écrit. Choisissez un autre "
                               "dossier ou un autre nom.")
                    .arg(target);
        return false;
    }
    return true;
}
