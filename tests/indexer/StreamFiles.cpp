#include "StreamFiles.h"

#include "common/TestPaths.h"

#include <QDir>
#include <QProcess>

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

std::vector<std::string> WritePieces(const QString& dir, const QByteArray& data,
                                     const std::vector<qsizetype>& cuts) {
    std::vector<std::string> paths;
    qsizetype from = 0;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        const qsizetype to = i < cuts.size() ? cuts[i] : data.size();
        const QString path = QDir(dir).filePath(QStringLiteral("piece%1").arg(i, 3, 10, QLatin1Char('0')));
        if (!WriteBytes(path, data.mid(from, to - from)))
            return {};
        paths.push_back(path.toStdString());
        from = to;
    }
    return paths;
}

bool RunProgram(const QString& program, const QStringList& args, const QString& dir, QString& log) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForStarted(30000) && p.waitForFinished(5 * 60 * 1000) &&
                    p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    log = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ") +
          QString::fromLocal8Bit(p.readAll());
    return ok;
}

QString PalFilmPath() {
    return TestDataPath(QStringLiteral("pal_letterbox/film.mpg"));
}
