// The recording as a video clip through libavformat, libavcodec and
// libswscale: the frames are turned into yuv420p, encoded as they come and
// muxed with a time stamp of 30 ms a frame.
#include "video_clip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <utility>

const bool videoClipAvailable = true;

namespace {

// A run ended by Ctrl-C, a hang-up or a kill leaves no half-written clip
// either: while one is written, these signals remove it first and then end
// the program as they would have. A signal that was ignored stays ignored.
const int endingSignals[] = {SIGHUP, SIGINT, SIGTERM};
struct sigaction previousActions[3];
char partialOnSignal[4096];
volatile std::sig_atomic_t removeOnSignal = 0;

void removePartialAndEnd(int signal) {
    if (removeOnSignal != 0) {
        unlink(partialOnSignal);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void armSignals(const std::string& partial) {
    if (partial.size() >= sizeof partialOnSignal) {
        return;
    }
    std::memcpy(partialOnSignal, partial.c_str(), partial.size() + 1);
    removeOnSignal = 1;
    struct sigaction action {};
    action.sa_handler = removePartialAndEnd;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(endingSignals); ++i) {
        sigaction(endingSignals[i], nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler != SIG_IGN) {
            sigaction(endingSignals[i], &action, nullptr);
        }
    }
}

void disarmSignals() {
    if (removeOnSignal == 0) {
        return;
    }
    for (size_t i = 0; i < std::size(endingSignals); ++i) {
        sigaction(endingSignals[i], &previousActions[i], nullptr);
    }
    removeOnSignal = 0;
}

} // namespace

struct VideoClipState {
    std::string path;    // the clip's own name, once it is whole
    std::string partial; // the name it is written under until then
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scale = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    bool finished = false;

    ~VideoClipState() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        sws_freeContext(scale);
        avcodec_free_context(&codec);
        if (format != nullptr) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
        if (!finished && !partial.empty()) {
            std::remove(partial.c_str());
        }
        disarmSignals();
    }
};

namespace {

// What each kind of file holds, and the encoder's settings: the lowest
// quality that keeps every frame of the shipped race at 38 dB of luma PSNR
// or more, at about 3 MB for the whole race, and faster than the race plays.
struct Kind {
    const char* extension;
    const char* muxer;
    const char* encoder;
    std::vector<std::pair<const char*, const char*>> encoderOptions;
    std::vector<std::pair<const char*, const char*>> muxerOptions;
};

const Kind kinds[] = {
    // The index (moov) goes to the front once the clip is written, so that
    // a browser plays the clip while it downloads.
    {".mp4",
     "mp4",
     "libx264",
     {{"preset", "medium"}, {"tune", "animation"}, {"crf", "22"}},
     {{"movflags", "+faststart"}}},
    {".webm", "webm", "libsvtav1", {{"preset", "8"}, {"crf", "35"}}, {}},
};

// Each frame lasts 3 centiseconds, as the race's tick and the GIF's delay.
constexpr AVRational frameTime{3, 100};

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool fail(std::string& error, const std::string& what, int code) {
    error = what + ": " + avError(code);
    return false;
}

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return extension;
}

AVDictionary* dictionaryOf(const std::vector<std::pair<const char*, const char*>>& entries) {
    AVDictionary* dictionary = nullptr;
    for (const auto& [key, value] : entries) {
        av_dict_set(&dictionary, key, value, 0);
    }
    return dictionary;
}

// An option the encoder or muxer did not take would silently change the clip.
bool allTaken(AVDictionary*& left, const char* what, std::string& error) {
    const AVDictionaryEntry* entry = av_dict_get(left, "", nullptr, AV_DICT_IGNORE_SUFFIX);
    if (entry != nullptr) {
        error = std::string(what) + " does not take the option '" + entry->key + "'";
    }
    av_dict_free(&left);
    return entry == nullptr;
}

} // namespace

VideoClip::~VideoClip() {
    delete state_;
}

bool VideoClip::open(const std::string& path, int width, int height, std::string& error) {
    const std::string extension = lowerExtension(path);
    const Kind* kind = nullptr;
    for (const Kind& k : kinds) {
        if (extension == k.extension) {
            kind = &k;
        }
    }
    if (kind == nullptr) {
        error = "the name must end in .mp4 (H.264) or .webm (AV1)";
        return false;
    }
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = "it is a folder";
        return false;
    }
    // The libraries report only errors; SVT-AV1 prints its own notes unless
    // told otherwise (level 1: errors).
    av_log_set_level(AV_LOG_ERROR);
    setenv("SVT_LOG", "1", 0);

    delete state_;
    state_ = new VideoClipState();
    VideoClipState& s = *state_;
    s.path = path;
    s.partial = path + "." + std::to_string(getpid()) + ".part";

    const AVCodec* encoder = avcodec_find_encoder_by_name(kind->encoder);
    if (encoder == nullptr) {
        error = std::string("FFmpeg's libavcodec has no encoder ") + kind->encoder;
        return false;
    }
    int code = avformat_alloc_output_context2(&s.format, nullptr, kind->muxer, s.partial.c_str());
    if (code < 0) {
        return fail(error, "cannot set up the container", code);
    }
    s.stream = avformat_new_stream(s.format, nullptr);
    s.codec = avcodec_alloc_context3(encoder);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (s.stream == nullptr || s.codec == nullptr || s.frame == nullptr || s.packet == nullptr) {
        error = "out of memory";
        return false;
    }
    AVCodecContext& c = *s.codec;
    c.width = width;
    c.height = height;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = frameTime;
    c.framerate = av_inv_q(frameTime);
    // The frames are sRGB, turned into video range with the BT.601 matrix.
    c.color_range = AVCOL_RANGE_MPEG;
    c.colorspace = AVCOL_SPC_SMPTE170M;
    c.color_primaries = AVCOL_PRI_BT709;
    c.color_trc = AVCOL_TRC_IEC61966_2_1;
    if ((s.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* options = dictionaryOf(kind->encoderOptions);
    code = avcodec_open2(s.codec, encoder, &options);
    if (code < 0) {
        av_dict_free(&options);
        return fail(error, std::string("cannot start the encoder ") + kind->encoder, code);
    }
    if (!allTaken(options, kind->encoder, error)) {
        return false;
    }
    code = avcodec_parameters_from_context(s.stream->codecpar, s.codec);
    if (code < 0) {
        return fail(error, "cannot set up the stream", code);
    }
    // Time stamps in milliseconds; the frame rate tells a WebM file's
    // readers how long each frame lasts, as its blocks do not say.
    s.stream->time_base = AVRational{1, 1000};
    s.stream->avg_frame_rate = av_inv_q(frameTime);

    s.scale = sws_getContext(width, height, AV_PIX_FMT_0RGB32, width, height, AV_PIX_FMT_YUV420P,
                             SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (s.scale == nullptr) {
        error = "cannot set up the colour conversion";
        return false;
    }
    s.frame->format = AV_PIX_FMT_YUV420P;
    s.frame->width = width;
    s.frame->height = height;
    code = av_frame_get_buffer(s.frame, 0);
    if (code < 0) {
        return fail(error, "cannot make a frame", code);
    }

    code = avio_open(&s.format->pb, s.partial.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) {
        return fail(error, "cannot create the file", code);
    }
    armSignals(s.partial);
    AVDictionary* muxerOptions = dictionaryOf(kind->muxerOptions);
    code = avformat_write_header(s.format, &muxerOptions);
    if (code < 0) {
        av_dict_free(&muxerOptions);
        return fail(error, "cannot write the file's header", code);
    }
    return allTaken(muxerOptions, kind->muxer, error);
}

bool VideoClip::addFrame(const std::vector<uint32_t>& rgb, std::string& error) {
    if (state_ == nullptr || state_->codec == nullptr ||
        rgb.size() != static_cast<size_t>(state_->codec->width) *
                          static_cast<size_t>(state_->codec->height)) {
        error = "bad frame";
        return false;
    }
    VideoClipState& s = *state_;
    int code = av_frame_make_writable(s.frame);
    if (code < 0) {
        return fail(error, "cannot make a frame", code);
    }
    const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(rgb.data())};
    const int sourceStride[1] = {s.codec->width * 4};
    sws_scale(s.scale, source, sourceStride, 0, s.codec->height, s.frame->data, s.frame->linesize);
    s.frame->pts = frames_;
    code = avcodec_send_frame(s.codec, s.frame);
    if (code < 0) {
        return fail(error, "cannot encode a frame", code);
    }
    ++frames_;
    return drain(error, false, {});
}

// Writes every packet the encoder has ready; when flushing, every packet it
// still holds.
bool VideoClip::drain(std::string& error, bool flushing, const std::function<void(int)>& progress) {
    VideoClipState& s = *state_;
    while (true) {
        int code = avcodec_receive_packet(s.codec, s.packet);
        if (code == AVERROR(EAGAIN) && !flushing) {
            return true;
        }
        if (code == AVERROR_EOF) {
            return true;
        }
        if (code < 0) {
            return fail(error, "cannot encode a frame", code);
        }
        if (s.packet->duration == 0) {
            s.packet->duration = 1;
        }
        av_packet_rescale_ts(s.packet, s.codec->time_base, s.stream->time_base);
        s.packet->stream_index = s.stream->index;
        code = av_interleaved_write_frame(s.format, s.packet);
        if (code < 0) {
            return fail(error, "cannot write a frame", code);
        }
        ++encoded_;
        if (progress) {
            progress(encoded_);
        }
    }
}

bool VideoClip::close(std::string& error, const std::function<void(int)>& progress) {
    if (state_ == nullptr || state_->finished) {
        return true;
    }
    VideoClipState& s = *state_;
    int code = avcodec_send_frame(s.codec, nullptr);
    if (code < 0) {
        return fail(error, "cannot finish the encoding", code);
    }
    if (!drain(error, true, progress)) {
        return false;
    }
    code = av_write_trailer(s.format);
    if (code < 0) {
        return fail(error, "cannot finish the file", code);
    }
    code = avio_closep(&s.format->pb);
    if (code < 0) {
        return fail(error, "cannot finish the file", code);
    }
    std::error_code renamed;
    std::filesystem::rename(s.partial, s.path, renamed);
    if (renamed) {
        error = "cannot give the clip its name: " + renamed.message();
        return false;
    }
    s.finished = true;
    disarmSignals();
    return true;
}
