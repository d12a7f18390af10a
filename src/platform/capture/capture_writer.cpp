#include "platform/capture/capture_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

#include <cmath>

#include "platform/avi/avi_writer.h"
#include "platform/capture/camera_input.h"

namespace kinevo::capture {

namespace {

// The lossless encoders offered, by FFmpeg name, with the name shown.
struct LosslessCodec {
  const char* encoder;
  const char* shown;
};
constexpr LosslessCodec kLossless[] = {
    {"ffv1", "FFV1"}, {"huffyuv", "HuffYUV"}, {"utvideo", "Ut Video"}};

// A rate as the AVI header's rate / scale.
void RateFraction(double rate, uint32_t& num, uint32_t& den) {
  if (std::fabs(rate - std::round(rate)) < 1e-9) {
    num = static_cast<uint32_t>(std::lround(rate));
    den = 1;
  } else {
    num = static_cast<uint32_t>(std::lround(rate * 1000));
    den = 1000;
  }
}

class TBuiltInAviWriter : public IFrameWriter {
 public:
  explicit TBuiltInAviWriter(avi::TAviCodec codec) { options_.codec = codec; }
  TStatus Open(const std::string& path, int width, int height, double rate) override {
    uint32_t num = 0, den = 1;
    RateFraction(rate, num, den);
    if (writer_.Open(path, width, height, num, den, options_)) return {};
    return Fail(writer_.Error(), path);
  }
  bool Write(const Image& picture) override { return writer_.WriteFrame(picture); }
  bool Repeat() override { return writer_.WriteDropped(); }
  bool Close() override { return writer_.Close(); }
  std::string Error() const override { return writer_.Error(); }

 private:
  avi::TAviWriterOptions options_;
  avi::TAviWriter writer_;
};

// An FFmpeg encoder into an AVI container.  A repeated period encodes the
// previous picture again: these encoders code every image on its own.
class TLosslessAviWriter : public IFrameWriter {
 public:
  explicit TLosslessAviWriter(const AVCodec* codec) : codec_(codec) {}
  ~TLosslessAviWriter() override { Free(); }

  TStatus Open(const std::string& path, int width, int height, double rate) override {
    if (avformat_alloc_output_context2(&out_, nullptr, "avi", path.c_str()) < 0 || !out_)
      return Refuse("Impossible de créer le fichier vidéo.", path);
    AVStream* st = avformat_new_stream(out_, nullptr);
    enc_ = avcodec_alloc_context3(codec_);
    if (st == nullptr || enc_ == nullptr) return Refuse("Mémoire insuffisante.");
    enc_->width = width;
    enc_->height = height;
    enc_->pix_fmt = PixelFormat();
    const AVRational r = av_d2q(rate, 100000);
    enc_->time_base = av_inv_q(r);
    enc_->framerate = r;
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) enc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int e = avcodec_open2(enc_, codec_, nullptr);
    if (e < 0)
      return Refuse("Le codeur n'existe pas ou est indisponible",
                    std::string(codec_->name) + " : " + AvErrorText(e));
    avcodec_parameters_from_context(st->codecpar, enc_);
    st->time_base = enc_->time_base;
    st->avg_frame_rate = r;
    stream_ = st;
    if ((e = avio_open(&out_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
      return Refuse("Impossible d'écrire le fichier vidéo sur le disque",
                    path + " : " + AvErrorText(e));
    if ((e = avformat_write_header(out_, nullptr)) < 0)
      return Refuse("Impossible d'écrire le fichier vidéo sur le disque",
                    path + " : " + AvErrorText(e));
    frame_ = av_frame_alloc();
    pkt_ = av_packet_alloc();
    frame_->format = enc_->pix_fmt;
    frame_->width = width;
    frame_->height = height;
    if (av_frame_get_buffer(frame_, 0) < 0) return Refuse("Mémoire insuffisante.");
    sws_ = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, enc_->pix_fmt, SWS_POINT,
                          nullptr, nullptr, nullptr);
    if (sws_ == nullptr) return Refuse("Impossible de définir le format du flux vidéo.");
    return {};
  }

  bool Write(const Image& picture) override {
    if (failed_ || frame_ == nullptr) return false;
    if (av_frame_make_writable(frame_) < 0) return Failed("Mémoire insuffisante.");
    const uint8_t* src[4] = {picture.Data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {static_cast<int>(picture.Stride()), 0, 0, 0};
    sws_scale(sws_, src, srcStride, 0, picture.Height(), frame_->data, frame_->linesize);
    hasPicture_ = true;
    return Encode(frame_);
  }

  bool Repeat() override {
    if (!hasPicture_) return true;
    return Encode(frame_);
  }

  bool Close() override {
    bool ok = !failed_;
    if (out_ != nullptr && stream_ != nullptr && frame_ != nullptr) {
      ok = Encode(nullptr) && ok;
      ok = av_write_trailer(out_) >= 0 && ok;
    }
    Free();
    return ok;
  }

  std::string Error() const override { return error_; }

 private:
  // The encoder's RGB format when it has one (no loss), else its first.
  AVPixelFormat PixelFormat() const {
    const AVPixelFormat* fmts = codec_->pix_fmts;
    if (fmts == nullptr) return AV_PIX_FMT_RGB24;
    for (AVPixelFormat want :
         {AV_PIX_FMT_BGR0, AV_PIX_FMT_RGB24, AV_PIX_FMT_BGR24, AV_PIX_FMT_GBRP, AV_PIX_FMT_RGB32})
      for (const AVPixelFormat* p = fmts; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == want) return want;
    return fmts[0];
  }

  bool Encode(AVFrame* f) {
    if (f != nullptr) f->pts = next_++;
    if (avcodec_send_frame(enc_, f) < 0) return Failed("Impossible de compresser le flux vidéo");
    for (;;) {
      const int r = avcodec_receive_packet(enc_, pkt_);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return Failed("Impossible de compresser le flux vidéo");
      av_packet_rescale_ts(pkt_, enc_->time_base, stream_->time_base);
      pkt_->stream_index = stream_->index;
      if (av_interleaved_write_frame(out_, pkt_) < 0)
        return Failed("Impossible d'écrire le fichier vidéo sur le disque");
    }
  }

  bool Failed(const std::string& why) {
    if (!failed_) error_ = why;
    failed_ = true;
    return false;
  }
  // A failure of Open: told, and everything made so far freed.
  TError Refuse(const std::string& why, std::string cause = {}) {
    Failed(why);
    Free();
    return Fail(why, std::move(cause));
  }
  void Free() {
    sws_freeContext(sws_);
    sws_ = nullptr;
    av_frame_free(&frame_);
    av_packet_free(&pkt_);
    avcodec_free_context(&enc_);
    if (out_ != nullptr) {
      if (out_->pb != nullptr) avio_closep(&out_->pb);
      avformat_free_context(out_);
      out_ = nullptr;
    }
    stream_ = nullptr;
  }

  const AVCodec* codec_;
  AVFormatContext* out_ = nullptr;
  AVCodecContext* enc_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* pkt_ = nullptr;
  SwsContext* sws_ = nullptr;
  int64_t next_ = 0;
  bool hasPicture_ = false;
  bool failed_ = false;
  std::string error_;
};

}  // namespace

std::vector<std::string> CaptureCodecs() {
  std::vector<std::string> codecs = {kNoCodec, kMjpegCodec};
  for (const auto& c : kLossless)
    if (avcodec_find_encoder_by_name(c.encoder) != nullptr) codecs.emplace_back(c.shown);
  return codecs;
}

std::unique_ptr<IFrameWriter> MakeFrameWriter(const std::string& codec) {
  if (codec == kNoCodec || codec.empty())
    return std::make_unique<TBuiltInAviWriter>(avi::TAviCodec::Raw);
  if (codec == kMjpegCodec) return std::make_unique<TBuiltInAviWriter>(avi::TAviCodec::MJPEG);
  for (const auto& c : kLossless)
    if (codec == c.shown)
      if (const AVCodec* enc = avcodec_find_encoder_by_name(c.encoder))
        return std::make_unique<TLosslessAviWriter>(enc);
  return nullptr;
}

}  // namespace kinevo::capture
