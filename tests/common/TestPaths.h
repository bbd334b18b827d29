#pragma once

#include <QString>

// Checked-in sample films and reference frames.
inline QString TestDataDir() {
    return QStringLiteral(CINESCRIPTOR_TEST_DATA_DIR);
}
inline QString TestDataPath(const QString& relative) {
    return TestDataDir() + QLatin1Char('/') + relative;
}
// Where the build puts the program, the decoder library and the tools.
inline QString BinDir() {
    return QStringLiteral(CINESCRIPTOR_BIN_DIR);
}
