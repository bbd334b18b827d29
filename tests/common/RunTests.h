#pragma once

// Runs every test; in the sanitizer build, looks for leaks right after, while Qt's worker threads
// are still idle and alive (see the source for why not at exit).
int RunAllTestsThenCheckLeaks();
