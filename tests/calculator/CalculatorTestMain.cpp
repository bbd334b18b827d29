#include "common/RunTests.h"

#include <QApplication>
#include <gtest/gtest.h>

// The windows need the application object, and the decoder library is looked for beside the program.
int main(int argc, char** argv) {
    // CTest lists the tests with no environment of ours; the windows never need a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RunAllTestsThenCheckLeaks();
}
