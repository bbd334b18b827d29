#include "StreamFiles.h"

#include "common/TestPaths.h"

#include <QDir>

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

QString PalFilmPath() {
    return TestDataPath(QStringLiteral("pal_letterbox/film.mpg"));
}
