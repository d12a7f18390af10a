#include "core/chrono/strobe_picture.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace kinevo {

namespace {

TError UnreadableImage(int32_t index) {
  return {"Impossible de lire l'image " + std::to_string(index) + " de la vidéo.",
          "image non décodée"};
}

}  // namespace

Image MedianPicture(const std::vector<Image>& pictures) {
  if (pictures.empty()) return {};
  const int w = pictures.front().Width(), h = pictures.front().Height();
  Image out(w, h);
  const std::size_t n = pictures.size(), bytes = out.ByteSize(), mid = n / 2;
  std::vector<uint8_t> values(n);
  for (std::size_t i = 0; i < bytes; ++i) {
    for (std::size_t k = 0; k < n; ++k) values[k] = pictures[k].Data()[i];
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid),
                     values.end());
    int m = values[mid];
    if (n % 2 == 0) {
      // The lower middle value is the largest of the lower half.
      const int lower =
          *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid));
      m = (m + lower + 1) / 2;
    }
    out.Data()[i] = static_cast<uint8_t>(m);
  }
  return out;
}

std::vector<int32_t> MedianImages(const std::vector<int32_t>& chosen) {
  const std::size_t n = chosen.size();
  if (n <= static_cast<std::size_t>(kMedianPictures)) return chosen;
  std::vector<int32_t> out;
  for (int k = 0; k < kMedianPictures; ++k)
    out.push_back(chosen[k * (n - 1) / (kMedianPictures - 1)]);
  return out;
}

void CopyObjectPixels(Image& out, const Image& picture, const Image& median, int threshold) {
  const std::size_t pixels = out.ByteSize() / 3;
  const uint8_t* p = picture.Data();
  const uint8_t* m = median.Data();
  uint8_t* o = out.Data();
  for (std::size_t i = 0; i < pixels; ++i, p += 3, m += 3, o += 3) {
    const int d = std::max({std::abs(p[0] - m[0]), std::abs(p[1] - m[1]), std::abs(p[2] - m[2])});
    if (d > threshold) std::copy(p, p + 3, o);
  }
}

TResult<Image> ComposeStrobePicture(const TStrobeRequest& request, const TImageReader& read) {
  if (request.images.empty())
    return Fail("Aucune image choisie pour la chronophotographie.", "aucune image marquée");
  std::vector<Image> pictures;
  for (int32_t index : MedianImages(request.images)) {
    Image picture;
    if (!read(index, picture)) return UnreadableImage(index);
    if (!pictures.empty() && (picture.Width() != pictures.front().Width() ||
                              picture.Height() != pictures.front().Height()))
      return Fail("Les images de la vidéo n'ont pas toutes la même taille.",
                  "image " + std::to_string(index));
    pictures.push_back(std::move(picture));
  }
  Image median = MedianPicture(pictures);
  pictures.clear();
  if (!request.objects) return median;

  const int32_t ground = request.ground >= 0 ? request.ground : request.images.front();
  Image out;
  if (!read(ground, out)) return UnreadableImage(ground);
  Image picture;
  for (int32_t index : request.images) {
    if (!read(index, picture)) return UnreadableImage(index);
    if (picture.Width() != out.Width() || picture.Height() != out.Height() ||
        median.Width() != out.Width() || median.Height() != out.Height())
      return Fail("Les images de la vidéo n'ont pas toutes la même taille.",
                  "image " + std::to_string(index));
    CopyObjectPixels(out, picture, median, request.threshold);
  }
  return out;
}

}  // namespace kinevo
