#include "core/common/image.h"

#include <algorithm>

namespace kinevo {

Image::Image(int width, int height) { Resize(width, height); }

Image::Image(int width, int height, TColor fill) {
  Resize(width, height);
  Fill(fill);
}

void Image::Resize(int width, int height) {
  if (width <= 0 || height <= 0) {
    width_ = height_ = 0;
    data_.clear();
    return;
  }
  width_ = width;
  height_ = height;
  data_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
}

void Image::Fill(TColor c) {
  const uint8_t r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  for (std::size_t i = 0; i + 2 < data_.size(); i += 3) {
    data_[i] = r;
    data_[i + 1] = g;
    data_[i + 2] = b;
  }
}

TColor Image::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return colors::Black;
  const uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
  return RGBColor(p[0], p[1], p[2]);
}

void Image::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
  p[0] = RedOf(c);
  p[1] = GreenOf(c);
  p[2] = BlueOf(c);
}

Image Image::Stretch(const Image& src, int width, int height) {
  Image out(width, height);
  if (!out.Empty() && !src.Empty())
    StretchInto(out, {0, 0, width, height}, src, {0, 0, src.Width(), src.Height()});
  return out;
}

void Image::StretchInto(Image& dest, const TPixelRect& destRect, const Image& src,
                        const TPixelRect& srcRect, bool invert) {
  const int dw = destRect.Width(), dh = destRect.Height();
  const int sw = srcRect.Width(), sh = srcRect.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || dest.Empty() || src.Empty()) return;
  const int x0 = std::max(destRect.left, 0), x1 = std::min(destRect.right, dest.Width());
  const int y0 = std::max(destRect.top, 0), y1 = std::min(destRect.bottom, dest.Height());
  if (x0 >= x1 || y0 >= y1) return;
  // Source column for each destination column, computed once.
  std::vector<int> srcX(static_cast<std::size_t>(x1 - x0));
  for (int x = x0; x < x1; ++x) {
    long long sx = srcRect.left + static_cast<long long>(x - destRect.left) * sw / dw;
    srcX[static_cast<std::size_t>(x - x0)] =
        static_cast<int>(std::clamp<long long>(sx, 0, src.Width() - 1));
  }
  const uint8_t mask = invert ? 0xFF : 0x00;
  for (int y = y0; y < y1; ++y) {
    long long sy = srcRect.top + static_cast<long long>(y - destRect.top) * sh / dh;
    sy = std::clamp<long long>(sy, 0, src.Height() - 1);
    const uint8_t* srow = src.Row(static_cast<int>(sy));
    uint8_t* drow = dest.Row(y) + static_cast<std::size_t>(x0) * 3;
    for (int x = x0; x < x1; ++x) {
      const uint8_t* s =
          srow + static_cast<std::size_t>(srcX[static_cast<std::size_t>(x - x0)]) * 3;
      drow[0] = s[0] ^ mask;
      drow[1] = s[1] ^ mask;
      drow[2] = s[2] ^ mask;
      drow += 3;
    }
  }
}

void Image::Invert() {
  for (auto& b : data_) b = static_cast<uint8_t>(~b);
}

}  // namespace kinevo
