#include "common/RunTests.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// The decoder library is looked for beside the program, which needs the application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RunAllTestsThenCheckLeaks();
}
