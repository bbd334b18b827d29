#pragma once

#include <QByteArray>
#include <QString>

// Files by their names' own bytes, read and written whole.
//
// On Linux a file name is bytes, and not every name is UTF-8 (a folder copied from an old disc or
// a Latin-1 system). Qt's own conversion (QFile::encodeName) is UTF-8 whatever the locale and
// turns every byte that is not UTF-8 into U+FFFD for good, so such a file could never be opened
// again. Names here are UTF-8 where their bytes are UTF-8, and each other byte b is the lone
// surrogate U+DC00 + b, which no text holds: every name goes back to exactly its bytes.
QByteArray FileNameBytes(const QString& name);
QString FileNameFromBytes(const QByteArray& bytes);

enum class FileKind { Missing, Regular, Folder, Other };
// What the name is, through symbolic links. Other: a named pipe, a device, a socket, which a
// reader would wait on for ever or read without end.
FileKind KindOfFile(const QString& name);

// Whether the file is a regular file that opens for reading.
bool CanReadFile(const QString& name);
// The whole of a regular file; false when it is missing, not a regular file, or unreadable.
bool ReadWholeFile(const QString& name, QByteArray& bytes);

// Makes `bytes` the whole content of the file, or leaves the file as it was and returns false.
// Written beside the target and renamed over it (keeping the target's permissions; through a
// symbolic link, the file it names); where the folder takes no new file but the file may be
// written, rewritten in place after the new size has been reserved on the disk, so that a full
// disk leaves the former file byte for byte. Never writes into anything but a regular file.
bool WriteWholeFile(const QString& name, const QByteArray& bytes);

// For tests: the disk takes only this many more bytes (written or reserved) before it is full;
// negative for no limit.
void SetFreeDiskBytesForTesting(qint64 bytes);
