#include "Baseline.h"

#include "BenchSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace bench {

namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct Contexts {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Contexts() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

} // namespace

int DecodeSequentially(const std::string& path, int maxPictures, double& ms, std::string& error) {
    // The DVD muxer's streams have no start time, which the probe would report on every pass.
    av_log_set_level(AV_LOG_ERROR);
    Contexts c;
    int rc = avformat_open_input(&c.format, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        error = path + ": " + AvError(rc);
        return -1;
    }
    if ((rc = avformat_find_stream_info(c.format, nullptr)) < 0) {
        error = path + ": " + AvError(rc);
        return -1;
    }
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(c.format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        error = path + ": no video stream";
        return -1;
    }
    c.codec = avcodec_alloc_context3(codec);
    c.packet = av_packet_alloc();
    c.frame = av_frame_alloc();
    if (!c.codec || !c.packet || !c.frame) {
        error = "out of memory";
        return -1;
    }
    avcodec_parameters_to_context(c.codec, c.format->streams[stream]->codecpar);
    c.codec->thread_count = 1;
    if ((rc = avcodec_open2(c.codec, codec, nullptr)) < 0) {
        error = path + ": " + AvError(rc);
        return -1;
    }
    int pictures = 0;
    const double start = NowMs();
    auto receive = [&] {
        while (pictures < maxPictures && avcodec_receive_frame(c.codec, c.frame) == 0) {
            ++pictures;
            av_frame_unref(c.frame);
        }
    };
    while (pictures < maxPictures && av_read_frame(c.format, c.packet) >= 0) {
        if (c.packet->stream_index == stream)
            avcodec_send_packet(c.codec, c.packet);
        av_packet_unref(c.packet);
        receive();
    }
    avcodec_send_packet(c.codec, nullptr);
    receive();
    ms = NowMs() - start;
    return pictures;
}

} // namespace bench
