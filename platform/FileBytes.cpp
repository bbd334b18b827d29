#include "platform/FileBytes.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<qint64> freeDiskBytes{-1};

// Length of the UTF-8 sequence starting at `at`, or 0 when its bytes are not well-formed UTF-8
// (overlong forms and encoded surrogates included).
int Utf8SequenceLength(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes.at(i)); };
    const unsigned char lead = byte(at);
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k)
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF)
            return 0;
    return length;
}

bool IsEscapedByte(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Writes everything or fails (with errno set), as the disk allows.
bool WriteAll(int fd, const QByteArray& bytes) {
    const qint64 limit = freeDiskBytes;
    qsizetype size = bytes.size();
    if (limit >= 0 && size > limit)
        size = static_cast<qsizetype>(limit);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(size - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    if (size < bytes.size()) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

// Makes sure the disk holds `size` bytes for the file, so that writing them cannot fail for room.
bool Reserve(int fd, qint64 oldSize, qint64 size) {
    const qint64 limit = freeDiskBytes;
    if (limit >= 0 && size - oldSize > limit) {
        errno = ENOSPC;
        return false;
    }
    const int result = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
    errno = result;
    return result == 0;
}

mode_t NewFileMode() {
    // The process's umask can only be read by setting it; the program has one thread.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteBeside(const QByteArray& target, const QByteArray& bytes, mode_t mode, bool& folderRefused) {
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temporary = (slash < 0 ? QByteArray(".") : target.left(slash)) + "/.cinescriptor-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        folderRefused = errno == EACCES || errno == EPERM || errno == EROFS;
        return false;
    }
    bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes);
    // A network disk may report a full disk only when the file is closed.
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

bool WriteInPlace(const QByteArray& target, const QByteArray& bytes) {
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return false;
    struct stat status {};
    bool written = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (written && !bytes.isEmpty() && !Reserve(fd, status.st_size, bytes.size())) {
        // A partly made reservation may have grown the file: it goes back to its size.
        ::ftruncate(fd, status.st_size);
        written = false;
    } else if (written) {
        written = WriteAll(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    }
    return ::close(fd) == 0 && written;
}

} // namespace

QByteArray FileNameBytes(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        if (IsEscapedByte(unit)) {
            bytes += static_cast<char>(unit - 0xDC00);
            continue;
        }
        // Everything else as UTF-8, a pair of surrogates as the one character it makes.
        const bool pair =
            QChar::isHighSurrogate(unit) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate();
        bytes += QStringView(name).mid(i, pair ? 2 : 1).toUtf8();
        if (pair)
            ++i;
    }
    return bytes;
}

QString FileNameFromBytes(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes.at(i));
        if (lead < 0x80) {
            name += QChar(lead);
            ++i;
            continue;
        }
        const int length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            name += QChar(static_cast<char16_t>(0xDC00 + lead));
            ++i;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + i, length);
        i += length;
    }
    return name;
}

FileKind KindOfFile(const QString& name) {
    struct stat status {};
    if (name.isEmpty() || ::stat(FileNameBytes(name).constData(), &status) != 0)
        return FileKind::Missing;
    if (S_ISREG(status.st_mode))
        return FileKind::Regular;
    return S_ISDIR(status.st_mode) ? FileKind::Folder : FileKind::Other;
}

namespace {

// Not blocking: a named pipe put in the file's place must not stop the program.
int OpenRegularFile(const QString& name, struct stat& status) {
    if (name.isEmpty())
        return -1;
    const int fd = ::open(FileNameBytes(name).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool CanReadFile(const QString& name) {
    struct stat status {};
    const int fd = OpenRegularFile(name, status);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

bool ReadWholeFile(const QString& name, QByteArray& bytes) {
    bytes.clear();
    struct stat status {};
    const int fd = OpenRegularFile(name, status);
    if (fd < 0)
        return false;
    bool read = true;
    {
        QByteArray buffer(64 * 1024, Qt::Uninitialized);
        bytes.reserve(static_cast<qsizetype>(status.st_size));
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), static_cast<size_t>(buffer.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                read = n == 0;
                break;
            }
            bytes.append(buffer.constData(), n);
        }
    }
    ::close(fd);
    if (!read)
        bytes.clear();
    return read;
}

bool WriteWholeFile(const QString& name, const QByteArray& bytes) {
    QByteArray target = FileNameBytes(name);
    if (target.isEmpty())
        return false;
    struct stat status {};
    const bool exists = ::stat(target.constData(), &status) == 0;
    if (!exists && errno != ENOENT)
        return false;
    // A read-only file stays as it is, as the system's own writers leave it.
    if (exists && (!S_ISREG(status.st_mode) || ::access(target.constData(), W_OK) != 0))
        return false;
    if (exists) {
        // Through a symbolic link, the file it names is replaced, not the link.
        if (char* real = ::realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    bool folderRefused = false;
    if (WriteBeside(target, bytes, exists ? status.st_mode & 07777 : NewFileMode(), folderRefused))
        return true;
    // The user may write the file but not its folder: in place, the room reserved first.
    return folderRefused && WriteInPlace(target, bytes);
}

void SetFreeDiskBytesForTesting(qint64 bytes) {
    freeDiskBytes = bytes;
}
