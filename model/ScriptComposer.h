#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// Everything an AviSynth script is composed from: the project's values and the main window's
// choices, read at the moment of composition. A plain copy, so scripts can be composed (and
// tested) without a window or a decoder.
struct ScriptSource {
    QString FileName; // full path of the .d2v file
    uint16_t CropTop = 0;
    uint16_t CropBottom = 0;
    uint16_t CropLeft = 0;
    uint16_t CropRight = 0;
    uint16_t OutputWidth = 0;
    uint16_t OutputHeight = 0;
    uint32_t FirstFrameNumber = 0;
    uint32_t LastFrameNumber = 0;
    uint32_t CreditsFrameNumber = 0;
    uint8_t iDCT = 7;
    bool IsCreditsModeSelected = false;
    uint8_t CreditsMode = 0;
    bool IsMainScriptModele = false;
    QString MainScriptModele;
    bool IsCreditsScriptModele = false;
    QString CreditsScriptModele;
    // Folder of the .d2v file, ending with the separator: where the save dialog starts.
    QString D2VFilePath;
};

// One composed script. When IsComposed is false the script was refused (the reason has been
// shown) and Lines is empty.
struct ComposedScript {
    bool IsComposed = false;
    QString Title;
    QStringList Lines;
};

// Main script: the whole range with CreditsMode 0, the part before the credits with CreditsMode 2
// (chosen by IsCreditsModeSelected).
ComposedScript ComposeMainScript(const ScriptSource& source);
ComposedScript ComposeCreditsScript(const ScriptSource& source);
ComposedScript ComposeMixedScript(const ScriptSource& source);

// The longest template line taken: a longer one is no script and would stall the preview.
constexpr qsizetype MaxTemplateLineLength = 65536;

// Appends the lines of a template file; on failure (unreadable, or a line longer than
// MaxTemplateLineLength) shows the warning and returns false, leaving the lines as they were.
bool AppendScriptTemplate(const QString& path, QStringList& lines);

// Text of a template: UTF-16 after its byte-order mark; otherwise UTF-8 (a byte-order mark
// dropped), or Windows-1252 when the bytes are not valid UTF-8, as templates written on Windows are.
QString DecodeScriptText(const QByteArray& bytes);
// Lines as a text-file reader gives them: CR LF, LF or CR end a line; an empty text is one empty
// line; a final line end does not start another line.
QStringList SplitScriptLines(const QString& text);
// Bytes of a script file: UTF-8 without a byte-order mark, every line followed by CR LF; a file
// name's bytes that are not UTF-8 (see FileNameBytes) are written as they are.
QByteArray EncodeScriptLines(const QStringList& lines);

// The value of the "Source = " line: the path in double quotes, or in AviSynth's triple quotes
// when it holds a double quote itself. Empty when no AviSynth string can hold the path.
QString ScriptStringLiteral(const QString& path);
