#pragma once
// The recorder of back-end fwVfw: the built-in AVI writer, uncompressed
// ("sans", 24-bit pictures) or MJPEG.
#include <memory>
#include <string>
#include <vector>

#include "core/montage/recorder.h"
#include "platform/avi/avi_writer.h"

namespace kinevo {

class TVfwRecord : public TRecorder {
 public:
  static constexpr const char* kCodecNone = "sans";
  static constexpr const char* kCodecMjpeg = "MJPEG";

  TVideoFramework Framework() const override { return fwVfw; }
  std::vector<std::string> Codecs() override { return {kCodecNone, kCodecMjpeg}; }
  bool Open(const std::string& path, int width, int height, double rate,
            const std::string& codec) override;
  bool AddFrame(const Image& picture) override;
  bool Close() override;
  void Abort() override;
  // The text of the error code, with the system's reason of a failed write.
  std::string Error() const override;
  int ErrorCode() const { return error_; }

  // The stream's rate / scale for an image rate: the image duration in
  // whole milliseconds over 1000 when that is exact (25 images per second:
  // 40 / 1000), else the rate in thousandths (29.97: 29970 / 1000), so that
  // a rate that is not a whole number of milliseconds is kept.
  static void RateAndScale(double rate, uint32_t& aviRate, uint32_t& aviScale);

 private:
  bool Fail(int code);
  std::unique_ptr<avi::TAviWriter> writer_;
  int width_ = 0, height_ = 0;
  int error_ = 0;
  int systemError_ = 0;
};

}  // namespace kinevo
