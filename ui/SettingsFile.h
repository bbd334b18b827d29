#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The settings file of a film: its path from the .d2v path, and the value texts of its keys.

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
// The 40 keys in the order they are written.
const IniKeyInfo* IniKeys(int& count);
