#pragma once
// Playback of the video view: a steady clock on one thread advances the
// image at the video's pace, and a decoder on another draws the image of the
// latest tick, so that a tick never waits for the decoder.  An image whose
// tick comes while the decoder is still busy is dropped: playback keeps its
// pace and shows fewer images instead of slowing down.
//
// The view owns one; the window thread starts and stops it and takes the
// decoded pictures when it repaints.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

#include "core/common/image.h"
#include "core/common/picture_coord.h"

namespace kinevo {

class TPlayback {
 public:
  // What the playback calls, each on one of its own threads:
  struct THooks {
    // On the clock's thread, once per period: advances the image and asks
    // for it with RequestDecode; false ends the playback.
    std::function<bool()> tick;
    // On the decoder's thread: draws the `rect` part of the current image
    // into `picture` (already sized) and gives the image's index; false
    // when nothing could be drawn.
    std::function<bool(Image& picture, const TPixelRect& rect, int& index)> decode;
    // On the decoder's thread: a decoded picture waits for TakeDecoded.
    std::function<void()> ready;
  };

  explicit TPlayback(THooks hooks) : hooks_(std::move(hooks)) {}
  ~TPlayback() { Stop(); }
  TPlayback(const TPlayback&) = delete;
  TPlayback& operator=(const TPlayback&) = delete;

  // Starts both threads: a tick every `periodMs` milliseconds (at least 1),
  // the first one period from now.
  void Start(uint16_t periodMs);
  // Stops and joins both threads; nothing is called after it returns.
  void Stop();
  // Between Start and the end of the playback (Stop, or the last tick).
  bool Playing() const { return playing_.load(); }
  // Ended by its last tick, with its threads still to be joined by Stop.
  bool EndedByItself() const {
    return !playing_.load() && (clock_.joinable() || decoder_.joinable());
  }

  // The part of the picture the decoder draws and the size it draws it at
  // (the view's visible rectangle and size); any thread.
  void SetTarget(const TPixelRect& rect, int width, int height);
  // From the tick: asks the decoder for the current image.  False when it is
  // still busy with an earlier one (this image is dropped).
  bool RequestDecode();
  // Images dropped since Start: their tick came while the decoder was
  // busy, or before it took the image asked for earlier.  Any thread.
  int64_t DroppedImages() const { return dropped_.load(std::memory_order_relaxed); }
  // Swaps the waiting decoded picture into `picture` when one of the given
  // size waits; `index` gets its image.  Window thread.
  bool TakeDecoded(Image& picture, int width, int height, int& index);

 private:
  void ClockLoop(std::stop_token stop, uint16_t periodMs);
  void DecoderLoop(std::stop_token stop);

  THooks hooks_;
  std::atomic<bool> playing_{false};
  std::atomic<int64_t> dropped_{0};
  std::mutex mutex_;
  std::condition_variable_any cv_;
  // Under mutex_.
  bool clockEnded_ = false;
  bool decodeRequested_ = false;
  bool decoderBusy_ = false;
  TPixelRect rect_;
  int width_ = 0, height_ = 0;
  Image decoded_;
  int decodedIndex_ = -1;
  bool decodedReady_ = false;
  // Declared last: they stop and join before the state above goes.
  std::jthread decoder_;
  std::jthread clock_;
};

}  // namespace kinevo
