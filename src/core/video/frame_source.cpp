#include "core/video/frame_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kinevo {

bool TFrameSource::DurationToMs(double seconds, uint16_t& ms) {
  if (!std::isfinite(seconds) || seconds <= 0.0) return false;
  const double v = std::nearbyint(seconds * 1000.0);
  if (!(v >= 0.0) || v > static_cast<double>(kMaxImageDurationMs)) return false;
  ms = static_cast<uint16_t>(v);
  return true;
}

int32_t TFrameSource::BoundIndex(int64_t n) const {
  if (imagesNumber_ <= 0) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(n, 0, imagesNumber_ - 1));
}

void TFrameSource::ResetState() {
  opened_ = false;
  imagesNumber_ = 0;
}

void TFrameSource::ReleaseQuietly() {
  CloseFile();
  ResetState();
}

void TFrameSource::Close() {
  if (!opened_ && !CloseNotifiesWhenClosed()) return;
  CloseFile();
  ResetState();
  OnClose(this);
}

void TFrameSource::Open(const std::string& fileName) {
  fileName_ = fileName;
  Close();
  if (fileName.empty()) return;

  TStreamInfo info;
  bool ok = false;
  try {
    ok = OpenFile(fileName, info);
  } catch (...) {
    ok = false;  // platform failures stop inside the source
  }
  uint16_t ms = 0;
  if (ok) {
    ok = info.width > 0 && info.height > 0 && info.imagesNumber > 0 && std::isfinite(info.imageRate) &&
         std::fabs(info.imageRate) >= 1e-100 && info.imageRate > 0.0 && DurationToMs(1.0 / info.imageRate, ms);
  }
  if (!ok) {
    CloseFile();
    ResetState();
    return;
  }

  imageWidth_ = info.width;
  imageHeight_ = info.height;
  imageRate_ = info.imageRate;
  imageDuration_ = 1.0 / info.imageRate;
  imageDurationMs_ = ms;
  streamDuration_ = std::isfinite(info.streamDuration) && info.streamDuration > 0 ? info.streamDuration : 0.0;
  imagesNumber_ = info.imagesNumber;
  SetImageIndex(BoundIndex(info.startIndex));
  opened_ = true;

  // The first image is decoded as a test, as the file's picture.
  bool drawn = false;
  try {
    drawn = FetchImage(ImageIndex(), workBitmap_);
  } catch (...) {
    drawn = false;
  }
  if (!drawn || workBitmap_.Width() != imageWidth_ || workBitmap_.Height() != imageHeight_) {
    Close();
    return;
  }
  OnOpen(this);
}

void TFrameSource::GoToImage(int32_t n) {
  if (!opened_ || n == ImageIndex()) return;
  SetImageIndex(BoundIndex(n));
}

bool TFrameSource::DrawImage(Image& dest, const TPixelRect& source) {
  bool expected = false;
  if (!opened_) return false;
  if (!drawing_.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) return false;
  const bool invert = copyMode_ == TRasterOp::ropNotSrcCopy;
  const bool whole = source == TPixelRect{0, 0, imageWidth_, imageHeight_} && dest.Width() == imageWidth_ &&
                     dest.Height() == imageHeight_;
  bool drawn = false;
  if (whole && FetchesIntoDestination()) {
    // The whole picture at its own size, decoded in place.
    try {
      drawn = FetchImage(ImageIndex(), dest) && dest.Width() == imageWidth_ && dest.Height() == imageHeight_;
    } catch (...) {
      drawn = false;
    }
    if (drawn && invert) dest.Invert();
    drawing_.store(false, std::memory_order_release);
    return drawn;
  }
  try {
    drawn = FetchImage(ImageIndex(), workBitmap_) && workBitmap_.Width() == imageWidth_ &&
            workBitmap_.Height() == imageHeight_;
  } catch (...) {
    drawn = false;
  }
  if (drawn && !dest.Empty()) {
    if (whole) {
      // The whole picture at its own size: a plain copy.
      std::memcpy(dest.Data(), workBitmap_.Data(), dest.ByteSize());
      if (invert) dest.Invert();
    } else {
      Image::StretchInto(dest, {0, 0, dest.Width(), dest.Height()}, workBitmap_, source, invert);
    }
  }
  drawing_.store(false, std::memory_order_release);
  return drawn;
}

}  // namespace kinevo
