// The playback threads: the clock's ticks, the decoder's hand-over to the
// window thread, dropped images, and stopping at any moment.
#include "core/video/playback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

using namespace kinevo;

namespace {

// Waits (without a time limit of its own: the test program's time-out
// catches a hang) until `done` holds.
template <typename F>
void WaitUntil(F done) {
  while (!done()) std::this_thread::yield();
}

}  // namespace

TEST(Playback, TicksUntilTheLastImageThenEndsByItself) {
  std::atomic<int> ticks{0};
  std::atomic<int> decodes{0};
  TPlayback p({[&] {
                 // The tick of the third image is the last.
                 return ++ticks < 3;
               },
               [&](Image&, const TPixelRect&, int& index) {
                 index = decodes++;
                 return true;
               },
               {}});
  p.SetTarget({0, 0, 4, 4}, 2, 2);
  p.Start(1);
  EXPECT_TRUE(p.Playing() || ticks == 3);
  WaitUntil([&] { return !p.Playing(); });
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(p.EndedByItself());
  p.Stop();
  EXPECT_FALSE(p.EndedByItself());
  EXPECT_FALSE(p.Playing());
}

TEST(Playback, StopWakesTheClockAndTheDecoderAtOnce) {
  std::atomic<int> ticks{0};
  TPlayback p(
      {[&] { return ++ticks > 0; }, [](Image&, const TPixelRect&, int&) { return true; }, {}});
  // A period of a minute: Stop must not wait for the next tick.
  p.Start(60000);
  EXPECT_TRUE(p.Playing());
  p.Stop();
  EXPECT_FALSE(p.Playing());
  EXPECT_EQ(ticks, 0);
  p.Stop();  // stopping twice is harmless
}

TEST(Playback, ABusyDecoderDropsImagesAndHandsOverTheSizeAsked) {
  std::promise<void> entered, release;
  std::shared_future<void> go = release.get_future().share();
  std::atomic<bool> first{true};
  std::atomic<int> ready{0};
  TPlayback p({[] { return true; },
               [&](Image& picture, const TPixelRect& rect, int& index) {
                 if (first.exchange(false)) {
                   entered.set_value();
                   go.wait();
                 }
                 picture.Fill(colors::Red);
                 index = rect.left;
                 return true;
               },
               [&] { ++ready; }});
  p.SetTarget({7, 0, 17, 10}, 3, 2);
  // A long period: only the requests below reach the decoder.
  p.Start(60000);
  ASSERT_TRUE(p.RequestDecode());
  entered.get_future().wait();
  EXPECT_FALSE(p.RequestDecode());  // busy: this image is dropped
  EXPECT_EQ(p.DroppedImages(), 1);
  release.set_value();
  WaitUntil([&] { return ready == 1; });

  Image picture;
  int index = -1;
  EXPECT_FALSE(p.TakeDecoded(picture, 4, 2, index));  // the view was resized meanwhile
  ASSERT_TRUE(p.TakeDecoded(picture, 3, 2, index));
  EXPECT_EQ(index, 7);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Pixel(2, 1), colors::Red);
  EXPECT_FALSE(p.TakeDecoded(picture, 3, 2, index));  // taken once
  p.Stop();
}
