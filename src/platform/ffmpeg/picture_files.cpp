#include "platform/ffmpeg/picture_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/ffmpeg/ffmpeg_video.h"

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

bool WriteBmp(const Image& picture, const std::string& path) {
  if (picture.Empty()) return false;
  const uint32_t rowBytes = (static_cast<uint32_t>(picture.Width()) * 3 + 3) & ~3u;
  const uint64_t dataBytes = uint64_t{rowBytes} * static_cast<uint32_t>(picture.Height());
  if (dataBytes + 54 > 0xFFFFFFFFu) return false;
  uint8_t h[54] = {'B', 'M'};
  auto put32 = [&h](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(2, static_cast<uint32_t>(dataBytes + 54));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(picture.Width()));
  put32(22, static_cast<uint32_t>(picture.Height()));  // positive: bottom row first
  h[26] = 1;
  h[28] = 24;
  put32(34, static_cast<uint32_t>(dataBytes));
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
  if (!f || std::fwrite(h, 1, sizeof h, f.get()) != sizeof h) return false;
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = picture.Height() - 1; y >= 0; --y) {
    const uint8_t* src = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {  // stored as blue, green, red
      row[3 * x] = src[3 * x + 2];
      row[3 * x + 1] = src[3 * x + 1];
      row[3 * x + 2] = src[3 * x];
    }
    if (std::fwrite(row.data(), 1, rowBytes, f.get()) != rowBytes) return false;
  }
  return std::fclose(f.release()) == 0;
}

bool WritePicture(const Image& picture, const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (ext == ".png") return WritePng(picture, path);
  if (ext == ".ppm") return WritePpm(picture, path);
  return WriteBmp(picture, path);
}

bool ReadPicture(const std::string& path, Image& picture) {
  // A picture file is a video of one image to the decoder.
  TFfmpegVideo file;
  return file.Open(path) && file.FrameCount() >= 1 && file.ReadFrame(0, picture);
}

}  // namespace kinevo::ff
