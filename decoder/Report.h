#pragma once

#include "decoder/Mpeg2Dec3Api.h"

#include <cstdint>
#include <string>
#include <utility>

namespace d2v {

// Why something failed, or what is wrong with a frame: a code and its particulars, worded by the
// caller (the program in French, Describe in English).
struct Report {
    DecoderReportCode code = DECODER_REPORT_NONE;
    int line = 0; // of the .d2v, from 1; 0 for none
    int64_t numbers[2] = {0, 0};
    std::string file;
    std::string setting;
    std::string found;

    bool Empty() const { return code == DECODER_REPORT_NONE; }

    // Built as Report::Of(DECODER_STREAM_NOT_FOUND).File(name).
    static Report Of(DecoderReportCode c) {
        Report r;
        r.code = c;
        return r;
    }
    Report&& Line(int value) && {
        line = value;
        return std::move(*this);
    }
    Report&& Numbers(int64_t first, int64_t second = 0) && {
        numbers[0] = first;
        numbers[1] = second;
        return std::move(*this);
    }
    Report&& File(std::string value) && {
        file = std::move(value);
        return std::move(*this);
    }
    Report&& Setting(std::string value) && {
        setting = std::move(value);
        return std::move(*this);
    }
    Report&& Found(std::string value) && {
        found = std::move(value);
        return std::move(*this);
    }
};

// A value quoted in a report: enough to recognise it, never a whole page of garbage.
std::string Excerpt(const std::string& value);

// The report in English, for the C interface's texts, the tools and the tests; "" when empty.
std::string Describe(const Report& report);

} // namespace d2v
