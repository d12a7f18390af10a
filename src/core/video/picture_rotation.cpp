#include "core/video/picture_rotation.h"

#include <algorithm>
#include <cstring>

namespace kinevo {

namespace {
// Pixels are moved in square tiles so that both pictures are walked through
// memory that stays in the cache (a 4K picture is 25 MB).
constexpr int32_t kTile = 64;

inline void CopyPixel(const uint8_t* s, uint8_t* d) {
  d[0] = s[0];
  d[1] = s[1];
  d[2] = s[2];
}
}  // namespace

void RotatePicture(const uint8_t* src, int32_t width, int32_t height, std::size_t srcStride,
                   uint8_t* dst, std::size_t dstStride, int32_t degrees) {
  if (width <= 0 || height <= 0) return;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  if (degrees == 180) {
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* s = src + static_cast<std::size_t>(y) * srcStride;
      uint8_t* d = dst + static_cast<std::size_t>(height - 1 - y) * dstStride + rowBytes - 3;
      for (int32_t x = 0; x < width; ++x, s += 3, d -= 3) CopyPixel(s, d);
    }
    return;
  }
  if (degrees != 90 && degrees != 270) {
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(dst + static_cast<std::size_t>(y) * dstStride,
                  src + static_cast<std::size_t>(y) * srcStride, rowBytes);
    return;
  }
  // Clockwise by 90: source (x, y) goes to (height - 1 - y, x); by 270 to
  // (y, width - 1 - x).
  for (int32_t y0 = 0; y0 < height; y0 += kTile)
    for (int32_t x0 = 0; x0 < width; x0 += kTile) {
      const int32_t y1 = std::min(y0 + kTile, height), x1 = std::min(x0 + kTile, width);
      for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* s = src + static_cast<std::size_t>(y) * srcStride + x0 * 3;
        for (int32_t x = x0; x < x1; ++x, s += 3) {
          const int32_t dx = degrees == 90 ? height - 1 - y : y;
          const int32_t dy = degrees == 90 ? x : width - 1 - x;
          CopyPixel(s, dst + static_cast<std::size_t>(dy) * dstStride + dx * 3);
        }
      }
    }
}

}  // namespace kinevo
