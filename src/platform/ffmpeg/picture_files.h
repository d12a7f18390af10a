#pragma once
// Writing one picture to a file: PNG (through FFmpeg's PNG encoder), BMP
// (24 bits, bottom-up) or binary PPM; reading a picture file of any format
// FFmpeg decodes.
#include <string>

#include "core/common/image.h"

namespace kinevo::ff {

bool WritePng(const Image& picture, const std::string& path);
bool WritePpm(const Image& picture, const std::string& path);
bool WriteBmp(const Image& picture, const std::string& path);
// The format chosen by the extension (".png", ".ppm", else BMP), compared
// without regard to case.
bool WritePicture(const Image& picture, const std::string& path);
// The first picture of a file, as 24-bit RGB; false when it cannot be read.
bool ReadPicture(const std::string& path, Image& picture);

}  // namespace kinevo::ff
