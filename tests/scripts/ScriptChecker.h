#pragma once

#include "model/ScriptComposer.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

// What a reading of a script in AviSynth's grammar found: the assigned numbers and strings, the
// frame ranges of every Trim, and every error (unknown name, name used before assignment, call of
// an unknown filter, bad argument, syntax).
struct CheckedScript {
    QStringList errors;
    QMap<QString, int64_t> numbers;
    QMap<QString, QString> strings;
    std::vector<std::pair<int64_t, int64_t>> trims;
    bool returnsClip = false;
};

// Reads the subset of AviSynth the default scripts use: comments, assignments, "Return", string
// literals (plain and triple-quoted), numbers, + and -, calls with positional and named arguments
// of Mpeg2Source, Trim, Crop, BicubicResize and BilinearResize.
CheckedScript CheckScript(const QStringList& lines);

// A golden file of tests/scripts/golden, as its bytes.
QByteArray Golden(const char* name);
// The film the golden files were written for; its folder (the save dialog's start) when given.
ScriptSource GoldenSource(uint8_t creditsMode, const QString& folder = QString());
