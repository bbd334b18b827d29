// Saves a settings file the way the program does, for tests that run it as another user (one who
// may write the file but not its folder): SaveInPlace <file> <bytes to add> <free disk bytes, -1>.
// Prints "saved" or "refused".
#include "platform/FileBytes.h"
#include "platform/PrivateProfile.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    SetFreeDiskBytesForTesting(std::atoll(argv[3]));
    PrivateProfile profile(FileNameFromBytes(QByteArray(argv[1])));
    if (!profile.Load())
        return 3;
    profile.SetString(QStringLiteral("Interface"), QStringLiteral("Note"),
                      QString(std::atoi(argv[2]), QLatin1Char('n')));
    const bool saved = profile.Save();
    std::puts(saved ? "saved" : "refused");
    return 0;
}
