#include "D2VText.h"

#include "common/TestPaths.h"

#include <QFile>
#include <QProcess>

int D2VText::Pictures() const {
    int n = 0;
    for (const D2VDataLine& line : lines)
        n += static_cast<int>(line.flags.size());
    return n;
}

std::vector<int> D2VText::AllFlags() const {
    std::vector<int> all;
    for (const D2VDataLine& line : lines)
        all.insert(all.end(), line.flags.begin(), line.flags.end());
    return all;
}

D2VText ParseD2VText(const QString& text) {
    D2VText d;
    QStringList rows = text.split(QLatin1Char('\n'));
    for (QString& row : rows) {
        if (row.endsWith(QLatin1Char('\r')))
            row.chop(1);
    }
    int i = 0;
    auto next = [&]() { return i < rows.size() ? rows[i++] : QString(); };
    d.magic = next();
    bool ok = false;
    const int count = next().toInt(&ok);
    if (!ok) {
        d.error = QStringLiteral("no file count");
        return d;
    }
    for (int f = 0; f < count; ++f)
        d.files << next();
    if (!next().isEmpty()) {
        d.error = QStringLiteral("no blank line after the file list");
        return d;
    }
    for (QString row = next(); !row.isEmpty(); row = next()) {
        const int eq = row.indexOf(QLatin1Char('='));
        if (eq < 0) {
            d.error = QStringLiteral("setting without '=': ") + row;
            return d;
        }
        d.settings.insert(row.left(eq), row.mid(eq + 1));
    }
    for (QString row = next(); !row.isEmpty() && !d.ended; row = next()) {
        const QStringList t = row.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (t.size() < 7) {
            d.error = QStringLiteral("short data line: ") + row;
            return d;
        }
        D2VDataLine line;
        line.info = t[0].toUInt(nullptr, 16);
        line.matrix = t[1].toInt();
        line.file = t[2].toInt();
        line.position = t[3].toLongLong();
        line.skip = t[4].toInt();
        line.vob = t[5].toInt();
        line.cell = t[6].toInt();
        for (int k = 7; k < t.size(); ++k) {
            if (t[k] == QLatin1String("ff")) {
                d.ended = true;
                break;
            }
            line.flags.push_back(t[k].toInt(nullptr, 16));
        }
        d.lines.push_back(line);
    }
    for (QString row = next(); i <= rows.size() && !row.isNull(); row = next()) {
        if (row.startsWith(QLatin1String("FINISHED")))
            d.finished = row;
    }
    return d;
}

D2VText ReadD2VText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        D2VText d;
        d.error = QStringLiteral("cannot read ") + path;
        return d;
    }
    return ParseD2VText(QString::fromUtf8(f.readAll()));
}

int RunD2VIndex(const QStringList& args, const QString& workDir, QString* errors) {
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(BinDir() + QStringLiteral("/d2vindex"), args);
    if (!p.waitForStarted(30000) || !p.waitForFinished(5 * 60 * 1000))
        return -1;
    if (errors)
        *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
