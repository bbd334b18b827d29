// d2vindex: writes a DGIndexProjectFile16 index for MPEG-1/2 program, transport and elementary streams.

#include "tools/D2VIndexer.h"

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

} // namespace

int main(int argc, char** argv) {
    d2vindex::IndexOptions options;
    std::string output;
    std::vector<std::string> inputs;
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
                options.fieldOperation = value[0] - '0';
            } else {
                std::fprintf(stderr, "d2vindex: --field-operation must be 0, 1 or 2, not '%s'\n",
                             value.c_str());
                return 2;
            }
        } else if (arg == "--full-paths") {
            options.fullPaths = true;
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
    d2vindex::ProgressFn progress;
    if (terminal) {
        progress = [](int64_t done, int64_t total) {
            const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
            std::fprintf(stderr, "\rd2vindex: %3d%%", percent);
            std::fflush(stderr);
        };
    }

    std::string text;
    std::string error;
    const bool built = d2vindex::BuildIndex(inputs, output, options, text, error, progress);
    if (terminal)
        std::fputs("\r              \r", stderr);
    if (!built || !d2vindex::WriteFileAtomically(output, text, error)) {
        std::fprintf(stderr, "d2vindex: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
