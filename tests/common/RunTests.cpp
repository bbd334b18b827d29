#include "RunTests.h"

#include <QThreadPool>
#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CINESCRIPTOR_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CINESCRIPTOR_ASAN 1
#endif
#ifdef CINESCRIPTOR_ASAN
#include <sanitizer/lsan_interface.h>
#endif

int RunAllTestsThenCheckLeaks() {
    // The raster paint engine fills large images on the global pool's threads. At exit the pool
    // ends them, and one still running its thread-local cleanup when the leak checker scans leaves
    // its thread data looking unreferenced: a leak reported at random. So the threads never expire
    // and the check runs before exit, on a steady state.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    const int result = RUN_ALL_TESTS();
#ifdef CINESCRIPTOR_ASAN
    __lsan_do_leak_check();
#endif
    return result;
}
