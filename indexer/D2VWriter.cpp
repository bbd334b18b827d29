#include "indexer/D2VWriter.h"

#include "mpegstream/Headers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace indexer {

namespace {

const char* const kAspectMpeg2[] = {"", "1:1", "4:3", "16:9", "2.21:1"};
const char* const kAspectMpeg1[] = {"",       "1:1",      "0.6735",  "16:9,625", "0.7615",
                                    "0.8055", "16:9,525", "0.8935",  "4:3,625",  "0.9815",
                                    "1.0255", "1.0695",   "4:3,525", "1.575",    "1.2015"};

std::string Format(const char* fmt, auto... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

} // namespace

FrameRateLine MakeFrameRateLine(unsigned num, unsigned den, int fieldOperation) {
    FrameRateLine line;
    if (den == 0 || num == 0)
        return line;
    double rate = static_cast<double>(num) / den;
    line.num = num;
    line.den = den;
    if (fieldOperation == 1) {
        // Force film keeps four frames of five.
        rate *= 0.8;
        if (std::fabs(rate - 23.976) < 0.001) {
            line.num = 24000;
            line.den = 1001;
        } else {
            line.num = static_cast<unsigned>(1000 * rate);
            line.den = 1000;
        }
    }
    line.rate = static_cast<int>(rate * 1000);
    return line;
}

std::string RelativePath(const std::string& target, const std::string& baseDir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path absTarget = fs::absolute(target, ec).lexically_normal();
    if (ec)
        return target;
    const fs::path absBase = fs::absolute(baseDir.empty() ? "." : baseDir, ec).lexically_normal();
    if (ec)
        return absTarget.generic_string();
    const fs::path rel = absTarget.lexically_relative(absBase);
    if (rel.empty())
        return absTarget.generic_string();
    return rel.generic_string();
}

std::string ComposeD2V(const IndexHeader& header, const mpegstream::FileSet& files,
                       const LineBuilder& lines) {
    namespace fs = std::filesystem;
    const std::string d2vDir = fs::path(header.d2vPath).parent_path().string();
    std::string out = "DGIndexProjectFile16\n";
    out += std::to_string(header.inputs.size()) + "\n";
    for (const std::string& input : header.inputs) {
        std::error_code ec;
        out += header.fullPaths ? fs::absolute(input, ec).lexically_normal().generic_string()
                                : RelativePath(input, d2vDir);
        out += '\n';
    }

    const SequenceSummary& s = lines.Summary();
    const mpegstream::StreamType type = header.format.type;
    out += Format("\nStream_Type=%d\n", type == mpegstream::StreamType::Program     ? 1
                                        : type == mpegstream::StreamType::Transport ? 2
                                                                                    : 0);
    if (type == mpegstream::StreamType::Transport) {
        out +=
            Format("MPEG2_Transport_PID=%x,%x,%x\n", header.pids.video, header.pids.audio, header.pids.pcr);
        out += Format("Transport_Packet_Size=%d\n", header.format.packetSize);
    }
    out += Format("MPEG_Type=%d\n", s.mpeg2 ? 2 : 1);
    out += "iDCT_Algorithm=6\n";
    out += "YUVRGB_Scale=1\n";
    out += "Luminance_Filter=0,0\n";
    out += "Clipping=0,0,0,0\n";
    // Reserved aspect codes have no name: the value is left empty rather than invented.
    const char* aspect = "";
    if (s.mpeg2 && s.aspect >= 0 && s.aspect < 5)
        aspect = kAspectMpeg2[s.aspect];
    else if (!s.mpeg2 && s.aspect >= 0 && s.aspect < 15)
        aspect = kAspectMpeg1[s.aspect];
    out += Format("Aspect_Ratio=%s\n", aspect);
    out += Format("Picture_Size=%dx%d\n", s.width, s.height);
    out += Format("Field_Operation=%d\n", header.fieldOperation);
    const mpegstream::FrameRate code = mpegstream::FrameRateOf(s.rateCode);
    unsigned num = code.num;
    unsigned den = code.den;
    if (s.mpeg2) {
        num *= static_cast<unsigned>(s.rateExtN + 1);
        den *= static_cast<unsigned>(s.rateExtD + 1);
    }
    const FrameRateLine rate = MakeFrameRateLine(num, den, header.fieldOperation);
    out += Format("Frame_Rate=%d (%u/%u)\n", rate.rate, rate.num, rate.den);
    const int last = files.Count() - 1;
    out += Format("Location=0,0,%d,%llx\n\n", last, static_cast<unsigned long long>(files.Size(last) / 2048));
    for (const std::string& line : lines.Lines()) {
        out += line;
        out += '\n';
    }
    const int film = lines.FilmShareHundredths();
    const bool isFilm = film >= 5000;
    const int shown = isFilm ? film : 10000 - film;
    out += Format("\nFINISHED  %d.%02d%% %s\n", shown / 100, shown % 100, isFilm ? "FILM" : "VIDEO");
    return out;
}

WriteFailure WriteFileAtomically(const std::string& path, const std::string& text,
                                 const std::atomic<bool>* cancel) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(path).parent_path();
    if (dir.empty())
        dir = ".";
    // Made with the ordinary permissions of a new document (the umask applies), under a name no
    // other file has; mkstemp would make it private, and changing the umask back and forth is not
    // safe while other threads create files.
    std::random_device random;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = (dir / ("." + fs::path(path).filename().string() + Format(".%08x", random()))).string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {WriteFailure::Kind::CannotCreate, errno};
    }
    if (fd < 0)
        return {WriteFailure::Kind::CannotCreate, EEXIST};
    WriteFailure failure;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failure = {WriteFailure::Kind::WriteFailed, errno};
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (failure.kind == WriteFailure::Kind::None && ::fsync(fd) != 0)
        failure = {WriteFailure::Kind::WriteFailed, errno};
    if (::close(fd) != 0 && failure.kind == WriteFailure::Kind::None)
        failure = {WriteFailure::Kind::WriteFailed, errno};
    if (failure.kind == WriteFailure::Kind::None && cancel && cancel->load())
        failure = {WriteFailure::Kind::Cancelled, 0};
    if (failure.kind == WriteFailure::Kind::None && std::rename(temp.c_str(), path.c_str()) != 0)
        failure = {WriteFailure::Kind::CannotReplace, errno};
    if (failure.kind != WriteFailure::Kind::None)
        ::unlink(temp.c_str());
    return failure;
}

} // namespace indexer
