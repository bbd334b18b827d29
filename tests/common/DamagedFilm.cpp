#include "DamagedFilm.h"

#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <random>

QString MakeDamagedFilm(const QString& folder) {
    QFile source(TestDataPath(QStringLiteral("pal_letterbox/film.mpg")));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QByteArray stream = source.readAll();
    std::mt19937 random(3);
    for (int k = 0; k < 300; ++k) {
        const auto at = 2314254 + 4096 + static_cast<qsizetype>(random() % 200000u);
        stream[at] = static_cast<char>(stream[at] ^ (1 << (k % 8)));
    }
    const QDir dir(folder);
    QFile damaged(dir.filePath(QStringLiteral("film.mpg")));
    if (!damaged.open(QIODevice::WriteOnly) || damaged.write(stream) != stream.size())
        return {};
    damaged.close();
    const QString d2v = dir.filePath(QStringLiteral("film.d2v"));
    return QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")), d2v) ? d2v : QString();
}
