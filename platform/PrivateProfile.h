#pragma once

#include <QString>

// A settings file with the semantics of the private-profile functions: sections and keys match
// without regard to case, the first of duplicate sections or keys wins, a written key is replaced
// where it stands, new keys go to the end of their section and new sections to the end of the
// file, and every other line (comments, blank lines, unknown keys) is kept.
// The whole file is read once, changed in memory and written back in one piece by Save().
class PrivateProfile {
public:
    explicit PrivateProfile(QString fileName);

    const QString& FileName() const { return fileName; }
    // False when the file cannot be opened for reading (it then starts empty).
    bool Load();
    // The value, or `defaultValue` when the section or key is missing.
    QString GetString(const QString& section, const QString& key, const QString& defaultValue) const;
    void SetString(const QString& section, const QString& key, const QString& value);
    // Writes through a temporary file renamed over the old one; false (old file intact) on failure.
    bool Save();

private:
    QString fileName;
};
