#include "fuzz/Checks.h"

#include "platform/PrivateProfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <utility>
#include <vector>

namespace fuzzchecks {

namespace {

using Names = std::pair<QString, QString>;

// The blanks the reader trims around names and values, DOS end-of-file mark included.
QString ReaderTrimmed(const QString& text) {
    const auto blank = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f' || u == 0x1A;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Section and key names the file seems to hold, found with a rough scan of our own: a name that
// the reader sees otherwise only gets its default value, before and after alike.
std::vector<Names> ScanNames(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    std::vector<Names> names;
    QString section;
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    for (const QString& raw : text.split(lineBreak)) {
        const QString line = ReaderTrimmed(raw);
        if (line.startsWith(QLatin1Char('[')) && line.contains(QLatin1Char(']'))) {
            section = ReaderTrimmed(line.mid(1, line.lastIndexOf(QLatin1Char(']')) - 1));
        } else if (line.contains(QLatin1Char('='))) {
            names.emplace_back(section, ReaderTrimmed(line.left(line.indexOf(QLatin1Char('=')))));
            if (names.size() >= 64)
                break;
        }
    }
    names.emplace_back(QStringLiteral("Cropping"), QStringLiteral("CropTop"));
    return names;
}

// A value the format keeps unchanged: no line break, no blanks or quotes at its ends.
QString SafeValue(const uint8_t* data, size_t size) {
    static const QString alphabet = QStringLiteral("abcXYZ019 ,.;=[]éèà€/\\");
    QString value;
    for (size_t i = 0; i < size && value.size() < 300; ++i)
        value += alphabet.at(data[i] % alphabet.size());
    return QStringLiteral("v") + value + QStringLiteral("w");
}

bool SameName(const QString& a, const QString& b) {
    return ReaderTrimmed(a).compare(ReaderTrimmed(b), Qt::CaseInsensitive) == 0;
}

std::string Describe(const char* what, const Names& names, const QString& got, const QString& expected) {
    return std::string(what) + " [" + names.first.toStdString() + "] " + names.second.toStdString() +
           ": read \"" + got.left(80).toStdString() + "\", expected \"" + expected.left(80).toStdString() +
           "\"";
}

} // namespace

std::string CheckPrivateProfile(const uint8_t* data, size_t size, const std::string& folder) {
    const QString path = QDir(QString::fromStdString(folder)).filePath(QStringLiteral("film.ini"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return "cannot write the test file " + path.toStdString();
    }

    const std::vector<Names> names = ScanNames(bytes);
    static const QString missing = QStringLiteral("\x01missing");
    PrivateProfile before(path);
    if (!before.Load())
        return "a readable file was not loaded";
    std::vector<QString> values;
    for (const Names& n : names) {
        const QString value = before.GetString(n.first, n.second, missing);
        if (value.size() > PrivateProfile::MaxValueLength)
            return Describe("value longer than the reader's limit", n, value, QString());
        values.push_back(value);
    }

    // The input's last byte chooses the key to write, its first bytes the value.
    const Names& written = names[size > 0 ? data[size - 1] % names.size() : 0];
    const QString newValue = SafeValue(data, std::min<size_t>(size, 40));
    before.SetString(written.first, written.second, newValue);
    if (!before.Save())
        return "saving into a writable folder failed";

    PrivateProfile after(path);
    if (!after.Load())
        return "the saved file cannot be read";
    // Names the program writes (letters, digits, blanks inside). Others, such as a key that starts
    // with ";" or "[", read back as a comment or a section in every private-profile reader.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_ ]*$"));
    if (!plainName.match(ReaderTrimmed(written.first)).hasMatch() ||
        !plainName.match(ReaderTrimmed(written.second)).hasMatch())
        return {};
    const QString readBack = after.GetString(written.first, written.second, missing);
    if (readBack != newValue)
        return Describe("written key", written, readBack, newValue);
    for (size_t i = 0; i < names.size(); ++i) {
        const Names& n = names[i];
        if (SameName(n.first, written.first) && SameName(n.second, written.second))
            continue;
        const QString now = after.GetString(n.first, n.second, missing);
        if (now != values[i])
            return Describe("other key changed", n, now, values[i]);
    }
    return {};
}

} // namespace fuzzchecks
