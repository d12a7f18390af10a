#include "platform/avi/vfw_play.h"

#include <algorithm>
#include <cstdint>

namespace kinevo {

bool TVfwPlay::OpenFile(const std::string& fileName, TStreamInfo& info) {
  if (!reader_.Open(fileName)) return false;
  const avi::TAviVideoInfo& v = reader_.Info();
  if (v.rate == 0 || v.scale == 0) return false;
  info.width = v.width;
  info.height = v.height;
  info.imagesNumber = reader_.FrameCount();
  info.imageRate = static_cast<double>(v.rate) / static_cast<double>(v.scale);
  info.streamDuration = info.imagesNumber / info.imageRate;
  info.startIndex = static_cast<int32_t>(std::min<uint32_t>(v.start, INT32_MAX));
  return true;
}

}  // namespace kinevo
