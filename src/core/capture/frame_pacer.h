#pragma once
// Pacing of a recording by the device's own timestamps: every image of the
// file stands for one period of the chosen rate, counted from the first
// image recorded.  An image lands in the period nearest its timestamp:
// - an image in a period already filled (a device faster than the rate, or
//   one delivering twice) is left out;
// - an image more than 1.5 periods after the previous one leaves the
//   periods in between empty: they are counted as dropped, and the file
//   keeps them as repeats of the previous image so that the time of every
//   image stays right.
#include <cstdint>

namespace kinevo {

class TFramePacer {
 public:
  // `rate` images per second (> 0).
  explicit TFramePacer(double rate) : period_(rate > 0 ? 1.0 / rate : 0.04) {}

  struct Step {
    bool keep = false;   // the image goes into the file
    int64_t missed = 0;  // empty periods to write before it
  };
  // The image taken at `seconds` (device clock).
  Step Place(double seconds);

  int64_t Kept() const { return kept_; }
  int64_t Missed() const { return missed_; }
  double Period() const { return period_; }

 private:
  double period_;
  bool started_ = false;
  double origin_ = 0;
  int64_t next_ = 0;  // the first period not yet filled
  int64_t kept_ = 0;
  int64_t missed_ = 0;
};

}  // namespace kinevo
