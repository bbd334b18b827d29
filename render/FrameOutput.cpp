#include "render/FrameOutput.h"

#include "platform/FileBytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FrameOutput::FrameOutput(int fd_, QString name_, QString temporaryPath_)
    : fd(fd_), name(std::move(name_)), temporaryPath(std::move(temporaryPath_)) {}

FrameOutput::~FrameOutput() {
    Discard();
}

std::unique_ptr<FrameOutput> FrameOutput::Standard() {
    return std::unique_ptr<FrameOutput>(new FrameOutput(STDOUT_FILENO, {}, {}));
}

std::unique_ptr<FrameOutput> FrameOutput::OpenFile(const QString& path, QString& error) {
    const QByteArray native = FileNameBytes(path);
    auto refuse = [&](int code) {
        error = QStringLiteral("Impossible d'écrire « %1 » : %2.")
                    .arg(path, QString::fromLocal8Bit(std::strerror(code)));
        return nullptr;
    };
    struct stat status {};
    if (::stat(native.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        if (S_ISDIR(status.st_mode))
            return refuse(EISDIR);
        const int fd = ::open(native.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return refuse(errno);
        return std::unique_ptr<FrameOutput>(new FrameOutput(fd, path, {}));
    }
    QByteArray pattern = native + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return refuse(errno);
    // mkostemp makes the file private; the finished one gets what any new file would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return std::unique_ptr<FrameOutput>(new FrameOutput(fd, path, FileNameFromBytes(pattern)));
}

bool FrameOutput::Write(const void* data, size_t size) {
    if (failure != None)
        return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            failure = errno == EPIPE ? BrokenPipe : errno;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool FrameOutput::Commit() {
    if (failure != None)
        return false;
    if (fd == STDOUT_FILENO)
        return true;
    // A full disk may show only when the file is closed.
    const int closing = ::close(fd);
    fd = -1;
    if (closing != 0) {
        failure = errno;
        return false;
    }
    if (!temporaryPath.isEmpty()) {
        if (::rename(FileNameBytes(temporaryPath).constData(), FileNameBytes(name).constData()) != 0) {
            failure = errno;
            return false;
        }
        temporaryPath.clear();
    }
    isCommitted = true;
    return true;
}

void FrameOutput::Discard() {
    if (fd >= 0 && fd != STDOUT_FILENO)
        ::close(fd);
    fd = -1;
    if (!isCommitted && !temporaryPath.isEmpty())
        ::unlink(FileNameBytes(temporaryPath).constData());
    temporaryPath.clear();
}

QString FrameOutput::Error() const {
    const QString where =
        name.isEmpty() ? QStringLiteral("la sortie standard") : QStringLiteral("« %1 »").arg(name);
    if (failure == BrokenPipe)
        return QStringLiteral(
                   "Les images ne sont plus lues : %1 a été fermée avant la fin (le programme qui les "
                   "lisait s'est arrêté).")
            .arg(where);
    if (failure == ENOSPC)
        return QStringLiteral("Le disque est plein : %1 ne peut pas être écrit en entier.").arg(where);
    return QStringLiteral("Impossible d'écrire dans %1 : %2.")
        .arg(where, QString::fromLocal8Bit(std::strerror(failure)));
}
