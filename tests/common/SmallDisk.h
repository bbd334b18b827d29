#pragma once

#include <QString>

// A small file system of its own, to meet a full disk: a tmpfs mounted on a new folder for the
// object's lifetime, where the machine lets a test mount one (root, and a system that allows it).
class SmallDisk {
public:
    // Makes `folder` (a test failure when it cannot) and mounts a file system of `size` on it.
    explicit SmallDisk(const QString& folder, const char* size = "64k");
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool IsMounted() const { return mounted; }
    // Takes every free block but the few a file system keeps for itself, in a file "filler",
    // written `blockSize` bytes at a time.
    void Fill(int blockSize = 4096) const;
    // Gives them back; false when the filler could not be removed.
    bool Free() const;

private:
    QString point;
    bool mounted = false;
};
