#include "platform/PrivateProfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <atomic>

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

QString FromWindows1252(const QByteArray& bytes) {
    // 0x80..0x9F; the five bytes the code page leaves undefined map to the C1 controls, as the
    // system's own conversion does. Everything else is Latin-1.
    static constexpr char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t{b});
    }
    return text;
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
    byteOrderMark.clear();
    lines.clear();

    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        unreadable = !fileName.isEmpty() && QFileInfo::exists(fileName);
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        unreadable = true;
        return false;
    }
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    if (bytes.startsWith(utf8Bom)) {
        byteOrderMark = utf8Bom;
        bytes.remove(0, utf8Bom.size());
    }
    const bool utf8 = IsValidUtf8(bytes);

    // LF and CR never occur inside a multi-byte character of either encoding, so the lines can be
    // cut before decoding.
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        qsizetype next = end;
        if (next < size) {
            next += (bytes.at(next) == '\r' && next + 1 < size && bytes.at(next + 1) == '\n') ? 2 : 1;
        }
        const QByteArray raw = bytes.mid(start, end - start);
        Line line = Parse(utf8 ? QString::fromUtf8(raw) : FromWindows1252(raw));
        // Untouched lines go back as they came; a Windows-1252 file is rewritten in UTF-8 as a
        // whole so that it stays readable in one encoding.
        line.raw = utf8 ? raw : line.text.toUtf8();
        line.eol = bytes.mid(end, next - end);
        lines.push_back(std::move(line));
        start = next;
    }
    return true;
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
        const QByteArray eol = line.eol;
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

QByteArray PrivateProfile::LineEnding() const {
    for (const Line& line : lines)
        if (!line.eol.isEmpty())
            return line.eol;
    return QByteArrayLiteral("\r\n");
}

bool PrivateProfile::Save() {
    EnsureLoaded();
    if (failWrites || unreadable || fileName.isEmpty())
        return false;

    const QByteArray ending = LineEnding();
    std::vector<QByteArray> endings(lines.size());
    QByteArray bytes = byteOrderMark;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        endings[i] = line.eol;
        // A last line without an ending keeps it so, unless it is ours or something follows.
        if (endings[i].isEmpty() && (line.changed || i + 1 < lines.size()))
            endings[i] = ending;
        bytes += line.changed ? line.text.toUtf8() : line.raw;
        bytes += endings[i];
    }

    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Flushed here: a file smaller than the write buffer meets a full disk only at the flush, and
    // commit() would rename the short file over the old one all the same.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;

    for (size_t i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        if (line.changed)
            line.raw = line.text.toUtf8();
        line.changed = false;
        line.eol = endings[i];
    }
    return true;
}
