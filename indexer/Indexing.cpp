#include "indexer/Indexing.h"

#include "indexer/D2VWriter.h"
#include "indexer/IndexLines.h"
#include "mpegstream/ByteReader.h"
#include "mpegstream/FileSet.h"
#include "mpegstream/StartCodes.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <random>
#include <unistd.h>

namespace indexer {

namespace {

// How much of the stream start tells its kind.
constexpr size_t kDetectBytes = 1 << 20;
constexpr size_t kReadChunk = 1 << 20;
constexpr uint64_t kMinProgressStep = 64 * 1024;
constexpr uint64_t kMaxProgressStep = 4 * 1024 * 1024;

IndexResult Failed(IndexFailure failure, int file = -1, int systemError = 0, int64_t offset = -1) {
    IndexResult result;
    result.failure = failure;
    result.file = file;
    result.systemError = systemError;
    result.offset = offset;
    return result;
}

IndexResult FromFileFailure(const mpegstream::FileFailure& f) {
    using Kind = mpegstream::FileFailure::Kind;
    switch (f.kind) {
    case Kind::Missing:
        return Failed(IndexFailure::InputMissing, f.file, f.systemError);
    case Kind::NotAFile:
        return Failed(IndexFailure::InputNotAFile, f.file);
    case Kind::CannotOpen:
        return Failed(IndexFailure::InputUnreadable, f.file, f.systemError);
    case Kind::ReadFailed:
        return Failed(IndexFailure::ReadFailed, f.file, f.systemError, f.offset);
    case Kind::Shrunk:
        return Failed(IndexFailure::InputChanged, f.file, 0, f.offset);
    case Kind::None:
        break;
    }
    return {};
}

bool Cancelled(const IndexControl& control) {
    return control.cancel && control.cancel->load(std::memory_order_relaxed);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

IndexResult Index(const IndexRequest& request, const IndexControl& control) {
    if (request.inputs.empty())
        return Failed(IndexFailure::NoInput);
    if (request.fieldOperation < 0 || request.fieldOperation > 2)
        return Failed(IndexFailure::BadFieldOperation);
    for (size_t i = 0; i < request.inputs.size(); ++i)
        if (SameFile(request.inputs[i], request.d2vPath))
            return Failed(IndexFailure::OutputIsInput, static_cast<int>(i));
    if (Cancelled(control))
        return Failed(IndexFailure::Cancelled);

    mpegstream::FileSet files;
    if (!files.Open(request.inputs))
        return FromFileFailure(files.Failure());
    for (int i = 0; i < files.Count(); ++i)
        if (files.Size(i) == 0)
            return Failed(IndexFailure::InputEmpty, i);

    mpegstream::StreamFormat format;
    {
        mpegstream::ByteReader start(files, 0, kDetectBytes);
        start.Ensure(kDetectBytes);
        if (files.Failed())
            return FromFileFailure(files.Failure());
        if (!mpegstream::DetectFormat(start.Data(), start.Available(), format))
            return Failed(IndexFailure::NotMpeg, 0);
    }

    mpegstream::ByteReader reader(files, 0, kReadChunk);
    const std::unique_ptr<mpegstream::Demuxer> demuxer = mpegstream::MakeDemuxer(format, reader);
    LineBuilder lines(files, format.type == mpegstream::StreamType::Elementary);
    mpegstream::StartCodeScanner scanner;
    auto onCode = [&lines](const mpegstream::StartCode& code) { lines.OnStartCode(code); };
    const uint64_t total = files.TotalSize();
    const uint64_t step = std::clamp(total / 256, kMinProgressStep, kMaxProgressStep);
    uint64_t nextStep = step;
    mpegstream::VideoPiece piece;
    while (demuxer->Next(piece)) {
        if (demuxer->Scrambled()) {
            const mpegstream::FilePosition at = files.PositionOf(demuxer->ScrambledAt());
            return Failed(IndexFailure::Scrambled, at.file, 0, at.offset);
        }
        lines.SetNavigation(demuxer->VobId(), demuxer->CellId());
        scanner.Feed(piece.data, piece.size, piece.offset, piece.unit, onCode);
        if (piece.offset >= nextStep) {
            nextStep = piece.offset + step;
            if (control.progress)
                control.progress(piece.offset, total);
            if (Cancelled(control))
                return Failed(IndexFailure::Cancelled);
        }
    }
    if (files.Failed())
        return FromFileFailure(files.Failure());
    if (demuxer->Scrambled()) { // in a packet that held no video byte
        const mpegstream::FilePosition at = files.PositionOf(demuxer->ScrambledAt());
        return Failed(IndexFailure::Scrambled, at.file, 0, at.offset);
    }
    scanner.Finish(onCode);
    lines.Finish();
    if (control.progress)
        control.progress(total, total);
    if (Cancelled(control))
        return Failed(IndexFailure::Cancelled);
    if (!lines.Summary().seen)
        return Failed(IndexFailure::NoVideo, 0);
    if (lines.Lines().empty())
        return Failed(IndexFailure::NoIPicture, 0);

    IndexHeader header;
    header.inputs = request.inputs;
    header.d2vPath = request.d2vPath;
    header.fullPaths = request.fullPaths;
    header.fieldOperation = request.fieldOperation;
    header.format = format;
    header.pids = demuxer->Pids();
    const WriteFailure written =
        WriteFileAtomically(request.d2vPath, ComposeD2V(header, files, lines), control.cancel);
    switch (written.kind) {
    case WriteFailure::Kind::None:
        break;
    case WriteFailure::Kind::Cancelled:
        return Failed(IndexFailure::Cancelled);
    case WriteFailure::Kind::WriteFailed:
        return Failed(IndexFailure::OutputWriteFailed, -1, written.systemError);
    case WriteFailure::Kind::CannotCreate:
    case WriteFailure::Kind::CannotReplace:
        return Failed(IndexFailure::OutputUnwritable, -1, written.systemError);
    }

    IndexResult result;
    if (demuxer->CutShort())
        result.warnings.push_back({IndexWarning::FilmEndsEarly, files.Count() - 1});
    result.streamType = format.type;
    result.pictures = lines.Pictures();
    result.lines = static_cast<int>(lines.Lines().size());
    result.totalBytes = total;
    return result;
}

} // namespace

IndexResult IndexFilm(const IndexRequest& request, const IndexControl& control) {
    // Nothing thrown leaves for the caller's thread; the temporary file, if any, is gone by then.
    try {
        return Index(request, control);
    } catch (const std::bad_alloc&) {
        return Failed(IndexFailure::OutOfMemory);
    }
}

std::string DefaultIndexPath(const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    if (inputs.empty())
        return {};
    const fs::path first(inputs.front());
    std::string name = first.filename().string();
    // VTS_nn_k.VOB, whatever the case: the title set's name.
    auto upper = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string n = upper(name);
    const bool titleSetVob = n.size() == 12 && n.compare(0, 4, "VTS_") == 0 && std::isdigit(n[4]) &&
                             std::isdigit(n[5]) && n[6] == '_' && std::isdigit(n[7]) &&
                             n.compare(8, 4, ".VOB") == 0;
    if (titleSetVob)
        return (first.parent_path() / (name.substr(0, 6) + ".d2v")).string();
    return fs::path(first).replace_extension(".d2v").string();
}

bool CanWriteIndexAt(const std::string& d2vPath, int& systemError) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(d2vPath).parent_path();
    if (dir.empty())
        dir = ".";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string probe = (dir / (".cinescriptor-probe-" + std::to_string(random()))).string();
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            systemError = 0;
            return true;
        }
        if (errno != EEXIST) {
            systemError = errno;
            return false;
        }
    }
    systemError = EEXIST;
    return false;
}

} // namespace indexer
