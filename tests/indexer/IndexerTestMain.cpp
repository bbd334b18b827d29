#include <QCoreApplication>
#include <gtest/gtest.h>

// Test films and DVD folders are made with external programs, which QProcess runs best inside an
// application.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
