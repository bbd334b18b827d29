#include "platform/PrivateProfile.h"

#include "platform/FileBytes.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <atomic>
#include <iterator>
#include <optional>

namespace {

std::atomic<bool> failWrites{false};

// Blanks as the original reader trimmed them; ^Z is the DOS end-of-file mark.
bool IsBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f' || u == 0x1A;
}

QString Trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin).toString();
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString WithoutLineBreaks(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// Bytes 0x80..0x9F of Windows-1252; the five the code page leaves undefined map to the C1
// controls, as the system's own conversion does. Everything else is Latin-1.
constexpr char16_t Windows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? Windows1252High[b - 0x80] : char16_t{b});
    }
    return text;
}

// The text in Windows-1252, or nothing when a character has no byte there.
std::optional<QByteArray> ToWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes[i] = static_cast<char>(u);
            continue;
        }
        const char16_t* found = std::find(std::begin(Windows1252High), std::end(Windows1252High), u);
        if (found == std::end(Windows1252High))
            return std::nullopt;
        bytes[i] = static_cast<char>(0x80 + (found - std::begin(Windows1252High)));
    }
    return bytes;
}

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

// The part of a line the Windows functions see: they read C strings, which end at a NUL.
QStringView UpToNul(QStringView line) {
    const qsizetype nul = line.indexOf(QChar(0));
    return nul < 0 ? line : line.left(nul);
}

QString ValueOf(const QString& keyLine) {
    const QStringView line = UpToNul(keyLine);
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return QString();
    QString value = Trimmed(line.mid(equals + 1));
    // A pair of quotes around the whole value goes, as the original reader dropped it.
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    if (value.size() > PrivateProfile::MaxValueLength) {
        qsizetype cut = PrivateProfile::MaxValueLength;
        // Never half of a surrogate pair.
        if (value.at(cut - 1).isHighSurrogate())
            --cut;
        value.truncate(cut);
    }
    return value;
}

} // namespace

PrivateProfile::PrivateProfile(QString name) : fileName(std::move(name)) {}

void PrivateProfile::SetFailWritesForTesting(bool fail) {
    failWrites = fail;
}

bool PrivateProfile::Load() {
    return Read();
}

void PrivateProfile::EnsureLoaded() const {
    if (!loaded)
        Read();
}

bool PrivateProfile::Read() const {
    loaded = true;
    unreadable = false;
    encoding = Encoding::Utf8;
    byteOrderMark.clear();
    lines.clear();

    // A named pipe or a device in the file's place would block the program or be read without
    // end: only a regular file is read, and anything else is never written either.
    const FileKind kind = KindOfFile(fileName);
    QByteArray bytes;
    if (kind == FileKind::Missing)
        return false;
    if (kind != FileKind::Regular || !ReadWholeFile(fileName, bytes)) {
        unreadable = true;
        return false;
    }
    const QString text = Decode(bytes);

    // Lines end in LF, CR LF or CR; the ending of each is kept.
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
            ++end;
        qsizetype next = end;
        if (next < size) {
            next += (text.at(next) == QLatin1Char('\r') && next + 1 < size &&
                     text.at(next + 1) == QLatin1Char('\n'))
                        ? 2
                        : 1;
        }
        Line line = Parse(text.mid(start, end - start));
        line.eol = text.mid(end, next - end);
        lines.push_back(std::move(line));
        start = next;
    }
    return true;
}

QString PrivateProfile::Decode(QByteArray bytes) const {
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    // What Notepad saves as "Unicode": UTF-16 after its mark.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        encoding = littleEndian ? Encoding::Utf16LE : Encoding::Utf16BE;
        byteOrderMark = bytes.left(2);
        QStringDecoder utf16(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        return utf16.decode(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith(utf8Bom)) {
        byteOrderMark = utf8Bom;
        bytes.remove(0, utf8Bom.size());
    }
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    encoding = Encoding::Windows1252;
    return FromWindows1252(bytes);
}

PrivateProfile::Line PrivateProfile::Parse(QString text) {
    Line line;
    line.text = std::move(text);
    const QStringView view = UpToNul(line.text);
    qsizetype first = 0;
    while (first < view.size() && IsBlank(view.at(first)))
        ++first;
    if (first == view.size() || view.at(first) == QLatin1Char(';'))
        return line;
    if (view.at(first) == QLatin1Char('[')) {
        const qsizetype close = view.lastIndexOf(QLatin1Char(']'));
        if (close > first) {
            line.kind = Kind::Section;
            line.name = Trimmed(view.mid(first + 1, close - first - 1));
            return line;
        }
    }
    const qsizetype equals = view.indexOf(QLatin1Char('='), first);
    line.kind = Kind::Key;
    line.name = Trimmed(equals < 0 ? view.mid(first) : view.mid(first, equals - first));
    return line;
}

qsizetype PrivateProfile::FindSection(const QString& section) const {
    const QString name = Trimmed(section);
    for (qsizetype i = 0; i < static_cast<qsizetype>(lines.size()); ++i) {
        const Line& line = lines[static_cast<size_t>(i)];
        if (line.kind == Kind::Section && SameName(line.name, name))
            return i;
    }
    return -1;
}

qsizetype PrivateProfile::SectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < static_cast<qsizetype>(lines.size()) && lines[static_cast<size_t>(i)].kind != Kind::Section)
        ++i;
    return i;
}

qsizetype PrivateProfile::FindKey(qsizetype header, const QString& key) const {
    const QString name = Trimmed(key);
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = lines[static_cast<size_t>(i)];
        if (line.kind == Kind::Key && SameName(line.name, name))
            return i;
    }
    return -1;
}

QString PrivateProfile::GetString(const QString& section, const QString& key,
                                  const QString& defaultValue) const {
    EnsureLoaded();
    const qsizetype header = FindSection(section);
    if (header < 0)
        return defaultValue;
    const qsizetype index = FindKey(header, key);
    if (index < 0)
        return defaultValue;
    return ValueOf(lines[static_cast<size_t>(index)].text);
}

bool PrivateProfile::Contains(const QString& section, const QString& key) const {
    EnsureLoaded();
    const qsizetype header = FindSection(section);
    return header >= 0 && FindKey(header, key) >= 0;
}

void PrivateProfile::SetString(const QString& section, const QString& key, const QString& value) {
    EnsureLoaded();
    const QString sectionName = WithoutLineBreaks(section);
    const QString keyLine = WithoutLineBreaks(key) + QLatin1Char('=') + WithoutLineBreaks(value);
    auto made = [](const QString& text) {
        Line line = Parse(text);
        line.changed = true;
        return line;
    };

    const qsizetype header = FindSection(sectionName);
    if (header < 0) {
        lines.push_back(made(QLatin1Char('[') + sectionName + QLatin1Char(']')));
        lines.push_back(made(keyLine));
        return;
    }
    const qsizetype index = FindKey(header, WithoutLineBreaks(key));
    if (index >= 0) {
        Line& line = lines[static_cast<size_t>(index)];
        const QString eol = line.eol;
        line = made(keyLine);
        line.eol = eol;
        return;
    }
    // After the section's last key, so that blank lines and comments before the next section
    // stay with it.
    qsizetype at = header + 1;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (lines[static_cast<size_t>(i)].kind == Kind::Key)
            at = i + 1;
    lines.insert(lines.begin() + at, made(keyLine));
}

QString PrivateProfile::LineEnding() const {
    for (const Line& line : lines)
        if (!line.eol.isEmpty())
            return line.eol;
    return QStringLiteral("\r\n");
}

std::optional<QByteArray> PrivateProfile::Encode(const QString& text, Encoding as) {
    switch (as) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringEncoder utf16(as == Encoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::Stateless);
        return QByteArray(utf16.encode(text));
    }
    case Encoding::Windows1252:
        return ToWindows1252(text);
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

bool PrivateProfile::Save() {
    EnsureLoaded();
    if (failWrites || unreadable || fileName.isEmpty())
        return false;

    const QString ending = LineEnding();
    std::vector<QString> endings(lines.size());
    QString text;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        endings[i] = line.eol;
        // A last line without an ending keeps it so, unless it is ours or something follows.
        if (endings[i].isEmpty() && (line.changed || i + 1 < lines.size()))
            endings[i] = ending;
        text += line.text + endings[i];
    }
    // Every encoding read here gives back the bytes it was read from, so untouched lines keep
    // theirs. A Windows-1252 file stays so while what is written fits the code page; otherwise
    // the whole file goes to UTF-8, so that it reads back in one encoding with nothing lost.
    Encoding as = encoding;
    std::optional<QByteArray> body = Encode(text, as);
    if (!body) {
        as = Encoding::Utf8;
        body = Encode(text, as);
    }
    if (!WriteWholeFile(fileName, byteOrderMark + *body))
        return false;

    encoding = as;
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].changed = false;
        lines[i].eol = endings[i];
    }
    return true;
}
