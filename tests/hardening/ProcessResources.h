#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>

// What the process holds right now, read from /proc and the allocator.
namespace ProcessResources {

// Each open file descriptor as "fd -> target", without the one used to list them.
QStringList OpenFileDescriptors();
// Bytes the program has allocated and not freed: the sanitizer's count under AddressSanitizer,
// otherwise glibc's (small blocks in use plus mapped large blocks).
size_t HeapInUse();
// Dynamic symbols of an ELF shared library bound STB_GNU_UNIQUE: the dynamic loader never unloads
// a library that has one. -1 when the file cannot be read as 64-bit ELF.
int UniqueSymbolCount(const QString& libraryPath);
// True while a mapped file whose path contains `fragment` is in the address space.
bool IsMapped(const QString& fragment);

} // namespace ProcessResources
