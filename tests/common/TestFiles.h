#pragma once

#include <QByteArray>
#include <QString>

// The whole content of a file; empty when it cannot be read.
QByteArray ReadBytes(const QString& path);
// The file made anew with exactly these bytes; false when it could not be.
bool WriteBytes(const QString& path, const QByteArray& bytes);
