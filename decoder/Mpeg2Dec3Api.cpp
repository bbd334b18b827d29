#include "decoder/Mpeg2Dec3Api.h"

#include "decoder/Mpeg2Source.h"

extern "C" {
#include <libavutil/log.h>
}

#include <exception>
#include <memory>
#include <new>
#include <string>

namespace {

std::unique_ptr<d2v::Mpeg2Source> g_source;
DecoderVideoInfo g_info{};
DecoderStreamFacts g_facts{};
// The last call's report, in its C form and as the English texts of getLastDecoderError (its
// failure) and getLastFrameDamage (what is wrong with the frame it returned).
d2v::Report g_report;
DecoderReport g_reportView{DECODER_REPORT_NONE, 0, {0, 0}, "", "", ""};
std::string g_error;
std::string g_damage;

void Tell(d2v::Report report, bool failed) {
    g_report = std::move(report);
    g_error = failed ? d2v::Describe(g_report) : std::string();
    g_damage = failed ? std::string() : d2v::Describe(g_report);
    g_reportView = DecoderReport{g_report.code,
                                 g_report.line,
                                 {g_report.numbers[0], g_report.numbers[1]},
                                 g_report.file.c_str(),
                                 g_report.setting.c_str(),
                                 g_report.found.c_str()};
}

void Fail(DecoderReportCode code, const char* found = "") noexcept {
    try {
        Tell(d2v::Report::Of(code).Found(d2v::Excerpt(found)), true);
    } catch (...) { // out of memory: the code alone
        g_report = d2v::Report();
        g_report.code = code;
        g_error.clear();
        g_damage.clear();
        g_reportView = DecoderReport{code, 0, {0, 0}, "", "", ""};
    }
}

// Nothing may escape into a C caller.
template <typename F> auto Guarded(F&& body, decltype(body()) failure) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        Fail(DECODER_OUT_OF_MEMORY);
    } catch (const std::exception& e) {
        Fail(DECODER_INTERNAL_FAILURE, e.what());
    } catch (...) {
        Fail(DECODER_INTERNAL_FAILURE);
    }
    return failure;
}

unsigned char* Fetch(int32_t frameNumber, bool rgb) {
    return Guarded(
        [&]() -> unsigned char* {
            if (!g_source) {
                Fail(DECODER_NO_FILM_OPEN);
                return nullptr;
            }
            const uint8_t* data = rgb ? g_source->RgbFrame(frameNumber) : g_source->YuvFrame(frameNumber);
            if (data)
                Tell(g_source->Damage(), false);
            else
                Tell(g_source->Failure(), true);
            return const_cast<unsigned char*>(data);
        },
        nullptr);
}

} // namespace

extern "C" {

DecoderVideoInfo* openMPEG2Source(const char* d2vPath) {
    return Guarded(
        [&]() -> DecoderVideoInfo* {
            g_source.reset();
            g_info = DecoderVideoInfo{};
            g_facts = DecoderStreamFacts{};
            // Damaged pictures are concealed by the decoder; its reports would only litter the
            // program's terminal.
            av_log_set_level(AV_LOG_FATAL);
            if (!d2vPath || !*d2vPath) {
                Fail(DECODER_NO_FILE_NAMED);
                return nullptr;
            }
            auto source = std::make_unique<d2v::Mpeg2Source>();
            if (!source->Open(d2vPath)) {
                Tell(source->Failure(), true);
                return nullptr;
            }
            g_info.width = source->Width();
            g_info.height = source->Height();
            g_info.frameRateNumerator = source->FrameRateNumerator();
            g_info.frameRateDenominator = source->FrameRateDenominator();
            g_info.numberOfFrames = source->FrameCount();
            const d2v::StreamFacts facts = d2v::ComputeStreamFacts(source->File());
            g_facts.displayAspect = static_cast<int32_t>(facts.aspect);
            g_facts.displayAspectMilli = facts.aspectMilli;
            g_facts.codedPictures = facts.codedPictures;
            g_facts.progressivePictures = facts.progressivePictures;
            g_facts.topFieldFirstPictures = facts.topFieldFirstPictures;
            g_facts.bottomFieldFirstPictures = facts.bottomFieldFirstPictures;
            g_facts.filmShareHundredths = facts.filmShareHundredths;
            g_facts.scanType = static_cast<int32_t>(facts.scan);
            g_facts.fieldOrder = static_cast<int32_t>(facts.fieldOrder);
            g_facts.isNtscRate = facts.ntscRate ? 1 : 0;
            g_facts.fieldOperation = facts.fieldOperation;
            g_source = std::move(source);
            Tell(d2v::Report(), false);
            return &g_info;
        },
        nullptr);
}

void closeVideo(void) {
    Guarded(
        []() {
            g_source.reset();
            g_info = DecoderVideoInfo{};
            g_facts = DecoderStreamFacts{};
            Tell(d2v::Report(), false);
            return 0;
        },
        0);
}

unsigned char* getRGBFrame(int32_t frameNumber) {
    return Fetch(frameNumber, true);
}

unsigned char* getFrame(int32_t frameNumber) {
    return Fetch(frameNumber, false);
}

const char* getLastDecoderError(void) {
    return g_error.c_str();
}

const char* getLastFrameDamage(void) {
    return g_damage.c_str();
}

const DecoderStreamFacts* getStreamFacts(void) {
    return g_source ? &g_facts : nullptr;
}

const DecoderReport* getLastDecoderReport(void) {
    return &g_reportView;
}
}
