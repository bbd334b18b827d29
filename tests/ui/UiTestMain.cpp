#include "common/RunTests.h"
#include "platform/CharacterTypes.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Listing the tests (CTest's discovery) runs without the tests' environment: no display then.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    ::testing::InitGoogleTest(&argc, argv);
    return RunAllTestsThenCheckLeaks();
}
