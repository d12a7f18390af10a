#pragma once
// Writing one picture to a file: PNG (through FFmpeg's PNG encoder) or
// binary PPM.
#include <string>

#include "core/common/image.h"

namespace kinevo::ff {

bool WritePng(const Image& picture, const std::string& path);
bool WritePpm(const Image& picture, const std::string& path);

}  // namespace kinevo::ff
