#pragma once

// Indexing an MPEG-1/2 film into a .d2v file, for the program and for d2vindex.
//
//   indexer::IndexRequest request;
//   request.inputs = title.vobFiles;                     // or the .mpg files picked, in order
//   request.d2vPath = indexer::DefaultIndexPath(request.inputs);
//   std::atomic<bool> cancel{false};                      // set from any thread to stop
//   indexer::IndexControl control;
//   control.cancel = &cancel;
//   control.progress = [](uint64_t done, uint64_t total) { ... };  // on the indexing thread
//   const indexer::IndexResult result = indexer::IndexFilm(request, control);
//
// IndexFilm runs on the caller's thread, from start to end (run it on a worker thread to keep a
// window responsive). The index is written through a temporary file in the destination folder
// renamed at the end: whatever the failure, and after a cancel, there is no new .d2v and no
// temporary file, and a .d2v that was there keeps its content. Failures and warnings are codes
// with what they concern (which file, where, the system's error number), for the caller to word
// in its own language.

#include "mpegstream/Demuxer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace indexer {

enum class IndexFailure {
    None,
    Cancelled,         // the cancel flag was set: nothing written
    NoInput,           // no stream file given
    BadFieldOperation, // fieldOperation is not 0, 1 or 2
    OutputIsInput,     // file: the index would overwrite this input
    InputMissing,      // file: there is no such file (a VOB missing from the middle of a set, say)
    InputNotAFile,     // file: a folder or a device
    InputUnreadable,   // file, systemError: it cannot be opened (permissions)
    InputEmpty,        // file: it holds no byte
    NotMpeg,           // file (the first): no MPEG-1/2 program, transport or video elementary stream
    NoVideo,           // file (the first): no MPEG-1/2 video sequence header in the whole stream
    NoIPicture,        // file (the first): no I picture to start decoding from
    Scrambled,         // file, offset: a scrambled video packet (an encrypted disc); never decrypted
    ReadFailed,        // file, offset, systemError: the system reported an error while reading
    InputChanged,      // file, offset: it became shorter while it was read
    OutputUnwritable,  // systemError: no file can be made in the index's folder (read-only media,
                       // no such folder, a file in the path) or the index cannot take its name (a
                       // folder of that name)
    OutputWriteFailed, // systemError: writing the index failed (a full disk)
    OutOfMemory,       // the system refused memory: nothing written
};

enum class IndexWarning {
    FilmEndsEarly, // file (the last): it stops inside a packet, as a truncated VOB does; the film
                   // is indexed up to there
};

struct IndexRequest {
    std::vector<std::string> inputs; // the stream files, read one after the other as one stream
    std::string d2vPath;             // the index to write
    int fieldOperation = 0;          // 0 honour pulldown flags, 1 force film, 2 ignore pulldown flags
    bool fullPaths = false;          // absolute paths in the file list instead of paths relative to the index
};

struct IndexControl {
    // Bytes of the stream read so far and in all: called on the indexing thread every 1/256 of
    // the stream (at least every 4 MiB, at most every 64 KiB) and once more with done == total
    // when reading is over, before the index is written.
    std::function<void(uint64_t done, uint64_t total)> progress;
    // Looked at on each progress step and before the index takes its name; once true, IndexFilm
    // stops and returns Cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

struct IndexResult {
    IndexFailure failure = IndexFailure::None;
    int file = -1;       // the input concerned (index into IndexRequest::inputs), -1 for none
    int64_t offset = -1; // byte offset in that file, for the failures that say so
    int systemError = 0; // errno, for the failures that say so
    struct Warning {
        IndexWarning code;
        int file;
    };
    std::vector<Warning> warnings; // only with failure None: the index was written

    // What was indexed, with failure None.
    mpegstream::StreamType streamType = mpegstream::StreamType::Program;
    int pictures = 0;        // coded frames listed
    int lines = 0;           // data lines (one per I picture)
    uint64_t totalBytes = 0; // of all inputs

    bool Ok() const { return failure == IndexFailure::None; }
};

IndexResult IndexFilm(const IndexRequest& request, const IndexControl& control = {});

// Where the program puts an index by default: beside the first file, named after a DVD title
// set for VOB files (VTS_01_1.VOB -> VTS_01.d2v), else after the first file (film.mpg -> film.d2v).
std::string DefaultIndexPath(const std::vector<std::string>& inputs);

// Whether a file can be made in the folder the index would go to, found by making and removing
// one (the folder's permissions do not tell about read-only media); false with the system's
// error number otherwise.
bool CanWriteIndexAt(const std::string& d2vPath, int& systemError);

} // namespace indexer
