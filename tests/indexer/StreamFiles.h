#pragma once

#include "common/TestFiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// Every name in the folder, hidden ones included: what a failed run must leave as it was.
QStringList Entries(const QString& dir);
// Writes `data` cut before each offset of `cuts` (ascending) as files piece000, piece001... in
// `dir`, as `split` would; returns their paths.
std::vector<std::string> WritePieces(const QString& dir, const QByteArray& data,
                                     const std::vector<qsizetype>& cuts);
// The checked-in DVD program stream (360 frames, PAL, GOP 12).
QString PalFilmPath();
