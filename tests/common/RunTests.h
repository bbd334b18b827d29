#pragma once

// Runs every test, then waits for Qt's global thread pool to end its threads. The raster paint
// engine fills large images on pool threads; one still ending when the process exits leaves its
// thread data behind, which the leak checker reports at random.
int RunAllTestsAndJoinQtWorkers();
