#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// A settings file with the semantics of the private-profile functions: sections and keys match
// without regard to case, the first of duplicate sections or keys wins, a written key is replaced
// where it stands, new keys go to the end of their section and new sections to the end of the
// file, and every other line (comments, blank lines, unknown keys) is kept.
// The whole file is read once, changed in memory and written back in one piece by Save().
//
// Reading: UTF-16 after its byte-order mark (Notepad's "Unicode"), otherwise UTF-8, or
// Windows-1252 when the file is not valid UTF-8; lines end in LF, CR LF or CR. Only a regular
// file is read or written. Values lose their surrounding blanks and a pair of quotes around the
// whole value, and are cut at 2047 characters, the reader's buffer of the original. A line ends,
// for the reader, at its first NUL, as a C string does. Writing: in the file's own encoding and
// byte-order mark (UTF-8 without a mark for a new file), so untouched lines keep their bytes; a
// Windows-1252 file that is given a character the code page lacks becomes UTF-8 as a whole. New
// or changed lines end as the file's first line does, CR LF in a new file.
class PrivateProfile {
public:
    // The longest value a read returns.
    static constexpr qsizetype MaxValueLength = 2047;

    explicit PrivateProfile(QString fileName);

    const QString& FileName() const { return fileName; }
    // Reads (or reads again) the file. False when it cannot be opened for reading (it then
    // starts empty). The other operations read the file first if this was not called.
    bool Load();
    // The value, or `defaultValue` when the section or key is missing.
    QString GetString(const QString& section, const QString& key, const QString& defaultValue) const;
    bool Contains(const QString& section, const QString& key) const;
    // Line breaks in the names or the value become spaces: they would make lines of their own.
    void SetString(const QString& section, const QString& key, const QString& value);
    // Writes through a temporary file renamed over the old one (in place, after reserving the
    // room, when the folder is not writable); false, with the old file intact, on failure. A file
    // that exists but could not be read, or is no regular file, is never overwritten.
    bool Save();

    // Makes every Save() fail as a refused write would, for tests of the callers' failure paths.
    static void SetFailWritesForTesting(bool fail);

private:
    enum class Kind { Other, Section, Key };
    enum class Encoding { Utf8, Windows1252, Utf16LE, Utf16BE };
    struct Line {
        QString text;
        QString eol; // the line's own ending, empty for a last line without one
        Kind kind = Kind::Other;
        QString name; // section or key name, trimmed
        bool changed = false;
    };

    bool Read() const;
    void EnsureLoaded() const;
    static Line Parse(QString text);
    // Index of the first section of that name, or -1.
    qsizetype FindSection(const QString& section) const;
    // End of the section that starts at `header`: the next section's header or the line count.
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, const QString& key) const;
    QString LineEnding() const;
    // The text of the bytes read; sets the file's encoding and byte-order mark.
    QString Decode(QByteArray bytes) const;
    static std::optional<QByteArray> Encode(const QString& text, Encoding as);

    QString fileName;
    mutable bool loaded = false;
    mutable bool unreadable = false; // exists but could not be read: Save() refuses
    mutable Encoding encoding = Encoding::Utf8;
    mutable QByteArray byteOrderMark;
    mutable std::vector<Line> lines;
};
