#pragma once
// Cameras through FFmpeg's libavdevice: the V4L2 devices (/dev/video*) with
// the pixel formats and sizes the driver reports, and a test-pattern camera
// ("Mire de test", FFmpeg's testsrc pattern with its frame counter, paced in
// real time) so that capture works on a machine without a camera.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "core/common/result.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwsContext;

namespace kinevo::capture {

inline constexpr const char* kTestPatternName = "Mire de test";

// One format of a device: a pixel format as FFmpeg names it ("yuyv422",
// "mjpeg" ...) and a size.
struct TCameraFormat {
  std::string pixel;
  int width = 0;
  int height = 0;
  std::string Name() const;  // "yuyv422 640x480"
};

struct TCameraDevice {
  enum Kind { V4l2, TestPattern };
  std::string name;  // as the lists show it
  Kind kind = TestPattern;
  std::string path;  // /dev/videoN
  std::vector<TCameraFormat> formats;
};

// The test pattern, then every V4L2 device that captures video.
std::vector<TCameraDevice> ListCameras();
// The V4L2 devices only (names suffixed " (V4L2)").
std::vector<TCameraDevice> ListV4l2Devices();
TCameraDevice TestPatternDevice();

// The device, format and rate a connection asks for.
struct TCameraChoice {
  TCameraDevice device;
  TCameraFormat format;
  double rate = 30;
  bool realTime = true;  // the test pattern waits for the clock between images
};

// One image of the device with the device's time for it.
struct TCameraFrame {
  std::shared_ptr<Image> picture;
  double seconds = 0;
};

// A source of live images, read on the capture thread.
class ICameraInput {
 public:
  virtual ~ICameraInput() = default;
  // Fails with the user's message and its cause.
  virtual TStatus Open() = 0;
  // The next image, nothing once interrupted, or why the device stopped.
  virtual TResult<std::optional<TCameraFrame>> Read() = 0;
  // Ends a Read that waits (from another thread).
  virtual void Interrupt() = 0;
};

class TAvDeviceInput : public ICameraInput {
 public:
  explicit TAvDeviceInput(TCameraChoice choice);
  ~TAvDeviceInput() override;
  TAvDeviceInput(const TAvDeviceInput&) = delete;
  TAvDeviceInput& operator=(const TAvDeviceInput&) = delete;

  TStatus Open() override;
  TResult<std::optional<TCameraFrame>> Read() override;
  void Interrupt() override { interrupted_ = true; }

 private:
  static int InterruptCallback(void* self);
  bool Convert(const AVFrame* f, Image& out);
  void Close();

  TCameraChoice choice_;
  std::atomic<bool> interrupted_{false};
  AVFormatContext* fmt_ = nullptr;
  AVCodecContext* dec_ = nullptr;
  AVPacket* pkt_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwsContext* sws_ = nullptr;
  double timeBase_ = 0;
  int stream_ = 0;
};

// The user's message for an FFmpeg error code met while opening or reading
// a camera.
std::string CameraErrorText(int code, bool opening);
// FFmpeg's own words for an error code, as the cause of a failure.
std::string AvErrorText(int code);

}  // namespace kinevo::capture
