#include "RunTests.h"

#include <QThreadPool>
#include <gtest/gtest.h>

int RunAllTestsAndJoinQtWorkers() {
    const int result = RUN_ALL_TESTS();
    QThreadPool::globalInstance()->waitForDone();
    return result;
}
