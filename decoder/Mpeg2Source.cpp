#include "decoder/Mpeg2Source.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace d2v {

namespace {

// Reading stops when this much of a stream gives no picture to start from.
constexpr uint64_t kSyncBudget = 64ull * 1024 * 1024;
// Pictures decoded past a wanted one before it is declared missing from the stream.
constexpr int kMissingMargin = 32;
// Lines searched backwards for a picture to repeat in place of a missing one.
constexpr int kLinesBackForRepeat = 4;
// Converted frames kept: the model's AutoCrop samples four frames and then shows the one on
// display again, and redraws ask for the frame just shown.
constexpr size_t kRgbCacheFrames = 6;

// The index's iDCT choice, mapped to the nearest libavcodec one; it changes rounding, never numbering.
int IdctFor(int d2vAlgorithm) {
    switch (d2vAlgorithm) {
    case 4:
    case 5:
        return FF_IDCT_FAAN; // the floating-point and reference iDCTs
    case 6:
        return FF_IDCT_XVID;
    case 7:
        return FF_IDCT_SIMPLEMMX;
    default:
        return FF_IDCT_AUTO;
    }
}

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) !=
            std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    return true;
}

// A row of a decoded plane. Rows past the picture's height exist in the decoder's buffer when the
// coded height is larger (1088 for 1080); otherwise the last row is repeated.
const uint8_t* PlaneRow(const AVFrame* f, int plane, int row, int rows) {
    const int linesize = f->linesize[plane];
    if (row >= rows && f->buf[plane]) {
        const uint8_t* start = f->data[plane] + static_cast<std::ptrdiff_t>(row) * linesize;
        const uint8_t* end = f->buf[plane]->data + f->buf[plane]->size;
        if (linesize > 0 && start + linesize <= end && start >= f->buf[plane]->data)
            return start;
    }
    row = std::min(row, rows - 1);
    return f->data[plane] + static_cast<std::ptrdiff_t>(row) * linesize;
}

AVFrame* ToYuv420(AVFrame* frame) {
    if (frame->format == AV_PIX_FMT_YUV420P)
        return frame;
    AVFrame* out = av_frame_alloc();
    SwsContext* sws =
        sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr);
    if (!out || !sws) {
        av_frame_free(&out);
        sws_freeContext(sws);
        av_frame_free(&frame);
        return nullptr;
    }
    out->format = AV_PIX_FMT_YUV420P;
    out->width = frame->width;
    out->height = frame->height;
    if (av_frame_get_buffer(out, 32) < 0) {
        av_frame_free(&out);
        sws_freeContext(sws);
        av_frame_free(&frame);
        return nullptr;
    }
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out->data, out->linesize);
    av_frame_copy_props(out, frame);
    sws_freeContext(sws);
    av_frame_free(&frame);
    return out;
}

bool Concealed(const AVFrame* frame) {
    return frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT) != 0;
}

} // namespace

Mpeg2Source::Mpeg2Source() = default;

Mpeg2Source::~Mpeg2Source() {
    EndSession();
    ClearCache();
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
}

bool Mpeg2Source::Open(const std::string& d2vPath) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(d2vPath, ec);
    d2vPath_ = ec ? d2vPath : absolute.lexically_normal().string();
    if (!ReadD2VFile(d2vPath_, file_, error_))
        return false;
    if (file_.streamType == StreamType::Pva) {
        error_ = Report::Of(DECODER_STREAM_PVA);
        return false;
    }
    const std::string folder = std::filesystem::path(d2vPath_).parent_path().string();
    for (const std::string& written : file_.files) {
        std::string found = ResolveStreamPath(written, folder);
        if (found.empty()) {
            error_ = Report::Of(DECODER_STREAM_NOT_FOUND).File(written);
            return false;
        }
        streamPaths_.push_back(found);
    }
    if (!OpenStreamFiles())
        return false;

    frames_ = BuildFrameList(file_);
    if (frames_.empty()) {
        error_ = Report::Of(DECODER_INDEX_NO_FRAMES);
        return false;
    }
    pictureLine_.assign(file_.flags.size(), 0);
    lineFirstI_.clear();
    for (size_t l = 0; l < file_.lines.size(); ++l) {
        const IndexLine& line = file_.lines[l];
        int firstI = line.firstPicture;
        bool seenI = false;
        for (int k = 0; k < line.pictureCount; ++k) {
            const int p = line.firstPicture + k;
            pictureLine_[static_cast<size_t>(p)] = static_cast<int>(l);
            if (!seenI && FlagPictureType(file_.flags[static_cast<size_t>(p)]) == PictureType::I) {
                firstI = p;
                seenI = true;
            }
        }
        lineFirstI_.push_back(firstI);
    }
    agreement_.assign(file_.lines.size(), LineAgreement::Unchecked);

    int orphans = 0;
    if (!ProbeStream(orphans))
        return false;
    firstServable_ = d2v::FirstServableFrame(frames_, orphans);

    autoSiting_ = EndsWithNoCase(d2vPath_, "_A.d2v");
    defaultSiting_ =
        EndsWithNoCase(d2vPath_, "_P.d2v") ? ChromaSiting::Progressive : ChromaSiting::Interlaced;
    rgbCache_.clear();
    yuv_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3 / 2, 0);
    return true;
}

bool Mpeg2Source::OpenStreamFiles() {
    if (files_.Open(streamPaths_))
        return true;
    const mpegstream::FileFailure& failure = files_.Failure();
    const bool notAFile = failure.kind == mpegstream::FileFailure::Kind::NotAFile;
    error_ = Report::Of(notAFile ? DECODER_STREAM_NOT_A_FILE : DECODER_STREAM_UNREADABLE)
                 .Numbers(failure.systemError)
                 .File(streamPaths_[static_cast<size_t>(failure.file)]);
    return false;
}

bool Mpeg2Source::ReadFailed() {
    if (!files_.Failed())
        return false;
    const mpegstream::FileFailure& failure = files_.Failure();
    const bool shrunk = failure.kind == mpegstream::FileFailure::Kind::Shrunk;
    error_ = Report::Of(shrunk ? DECODER_STREAM_SHRUNK : DECODER_STREAM_READ_ERROR)
                 .Numbers(failure.systemError)
                 .File(streamPaths_[static_cast<size_t>(failure.file)]);
    return true;
}

// Reads the start of the stream for its sequence header and, when the first GOP is open, for the B
// pictures that follow its first I picture: they have nothing to be predicted from, and Mpeg2Source
// serves the first whole frame in their place.
bool Mpeg2Source::ProbeStream(int& orphanBPictures) {
    const IndexLine& first = file_.lines.front();
    mpegstream::ByteReader reader(files_, files_.StreamOffset({first.file, first.position}));
    reader.SetBudget(kSyncBudget);
    std::unique_ptr<mpegstream::Demuxer> demuxer = MakeDemuxer(file_, reader);
    PictureSplitter splitter(*demuxer);
    CodedPicture picture;
    bool seenI = false, counting = true;
    orphanBPictures = 0;
    for (int n = 0; n < 64 && splitter.Next(picture); ++n) {
        if (!seenI) {
            seenI = picture.type == PictureType::I;
            continue;
        }
        if (counting && picture.type == PictureType::B)
            ++orphanBPictures;
        else
            counting = false;
        if (!counting && splitter.HasSequence())
            break;
    }
    if (ReadFailed())
        return false;
    if (!splitter.HasSequence() || !seenI) {
        error_ = Report::Of(DECODER_STREAM_NO_VIDEO).Line(first.textLine);
        return false;
    }
    if (first.IsClosedGop())
        orphanBPictures = 0;
    sequenceHeader_ = splitter.SequenceHeader();
    const SequenceInfo& seq = splitter.Sequence();
    if (seq.width <= 0 || seq.height <= 0 || seq.width > 8192 || seq.height > 8192) {
        error_ = Report::Of(DECODER_STREAM_BAD_PICTURE_SIZE);
        return false;
    }
    width_ = (seq.width + 15) / 16 * 16;
    height_ = seq.progressiveSequence ? (seq.height + 15) / 16 * 16 : (seq.height + 31) / 32 * 32;
    return SetUpDecoder(seq.mpeg2 || file_.mpegType == 2);
}

bool Mpeg2Source::SetUpDecoder(bool mpeg2) {
    const AVCodec* codec = avcodec_find_decoder(mpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG1VIDEO);
    codec_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    packet_ = av_packet_alloc();
    if (!codec_ || !packet_) {
        error_ = Report::Of(DECODER_CODEC_UNAVAILABLE);
        return false;
    }
    // One thread: pictures come out in the order they go in, whatever the seek.
    codec_->thread_count = 1;
    codec_->idct_algo = IdctFor(file_.idctAlgorithm);
    if (avcodec_open2(codec_, codec, nullptr) < 0) {
        error_ = Report::Of(DECODER_CODEC_UNAVAILABLE);
        return false;
    }
    return true;
}

const uint8_t* Mpeg2Source::YuvFrame(int frame) {
    return BuildYuv(frame) ? yuv_.data() : nullptr;
}

const uint8_t* Mpeg2Source::RgbFrame(int frame) {
    for (size_t i = 0; codec_ && i < rgbCache_.size(); ++i) {
        if (rgbCache_[i].frame != frame)
            continue;
        std::rotate(rgbCache_.begin(), rgbCache_.begin() + static_cast<std::ptrdiff_t>(i),
                    rgbCache_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        error_ = Report();
        damage_ = rgbCache_.front().damage;
        ++stats_.rgbHits;
        return rgbCache_.front().bgr.data();
    }
    if (!BuildYuv(frame))
        return nullptr;
    // The least recently used entry takes the new frame; it is marked empty until converted.
    if (rgbCache_.size() < kRgbCacheFrames)
        rgbCache_.emplace_back();
    std::rotate(rgbCache_.begin(), rgbCache_.end() - 1, rgbCache_.end());
    RgbEntry& entry = rgbCache_.front();
    entry.frame = -1;
    entry.damage = damage_;
    entry.bgr.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    const FramePair pair = frames_[static_cast<size_t>(std::max(frame, firstServable_))];
    const IndexLine& line = file_.lines[static_cast<size_t>(pictureLine_[static_cast<size_t>(pair.top)])];
    ChromaSiting siting = defaultSiting_;
    if (autoSiting_)
        siting =
            pair.top == pair.bottom && (file_.flags[static_cast<size_t>(pair.top)] & kFlagProgressiveFrame)
                ? ChromaSiting::Progressive
                : ChromaSiting::Interlaced;
    Yuv420View view;
    view.y = yuv_.data();
    view.u = view.y + static_cast<size_t>(width_) * static_cast<size_t>(height_);
    view.v = view.u + static_cast<size_t>(width_ / 2) * static_cast<size_t>(height_ / 2);
    view.yPitch = width_;
    view.uPitch = view.vPitch = width_ / 2;
    view.width = width_;
    view.height = height_;
    ConvertToBgr24(view, siting, CoefficientsFor(line.matrix, file_.yuvRgbScale == 1), entry.bgr.data());
    entry.frame = frame;
    return entry.bgr.data();
}

bool Mpeg2Source::BuildYuv(int frame) {
    damage_ = Report();
    error_ = Report();
    if (!codec_) {
        error_ = Report::Of(DECODER_NO_FILM_OPEN);
        return false;
    }
    // Numbers outside the film are refused rather than read past the frame list.
    if (frame < 0 || frame >= FrameCount()) {
        error_ = Report::Of(DECODER_FRAME_OUTSIDE).Numbers(frame, FrameCount() - 1);
        return false;
    }
    const FramePair pair = frames_[static_cast<size_t>(std::max(frame, firstServable_))];
    const FramePair before = frames_[static_cast<size_t>(std::max(frame - 1, firstServable_))];
    sendBFrom_ = std::min({pair.top, pair.bottom, before.top, before.bottom});
    // Own references, so that the second lookup cannot release the first picture.
    AVFrame* bottom = Picture(pair.bottom);
    bottom = bottom ? av_frame_clone(bottom) : nullptr;
    AVFrame* top = pair.top == pair.bottom ? nullptr : Picture(pair.top);
    top = top ? av_frame_clone(top) : (bottom ? av_frame_clone(bottom) : nullptr);
    if (!top || !bottom) {
        av_frame_free(&top);
        av_frame_free(&bottom);
        damage_ = Report();
        if (error_.Empty())
            error_ = Report::Of(DECODER_FRAME_UNDECODABLE).Numbers(frame);
        return false;
    }
    error_ = Report();
    // libavcodec conceals damaged slices from the neighbouring pixels and says so on the picture;
    // pictures decoded after lost container data, or predicted from a damaged picture, are marked
    // the same way. An index that does not match its stream is said first: it is the cause.
    ReportMismatch(pair.bottom);
    if (pair.top != pair.bottom)
        ReportMismatch(pair.top);
    if (damage_.Empty() && (Concealed(top) || Concealed(bottom)))
        damage_ = Report::Of(DECODER_DAMAGE_CONCEALED);

    uint8_t* planes[3] = {yuv_.data(), nullptr, nullptr};
    planes[1] = planes[0] + static_cast<size_t>(width_) * static_cast<size_t>(height_);
    planes[2] = planes[1] + static_cast<size_t>(width_ / 2) * static_cast<size_t>(height_ / 2);
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane == 0 ? width_ : width_ / 2;
        const int h = plane == 0 ? height_ : height_ / 2;
        for (int r = 0; r < h; ++r) {
            // Even lines (and even chroma lines) are the top field.
            const AVFrame* src = (r & 1) ? bottom : top;
            const int srcW = plane == 0 ? src->width : (src->width + 1) / 2;
            const int srcH = plane == 0 ? src->height : (src->height + 1) / 2;
            const uint8_t* row = PlaneRow(src, plane, r, srcH);
            uint8_t* dst = planes[plane] + static_cast<size_t>(r) * static_cast<size_t>(w);
            const int n = std::min(w, srcW);
            std::memcpy(dst, row, static_cast<size_t>(n));
            if (n < w)
                std::memset(dst + n, plane == 0 ? 16 : 128, static_cast<size_t>(w - n));
        }
    }
    av_frame_free(&top);
    av_frame_free(&bottom);
    return true;
}

AVFrame* Mpeg2Source::Picture(int picture) {
    auto hit = cache_.find(picture);
    if (hit != cache_.end())
        return hit->second;
    const int line = pictureLine_[static_cast<size_t>(picture)];
    keepFrom_ = file_.lines[static_cast<size_t>(std::max(line - 1, 0))].firstPicture;

    // Past lost container data the running decode may be numbering pictures wrongly: a seek to the
    // line's own position puts them back in place.
    const bool canContinue = sessionActive_ && !sessionEnded_ && synced_ && nextDisplay_ <= picture &&
                             demuxer_ && demuxer_->SkippedBytes() == 0 &&
                             line - pictureLine_[static_cast<size_t>(std::min<int>(
                                        nextDisplay_, static_cast<int>(pictureLine_.size()) - 1))] <=
                                 1;
    if (canContinue)
        RunSession(picture);
    if (!cache_.count(picture)) {
        // Pictures shown before their line's I picture may need the previous line's last one.
        const bool leading = picture < lineFirstI_[static_cast<size_t>(line)];
        int start = line;
        if (leading && line > 0 && !file_.lines[static_cast<size_t>(line)].IsClosedGop())
            start = line - 1;
        if (StartSession(start))
            RunSession(picture);
        // The other way round when that failed: the line before may not lead into this one.
        if (!cache_.count(picture) && leading && line > 0 && StartSession(start == line ? line - 1 : line))
            RunSession(picture);
    }
    Evict(line);
    hit = cache_.find(picture);
    if (hit != cache_.end())
        return hit->second;

    // A picture the stream never gives (a cut or damaged stream, an index listing too many) is served
    // as the last one the stream does give before it, whatever was decoded earlier: each line back is
    // decoded afresh up to the picture.
    ++stats_.repeats;
    int tries = 0;
    for (int back = line; back >= 0 && tries <= kLinesBackForRepeat; --back) {
        const IndexLine& l = file_.lines[static_cast<size_t>(back)];
        if (l.position >= files_.Size(l.file))
            continue; // past the end of a cut stream: nothing to decode there
        ++tries;
        keepFrom_ = l.firstPicture;
        sendBFrom_ = 0; // the last picture given before the missing one may be any B picture
        ClearCache();
        if (StartSession(back))
            RunSession(picture);
        auto after = cache_.lower_bound(picture);
        if (after != cache_.begin()) {
            AVFrame* found = std::prev(after)->second;
            if (damage_.Empty())
                damage_ = Report::Of(DECODER_DAMAGE_MISSING).Numbers(picture, std::prev(after)->first);
            EndSession(); // its state no longer matches the cache kept
            return found;
        }
    }
    EndSession();
    return nullptr;
}

bool Mpeg2Source::StartSession(int line) {
    EndSession();
    const IndexLine& l = file_.lines[static_cast<size_t>(line)];
    ++stats_.seeks;
    avcodec_flush_buffers(codec_);
    files_.ClearFailure(); // a read that failed once may succeed now
    reader_ = std::make_unique<mpegstream::ByteReader>(files_, files_.StreamOffset({l.file, l.position}));
    reader_->SetBudget(kSyncBudget);
    demuxer_ = MakeDemuxer(file_, *reader_);
    splitter_ = std::make_unique<PictureSplitter>(*demuxer_);
    sessionActive_ = true;
    sessionEnded_ = false;
    synced_ = false;
    needHeader_ = true;
    skipLeft_ = l.skip;
    nextDisplay_ = l.firstPicture;
    lastOutput_ = -1;
    havePendingRef_ = false;
    ptsPicture_.clear();
    sessionLine_ = line;
    codedInLine_ = 0;
    referenceMarked_ = false;
    bPicturesSinceReference_.clear();
    return true;
}

void Mpeg2Source::EndSession() {
    splitter_.reset();
    demuxer_.reset();
    reader_.reset();
    sessionActive_ = false;
}

void Mpeg2Source::RunSession(int target) {
    const int total = static_cast<int>(file_.flags.size());
    CodedPicture picture;
    while (!sessionEnded_ && lastOutput_ < target) {
        if (nextDisplay_ > target + kMissingMargin || nextDisplay_ > total + kMissingMargin)
            break;
        if (!splitter_->Next(picture)) {
            ReadFailed();
            Drain();
            sessionEnded_ = true;
            break;
        }
        if (!synced_) {
            // Decoding starts at the line's I picture; `skip` earlier ones share its position.
            if (picture.type != PictureType::I)
                continue;
            if (skipLeft_ > 0) {
                --skipLeft_;
                continue;
            }
            synced_ = true;
            reader_->ClearBudget();
        }
        // The decode runs on into the next line only where this one matches the stream; elsewhere
        // the pictures after it are found by a seek to their own line, as when asked first.
        if (codedInLine_ == file_.lines[static_cast<size_t>(sessionLine_)].pictureCount) {
            if (sessionLine_ + 1 >= static_cast<int>(file_.lines.size()) ||
                Agreement(sessionLine_) != LineAgreement::Agrees) {
                Drain();
                sessionEnded_ = true;
                break;
            }
            ++sessionLine_;
            codedInLine_ = 0;
        }
        ++codedInLine_;
        SendPicture(picture);
    }
}

// Pictures come out of the decoder in display order: a B picture at once, an I or P picture when
// the next one arrives. Following that order here gives each picture its place in the index, also
// for the B pictures the decoder drops for want of a reference and those not sent at all.
void Mpeg2Source::SendPicture(const CodedPicture& picture) {
    int64_t pts = serial_++;
    if (picture.type == PictureType::B) {
        const int display = nextDisplay_++;
        if (display < keepFrom_ || display < sendBFrom_)
            return; // not shown, and nothing refers to it
        ptsPicture_[pts] = display;
    } else {
        if (havePendingRef_)
            ptsPicture_[pendingRefPts_] = nextDisplay_++;
        havePendingRef_ = true;
        pendingRefPts_ = pts;
    }
    const bool addHeader = needHeader_ && !picture.hasSequenceHeader && !sequenceHeader_.empty();
    needHeader_ = false;
    if (picture.hasSequenceHeader && splitter_->HasSequence())
        sequenceHeader_ = splitter_->SequenceHeader();
    // The two fields of a field-coded frame go in one after the other, as libavcodec's own parser
    // hands them over; the frame keeps the first one's number.
    const size_t split = picture.secondField > 0 && picture.secondField < picture.data.size()
                             ? picture.secondField
                             : picture.data.size();
    Send(picture.data.data(), split, addHeader, pts);
    if (split < picture.data.size())
        Send(picture.data.data() + split, picture.data.size() - split, false, AV_NOPTS_VALUE);
    ++stats_.picturesSent;
}

void Mpeg2Source::Send(const uint8_t* data, size_t size, bool withSequenceHeader, int64_t pts) {
    av_packet_unref(packet_);
    const size_t total = size + (withSequenceHeader ? sequenceHeader_.size() : 0);
    if (total > static_cast<size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE) ||
        av_new_packet(packet_, static_cast<int>(total)) < 0)
        return;
    uint8_t* out = packet_->data;
    if (withSequenceHeader) {
        std::memcpy(out, sequenceHeader_.data(), sequenceHeader_.size());
        out += sequenceHeader_.size();
    }
    std::memcpy(out, data, size);
    packet_->pts = pts;
    if (avcodec_send_packet(codec_, packet_) == AVERROR(EAGAIN)) {
        ReceiveFrames();
        avcodec_send_packet(codec_, packet_);
    }
    ReceiveFrames();
}

void Mpeg2Source::Drain() {
    if (havePendingRef_) {
        ptsPicture_[pendingRefPts_] = nextDisplay_++;
        havePendingRef_ = false;
    }
    if (synced_) {
        avcodec_send_packet(codec_, nullptr);
        ReceiveFrames();
    }
    avcodec_flush_buffers(codec_);
}

void Mpeg2Source::ReceiveFrames() {
    AVFrame* frame = av_frame_alloc();
    while (frame && avcodec_receive_frame(codec_, frame) == 0) {
        auto it = ptsPicture_.find(frame->pts);
        if (it != ptsPicture_.end()) {
            const int picture = it->second;
            ptsPicture_.erase(it);
            lastOutput_ = std::max(lastOutput_, picture);
            StoreFrame(frame, picture);
            frame = av_frame_alloc();
        } else {
            av_frame_unref(frame);
        }
    }
    av_frame_free(&frame);
}

void Mpeg2Source::StoreFrame(AVFrame* frame, int picture) {
    frame = ToYuv420(frame);
    if (!frame)
        return;
    // Once the container had to be searched for its next packet, data is missing: what follows
    // may not be the pictures the index places here. Marked like the decoder's own concealment.
    if (demuxer_ && demuxer_->SkippedBytes() > 0)
        frame->decode_error_flags |= FF_DECODE_ERROR_INVALID_BITSTREAM;
    if (picture < static_cast<int>(file_.flags.size())) {
        const PictureType expected = FlagPictureType(file_.flags[static_cast<size_t>(picture)]);
        const PictureType got = frame->pict_type == AV_PICTURE_TYPE_I   ? PictureType::I
                                : frame->pict_type == AV_PICTURE_TYPE_P ? PictureType::P
                                : frame->pict_type == AV_PICTURE_TYPE_B ? PictureType::B
                                                                        : PictureType::Unknown;
        if (expected != got)
            ++stats_.typeMismatches;
    }
    MarkPredictedDamage(frame, picture);
    if (picture >= keepFrom_ && picture < static_cast<int>(file_.flags.size()) && !cache_.count(picture)) {
        cache_[picture] = frame;
        return;
    }
    av_frame_free(&frame);
}

// Frames come out in display order: a P picture is predicted from the reference before it, a B
// picture from that one and the next. A concealed reference (an I picture's concealment depends on
// what was decoded before it) changes every picture predicted from it, on any road taken to it.
void Mpeg2Source::MarkPredictedDamage(AVFrame* frame, int picture) {
    const bool own = Concealed(frame);
    const auto mark = [](AVFrame* f) { f->decode_error_flags |= FF_DECODE_ERROR_CONCEALMENT_ACTIVE; };
    if (frame->pict_type == AV_PICTURE_TYPE_B) {
        if (!own && referenceMarked_)
            mark(frame);
        bPicturesSinceReference_.push_back(picture);
        return;
    }
    const bool marked = own || (frame->pict_type != AV_PICTURE_TYPE_I && referenceMarked_);
    if (marked && !own)
        mark(frame);
    if (marked) {
        for (int b : bPicturesSinceReference_) {
            auto it = cache_.find(b);
            if (it != cache_.end())
                mark(it->second);
        }
    }
    bPicturesSinceReference_.clear();
    referenceMarked_ = marked;
}

void Mpeg2Source::Evict(int line) {
    const int lines = static_cast<int>(file_.lines.size());
    const int from = file_.lines[static_cast<size_t>(std::max(line - 1, 0))].firstPicture;
    const IndexLine& last = file_.lines[static_cast<size_t>(std::min(line + 1, lines - 1))];
    const int to = last.firstPicture + last.pictureCount;
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (it->first < from || it->first >= to) {
            av_frame_free(&it->second);
            it = cache_.erase(it);
        } else {
            ++it;
        }
    }
}

LineAgreement Mpeg2Source::Agreement(int line) {
    LineAgreement& agreement = agreement_[static_cast<size_t>(line)];
    if (agreement == LineAgreement::Unchecked)
        agreement = CheckIndexLine(file_, files_, line);
    return agreement;
}

// Said of a picture from a line that does not match its stream, or shown before its line's I
// picture in an open GOP and so decoded through the line before.
void Mpeg2Source::ReportMismatch(int picture) {
    if (damage_.code == DECODER_DAMAGE_INDEX_MISMATCH)
        return;
    const int line = pictureLine_[static_cast<size_t>(picture)];
    int differs = Agreement(line) == LineAgreement::Differs ? line : -1;
    if (differs < 0 && line > 0 && picture < lineFirstI_[static_cast<size_t>(line)] &&
        !file_.lines[static_cast<size_t>(line)].IsClosedGop() &&
        Agreement(line - 1) == LineAgreement::Differs)
        differs = line - 1;
    if (differs >= 0)
        damage_ = Report::Of(DECODER_DAMAGE_INDEX_MISMATCH)
                      .Line(file_.lines[static_cast<size_t>(differs)].textLine);
}

void Mpeg2Source::ClearCache() {
    for (auto& entry : cache_)
        av_frame_free(&entry.second);
    cache_.clear();
}

} // namespace d2v
