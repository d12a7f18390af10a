#pragma once
// The frame source addressed by time (back-end fwDS): any file the FFmpeg
// libraries read.  Image n is the picture displayed at n x 1.0001 x
// ImageDuration seconds (bounded by StreamDuration).  ImagesNumber is the
// number of images in the index built on opening, which equals
// StreamDuration x ImageRate for a file whose timestamps are sound.  A file
// filmed at a variable rate is addressed by image index instead: no single
// duration finds its images by time.
#include <atomic>

#include "core/video/frame_source.h"
#include "platform/ffmpeg/ffmpeg_video.h"

namespace kinevo {

class TDSPlay : public TFrameSource {
 public:
  TDSPlay() : TFrameSource(fwDS) {}
  ~TDSPlay() override { Close(); }

  // Time at which the current image is fetched, in seconds.
  double StreamPosition() const { return streamPosition_.load(std::memory_order_relaxed); }
  void GoToImage(int32_t n) override;
  // Bytes of decoded pictures kept for stepping back.
  void SetCacheBudget(std::size_t bytes) { video_.SetCacheBudget(bytes); }
  void SetIsolatedReads(bool on) override { video_.SetIsolatedReads(on); }
  const ff::TFfmpegVideo& Video() const { return video_; }
  bool DecodesApart() const override { return true; }

 protected:
  bool OpenFile(const std::string& fileName, TStreamInfo& info) override;
  void CloseFile() override { video_.Close(); }
  bool FetchImage(int32_t index, Image& picture) override;
  bool CloseNotifiesWhenClosed() const override { return true; }
  bool FetchesIntoDestination() const override { return true; }
  bool TestFirstImage(int32_t index) override;
  std::unique_ptr<TDecodedImage> DecodeApart(int32_t index) override;

 private:
  // The stream time of image n at the constant rate, within the stream.
  double TimeOfImage(int32_t n) const;
  // The decoder's frame holding image `index`.
  int32_t FrameOfImage(int32_t index) const;
  ff::TFfmpegVideo video_;
  std::atomic<double> streamPosition_{0.0};
  bool byIndex_ = false;  // variable rate: images addressed by index
};

}  // namespace kinevo
