#include "ProcessResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <dirent.h>
#include <elf.h>
#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define CINESCRIPTOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CINESCRIPTOR_ASAN 1
#endif
#endif

#ifdef CINESCRIPTOR_ASAN
// From the sanitizer runtime; g++ ships no header for it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace ProcessResources {

QStringList OpenFileDescriptors() {
    QStringList result;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr)
        return result;
    const int own = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const QString name = QString::fromLatin1(entry->d_name);
        bool isNumber = false;
        const int fd = name.toInt(&isNumber);
        if (!isNumber || fd == own)
            continue;
        result << name + QStringLiteral(" -> ") +
                      QFileInfo(QStringLiteral("/proc/self/fd/") + name).symLinkTarget();
    }
    closedir(dir);
    result.sort();
    return result;
}

size_t HeapInUse() {
#ifdef CINESCRIPTOR_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

int UniqueSymbolCount(const QString& libraryPath) {
    QFile file(libraryPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray image = file.readAll();
    const auto size = static_cast<size_t>(image.size());
    Elf64_Ehdr header;
    if (size < sizeof header)
        return -1;
    std::memcpy(&header, image.constData(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shoff > size ||
        header.e_shnum > (size - header.e_shoff) / sizeof(Elf64_Shdr))
        return -1;
    int count = 0;
    for (size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section;
        std::memcpy(&section, image.constData() + header.e_shoff + i * sizeof section, sizeof section);
        if (section.sh_type != SHT_DYNSYM)
            continue;
        if (section.sh_offset > size || section.sh_size > size - section.sh_offset)
            return -1;
        for (size_t at = 0; at + sizeof(Elf64_Sym) <= section.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, image.constData() + section.sh_offset + at, sizeof symbol);
            if (ELF64_ST_BIND(symbol.st_info) == STB_GNU_UNIQUE)
                ++count;
        }
    }
    return count;
}

bool IsMapped(const QString& fragment) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    return QString::fromLocal8Bit(maps.readAll()).contains(fragment);
}

} // namespace ProcessResources
