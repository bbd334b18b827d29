#include "model/ScriptComposer.h"

#include "model/MessageSink.h"
#include "platform/FileBytes.h"

#include <QStringDecoder>
#include <array>

namespace {

const QString HashLine = QString(80, QLatin1Char('#'));
const QString MadeByBanner =
    QStringLiteral("############################## Made by Cinescriptor ############################");
const QString DefaultBodyBanner =
    QStringLiteral("######################### Script par défaut Cinescriptor #######################");

enum class Variant { MainAlone, MainOfTwo, Credits, Mixed };

QString FirstLine(Variant variant) {
    switch (variant) {
    case Variant::MainAlone:
        return QStringLiteral(
            "##################################### Script ###################################");
    case Variant::MainOfTwo:
        return QStringLiteral(
            "################################## Main Script #################################");
    case Variant::Credits:
        return QStringLiteral(
            "################################# Credits Script ###############################");
    case Variant::Mixed:
        return QStringLiteral(
            "################################## Mixed Script #################################");
    }
    return {};
}

QString Title(Variant variant) {
    switch (variant) {
    case Variant::MainOfTwo:
        return QStringLiteral("Prévisualisation du script principal");
    case Variant::Credits:
        return QStringLiteral("Prévisualisation du script des crédits");
    case Variant::MainAlone:
    case Variant::Mixed:
        break;
    }
    return QStringLiteral("Prévisualisation du script");
}

QString Assign(const char* name, int64_t value) {
    return QLatin1String(name) + QStringLiteral(" = ") + QString::number(value);
}

// An end before the start has no frame: such a range is refused rather than written.
bool CheckTrimRange(const QString& part, int64_t start, int64_t end) {
    if (end < start) {
        ShowWarning(part + QStringLiteral(" ne contient aucune frame (début à la frame %1, fin à la frame "
                                          "précédente) : le script ne peut pas être généré !")
                               .arg(start));
        return false;
    }
    return true;
}

// Trim takes an end of 0 for "up to the last frame of the film"; a negative end counts frames
// from the start, so a range of frame 0 alone is written Trim(clip, 0, -1).
int64_t TrimEnd(int64_t end) {
    return end == 0 ? -1 : end;
}

bool AppendHeader(const ScriptSource& source, Variant variant, QStringList& lines) {
    const QString literal = ScriptStringLiteral(source.FileName);
    if (literal.isEmpty()) {
        ShowWarning(QStringLiteral("Le chemin du fichier .D2V \"%1\" ne peut pas être écrit dans un script "
                                   "AviSynth : le script ne peut pas être généré !")
                        .arg(source.FileName));
        return false;
    }
    lines << FirstLine(variant) << MadeByBanner << QString() << QStringLiteral("Source = ") + literal
          << QString() << Assign("Top", source.CropTop) << Assign("Bottom", source.CropBottom)
          << Assign("Left", source.CropLeft) << Assign("Right", source.CropRight) << QString()
          << Assign("DimX", source.OutputWidth) << Assign("DimY", source.OutputHeight) << QString();

    // Signed arithmetic, so the frame before a credits frame of 0 is -1 and gets refused.
    const int64_t first = source.FirstFrameNumber;
    const int64_t last = source.LastFrameNumber;
    const int64_t credits = source.CreditsFrameNumber;
    switch (variant) {
    case Variant::MainAlone:
        if (!CheckTrimRange(QStringLiteral("La séquence à traiter"), first, last))
            return false;
        lines << Assign("Start", first) << Assign("End", TrimEnd(last));
        break;
    case Variant::MainOfTwo:
        if (!CheckTrimRange(QStringLiteral("La vidéo principale"), first, credits - 1))
            return false;
        lines << Assign("Start", first) << Assign("End", TrimEnd(credits - 1));
        break;
    case Variant::Credits:
        if (!CheckTrimRange(QStringLiteral("La séquence des crédits"), credits, last))
            return false;
        lines << Assign("Start", credits) << Assign("End", TrimEnd(last));
        break;
    case Variant::Mixed:
        if (!CheckTrimRange(QStringLiteral("La vidéo principale"), first, credits - 1) ||
            !CheckTrimRange(QStringLiteral("La séquence des crédits"), credits, last))
            return false;
        lines << Assign("Start", first) << Assign("EndMain", TrimEnd(credits - 1)) << QString()
              << Assign("StartCredits", credits) << Assign("End", TrimEnd(last));
        break;
    }
    lines << QString() << Assign("CPUType", source.iDCT) << QString() << HashLine << QString();
    return true;
}

ComposedScript Compose(const ScriptSource& source, Variant variant) {
    ComposedScript script;
    script.Title = Title(variant);
    if (!AppendHeader(source, variant, script.Lines)) {
        script.Lines.clear();
        return script;
    }
    script.IsComposed = true;

    const bool isCredits = variant == Variant::Credits;
    const bool hasTemplate = isCredits ? source.IsCreditsScriptModele : source.IsMainScriptModele;
    if (hasTemplate) {
        // An unreadable template leaves the header alone; the user may still save it.
        AppendScriptTemplate(isCredits ? source.CreditsScriptModele : source.MainScriptModele, script.Lines);
        return script;
    }

    QStringList& lines = script.Lines;
    lines << DefaultBodyBanner << QString() << QStringLiteral("clip = Mpeg2Source( Source, idct = CPUType )");
    if (variant == Variant::Mixed) {
        lines << QString() << QStringLiteral("clip1 = Trim( clip, Start, EndMain )")
              << QStringLiteral("clip2 = Trim( clip, StartCredits, End )") << QString()
              << QStringLiteral("clip1 = Crop( clip1, Left, Top, -Right, -Bottom )")
              << QStringLiteral("clip2 = Crop( clip2, Left, Top, -Right, -Bottom )") << QString()
              << QStringLiteral("clip1 = BicubicResize( clip1, DimX, DimY, 0.33, 0.33 )")
              << QStringLiteral("clip2 = BilinearResize( clip2, DimX, DimY )") << QString()
              << QStringLiteral("Return ( clip1 + clip2 )");
    } else {
        lines << QStringLiteral("clip = Trim( clip, Start, End )")
              << QStringLiteral("clip = Crop( clip, Left, Top, -Right, -Bottom )")
              << (isCredits ? QStringLiteral("clip = BilinearResize( clip, DimX, DimY )")
                            : QStringLiteral("clip = BicubicResize( clip, DimX, DimY, 0.33, 0.33 )"))
              << QString() << QStringLiteral("Return clip");
    }
    lines << QString() << HashLine;
    return script;
}

// Bytes 0x80-0x9F of Windows-1252; the five it leaves undefined map to the C1 controls, as
// Windows itself converts them.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

ComposedScript ComposeMainScript(const ScriptSource& source) {
    return Compose(source, source.IsCreditsModeSelected ? Variant::MainOfTwo : Variant::MainAlone);
}

ComposedScript ComposeCreditsScript(const ScriptSource& source) {
    return Compose(source, Variant::Credits);
}

ComposedScript ComposeMixedScript(const ScriptSource& source) {
    return Compose(source, Variant::Mixed);
}

bool AppendScriptTemplate(const QString& path, QStringList& lines) {
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes)) {
        ShowWarning(QStringLiteral("Le script \"") + path +
                    QStringLiteral("\" n'a pas pu être ouvert correctement !"));
        return false;
    }
    const QStringList templateLines = SplitScriptLines(DecodeScriptText(bytes));
    // The preview box would take minutes to lay out such a line; no script has one.
    for (const QString& line : templateLines) {
        if (line.size() > MaxTemplateLineLength) {
            ShowWarning(
                QStringLiteral("Le script \"%1\" a une ligne de plus de %2 caractères : il ne peut pas "
                               "servir de modèle !")
                    .arg(path)
                    .arg(MaxTemplateLineLength));
            return false;
        }
    }
    lines << templateLines;
    return true;
}

QString DecodeScriptText(const QByteArray& bytes) {
    // What Notepad saves as "Unicode": UTF-16 after its mark. Read any other way, every second
    // byte would be a NUL in the script.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        return utf16.decode(QByteArrayView(bytes).sliced(2));
    }
    // A UTF-8 mark is no character of the text, even when the bytes after it are not UTF-8.
    const QByteArrayView body =
        bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(body.size());
    for (const char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        text += (byte >= 0x80 && byte < 0xA0) ? QChar(Windows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QStringList SplitScriptLines(const QString& text) {
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << current;
            current.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            current += c;
        }
    }
    // The first line is read before the end is tested: an empty text still gives one line.
    if (!current.isEmpty() || lines.isEmpty())
        lines << current;
    return lines;
}

QByteArray EncodeScriptLines(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        // UTF-8, except the bytes of a file name that are not: they go out as themselves, so the
        // Source path names the same file for AviSynth.
        bytes += FileNameBytes(line);
        bytes += "\r\n";
    }
    return bytes;
}

QString ScriptStringLiteral(const QString& path) {
    // A line break would split the script's line; a path with three quotes in a row, or ending
    // with a quote, would close even a triple-quoted string early.
    if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return {};
    if (!path.contains(QLatin1Char('"')))
        return QLatin1Char('"') + path + QLatin1Char('"');
    if (path.contains(QStringLiteral("\"\"\"")) || path.endsWith(QLatin1Char('"')))
        return {};
    return QStringLiteral("\"\"\"") + path + QStringLiteral("\"\"\"");
}
