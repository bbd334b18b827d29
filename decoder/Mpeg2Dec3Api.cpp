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
std::string g_error;

// Nothing may escape into a C caller.
template <typename F> auto Guarded(F&& body, decltype(body()) failure) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        g_error = "out of memory";
    } catch (const std::exception& e) {
        g_error = e.what();
    } catch (...) {
        g_error = "unexpected failure";
    }
    return failure;
}

unsigned char* Fetch(int32_t frameNumber, bool rgb) {
    return Guarded(
        [&]() -> unsigned char* {
            if (!g_source) {
                g_error = "no film is open";
                return nullptr;
            }
            const uint8_t* data = rgb ? g_source->RgbFrame(frameNumber) : g_source->YuvFrame(frameNumber);
            g_error = data ? std::string() : g_source->LastError();
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
                g_error = "no .d2v file named";
                return nullptr;
            }
            auto source = std::make_unique<d2v::Mpeg2Source>();
            if (!source->Open(d2vPath)) {
                g_error = source->LastError();
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
            g_error.clear();
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
            g_error.clear();
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
    return g_source ? g_source->LastDamage().c_str() : "";
}

const DecoderStreamFacts* getStreamFacts(void) {
    return g_source ? &g_facts : nullptr;
}
}
