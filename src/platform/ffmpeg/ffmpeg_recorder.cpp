#include "platform/ffmpeg/ffmpeg_recorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <initializer_list>
#include <system_error>

#include "core/common/atomic_file.h"

namespace kinevo::ff {

namespace {

struct TCodecEntry {
  const char* name;
  const char* encoder;  // FFmpeg encoder name
  // Pixel formats in order of preference: full chroma and full range where
  // the codec allows it, RGB planes for the lossless codec.
  std::initializer_list<AVPixelFormat> formats;
};

const TCodecEntry kCodecs[] = {
    {kCodecMjpeg, "mjpeg", {AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ420P}},
    {kCodecFfv1, "ffv1", {AV_PIX_FMT_GBRP, AV_PIX_FMT_BGR0, AV_PIX_FMT_YUV444P}},
    {kCodecMpeg4, "mpeg4", {AV_PIX_FMT_YUV420P}},
    {kCodecH264, "libx264", {AV_PIX_FMT_YUV420P}},
};

const TCodecEntry* FindEntry(const std::string& name) {
  for (const auto& e : kCodecs)
    if (name == e.name) return &e;
  return nullptr;
}

AVPixelFormat PickFormat(const AVCodec* codec, const TCodecEntry& entry) {
  if (!codec->pix_fmts) return *entry.formats.begin();
  for (AVPixelFormat want : entry.formats)
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
      if (*f == want) return want;
  return codec->pix_fmts[0];
}

void SetQuality(AVCodecContext* enc, const std::string& codec) {
  if (codec == kCodecMjpeg || codec == kCodecMpeg4) {
    // A fixed, fine quantiser: pictures for measurement, not for streaming.
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * 2;
  }
  if (codec == kCodecMpeg4) enc->gop_size = 12;
  if (codec == kCodecH264) {
    av_opt_set(enc->priv_data, "crf", "16", 0);
    av_opt_set(enc->priv_data, "preset", "fast", 0);
  }
}

// The converter from RGB to the encoder's format.  The full-range YUV
// formats of JPEG are asked for as their plain forms with a full range,
// which is how the converter wants them.
SwsContext* MakeConverter(int width, int height, AVPixelFormat format) {
  AVPixelFormat plain = format;
  switch (format) {
    case AV_PIX_FMT_YUVJ444P:
      plain = AV_PIX_FMT_YUV444P;
      break;
    case AV_PIX_FMT_YUVJ422P:
      plain = AV_PIX_FMT_YUV422P;
      break;
    case AV_PIX_FMT_YUVJ420P:
      plain = AV_PIX_FMT_YUV420P;
      break;
    default:
      break;
  }
  SwsContext* sws = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, plain,
                                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                   nullptr, nullptr);
  if (sws && plain != format) {
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
  }
  return sws;
}

}  // namespace

std::vector<std::string> AvailableEncoders() {
  std::vector<std::string> names;
  for (const auto& e : kCodecs)
    if (avcodec_find_encoder_by_name(e.encoder)) names.emplace_back(e.name);
  return names;
}

TFfmpegWriter::TFfmpegWriter() = default;
TFfmpegWriter::~TFfmpegWriter() { Abort(); }

bool TFfmpegWriter::Fail(int code) {
  error_ = VfwRecordErrorText(code);
  return false;
}

bool TFfmpegWriter::FailWriting(int averror) {
  Fail(8);
  // A system error under the library's code: say which ("disque plein").
  if (averror < 0 && averror > -4096) error_ += " (" + FileErrorReason(-averror) + ")";
  return false;
}

void TFfmpegWriter::Release() {
  sws_freeContext(sws_);
  sws_ = nullptr;
  av_frame_free(&frame_);
  av_packet_free(&pkt_);
  avcodec_free_context(&enc_);
  if (fmt_) {
    if (fmt_->pb) avio_closep(&fmt_->pb);
    avformat_free_context(fmt_);
    fmt_ = nullptr;
  }
  stream_ = nullptr;
}

void TFfmpegWriter::Abort() { Release(); }

bool TFfmpegWriter::Open(const std::string& path, int width, int height, double rate,
                         const std::string& codec, const std::string& comment) {
  Release();
  error_.clear();
  frames_ = 0;
  const TCodecEntry* entry = FindEntry(codec);
  const AVCodec* encoder = entry ? avcodec_find_encoder_by_name(entry->encoder) : nullptr;
  if (!encoder) return Fail(10);
  if (width <= 0 || height <= 0 || !(rate > 0) || !std::isfinite(rate)) return Fail(9);
  // An existing file is written over, never removed first: the path may be
  // a device, and callers write into a temporary file they rename.
  if (avformat_alloc_output_context2(&fmt_, nullptr, container_.c_str(), path.c_str()) < 0 || !fmt_)
    return Fail(9);
  stream_ = avformat_new_stream(fmt_, nullptr);
  enc_ = avcodec_alloc_context3(encoder);
  frame_ = av_frame_alloc();
  pkt_ = av_packet_alloc();
  if (!stream_ || !enc_ || !frame_ || !pkt_) {
    Release();
    return Fail(9);
  }
  const AVRational fps = av_d2q(rate, 1000000);
  enc_->width = width;
  enc_->height = height;
  enc_->pix_fmt = PickFormat(encoder, *entry);
  enc_->time_base = av_inv_q(fps);
  enc_->framerate = fps;
  enc_->thread_count = 0;
  // AVI keeps no presentation times: pictures must come out of the encoder
  // in the order they went in.
  if (container_ == "avi") enc_->max_b_frames = 0;
  SetQuality(enc_, codec);
  if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) enc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(enc_, encoder, nullptr) < 0) {
    Release();
    return Fail(5);
  }
  if (avcodec_parameters_from_context(stream_->codecpar, enc_) < 0) {
    Release();
    return Fail(6);
  }
  stream_->time_base = enc_->time_base;
  stream_->avg_frame_rate = fps;
  if (!comment.empty()) av_dict_set(&fmt_->metadata, "comment", comment.c_str(), 0);

  frame_->format = enc_->pix_fmt;
  frame_->width = width;
  frame_->height = height;
  if (av_frame_get_buffer(frame_, 0) < 0) {
    Release();
    return Fail(9);
  }
  sws_ = MakeConverter(width, height, enc_->pix_fmt);
  if (!sws_) {
    Release();
    return Fail(6);
  }
  if (const int w = avio_open(&fmt_->pb, path.c_str(), AVIO_FLAG_WRITE); w < 0) {
    Release();
    return FailWriting(w);
  }
  if (const int w = avformat_write_header(fmt_, nullptr); w < 0) {
    Release();
    return FailWriting(w);
  }
  width_ = width;
  height_ = height;
  return true;
}

bool TFfmpegWriter::Drain(bool flush) {
  for (;;) {
    const int r = avcodec_receive_packet(enc_, pkt_);
    if (r == AVERROR(EAGAIN) || (flush && r == AVERROR_EOF)) return true;
    if (r < 0) return Fail(4);
    av_packet_rescale_ts(pkt_, enc_->time_base, stream_->time_base);
    pkt_->stream_index = stream_->index;
    if (const int w = av_interleaved_write_frame(fmt_, pkt_); w < 0) return FailWriting(w);
  }
}

bool TFfmpegWriter::AddFrame(const uint8_t* rgb, std::size_t stride) {
  if (!fmt_) return Fail(2);
  if (!rgb) return Fail(3);
  if (av_frame_make_writable(frame_) < 0) return Fail(9);
  const uint8_t* src[4] = {rgb, nullptr, nullptr, nullptr};
  const int srcStride[4] = {static_cast<int>(stride), 0, 0, 0};
  sws_scale(sws_, src, srcStride, 0, height_, frame_->data, frame_->linesize);
  frame_->pts = frames_;
  if (enc_->flags & AV_CODEC_FLAG_QSCALE) frame_->quality = enc_->global_quality;
  if (avcodec_send_frame(enc_, frame_) < 0) return Fail(4);
  ++frames_;
  return Drain(false);
}

bool TFfmpegWriter::AddFrame(const Image& picture) {
  if (fmt_ && (picture.Width() != width_ || picture.Height() != height_)) return Fail(3);
  return AddFrame(picture.Data(), picture.Stride());
}

bool TFfmpegWriter::Close() {
  if (!fmt_) return Fail(2);
  bool ok = avcodec_send_frame(enc_, nullptr) >= 0 ? Drain(true) : Fail(4);
  if (ok)
    if (const int w = av_write_trailer(fmt_); w < 0) ok = FailWriting(w);
  if (ok && fmt_->pb)
    if (const int w = avio_closep(&fmt_->pb); w < 0) ok = FailWriting(w);
  Release();
  return ok;
}

}  // namespace kinevo::ff

namespace kinevo {

std::vector<std::string> TMp4Record::Codecs() {
  for (const std::string& c : ff::AvailableEncoders())
    if (c == ff::kCodecH264) return {c};
  return {};
}

}  // namespace kinevo
