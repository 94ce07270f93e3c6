#include "readers/details/VideoFrameDecoder.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/Avi.h"
#include "readers/details/FfmpegLibrary.h"

namespace {

constexpr std::size_t kBitmapHeaderSize = 40;
constexpr char kBottomUpMark[] = "BottomUp";  // with its NUL: the raw decoder's flip mark

// The loaded libraries; called only once DecodeVideoFrame found them loaded.
const CFfmpegLibrary& Ffmpeg() {
    return *CFfmpegLibrary::Get();
}

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { Ffmpeg().avcodec_free_context(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { Ffmpeg().av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { Ffmpeg().av_frame_free(&frame); }
};
struct ScalerFree {
    void operator()(SwsContext* scaler) const { Ffmpeg().sws_freeContext(scaler); }
};

void DiscardLibraryMessage(void*, int, const char*, va_list) {}

void SilenceLibraryMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        Ffmpeg().av_log_set_level(AV_LOG_QUIET);
        Ffmpeg().av_log_set_callback(DiscardLibraryMessage);
    });
}

// The decoder of a clip's four-character code: the RIFF table first, then
// the one of QuickTime files, which clips also use.
AVCodecID FindCodec(std::uint32_t tag) {
    const AVCodecTag* const tables[] = {Ffmpeg().avformat_get_riff_video_tags(),
                                        Ffmpeg().avformat_get_mov_video_tags(), nullptr};
    return Ffmpeg().av_codec_get_id(tables, tag);
}

// Sets the decoder's picture description and codec data from the format.
// For a palette picture the palette (the last colours of the codec data)
// goes to `palette`; FALSE when there is none.
bool DescribeStream(const BITMAPINFOHEADER& header, zb::ByteSpan format, AVCodecContext* context,
                    std::uint32_t* palette) {
    context->codec_tag = header.biCompression;
    context->width = header.biWidth;
    context->height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    context->bits_per_coded_sample = header.biBitCount;
    context->thread_count = 1;
    context->max_pixels = kMaxBitmapPixels;

    const zb::ByteSpan extra = format.subspan(kBitmapHeaderSize);
    // Raw bitmaps are stored bottom-up unless the height is negative.
    const bool bottomUp = header.biCompression == 0 && header.biHeight > 0;
    const std::size_t size = extra.size() + (bottomUp ? sizeof(kBottomUpMark) : 0);
    if (size > 0) {
        auto* data =
            static_cast<std::uint8_t*>(Ffmpeg().av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
        if (data == nullptr)
            return false;
        if (!extra.empty())
            std::memcpy(data, extra.data(), extra.size());
        if (bottomUp)
            std::memcpy(data + extra.size(), kBottomUpMark, sizeof(kBottomUpMark));
        context->extradata = data;
        context->extradata_size = static_cast<int>(size);
    }
    if (header.biBitCount > 8 || extra.empty())
        return false;
    const std::size_t colours =
        std::min<std::size_t>(std::size_t{1} << header.biBitCount, extra.size() / 4);
    const std::uint8_t* table = extra.data() + extra.size() - colours * 4;
    for (std::size_t i = 0; i < colours; ++i)
        palette[i] = 0xFF000000u | zb::LoadLe32(table + i * 4);
    return true;
}

// The first picture the decoder gives for the frame.
bool DecodePicture(AVCodecContext* context, const std::vector<std::uint8_t>& bytes,
                   const std::uint32_t* palette, AVFrame* picture) {
    const std::unique_ptr<AVPacket, PacketFree> packet(Ffmpeg().av_packet_alloc());
    if (!packet || bytes.size() > static_cast<std::size_t>(INT32_MAX) ||
        Ffmpeg().av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
        return false;
    std::memcpy(packet->data, bytes.data(), bytes.size());
    packet->flags |= AV_PKT_FLAG_KEY;
    if (palette != nullptr) {
        std::uint8_t* side =
            Ffmpeg().av_packet_new_side_data(packet.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (side == nullptr)
            return false;
        std::memcpy(side, palette, AVPALETTE_SIZE);
    }
    if (Ffmpeg().avcodec_send_packet(context, packet.get()) < 0)
        return false;
    // The end of the stream makes a decoder that holds pictures back give them.
    Ffmpeg().avcodec_send_packet(context, nullptr);
    return Ffmpeg().avcodec_receive_frame(context, picture) == 0;
}

}  // namespace

BOOL DecodeVideoFrame(zb::ByteSpan format, const std::vector<std::uint8_t>& frame, SIZE size,
                      CBitmap* bitmap) {
    *bitmap = CBitmap();
    if (CFfmpegLibrary::Get() == nullptr)
        return FALSE;
    SilenceLibraryMessages();
    if (format.size() < kBitmapHeaderSize || frame.empty() || size.cx < 1 || size.cy < 1 ||
        size.cx > kMaxBitmapSide || size.cy > kMaxBitmapSide)
        return FALSE;
    const BITMAPINFOHEADER header = zb::ParseBitmapInfoHeader(format);
    if (header.biWidth < 1 || header.biWidth > kMaxBitmapSide ||
        header.biHeight < -kMaxBitmapSide || header.biHeight > kMaxBitmapSide ||
        header.biHeight == 0)
        return FALSE;
    const AVCodec* codec = Ffmpeg().avcodec_find_decoder(FindCodec(header.biCompression));
    if (codec == nullptr)
        return FALSE;
    const std::unique_ptr<AVCodecContext, CodecContextFree> context(
        Ffmpeg().avcodec_alloc_context3(codec));
    if (!context)
        return FALSE;
    std::uint32_t palette[AVPALETTE_COUNT] = {};
    const bool hasPalette = DescribeStream(header, format, context.get(), palette);
    const std::unique_ptr<AVFrame, FrameFree> picture(Ffmpeg().av_frame_alloc());
    if (!picture || Ffmpeg().avcodec_open2(context.get(), codec, nullptr) < 0 ||
        !DecodePicture(context.get(), frame, hasPalette ? palette : nullptr, picture.get()))
        return FALSE;
    if (picture->width < 1 || picture->height < 1 || picture->width > kMaxBitmapSide ||
        picture->height > kMaxBitmapSide)
        return FALSE;

    const std::unique_ptr<SwsContext, ScalerFree> scaler(Ffmpeg().sws_getContext(
        picture->width, picture->height, static_cast<AVPixelFormat>(picture->format), size.cx,
        size.cy, AV_PIX_FMT_BGRA, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler)
        return FALSE;
    CBitmap out(size.cx, size.cy);
    std::uint8_t* const planes[4] = {reinterpret_cast<std::uint8_t*>(out.Row(0)), nullptr, nullptr,
                                     nullptr};
    const int strides[4] = {static_cast<int>(size.cx) * 4, 0, 0, 0};
    if (Ffmpeg().sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height,
                           planes, strides) != size.cy)
        return FALSE;
    *bitmap = std::move(out);
    return TRUE;
}
