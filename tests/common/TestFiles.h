#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The whole content of a file; empty when it cannot be read.
QByteArray ReadBytes(const QString& path);
// The file made anew with exactly these bytes; false when it could not be.
bool WriteBytes(const QString& path, const QByteArray& bytes);
// Runs a program in `dir` and waits for it; true when it exits with 0. `log` gets the command line and
// what it printed on both channels.
bool RunProgram(const QString& program, const QStringList& args, const QString& dir, QString& log);
