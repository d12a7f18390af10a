#pragma once
// Writing one picture to a file: PNG (through FFmpeg's PNG encoder), BMP
// (24 bits, bottom-up) or binary PPM, each made in memory and then written
// atomically (see core/common/atomic_file.h); reading a picture file of any
// format FFmpeg decodes.
#include <string>

#include "core/common/image.h"
#include "core/common/result.h"

namespace kinevo::ff {

// The bytes of each file format.
TResult<std::string> PngBytes(const Image& picture);
std::string PpmBytes(const Image& picture);
TResult<std::string> BmpBytes(const Image& picture);

TStatus WritePng(const Image& picture, const std::string& path);
TStatus WritePpm(const Image& picture, const std::string& path);
TStatus WriteBmp(const Image& picture, const std::string& path);
// The format chosen by the extension (".png", ".ppm", else BMP), compared
// without regard to case.
TStatus WritePicture(const Image& picture, const std::string& path);
// The first picture of a file, as 24-bit RGB; the failure names the file
// and says why it could not be read.
TStatus ReadPicture(const std::string& path, Image& picture);

}  // namespace kinevo::ff
