#include "platform/ffmpeg/picture_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstdio>
#include <cstring>
#include <memory>

namespace kinevo::ff {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

bool WritePpm(const Image& picture, const std::string& path) {
  if (picture.Empty()) return false;
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  if (std::fprintf(f.get(), "P6\n%d %d\n255\n", picture.Width(), picture.Height()) < 0)
    return false;
  if (std::fwrite(picture.Data(), 1, picture.ByteSize(), f.get()) != picture.ByteSize())
    return false;
  return std::fclose(f.release()) == 0;
}

bool WritePng(const Image& picture, const std::string& path) {
  if (picture.Empty()) return false;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
  if (!codec) return false;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  AVFrame* frame = av_frame_alloc();
  AVPacket* pkt = av_packet_alloc();
  bool ok = ctx && frame && pkt;
  if (ok) {
    ctx->width = picture.Width();
    ctx->height = picture.Height();
    ctx->pix_fmt = AV_PIX_FMT_RGB24;
    ctx->time_base = {1, 25};
    ok = avcodec_open2(ctx, codec, nullptr) >= 0;
  }
  if (ok) {
    frame->width = picture.Width();
    frame->height = picture.Height();
    frame->format = AV_PIX_FMT_RGB24;
    // The encoder only reads the picture: point the frame at it.
    frame->data[0] = const_cast<uint8_t*>(picture.Data());
    frame->linesize[0] = static_cast<int>(picture.Stride());
    ok = avcodec_send_frame(ctx, frame) >= 0 && avcodec_send_frame(ctx, nullptr) >= 0 &&
         avcodec_receive_packet(ctx, pkt) >= 0;
  }
  if (ok) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    ok = f &&
         std::fwrite(pkt->data, 1, static_cast<std::size_t>(pkt->size), f.get()) ==
             static_cast<std::size_t>(pkt->size) &&
         std::fclose(f.release()) == 0;
  }
  if (frame) frame->data[0] = nullptr;
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return ok;
}

}  // namespace kinevo::ff
