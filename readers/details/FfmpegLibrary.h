#pragma once
// FFmpeg's decoders, clip tags and scaler, loaded with dlopen on the first
// clip frame instead of at start: the four libraries pull in about a hundred
// more (every codec's own), which cost each start of the program and of the
// command-line tools some 50 ms though most searches never decode a frame.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

// (library, function) of every function the program calls.
#define ZB_FFMPEG_FUNCTIONS(X)              \
    X(Util, av_frame_alloc)                 \
    X(Util, av_frame_free)                  \
    X(Util, av_log_set_callback)            \
    X(Util, av_log_set_level)               \
    X(Util, av_mallocz)                     \
    X(Codec, av_new_packet)                 \
    X(Codec, av_packet_alloc)               \
    X(Codec, av_packet_free)                \
    X(Codec, av_packet_new_side_data)       \
    X(Codec, avcodec_alloc_context3)        \
    X(Codec, avcodec_find_decoder)          \
    X(Codec, avcodec_free_context)          \
    X(Codec, avcodec_open2)                 \
    X(Codec, avcodec_receive_frame)         \
    X(Codec, avcodec_send_packet)           \
    X(Format, av_codec_get_id)              \
    X(Format, avformat_get_mov_video_tags)  \
    X(Format, avformat_get_riff_video_tags) \
    X(Scale, sws_freeContext)               \
    X(Scale, sws_getContext)                \
    X(Scale, sws_scale)

// The functions, named as FFmpeg names them.
struct CFfmpegLibrary {
#define ZB_FFMPEG_MEMBER(library, name) decltype(&::name) name = nullptr;
    ZB_FFMPEG_FUNCTIONS(ZB_FFMPEG_MEMBER)
#undef ZB_FFMPEG_MEMBER

    // Loads the libraries of the major versions the program was built
    // against, once per process (they stay loaded); null when one of them or
    // one of the functions is missing, which leaves clips without frames.
    static const CFfmpegLibrary* Get();
};
