#pragma once
// The checks every back-end makes before handing a path to its decoder: the
// file exists, is a regular file (a FIFO, a folder or a device is refused
// without being opened for good) and may be read.
#include <string>

#include "core/video/frame_source.h"

namespace kinevo {

TFileCheck CheckVideoFile(const std::string& path);

}  // namespace kinevo
