#include "common/SmallDisk.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/mount.h>

SmallDisk::SmallDisk(const QString& folder, const char* size) : point(folder) {
    if (!QDir().mkdir(folder)) {
        ADD_FAILURE() << "cannot make " << folder.toStdString();
        return;
    }
    const QByteArray options = QByteArray("size=") + size;
    mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted)
        ::umount2(QFile::encodeName(point).constData(), MNT_DETACH);
}

void SmallDisk::Fill(int blockSize) const {
    QFile filler(point + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(blockSize, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
}

bool SmallDisk::Free() const {
    return QFile::remove(point + QStringLiteral("/filler"));
}
