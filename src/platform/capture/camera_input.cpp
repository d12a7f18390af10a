#include "platform/capture/camera_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/time.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "core/common/number_format.h"

namespace kinevo::capture {

namespace {

void RegisterDevices() {
  static std::once_flag once;
  std::call_once(once, [] {
    avdevice_register_all();
    av_log_set_level(AV_LOG_ERROR);
  });
}

// The V4L2 pixel formats FFmpeg's v4l2 input knows by name.
const char* PixelName(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
      return "yuyv422";
    case V4L2_PIX_FMT_UYVY:
      return "uyvy422";
    case V4L2_PIX_FMT_YUV420:
      return "yuv420p";
    case V4L2_PIX_FMT_YVU420:
      return "yuv420p";
    case V4L2_PIX_FMT_NV12:
      return "nv12";
    case V4L2_PIX_FMT_RGB24:
      return "rgb24";
    case V4L2_PIX_FMT_BGR24:
      return "bgr24";
    case V4L2_PIX_FMT_GREY:
      return "gray";
    case V4L2_PIX_FMT_MJPEG:
      return "mjpeg";
    case V4L2_PIX_FMT_JPEG:
      return "mjpeg";
    case V4L2_PIX_FMT_H264:
      return "h264";
    default:
      return nullptr;
  }
}

int Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do r = ioctl(fd, request, arg);
  while (r == -1 && errno == EINTR);
  return r;
}

// The sizes of one pixel format: the discrete ones, or the usual sizes
// within a stepwise range.
std::vector<std::pair<int, int>> FrameSizes(int fd, uint32_t fourcc) {
  std::vector<std::pair<int, int>> sizes;
  v4l2_frmsizeenum fs{};
  fs.pixel_format = fourcc;
  for (fs.index = 0; Ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &fs) == 0; ++fs.index) {
    if (fs.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      sizes.emplace_back(fs.discrete.width, fs.discrete.height);
      continue;
    }
    const auto& s = fs.stepwise;
    for (auto [w, h] : {std::pair{320, 240}, {640, 480}, {800, 600}, {1280, 720}, {1920, 1080}})
      if (w >= static_cast<int>(s.min_width) && w <= static_cast<int>(s.max_width) &&
          h >= static_cast<int>(s.min_height) && h <= static_cast<int>(s.max_height))
        sizes.emplace_back(w, h);
    break;
  }
  return sizes;
}

std::vector<TCameraFormat> V4l2Formats(int fd) {
  std::vector<TCameraFormat> formats;
  v4l2_fmtdesc d{};
  d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  for (d.index = 0; Ioctl(fd, VIDIOC_ENUM_FMT, &d) == 0; ++d.index) {
    const char* name = PixelName(d.pixelformat);
    if (name == nullptr) continue;
    for (auto [w, h] : FrameSizes(fd, d.pixelformat)) {
      TCameraFormat f{name, w, h};
      const bool seen = std::any_of(formats.begin(), formats.end(),
                                    [&](const TCameraFormat& g) { return g.Name() == f.Name(); });
      if (!seen) formats.push_back(f);
    }
  }
  return formats;
}

}  // namespace

std::string TCameraFormat::Name() const {
  return pixel + " " + std::to_string(width) + "x" + std::to_string(height);
}

TCameraDevice TestPatternDevice() {
  TCameraDevice d;
  d.name = kTestPatternName;
  d.kind = TCameraDevice::TestPattern;
  d.formats = {{"rgb24", 320, 240}, {"rgb24", 640, 480}, {"rgb24", 160, 120}};
  return d;
}

std::vector<TCameraDevice> ListV4l2Devices() {
  std::vector<std::string> paths;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/dev", ec)) {
    const std::string n = e.path().filename().string();
    if (n.rfind("video", 0) == 0 && n.size() > 5 &&
        std::all_of(n.begin() + 5, n.end(), [](char c) { return c >= '0' && c <= '9'; }))
      paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<TCameraDevice> devices;
  for (const auto& path : paths) {
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    v4l2_capability cap{};
    if (Ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0) {
      const uint32_t caps =
          (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
      if ((caps & V4L2_CAP_VIDEO_CAPTURE) != 0) {
        TCameraDevice d;
        d.kind = TCameraDevice::V4l2;
        d.path = path;
        std::string card(reinterpret_cast<const char*>(cap.card),
                         strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
        // Two cameras of the same model are told apart by their node.
        const bool twin = std::any_of(devices.begin(), devices.end(), [&](const TCameraDevice& o) {
          return o.name == card + " (V4L2)";
        });
        if (twin) card += " - " + std::filesystem::path(path).filename().string();
        d.name = card + " (V4L2)";
        d.formats = V4l2Formats(fd);
        if (!d.formats.empty()) devices.push_back(std::move(d));
      }
    }
    close(fd);
  }
  return devices;
}

std::vector<TCameraDevice> ListCameras() {
  std::vector<TCameraDevice> all = ListV4l2Devices();
  all.insert(all.begin(), TestPatternDevice());
  return all;
}

std::string CameraErrorText(int code, bool opening) {
  if (code == AVERROR(EBUSY))
    return "Le périphérique de capture est déjà utilisé par un autre programme.";
  if (code == AVERROR(ENOENT) || code == AVERROR(ENODEV) || code == AVERROR(ENXIO))
    return opening ? "Le périphérique de capture n'est pas branché."
                   : "Le périphérique de capture a été débranché.";
  if (code == AVERROR(EACCES) || code == AVERROR(EPERM))
    return "L'accès au périphérique de capture est refusé.";
  if (!opening && (code == AVERROR(EIO) || code == AVERROR_EOF))
    return "Le périphérique de capture ne répond plus (il a peut-être été débranché).";
  return std::string(opening ? "Ouverture impossible : " : "Erreur de lecture : ") +
         AvErrorText(code);
}

std::string AvErrorText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

// ------------------------------------------------------------------ TAvDeviceInput

TAvDeviceInput::TAvDeviceInput(TCameraChoice choice) : choice_(std::move(choice)) {}

TAvDeviceInput::~TAvDeviceInput() { Close(); }

void TAvDeviceInput::Close() {
  sws_freeContext(sws_);
  sws_ = nullptr;
  av_frame_free(&frame_);
  av_packet_free(&pkt_);
  avcodec_free_context(&dec_);
  avformat_close_input(&fmt_);
}

int TAvDeviceInput::InterruptCallback(void* self) {
  return static_cast<TAvDeviceInput*>(self)->interrupted_.load() ? 1 : 0;
}

TStatus TAvDeviceInput::Open() {
  RegisterDevices();
  const TCameraFormat& f = choice_.format;
  const bool test = choice_.device.kind == TCameraDevice::TestPattern;
  const AVInputFormat* input = av_find_input_format(test ? "lavfi" : "v4l2");
  if (input == nullptr)
    return Fail("La capture n'est pas disponible dans cette installation de FFmpeg.",
                std::string("format d'entrée « ") + (test ? "lavfi" : "v4l2") + " » absent");
  char rate[32];
  {
    ScopedCNumericLocale cNumbers;  // FFmpeg reads "29.97", never "29,97"
    std::snprintf(rate, sizeof rate, "%g", choice_.rate);
  }
  std::string url = choice_.device.path;
  AVDictionary* opts = nullptr;
  if (test) {
    url = "testsrc=size=" + std::to_string(f.width) + "x" + std::to_string(f.height) +
          ":rate=" + rate + ",format=rgb24";
    if (choice_.realTime) url += ",realtime";
  } else {
    av_dict_set(&opts, "video_size",
                (std::to_string(f.width) + "x" + std::to_string(f.height)).c_str(), 0);
    av_dict_set(&opts, "input_format", f.pixel.c_str(), 0);
    av_dict_set(&opts, "framerate", rate, 0);
  }
  fmt_ = avformat_alloc_context();
  fmt_->interrupt_callback = {&TAvDeviceInput::InterruptCallback, this};
  int r = avformat_open_input(&fmt_, url.c_str(), input, &opts);
  av_dict_free(&opts);
  if (r < 0) {
    Close();
    return Fail(CameraErrorText(r, true), choice_.device.path + " : " + AvErrorText(r));
  }
  stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVCodec* codec =
      stream_ >= 0 ? avcodec_find_decoder(fmt_->streams[stream_]->codecpar->codec_id) : nullptr;
  if (codec == nullptr) {
    Close();
    return Fail("Le format d'image du périphérique n'est pas pris en charge.",
                "aucun décodeur pour le flux du périphérique");
  }
  const AVStream* st = fmt_->streams[stream_];
  timeBase_ = av_q2d(st->time_base);
  dec_ = avcodec_alloc_context3(codec);
  pkt_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (dec_ == nullptr || pkt_ == nullptr || frame_ == nullptr ||
      avcodec_parameters_to_context(dec_, st->codecpar) < 0 ||
      avcodec_open2(dec_, codec, nullptr) < 0) {
    Close();
    return Fail("Le format d'image du périphérique n'est pas pris en charge.",
                std::string("décodeur « ") + codec->name + " » inutilisable");
  }
  return {};
}

TResult<std::optional<TCameraFrame>> TAvDeviceInput::Read() {
  if (fmt_ == nullptr) return std::optional<TCameraFrame>();
  for (;;) {
    if (interrupted_) return std::optional<TCameraFrame>();
    const int r = av_read_frame(fmt_, pkt_);
    if (r == AVERROR(EAGAIN)) {
      av_usleep(1000);
      continue;
    }
    if (r < 0) {
      if (interrupted_) return std::optional<TCameraFrame>();
      return TError{CameraErrorText(r, false), choice_.device.path + " : " + AvErrorText(r)};
    }
    if (pkt_->stream_index != stream_) {
      av_packet_unref(pkt_);
      continue;
    }
    const int64_t pts = pkt_->pts != AV_NOPTS_VALUE ? pkt_->pts : pkt_->dts;
    const int sent = avcodec_send_packet(dec_, pkt_);
    av_packet_unref(pkt_);
    // A damaged image from the device is skipped, not fatal.
    if (sent < 0 && sent != AVERROR(EAGAIN)) continue;
    if (avcodec_receive_frame(dec_, frame_) < 0) continue;
    auto picture = std::make_shared<Image>(frame_->width, frame_->height);
    const bool ok = Convert(frame_, *picture);
    av_frame_unref(frame_);
    if (!ok) continue;
    TCameraFrame out;
    out.picture = std::move(picture);
    if (pts != AV_NOPTS_VALUE) {
      out.seconds = static_cast<double>(pts) * timeBase_;
    } else {
      out.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
              .count();
    }
    return std::optional<TCameraFrame>(std::move(out));
  }
}

bool TAvDeviceInput::Convert(const AVFrame* f, Image& out) {
  sws_ = sws_getCachedContext(sws_, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                              f->width, f->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr,
                              nullptr);
  if (sws_ == nullptr) return false;
  uint8_t* dst[4] = {out.Data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {static_cast<int>(out.Stride()), 0, 0, 0};
  return sws_scale(sws_, f->data, f->linesize, 0, f->height, dst, dstStride) == f->height;
}

}  // namespace kinevo::capture
