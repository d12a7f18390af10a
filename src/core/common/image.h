#pragma once
// A 24-bit RGB picture, top row first, three bytes per pixel (R, G, B) and no
// row padding.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/common/colour.h"
#include "core/common/picture_coord.h"

namespace kinevo {

class Image {
 public:
  Image() = default;
  Image(int width, int height);
  Image(int width, int height, TColor fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  std::size_t Stride() const { return static_cast<std::size_t>(width_) * 3; }
  std::size_t ByteSize() const { return data_.size(); }

  uint8_t* Row(int y) { return data_.data() + static_cast<std::size_t>(y) * Stride(); }
  const uint8_t* Row(int y) const { return data_.data() + static_cast<std::size_t>(y) * Stride(); }
  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }

  // Resizes and leaves the content undefined (zeroed when grown).
  void Resize(int width, int height);
  void Fill(TColor c);

  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);

  // Nearest-neighbour stretch of `src` into a new picture of the given size.
  static Image Stretch(const Image& src, int width, int height);
  // Stretches the part `srcRect` of `src` into `dest`, inverting the colours
  // when `invert` is set.
  static void StretchInto(Image& dest, const TPixelRect& destRect, const Image& src,
                          const TPixelRect& srcRect, bool invert = false);
  // Inverts every byte (the NOTSRCCOPY raster operation).
  void Invert();

  friend bool operator==(const Image&, const Image&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> data_;
};

}  // namespace kinevo
