#pragma once

#include <cstddef>

// Resident sizes of this process from /proc and getrusage, and the heap malloc holds.
long ResidentKb();
long PeakResidentKb();
size_t HeapInUse();

// Opens the film through the decoder's C entry points alone and visits random frames.
int ProbeLibrary(const char* d2v, int visits);

// Indexes the film's stream files (those beside its .d2v, in name order) into a temporary folder.
int ProbeIndexing(const char* d2v);
