#pragma once
// Turning a 24-bit picture by a quarter turn, for videos that carry a
// display rotation (phones store portrait videos lying on their side).
#include <cstddef>
#include <cstdint>

namespace kinevo {

// Copies the `width` x `height` picture at `src` (rows of `srcStride`
// bytes, 3 bytes a pixel, top row first) into `dst` turned clockwise by
// `degrees` (0, 90, 180 or 270; anything else copies it unturned).  For 90
// and 270 the destination is `height` pixels wide and `width` high.  The
// two buffers must not overlap.
void RotatePicture(const uint8_t* src, int32_t width, int32_t height, std::size_t srcStride,
                   uint8_t* dst, std::size_t dstStride, int32_t degrees);

// The size of a picture once turned: width and height swapped for a
// quarter turn either way.
inline void RotatedSize(int32_t degrees, int32_t& width, int32_t& height) {
  if (degrees == 90 || degrees == 270) {
    const int32_t w = width;
    width = height;
    height = w;
  }
}

}  // namespace kinevo
