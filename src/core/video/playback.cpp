#include "core/video/playback.h"

#include <chrono>

namespace kinevo {

void TPlayback::Start(uint16_t periodMs) {
  Stop();
  {
    std::lock_guard<std::mutex> lk(mutex_);
    clockEnded_ = false;
    decodeRequested_ = false;
    decoderBusy_ = false;
    decodedReady_ = false;
  }
  dropped_ = 0;
  playing_ = true;
  decoder_ = std::jthread([this](std::stop_token st) { DecoderLoop(st); });
  const uint16_t period = periodMs == 0 ? 1 : periodMs;
  clock_ = std::jthread([this, period](std::stop_token st) { ClockLoop(st, period); });
}

void TPlayback::Stop() {
  // The waits below use the stop tokens with cv_, so a request wakes them.
  clock_.request_stop();
  decoder_.request_stop();
  if (clock_.joinable()) clock_.join();
  if (decoder_.joinable()) decoder_.join();
  playing_ = false;
}

void TPlayback::SetTarget(const TPixelRect& rect, int width, int height) {
  std::lock_guard<std::mutex> lk(mutex_);
  rect_ = rect;
  width_ = width;
  height_ = height;
}

bool TPlayback::RequestDecode() {
  {
    std::lock_guard<std::mutex> lk(mutex_);
    if (decoderBusy_) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    // A request the decoder has not taken yet is replaced: its image is lost.
    if (decodeRequested_) dropped_.fetch_add(1, std::memory_order_relaxed);
    decodeRequested_ = true;
  }
  cv_.notify_all();
  return true;
}

bool TPlayback::TakeDecoded(Image& picture, int width, int height, int& index) {
  std::lock_guard<std::mutex> lk(mutex_);
  if (!decodedReady_ || decoded_.Width() != width || decoded_.Height() != height) return false;
  std::swap(picture, decoded_);
  decodedReady_ = false;
  index = decodedIndex_;
  return true;
}

void TPlayback::ClockLoop(std::stop_token stop, uint16_t periodMs) {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::milliseconds(periodMs);
  auto next = Clock::now() + period;
  for (;;) {
    {
      std::unique_lock<std::mutex> lk(mutex_);
      // Nothing else wakes this wait: it ends at the deadline or on a stop.
      cv_.wait_until(lk, stop, next, [] { return false; });
      if (stop.stop_requested()) return;
    }
    // Ticks follow the clock: when the thread was held up, the missed ticks
    // run at once (each only moves the image number), so that playback keeps
    // the video's pace and shows fewer images instead of slowing down.
    bool more = true;
    const auto now = Clock::now();
    while (more && next <= now) {
      more = hooks_.tick();
      next += period;
    }
    if (!more) break;
  }
  playing_ = false;
  {
    std::lock_guard<std::mutex> lk(mutex_);
    clockEnded_ = true;
  }
  cv_.notify_all();
}

void TPlayback::DecoderLoop(std::stop_token stop) {
  Image staging;
  for (;;) {
    TPixelRect rect;
    int w, h;
    {
      std::unique_lock<std::mutex> lk(mutex_);
      cv_.wait(lk, stop, [this] { return decodeRequested_ || clockEnded_; });
      if (stop.stop_requested() || !decodeRequested_) return;
      decodeRequested_ = false;
      decoderBusy_ = true;
      rect = rect_;
      w = width_;
      h = height_;
    }
    if (staging.Width() != w || staging.Height() != h) staging.Resize(w, h);
    int index = -1;
    const bool ok = !staging.Empty() && hooks_.decode(staging, rect, index);
    {
      std::lock_guard<std::mutex> lk(mutex_);
      decoderBusy_ = false;
      if (ok) {
        std::swap(decoded_, staging);
        decodedIndex_ = index;
        decodedReady_ = true;
      }
    }
    if (ok && hooks_.ready) hooks_.ready();
  }
}

}  // namespace kinevo
