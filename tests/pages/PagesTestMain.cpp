#include "common/RunTests.h"
#include "platform/CharacterTypes.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Listing the tests (CTest's discovery) runs without the tests' environment: with no display
    // the windows are drawn offscreen rather than failing to start.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    ::testing::InitGoogleTest(&argc, argv);
    return RunAllTestsThenCheckLeaks();
}
