#pragma once
// Test videos written by the program's own AVI writer (header only, so that
// only the tests that use it link the AVI library).
#include <string>

#include "platform/avi/avi_writer.h"
#include "support/test_videos.h"

namespace kinevo::test {

// Writes `frames` images of the index pattern (0, 1, 2 ...) at rate / scale
// images per second; `dropped` lists images written as empty chunks.
inline bool WriteIndexedAvi(const std::string& path, int width, int height, int frames,
                            const avi::TAviWriterOptions& options = {}, uint32_t rate = 25,
                            uint32_t scale = 1, const std::vector<int>& dropped = {}) {
  avi::TAviWriter w;
  if (!w.Open(path, width, height, rate, scale, options)) return false;
  Image img(width, height);
  for (int i = 0; i < frames; ++i) {
    bool drop = false;
    for (int d : dropped) drop = drop || d == i;
    if (drop) {
      if (!w.WriteDropped()) return false;
      continue;
    }
    DrawIndexPattern(img, i);
    if (!w.WriteFrame(img)) return false;
  }
  return w.Close();
}

// The palette of 8-bit test videos: the two colours of the pattern and a few
// others.
inline std::vector<uint32_t> IndexPalette() {
  auto rgb = [](TColor c) {
    return (uint32_t{RedOf(c)} << 16) | (uint32_t{GreenOf(c)} << 8) | BlueOf(c);
  };
  return {0x000000, rgb(kIndexClearColour), 0x00FF00, 0x0000FF, rgb(kIndexSetColour)};
}

}  // namespace kinevo::test
