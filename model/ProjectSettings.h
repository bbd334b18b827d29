#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class TD2VFullProject;

// The settings file of a film: its path from the .d2v path, its 42 keys, and the one way they are
// read into a project and written from it, shared by the program and cinescriptor-render.

// The .d2v path with the extension of its file-name part replaced by ".ini" (appended when the
// name has no dot); dots in folder names do not count.
QString IniFileNameFor(const QString& d2vFileName);

// An integer value as the file stores it: signed 32-bit decimal (leading blanks and a sign
// allowed), or up to eight hexadecimal digits after "0x", "0X" or "$"; the 32-bit pattern, or
// nullopt for any other text.
std::optional<uint32_t> ParseIniInteger(const QString& text);

// One key of the file, in writing order.
struct IniKeyInfo {
    const char* Section;
    const char* Key;
    // Read back at opening; the others are written for the user's information only.
    bool IsRead;
};
// The 42 keys in the order they are written.
const IniKeyInfo* IniKeys(int& count);

// What the file keeps besides the project: the main window's state.
struct WindowSettings {
    bool IsOnlyOneScript = false;
    int32_t VideoRangeCurrentFrame = 0;
    int32_t CroppingCurrentFrame = 0;
    int32_t ResizingCurrentFrame = 0;
    bool IsMainScriptModele = false;
    QString MainScriptModele;
    bool IsCreditsScriptModele = false;
    QString CreditsScriptModele;
    bool IsPrevisualizationModeSelected = false;
    uint8_t iDCT = 7;
};

// True when the name is empty or the file cannot be opened for reading.
bool IsIniFileMissing(const QString& iniFileName);

// Reads the file into the project and the window state in the reading order. The targets' values
// are the defaults: an absent key or a text that does not parse leaves its target as it is, and a
// value the project refuses is reported by its setter, the previous value kept.
void LoadProjectSettings(const QString& iniFileName, TD2VFullProject& project, WindowSettings& window);

// Writes every key in table order, in one piece; false (nothing reported) when the file could not
// be written, the previous file then left as it was.
bool SaveProjectSettings(const QString& iniFileName, const TD2VFullProject& project,
                         const WindowSettings& window);
