#include "decoder/D2VFile.h"

#include "mpegstream/FilmCadence.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace d2v {

int D2VFile::LineOfPicture(int picture) const {
    auto it = std::upper_bound(lines.begin(), lines.end(), picture,
                               [](int p, const IndexLine& line) { return p < line.firstPicture; });
    if (it == lines.begin())
        return -1;
    return static_cast<int>(it - lines.begin()) - 1;
}

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

template <typename T> bool ParseNumber(std::string_view text, T& value, int base = 10) {
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = first + text.size();
    auto [ptr, ec] = std::from_chars(first, last, value, base);
    return ec == std::errc() && ptr == last;
}

bool ParseReal(std::string_view text, double& value) {
    if (text.empty())
        return false;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

// The leading number of a value that older writers follow with a comment, e.g. "1 (0:TVScale 1:PCScale)".
bool ParseLeadingInt(const std::string& text, int& value) {
    size_t end = 0;
    if (end < text.size() && text[end] == '-')
        ++end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    return ParseNumber(text.substr(0, end), value);
}

bool ParseIntList(const std::string& text, std::vector<int>& values, int base = 10) {
    values.clear();
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, ',')) {
        int v = 0;
        if (!ParseNumber(Trim(item), v, base))
            return false;
        values.push_back(v);
    }
    return true;
}

// Whitespace-separated tokens of one line.
class Tokens {
public:
    explicit Tokens(std::string_view line) : rest_(line) {}
    bool Next(std::string_view& token) {
        size_t b = 0;
        while (b < rest_.size() && (rest_[b] == ' ' || rest_[b] == '\t'))
            ++b;
        size_t e = b;
        while (e < rest_.size() && rest_[e] != ' ' && rest_[e] != '\t')
            ++e;
        token = rest_.substr(b, e - b);
        rest_ = rest_.substr(e);
        return !token.empty();
    }

private:
    std::string_view rest_;
};

struct Token {
    std::string text;
    int line;
};

class Parser {
public:
    Parser(const std::string& text, D2VFile& out, Report& error) : out_(out), error_(error) {
        SplitLines(text);
    }

    bool Run() {
        out_ = D2VFile();
        return ReadHeader() && ReadSettings() && ReadData();
    }

private:
    void SplitLines(const std::string& text) {
        size_t start = 0;
        // A UTF-8 byte order mark is not part of the magic.
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            start = 3;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            while (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines_.push_back(std::move(line));
            if (end == text.size())
                break;
            start = end + 1;
        }
    }

    bool Fail(int line, DecoderReportCode code, int64_t number = 0, const std::string& found = {}) {
        error_ = Report::Of(code).Line(line).Numbers(number).Found(Excerpt(found));
        return false;
    }
    bool Fail(int line, DecoderReportCode code, int64_t first, int64_t second) {
        error_ = Report::Of(code).Line(line).Numbers(first, second);
        return false;
    }
    bool BadSetting(int line, const std::string& key, const std::string& value) {
        error_ = Report::Of(DECODER_INDEX_BAD_SETTING).Line(line).Setting(key).Found(Excerpt(value));
        return false;
    }

    bool AtEnd() const { return next_ >= lines_.size(); }
    int LineNumber() const { return static_cast<int>(next_) + 1; }

    bool ReadHeader() {
        if (AtEnd() || Trim(lines_[0]).empty())
            return Fail(1, DECODER_INDEX_EMPTY);
        const std::string magic = Trim(lines_[0]);
        const std::string dg = "DGIndexProjectFile";
        if (magic.rfind("DVD2AVIProjectFile", 0) == 0)
            return Fail(1, DECODER_INDEX_DVD2AVI);
        if (magic.rfind(dg, 0) != 0)
            return Fail(1, DECODER_INDEX_NOT_D2V, 0, magic);
        int version = 0;
        if (!ParseNumber(magic.substr(dg.size()), version))
            return Fail(1, DECODER_INDEX_BAD_VERSION, 0, magic);
        if (version == 42)
            return Fail(1, DECODER_INDEX_H264);
        // 08 is the first version with hex flag bytes and the layout read here; 16 is current.
        if (version < 8 || version > 16)
            return Fail(1, DECODER_INDEX_UNSUPPORTED_VERSION, version);
        out_.version = version;
        next_ = 1;

        int count = 0;
        if (AtEnd() || !ParseNumber(Trim(lines_[next_]), count) || count <= 0 || count > 100000)
            return Fail(LineNumber(), DECODER_INDEX_NO_FILE_COUNT);
        ++next_;
        for (int i = 0; i < count; ++i, ++next_) {
            if (AtEnd())
                return Fail(LineNumber(), DECODER_INDEX_MISSING_FILE_NAME, count);
            // No file name is longer than PATH_MAX: a longer line is no index, and quoting it in
            // the messages that would follow could take the program minutes.
            if (lines_[next_].size() >= PATH_MAX)
                return Fail(LineNumber(), DECODER_INDEX_FILE_NAME_TOO_LONG,
                            static_cast<int64_t>(lines_[next_].size()));
            std::string path = lines_[next_];
            // Versions before 11 wrote "<length> <path>".
            if (version < 11) {
                size_t space = path.find(' ');
                int length = 0;
                if (space != std::string::npos && ParseNumber(path.substr(0, space), length))
                    path = path.substr(space + 1);
            }
            if (Trim(path).empty())
                return Fail(LineNumber(), DECODER_INDEX_MISSING_FILE_NAME, count);
            out_.files.push_back(path);
        }
        if (!AtEnd() && Trim(lines_[next_]).empty())
            ++next_;
        return true;
    }

    bool ReadSettings() {
        bool haveRate = false;
        while (!AtEnd() && !Trim(lines_[next_]).empty()) {
            const int lineNo = LineNumber();
            const std::string line = Trim(lines_[next_++]);
            const size_t eq = line.find('=');
            if (eq == std::string::npos)
                return Fail(lineNo, DECODER_INDEX_NOT_A_SETTING, 0, line);
            const std::string key = line.substr(0, eq);
            const std::string value = Trim(line.substr(eq + 1));
            std::vector<int> list;
            int n = 0;
            if (key == "Stream_Type") {
                if (!ParseLeadingInt(value, n) || n < 0 || n > 3)
                    return BadSetting(lineNo, "Stream_Type", value);
                out_.streamType = static_cast<StreamType>(n);
            } else if (key == "MPEG2_Transport_PID") {
                if (!ParseIntList(value, list, 16) || list.empty())
                    return BadSetting(lineNo, "MPEG2_Transport_PID", value);
                out_.videoPid = list[0];
                out_.audioPid = list.size() > 1 ? list[1] : -1;
                out_.pcrPid = list.size() > 2 ? list[2] : -1;
            } else if (key == "Transport_Packet_Size") {
                if (!ParseLeadingInt(value, n) || (n != 188 && n != 192 && n != 204))
                    return BadSetting(lineNo, "Transport_Packet_Size", value);
                out_.transportPacketSize = n;
            } else if (key == "MPEG_Type") {
                if (!ParseLeadingInt(value, n) || (n != 1 && n != 2))
                    return BadSetting(lineNo, "MPEG_Type", value);
                out_.mpegType = n;
            } else if (key == "iDCT_Algorithm") {
                if (!ParseLeadingInt(value, n))
                    return BadSetting(lineNo, "iDCT_Algorithm", value);
                out_.idctAlgorithm = n;
            } else if (key == "YUVRGB_Scale") {
                if (!ParseLeadingInt(value, n) || n < 0 || n > 1)
                    return BadSetting(lineNo, "YUVRGB_Scale", value);
                out_.yuvRgbScale = n;
            } else if (key == "Luminance_Filter") {
                if (!ParseIntList(value, list) || list.size() != 2)
                    return BadSetting(lineNo, "Luminance_Filter", value);
                out_.luminanceGamma = list[0];
                out_.luminanceOffset = list[1];
            } else if (key == "Clipping") {
                if (!ParseIntList(value, list) || list.size() != 4)
                    return BadSetting(lineNo, "Clipping", value);
                out_.clipLeft = list[0];
                out_.clipRight = list[1];
                out_.clipTop = list[2];
                out_.clipBottom = list[3];
            } else if (key == "Aspect_Ratio") {
                out_.aspectRatio = value;
            } else if (key == "Picture_Size") {
                const size_t x = value.find('x');
                if (x == std::string::npos || !ParseNumber(value.substr(0, x), out_.pictureWidth) ||
                    !ParseNumber(value.substr(x + 1), out_.pictureHeight))
                    return BadSetting(lineNo, "Picture_Size", value);
            } else if (key == "Field_Operation") {
                if (!ParseLeadingInt(value, n) || n < 0 || n > 2)
                    return BadSetting(lineNo, "Field_Operation", value);
                out_.fieldOperation = n;
            } else if (key == "Frame_Rate") {
                if (!ReadFrameRate(value))
                    return BadSetting(lineNo, "Frame_Rate", value);
                haveRate = true;
            } else if (key == "Location") {
                // The indexed range; readers do not use it.
            } else {
                out_.unknownSettings.emplace_back(key, value);
            }
        }
        if (!haveRate)
            return Fail(LineNumber(), DECODER_INDEX_NO_FRAME_RATE);
        return true;
    }

    bool ReadFrameRate(const std::string& value) {
        int milli = 0;
        if (!ParseLeadingInt(value, milli) || milli < 0)
            return false;
        out_.frameRateMilli = milli;
        const size_t open = value.find('(');
        const size_t slash = value.find('/', open == std::string::npos ? 0 : open);
        const size_t close = value.find(')', slash == std::string::npos ? 0 : slash);
        int num = 0, den = 0;
        if (open != std::string::npos && slash != std::string::npos && close != std::string::npos &&
            ParseNumber(Trim(value.substr(open + 1, slash - open - 1)), num) &&
            ParseNumber(Trim(value.substr(slash + 1, close - slash - 1)), den) && num > 0 && den > 0) {
            out_.frameRateNumerator = num;
            out_.frameRateDenominator = den;
            return true;
        }
        if (open != std::string::npos)
            return false;
        // Without the fraction the rate is R/1000, as older readers reported it.
        if (milli <= 0)
            return false;
        out_.frameRateNumerator = milli;
        out_.frameRateDenominator = 1000;
        return true;
    }

    bool ReadData() {
        while (!AtEnd() && Trim(lines_[next_]).empty())
            ++next_;
        if (AtEnd())
            return Fail(static_cast<int>(lines_.size()), DECODER_INDEX_NO_DATA_LINES);

        const int fixedFields = out_.version >= 16 ? 6 : 5;
        IndexLine* current = nullptr;
        int lastLine = LineNumber();
        // A two-hour film has some 200,000 flags: tokens are cut by hand rather than through streams.
        for (; !AtEnd(); ++next_) {
            const int lineNo = LineNumber();
            Tokens tokens(lines_[next_]);
            std::string_view token;
            bool first = true;
            while (tokens.Next(token)) {
                lastLine = lineNo;
                if (token == "ff" || token == "FF") {
                    if (current == nullptr)
                        return Fail(lineNo, DECODER_INDEX_NO_PICTURES);
                    return Finish(lineNo);
                }
                unsigned value = 0;
                if (!ParseNumber(token, value, 16))
                    return Fail(lineNo, DECODER_INDEX_BAD_DATA_VALUE, 0, std::string(token.substr(0, 20)));
                if (value & kInfoLineStart) {
                    if (value > 0xfff)
                        return Fail(lineNo, DECODER_INDEX_BAD_DATA_VALUE, 0,
                                    std::string(token.substr(0, 20)));
                    if (!ReadFixedFields(tokens, lineNo, value, fixedFields))
                        return false;
                    current = &out_.lines.back();
                } else if (first && current == nullptr) {
                    return Fail(lineNo, DECODER_INDEX_NO_INFO_WORD, 0, std::string(token.substr(0, 20)));
                } else {
                    if (value > 0xff)
                        return Fail(lineNo, DECODER_INDEX_BAD_DATA_VALUE, 0,
                                    std::string(token.substr(0, 20)));
                    out_.flags.push_back(static_cast<uint8_t>(value));
                    ++current->pictureCount;
                }
                first = false;
            }
        }
        return Fail(lastLine, DECODER_INDEX_TRUNCATED);
    }

    bool ReadFixedFields(Tokens& tokens, int lineNo, unsigned info, int count) {
        IndexLine line;
        line.info = info;
        line.textLine = lineNo;
        line.firstPicture = static_cast<int>(out_.flags.size());
        int64_t values[6] = {0, 0, 0, 0, 0, 0};
        for (int i = 0; i < count; ++i) {
            std::string_view token;
            if (!tokens.Next(token) || !ParseNumber(token, values[i]) || values[i] < 0)
                return Fail(lineNo, DECODER_INDEX_INCOMPLETE_LINE, count);
        }
        const int64_t intMax = std::numeric_limits<int>::max();
        line.matrix = static_cast<int>(std::min(values[0], intMax));
        line.file = static_cast<int>(std::min(values[1], intMax));
        line.position = values[2];
        int k = 3;
        if (count == 6)
            line.skip = static_cast<int>(std::min(values[k++], intMax));
        line.vob = static_cast<int>(std::min(values[k++], intMax));
        line.cell = static_cast<int>(std::min(values[k], intMax));
        if (line.file >= static_cast<int>(out_.files.size()))
            return Fail(lineNo, DECODER_INDEX_BAD_FILE_NUMBER, line.file,
                        static_cast<int64_t>(out_.files.size()));
        out_.lines.push_back(line);
        return true;
    }

    bool Finish(int lineNo) {
        // Lines without pictures carry nothing to decode.
        out_.lines.erase(std::remove_if(out_.lines.begin(), out_.lines.end(),
                                        [](const IndexLine& l) { return l.pictureCount == 0; }),
                         out_.lines.end());
        if (out_.flags.empty())
            return Fail(lineNo, DECODER_INDEX_NO_PICTURES);
        return true;
    }

    D2VFile& out_;
    Report& error_;
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

bool FileExists(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + static_cast<size_t>(extra) >= s.size()))
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

// Names written on Windows come in its ANSI code page, Windows-1252 for French systems.
std::string Windows1252ToUtf8(const std::string& s) {
    static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const char16_t u = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string ToLower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string ResolveOne(const std::string& written, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::string slashed = written;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const bool windowsAbsolute = (written.size() >= 2 && written[1] == ':') || written.rfind("\\\\", 0) == 0;
    for (const std::string& candidate : {written, slashed}) {
        const fs::path p(candidate);
        if (p.is_absolute()) {
            if (FileExists(p))
                return p.string();
        } else if (!windowsAbsolute && FileExists(folder / p)) {
            return (folder / p).lexically_normal().string();
        }
    }
    const size_t cut = slashed.find_last_of('/');
    std::string base = cut == std::string::npos ? slashed : slashed.substr(cut + 1);
    if (base.size() >= 2 && base[1] == ':') // "C:film.vob"
        base = base.substr(2);
    if (base.empty())
        return {};
    if (FileExists(folder / base))
        return (folder / base).string();
    // Disc names are upper case and often end up lower case after copying.
    std::error_code ec;
    const std::string wanted = ToLower(base);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (ToLower(it->path().filename().string()) == wanted && FileExists(it->path()))
            return it->path().string();
    }
    return {};
}

} // namespace

DisplayAspect ParseDisplayAspect(const std::string& text, int& milli) {
    milli = 0;
    const std::string value = Trim(text);
    const size_t colon = value.find(':');
    double width = 0, height = 0;
    if (colon == std::string::npos || !ParseReal(std::string_view(value).substr(0, colon), width) ||
        !ParseReal(std::string_view(value).substr(colon + 1), height) || !(width > 0) || !(height > 0) ||
        !(width / height < 100) || !(height / width < 100) || (width == 1 && height == 1))
        return DisplayAspect::Unknown;
    milli = static_cast<int>(width / height * 1000 + 0.5);
    if (width * 3 == height * 4)
        return DisplayAspect::FourThirds;
    if (width * 9 == height * 16)
        return DisplayAspect::SixteenNinths;
    return DisplayAspect::Other;
}

StreamFacts ComputeStreamFacts(const D2VFile& file) {
    StreamFacts facts;
    facts.aspect = ParseDisplayAspect(file.aspectRatio, facts.aspectMilli);
    facts.fieldOperation = file.fieldOperation;
    facts.ntscRate = file.frameRateNumerator == 30000 && file.frameRateDenominator == 1001;
    mpegstream::FilmCadence cadence;
    for (const IndexLine& line : file.lines) {
        for (int i = 0; i < line.pictureCount; ++i) {
            const uint8_t flags = file.flags[static_cast<size_t>(line.firstPicture + i)];
            cadence.Add(flags & (kFlagTopFieldFirst | kFlagRepeatFirstField), line.IsProgressiveSequence());
            ++facts.codedPictures;
            if (flags & kFlagProgressiveFrame)
                ++facts.progressivePictures;
            else if (flags & kFlagTopFieldFirst)
                ++facts.topFieldFirstPictures;
            else
                ++facts.bottomFieldFirstPictures;
        }
    }
    facts.filmShareHundredths = cadence.FilmShareHundredths();
    const int interlaced = facts.codedPictures - facts.progressivePictures;
    facts.scan = interlaced == 0                  ? ScanType::Progressive
                 : facts.progressivePictures == 0 ? ScanType::Interlaced
                                                  : ScanType::Mixed;
    if (interlaced > 0)
        facts.fieldOrder = facts.topFieldFirstPictures >= facts.bottomFieldFirstPictures
                               ? FieldOrder::TopFirst
                               : FieldOrder::BottomFirst;
    return facts;
}

bool ParseD2V(const std::string& text, D2VFile& out, Report& error) {
    Parser parser(text, out, error);
    return parser.Run();
}

bool ReadD2VFile(const std::string& path, D2VFile& out, Report& error) {
    error = Report();
    // Never blocks on a named pipe, which is then refused as no plain file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = Report::Of(DECODER_INDEX_UNREADABLE).Numbers(errno).File(path);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = Report::Of(DECODER_INDEX_NOT_A_FILE).File(path);
        return false;
    }
    // A .d2v of a long film is a few megabytes; anything far larger is not an index.
    constexpr off_t kMaxSize = 512LL * 1024 * 1024;
    if (info.st_size > kMaxSize) {
        ::close(fd);
        error = Report::Of(DECODER_INDEX_TOO_LARGE).File(path);
        return false;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = Report::Of(DECODER_INDEX_UNREADABLE).Numbers(errno).File(path);
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
        if (static_cast<off_t>(text.size()) > kMaxSize) {
            ::close(fd);
            error = Report::Of(DECODER_INDEX_TOO_LARGE).File(path);
            return false;
        }
    }
    ::close(fd);
    if (!ParseD2V(text, out, error)) {
        error.file = path;
        return false;
    }
    error = Report();
    return true;
}

bool ParseD2V(const std::string& text, D2VFile& out, std::string& error) {
    Report report;
    const bool ok = ParseD2V(text, out, report);
    error = Describe(report);
    return ok;
}

bool ReadD2VFile(const std::string& path, D2VFile& out, std::string& error) {
    Report report;
    const bool ok = ReadD2VFile(path, out, report);
    error = Describe(report);
    return ok;
}

std::string ResolveStreamPath(const std::string& written, const std::string& d2vFolder) {
    const std::filesystem::path folder(d2vFolder.empty() ? "." : d2vFolder);
    std::string found = ResolveOne(written, folder);
    if (found.empty() && !IsValidUtf8(written))
        found = ResolveOne(Windows1252ToUtf8(written), folder);
    return found;
}

} // namespace d2v
