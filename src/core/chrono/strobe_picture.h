#pragma once
// The picture under a chronophotograph: the ground of one image with the
// moving objects of every chosen image copied in, as they were filmed.  An
// object is what differs clearly from the median of the chosen images,
// which holds the still background wherever the objects only pass.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/common/image.h"
#include "core/common/result.h"

namespace kinevo {

// Reads image `index` of the video whole into `picture`; false when it
// cannot be decoded.
using TImageReader = std::function<bool(int32_t index, Image& picture)>;

struct TStrobeRequest {
  std::vector<int32_t> images;  // the chosen images, copied in this order
  int32_t ground = -1;          // the image whose picture is the ground; -1: the first chosen
  // A pixel belongs to an object when one of its channels differs from the
  // median by more than this (0 to 255).
  int threshold = 40;
  // Without objects the picture is the median itself: the scene with the
  // moving objects taken away.
  bool objects = true;
};

// At most this many chosen images, spread evenly, make the median: enough
// for a still background, and their pictures are held together.
inline constexpr int kMedianPictures = 15;

// The per-channel median of pictures of one size (the mean of the two
// middle values for an even count).
Image MedianPicture(const std::vector<Image>& pictures);
// The images of `chosen` that make the median.
std::vector<int32_t> MedianImages(const std::vector<int32_t>& chosen);
// Copies into `out` the pixels of `picture` that differ from `median` by
// more than `threshold` in one channel.
void CopyObjectPixels(Image& out, const Image& picture, const Image& median, int threshold);

TResult<Image> ComposeStrobePicture(const TStrobeRequest& request, const TImageReader& read);

}  // namespace kinevo
