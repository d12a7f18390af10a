#include "platform/avi/vfw_record.h"

#include <cmath>

#include "core/common/atomic_file.h"

namespace kinevo {

void TVfwRecord::RateAndScale(double rate, uint32_t& aviRate, uint32_t& aviScale) {
  const double ms = 1000.0 / rate;
  const double wholeMs = std::round(ms);
  if (wholeMs >= 1 && std::fabs(ms - wholeMs) < 1e-9) {
    aviRate = 1000;
    aviScale = static_cast<uint32_t>(wholeMs);
    return;
  }
  aviRate = static_cast<uint32_t>(std::max(1.0, std::round(rate * 1000.0)));
  aviScale = 1000;
}

bool TVfwRecord::Fail(int code) {
  error_ = code;
  systemError_ = writer_ ? writer_->SystemError() : 0;
  return false;
}

std::string TVfwRecord::Error() const {
  const std::string text = VfwRecordErrorText(error_);
  return systemError_ == 0 ? text : text + " (" + FileErrorReason(systemError_) + ")";
}

bool TVfwRecord::Open(const std::string& path, int width, int height, double rate,
                      const std::string& codec) {
  Abort();
  error_ = 0;
  systemError_ = 0;
  avi::TAviWriterOptions options;
  if (codec == kCodecMjpeg)
    options.codec = avi::TAviCodec::MJPEG;
  else if (!codec.empty() && codec != kCodecNone)
    return Fail(10);
  // An existing file is written over, never removed first: the path may be
  // a device, and the montage writes into a temporary file it renames.
  if (!(rate > 0) || !std::isfinite(rate)) return Fail(9);
  uint32_t aviRate = 0, aviScale = 0;
  RateAndScale(rate, aviRate, aviScale);
  writer_ = std::make_unique<avi::TAviWriter>();
  if (!writer_->Open(path, width, height, aviRate, aviScale, options)) {
    Fail(8);
    writer_.reset();
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

bool TVfwRecord::AddFrame(const Image& picture) {
  if (!writer_) return Fail(2);
  if (picture.Width() != width_ || picture.Height() != height_) return Fail(3);
  return writer_->WriteFrame(picture) || Fail(4);
}

bool TVfwRecord::Close() {
  if (!writer_) return Fail(2);
  const bool ok = writer_->Close() || Fail(8);
  writer_.reset();
  return ok;
}

void TVfwRecord::Abort() {
  if (writer_) writer_->Close();
  writer_.reset();
}

}  // namespace kinevo
