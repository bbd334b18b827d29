#include "decoder/Report.h"

#include <cstring>

namespace d2v {

std::string Excerpt(const std::string& value) {
    if (value.size() <= 40)
        return value;
    // Cut before a character, not inside one, so that a UTF-8 reader shows what was there.
    size_t cut = 40;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;
    return value.substr(0, cut) + "...";
}

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string SystemReason(int64_t error) {
    return std::strerror(static_cast<int>(error));
}

std::string Text(const Report& r) {
    const std::string n0 = std::to_string(r.numbers[0]);
    const std::string n1 = std::to_string(r.numbers[1]);
    switch (r.code) {
    case DECODER_REPORT_NONE:
        return {};
    case DECODER_INDEX_UNREADABLE:
        return "cannot open " + Quoted(r.file) + ": " + SystemReason(r.numbers[0]);
    case DECODER_INDEX_NOT_A_FILE:
        return Quoted(r.file) + " is not a file";
    case DECODER_INDEX_TOO_LARGE:
        return Quoted(r.file) + " is too large to be a .d2v index";
    case DECODER_INDEX_EMPTY:
        return "empty file, not a .d2v index";
    case DECODER_INDEX_NOT_D2V:
        return "not a .d2v index (found " + Quoted(r.found) + ")";
    case DECODER_INDEX_DVD2AVI:
        return "DVD2AVI project files are not supported; index the film again with a current indexer";
    case DECODER_INDEX_H264:
        return "H.264 indexes (format 42) are not supported, only MPEG-1 and MPEG-2";
    case DECODER_INDEX_BAD_VERSION:
        return "unreadable format version in " + Quoted(r.found);
    case DECODER_INDEX_UNSUPPORTED_VERSION:
        return "unsupported .d2v format version " + n0 + " (supported: 8 to 16)";
    case DECODER_INDEX_NO_FILE_COUNT:
        return "expected the number of stream files";
    case DECODER_INDEX_MISSING_FILE_NAME:
        return "missing stream file name (" + n0 + " announced)";
    case DECODER_INDEX_FILE_NAME_TOO_LONG:
        return "stream file name of " + n0 + " bytes, longer than any file name";
    case DECODER_INDEX_NOT_A_SETTING:
        return "expected a setting \"key=value\", found " + Quoted(r.found);
    case DECODER_INDEX_BAD_SETTING:
        return "unreadable or unsupported " + r.setting + " " + Quoted(r.found);
    case DECODER_INDEX_NO_FRAME_RATE:
        return "no Frame_Rate setting before the data lines";
    case DECODER_INDEX_NO_DATA_LINES:
        return "no data lines";
    case DECODER_INDEX_NO_INFO_WORD:
        return "a data line must start with its info word, found " + Quoted(r.found);
    case DECODER_INDEX_BAD_DATA_VALUE:
        return "value " + Quoted(r.found) + " in a data line is unreadable or out of range";
    case DECODER_INDEX_INCOMPLETE_LINE:
        return "incomplete data line (expected " + n0 + " numbers after the info word)";
    case DECODER_INDEX_BAD_FILE_NUMBER:
        return "file index " + n0 + " but only " + n1 + " stream file(s) listed";
    case DECODER_INDEX_TRUNCATED:
        return "the data lines end without the \"ff\" end mark (truncated file?)";
    case DECODER_INDEX_NO_PICTURES:
        return "the index lists no pictures";
    case DECODER_INDEX_NO_FRAMES:
        return "the index gives no frames";
    case DECODER_STREAM_NOT_FOUND:
        return "stream file " + Quoted(r.file) + " named in the index cannot be found";
    case DECODER_STREAM_NOT_A_FILE:
        return "stream file " + Quoted(r.file) + " is not a regular file";
    case DECODER_STREAM_UNREADABLE:
        return "cannot open stream file " + Quoted(r.file) + ": " + SystemReason(r.numbers[0]);
    case DECODER_STREAM_SHRUNK:
        return "stream file " + Quoted(r.file) + " became shorter while it was read";
    case DECODER_STREAM_READ_ERROR:
        return "read error in stream file " + Quoted(r.file) + ": " + SystemReason(r.numbers[0]);
    case DECODER_STREAM_PVA:
        return "PVA streams (Stream_Type=3) are not supported";
    case DECODER_STREAM_NO_VIDEO:
        return "no MPEG video found where the index says the film starts";
    case DECODER_STREAM_BAD_PICTURE_SIZE:
        return "unreadable picture size in the stream's sequence header";
    case DECODER_CODEC_UNAVAILABLE:
        return "the MPEG video decoder is not available";
    case DECODER_NO_FILE_NAMED:
        return "no .d2v file named";
    case DECODER_NO_FILM_OPEN:
        return "no film is open";
    case DECODER_FRAME_OUTSIDE:
        return "frame " + n0 + " is outside the film (0 to " + n1 + ")";
    case DECODER_FRAME_UNDECODABLE:
        return "frame " + n0 + " cannot be decoded from the stream";
    case DECODER_OUT_OF_MEMORY:
        return "out of memory";
    case DECODER_INTERNAL_FAILURE:
        return "unexpected failure: " + r.found;
    case DECODER_DAMAGE_CONCEALED:
        return "damaged or missing data in the stream, or in a picture this one is predicted from";
    case DECODER_DAMAGE_MISSING:
        return "picture " + n0 + " is missing from the stream; picture " + n1 + " is shown instead";
    case DECODER_DAMAGE_INDEX_MISMATCH:
        return "the index does not match its stream";
    }
    return "unknown report " + std::to_string(static_cast<int>(r.code));
}

} // namespace

std::string Describe(const Report& report) {
    std::string text = Text(report);
    if (report.line > 0)
        text = (report.file.empty() ? "" : Quoted(report.file) + ", ") + "line " +
               std::to_string(report.line) + ": " + text;
    return text;
}

} // namespace d2v
