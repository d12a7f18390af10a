#pragma once
// Writing AVI files with the FFmpeg encoders: one video stream of RGB
// pictures encoded with MJPEG, FFV1 (lossless), MPEG-4 or H.264, whichever
// the installed libraries offer.  Used by the recorder of back-end fwDS, by
// the writing bridge plugin KvoRff and by the camera capture.
//
// TDSRecord is the recorder of back-end fwDS over it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "core/montage/recorder.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace kinevo::ff {

// Codec names as the recording dialog lists them.
constexpr const char* kCodecMjpeg = "MJPEG";
constexpr const char* kCodecFfv1 = "FFV1";
constexpr const char* kCodecMpeg4 = "MPEG-4";
constexpr const char* kCodecH264 = "H.264";

// The codecs among the four above whose encoder the libraries have, in that
// order.
std::vector<std::string> AvailableEncoders();

class TFfmpegWriter {
 public:
  TFfmpegWriter();
  ~TFfmpegWriter();
  TFfmpegWriter(const TFfmpegWriter&) = delete;
  TFfmpegWriter& operator=(const TFfmpegWriter&) = delete;

  // Creates the AVI file (replacing one of that name) for pictures of
  // width x height at `rate` images per second.  `comment` (may be empty)
  // is written as the file's comment tag.  False with Error() set.
  bool Open(const std::string& path, int width, int height, double rate, const std::string& codec,
            const std::string& comment = {});
  // Appends one picture (24-bit RGB, top row first, `stride` bytes a row).
  bool AddFrame(const uint8_t* rgb, std::size_t stride);
  bool AddFrame(const Image& picture);
  // Drains the encoder, writes the index and closes the file.
  bool Close();
  // Closes without finishing; the file is left as it is.
  void Abort();

  // The container of the next Open: "avi" (by default) or "mp4", whose
  // pictures keep their presentation times.
  void SetContainer(const std::string& container) { container_ = container; }

  bool IsOpen() const { return fmt_ != nullptr; }
  int64_t FramesWritten() const { return frames_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Why the last call failed, in French (one of the recorder texts).
  const std::string& Error() const { return error_; }

 private:
  bool Fail(int code);
  // Fail(8) with the system's reason when the library's code carries one.
  bool FailWriting(int averror);
  bool Drain(bool flush);
  void Release();

  AVFormatContext* fmt_ = nullptr;
  AVCodecContext* enc_ = nullptr;
  AVStream* stream_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* pkt_ = nullptr;
  SwsContext* sws_ = nullptr;
  int width_ = 0, height_ = 0;
  int64_t frames_ = 0;
  std::string container_ = "avi";
  std::string error_;
};

}  // namespace kinevo::ff

namespace kinevo {

// The recorder of back-end fwDS: the FFmpeg libraries linked directly.
class TDSRecord : public TRecorder {
 public:
  // `container`: see TFfmpegWriter::SetContainer.
  explicit TDSRecord(const std::string& container = "avi") { writer_.SetContainer(container); }
  TVideoFramework Framework() const override { return fwDS; }
  std::vector<std::string> Codecs() override { return ff::AvailableEncoders(); }
  bool Open(const std::string& path, int width, int height, double rate,
            const std::string& codec) override {
    return writer_.Open(path, width, height, rate, codec);
  }
  bool AddFrame(const Image& picture) override { return writer_.AddFrame(picture); }
  bool Close() override { return writer_.Close(); }
  void Abort() override { writer_.Abort(); }
  std::string Error() const override { return writer_.Error(); }

 private:
  ff::TFfmpegWriter writer_;
};

// MP4 files with H.264 (the annotated video): a player's format.
class TMp4Record : public TDSRecord {
 public:
  TMp4Record() : TDSRecord("mp4") {}
  // H.264 alone, when the libraries have its encoder.
  std::vector<std::string> Codecs() override;
};

}  // namespace kinevo
