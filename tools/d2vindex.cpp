// d2vindex: writes a DGIndexProjectFile16 index for MPEG-1/2 program, transport and elementary streams.

#include "indexer/Indexing.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void Usage(std::FILE* to) {
    std::fputs(
        "usage: d2vindex [--field-operation 0|1|2] [--full-paths] [-o out.d2v] input1.mpg [input2.vob ...]\n"
        "  --field-operation 0  honour pulldown flags (default)\n"
        "                    1  force film\n"
        "                    2  ignore pulldown flags\n"
        "  --full-paths         list absolute paths instead of paths relative to the index\n"
        "  -o out.d2v           index file (default: the first input with the extension .d2v)\n",
        to);
}

// The English wording of every failure.
std::string Describe(const indexer::IndexResult& r, const indexer::IndexRequest& request) {
    using indexer::IndexFailure;
    const std::string input = r.file >= 0 ? "'" + request.inputs[static_cast<size_t>(r.file)] + "'" : "";
    const std::string output = "'" + request.d2vPath + "'";
    const std::string system = std::strerror(r.systemError);
    const std::string at = " at byte " + std::to_string(r.offset);
    switch (r.failure) {
    case IndexFailure::None:
        return {};
    case IndexFailure::Cancelled:
        return "cancelled";
    case IndexFailure::NoInput:
        return "no input file";
    case IndexFailure::BadFieldOperation:
        return "the field operation must be 0, 1 or 2";
    case IndexFailure::OutputIsInput:
        return "the index would overwrite its input " + input;
    case IndexFailure::InputMissing:
    case IndexFailure::InputUnreadable:
        return "cannot open " + input + ": " + system;
    case IndexFailure::InputNotAFile:
        return input + " is not a regular file";
    case IndexFailure::InputEmpty:
        return input + " is empty";
    case IndexFailure::NotMpeg:
        return input + " is not an MPEG-1/2 program, transport or video elementary stream";
    case IndexFailure::NoVideo:
        return "no MPEG-1/2 video sequence header found in " + input;
    case IndexFailure::NoIPicture:
        return "no decodable I picture found in " + input;
    case IndexFailure::Scrambled:
        return input + " is scrambled" + at + " (an encrypted disc): it cannot be indexed";
    case IndexFailure::ReadFailed:
        return "cannot read " + input + at + ": " + system;
    case IndexFailure::InputChanged:
        return input + " became shorter while it was read" + at;
    case IndexFailure::OutputUnwritable:
        return "cannot create " + output + ": " + system;
    case IndexFailure::OutputWriteFailed:
        return "cannot write " + output + ": " + system;
    case IndexFailure::OutOfMemory:
        return "out of memory";
    }
    return "unexpected failure";
}

std::string Describe(const indexer::IndexResult::Warning& w, const indexer::IndexRequest& request) {
    switch (w.code) {
    case indexer::IndexWarning::FilmEndsEarly:
        return "'" + request.inputs[static_cast<size_t>(w.file)] +
               "' ends inside a packet: the film is cut short there";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    indexer::IndexRequest request;
    std::string& output = request.d2vPath;
    std::vector<std::string>& inputs = request.inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return 0;
        }
        if (arg == "--field-operation" || arg == "-o") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "d2vindex: %s needs a value\n", arg.c_str());
                Usage(stderr);
                return 2;
            }
            const std::string value = argv[++i];
            if (arg == "-o") {
                output = value;
            } else if (value == "0" || value == "1" || value == "2") {
                request.fieldOperation = value[0] - '0';
            } else {
                std::fprintf(stderr, "d2vindex: --field-operation must be 0, 1 or 2, not '%s'\n",
                             value.c_str());
                return 2;
            }
        } else if (arg == "--full-paths") {
            request.fullPaths = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::fprintf(stderr, "d2vindex: unknown option '%s'\n", arg.c_str());
            Usage(stderr);
            return 2;
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                inputs.emplace_back(argv[i]);
        } else {
            inputs.push_back(arg);
        }
    }
    if (inputs.empty()) {
        Usage(stderr);
        return 2;
    }
    if (output.empty())
        output = std::filesystem::path(inputs.front()).replace_extension(".d2v").string();
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (std::filesystem::equivalent(input, output, ec)) {
            std::fprintf(stderr, "d2vindex: the index would overwrite its input '%s'\n", input.c_str());
            return 2;
        }
    }

    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    indexer::IndexControl control;
    if (terminal) {
        control.progress = [](uint64_t done, uint64_t total) {
            const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
            std::fprintf(stderr, "\rd2vindex: %3d%%", percent);
            std::fflush(stderr);
        };
    }

    const indexer::IndexResult result = indexer::IndexFilm(request, control);
    if (terminal)
        std::fputs("\r              \r", stderr);
    if (!result.Ok()) {
        std::fprintf(stderr, "d2vindex: %s\n", Describe(result, request).c_str());
        return 1;
    }
    for (const indexer::IndexResult::Warning& warning : result.warnings)
        std::fprintf(stderr, "d2vindex: warning: %s\n", Describe(warning, request).c_str());
    return 0;
}
