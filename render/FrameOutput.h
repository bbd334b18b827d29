#pragma once

#include <QString>
#include <cstddef>
#include <memory>

// Where the frames go: standard output, or a file that appears only once it is whole.
class FrameOutput {
public:
    // Standard output, as it is (a pipe to an encoder, a file, a terminal).
    static std::unique_ptr<FrameOutput> Standard();
    // A regular file (or a new one) is written beside its place under a temporary name and put in
    // place by Commit, so that a failed run leaves no partial file and an older file as it was.
    // Anything else that exists there (a named pipe, a device) is written directly. Null, with the
    // reason, when it cannot be opened.
    static std::unique_ptr<FrameOutput> OpenFile(const QString& path, QString& error);

    ~FrameOutput();
    FrameOutput(const FrameOutput&) = delete;
    FrameOutput& operator=(const FrameOutput&) = delete;

    // False once a write failed; Error() then says why.
    bool Write(const void* data, size_t size);
    bool Commit();
    // The reader went away (an encoder that stopped early): not an error of the renderer's.
    bool IsBrokenPipe() const { return failure == BrokenPipe; }
    QString Error() const;
    // The file's path; empty for standard output.
    const QString& Name() const { return name; }

private:
    FrameOutput(int fd, QString name, QString temporaryPath);
    void Discard();

    enum Failure { None = 0, BrokenPipe = -1 };
    int fd;
    QString name;
    QString temporaryPath; // empty when written in place
    int failure = None;    // errno of the failed call, or BrokenPipe
    bool isCommitted = false;
};
