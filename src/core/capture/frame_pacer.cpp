#include "core/capture/frame_pacer.h"

#include <cmath>

namespace kinevo {

TFramePacer::Step TFramePacer::Place(double seconds) {
  Step s;
  if (!std::isfinite(seconds)) return s;
  if (!started_) {
    started_ = true;
    origin_ = seconds;
  }
  // Periods counted from the first image, so that the jitter of the device
  // never adds up over a long recording.
  const int64_t slot = static_cast<int64_t>(std::floor((seconds - origin_) / period_ + 0.5));
  if (slot < next_) return s;
  s.keep = true;
  s.missed = slot - next_;
  next_ = slot + 1;
  ++kept_;
  missed_ += s.missed;
  return s;
}

}  // namespace kinevo
