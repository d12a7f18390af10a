#pragma once
// Capture back-end 1 over FFmpeg: the cameras of camera_input, a preview and
// a recording fed by one capture thread, and the encoding on a thread of its
// own behind a bounded queue.
//
// The capture thread reads the device, keeps the latest picture for the
// preview (the window takes it when it has time: the preview never holds up
// the device), and, while recording, places each image in its period by the
// device's timestamp and queues it.  When the encoder falls so far behind
// that the queue is full, the image is counted as dropped and its period is
// written as a repeat of the previous image, so that the file keeps time.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/capture/capture_backend.h"
#include "core/capture/frame_pacer.h"
#include "platform/capture/camera_input.h"
#include "platform/capture/capture_writer.h"

namespace kinevo::capture {

class TFFmpegCapture : public ICaptureBackend {
 public:
  using InputFactory = std::function<std::unique_ptr<ICameraInput>(const TCameraChoice&)>;
  // The cameras of this machine (ListCameras) read through libavdevice.
  TFFmpegCapture();
  // Given devices and inputs (tests).
  TFFmpegCapture(std::vector<TCameraDevice> devices, InputFactory inputs);
  ~TFFmpegCapture() override;
  TFFmpegCapture(const TFFmpegCapture&) = delete;
  TFFmpegCapture& operator=(const TFFmpegCapture&) = delete;

  // Called on the capture thread: a new preview picture is ready; the
  // device was lost.
  std::function<void()> OnPreview;
  std::function<void()> OnDeviceLost;
  // The latest picture of the device (null before the first).
  std::shared_ptr<const Image> Preview() const;
  // Bytes of pictures the encoder queue may hold (at least 4 pictures).
  void SetQueueBudget(std::size_t bytes) { queueBudget_ = bytes; }

  std::vector<std::string> Devices() override;
  std::vector<std::string> Formats(int device) override;
  std::vector<std::string> Codecs() override;
  TStatus Connect(int device, const std::string& format, double rate) override;
  void Disconnect() override;
  bool Connected() const override { return input_ != nullptr; }
  TStatus StartRecording(const std::string& path, const std::string& codec) override;
  void StopRecording() override;
  bool Recording() const override { return recording_; }
  TCaptureCounts Counts() const override;
  std::optional<TError> DeviceLost() const override;

 private:
  void CaptureLoop();
  void Feed(const TCameraFrame& frame);
  void EncodeLoop();
  const std::vector<TCameraDevice>& List();

  std::vector<TCameraDevice> devices_;
  bool listed_ = false;
  bool ownList_ = true;
  InputFactory inputs_;
  std::vector<std::string> codecs_;

  // Connection (window thread), capture thread.
  std::unique_ptr<ICameraInput> input_;
  std::thread captureThread_;
  double rate_ = 30;
  int width_ = 0, height_ = 0;
  mutable std::mutex previewMutex_;
  std::shared_ptr<const Image> preview_;
  std::atomic<bool> lost_{false};
  mutable std::mutex lostMutex_;
  TError lostWhy_;

  // Recording: the queue between the two threads.  A null picture is a
  // period to repeat.
  std::atomic<bool> recording_{false};
  std::mutex queueMutex_;
  std::condition_variable queueReady_;
  std::deque<std::shared_ptr<const Image>> queue_;
  std::size_t queued_ = 0;  // pictures (not repeats) in the queue
  std::size_t queueLimit_ = 4;
  std::size_t queueBudget_ = std::size_t{256} << 20;
  bool finishing_ = false;
  std::unique_ptr<TFramePacer> pacer_;
  std::unique_ptr<IFrameWriter> writer_;
  std::string path_;
  std::thread encodeThread_;
  std::atomic<int64_t> captured_{0};
  std::atomic<int64_t> dropped_{0};
};

}  // namespace kinevo::capture
