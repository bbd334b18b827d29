// The main of every test program that shows windows, taken from this library as gtest_main is.
#include "common/RunTests.h"
#include "ui/ApplicationStart.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // CTest lists the tests with no environment of ours: the windows never need a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    StartApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RunAllTestsThenCheckLeaks();
}
