#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

// A .d2v file taken apart for comparisons: settings by key, data lines by field.
struct D2VDataLine {
    unsigned info = 0;
    int matrix = 0;
    int file = 0;
    qint64 position = 0;
    int skip = 0;
    int vob = 0;
    int cell = 0;
    std::vector<int> flags;
};

struct D2VText {
    QString magic;
    QStringList files;
    QMap<QString, QString> settings;
    std::vector<D2VDataLine> lines;
    bool ended = false; // the data ended with "ff"
    QString finished;   // the FINISHED line, if any
    QString error;      // set when the text could not be taken apart

    int Pictures() const;
    std::vector<int> AllFlags() const;
};

D2VText ParseD2VText(const QString& text);
D2VText ReadD2VText(const QString& path);

// Runs the indexer from the build with these arguments in `workDir`; returns its exit code
// (-1 if it could not run) and its error output.
int RunD2VIndex(const QStringList& args, const QString& workDir, QString* errors = nullptr);
