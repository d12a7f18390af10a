#include "platform/ffmpeg/picture_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/common/atomic_file.h"
#include "core/common/text_utils.h"
#include "platform/ffmpeg/ffmpeg_video.h"

namespace kinevo::ff {

namespace {

constexpr const char* kEmptyPicture = "l'image est vide";

// A failure to make the bytes of `path`.
TError EncodingFailure(const std::string& path, const TError& e) {
  return TError{WriteFailureReason(path), e.cause.empty() ? e.reason : e.cause};
}

template <typename Bytes>
TStatus WriteEncoded(const std::string& path, Bytes&& bytes) {
  if (!bytes) return EncodingFailure(path, bytes.error());
  return WriteFileAtomically(path, *bytes);
}

}  // namespace

std::string PpmBytes(const Image& picture) {
  std::string out =
      "P6\n" + std::to_string(picture.Width()) + " " + std::to_string(picture.Height()) + "\n255\n";
  out.append(reinterpret_cast<const char*>(picture.Data()), picture.ByteSize());
  return out;
}

TResult<std::string> PngBytes(const Image& picture) {
  if (picture.Empty()) return Fail(kEmptyPicture);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
  if (!codec) return Fail("le codeur PNG manque aux bibliothèques FFmpeg");
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
  std::string out;
  if (ok) out.assign(reinterpret_cast<const char*>(pkt->data), static_cast<std::size_t>(pkt->size));
  if (frame) frame->data[0] = nullptr;
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  if (!ok) return Fail("l'image n'a pas pu être codée en PNG");
  return out;
}

TResult<std::string> BmpBytes(const Image& picture) {
  if (picture.Empty()) return Fail(kEmptyPicture);
  const uint32_t rowBytes = (static_cast<uint32_t>(picture.Width()) * 3 + 3) & ~3u;
  const uint64_t dataBytes = uint64_t{rowBytes} * static_cast<uint32_t>(picture.Height());
  if (dataBytes + 54 > 0xFFFFFFFFu) return Fail("l'image est trop grande pour un fichier BMP");
  std::string out(54 + static_cast<std::size_t>(dataBytes), '\0');
  auto* h = reinterpret_cast<uint8_t*>(out.data());
  h[0] = 'B';
  h[1] = 'M';
  auto put32 = [h](int at, uint32_t v) {
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
  uint8_t* row = h + 54;
  for (int y = picture.Height() - 1; y >= 0; --y, row += rowBytes) {
    const uint8_t* src = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {  // stored as blue, green, red
      row[3 * x] = src[3 * x + 2];
      row[3 * x + 1] = src[3 * x + 1];
      row[3 * x + 2] = src[3 * x];
    }
  }
  return out;
}

TStatus WritePng(const Image& picture, const std::string& path) {
  return WriteEncoded(path, PngBytes(picture));
}

TStatus WritePpm(const Image& picture, const std::string& path) {
  if (picture.Empty()) return Fail(WriteFailureReason(path), kEmptyPicture);
  return WriteFileAtomically(path, PpmBytes(picture));
}

TStatus WriteBmp(const Image& picture, const std::string& path) {
  return WriteEncoded(path, BmpBytes(picture));
}

TStatus WritePicture(const Image& picture, const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".png") return WritePng(picture, path);
  if (ext == ".ppm") return WritePpm(picture, path);
  return WriteBmp(picture, path);
}

TStatus ReadPicture(const std::string& path, Image& picture) {
  // A picture file is a video of one image to the decoder.
  const std::string reason = "L'image « " + path + " » n'a pas pu être lue.";
  TFfmpegVideo file;
  if (!file.Open(path)) return Fail(reason, file.Error());
  if (file.FrameCount() < 1 || !file.ReadFrame(0, picture) || picture.Empty())
    return Fail(reason, "l'image est abîmée");
  return {};
}

}  // namespace kinevo::ff
