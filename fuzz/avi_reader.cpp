// libFuzzer target for the built-in AVI reader: any input must be refused or
// read without a crash, a hang or an unbounded allocation.
#include "platform/avi/avi_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/common/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  kinevo::avi::TAviReader reader;
  if (!reader.OpenMemory(data, size)) return 0;
  kinevo::Image picture;
  const int n = reader.FrameCount();
  for (int i = 0; i < std::min(n, 8); ++i) reader.ReadFrame(i, picture);
  if (n > 8) reader.ReadFrame(n - 1, picture);
  return 0;
}
