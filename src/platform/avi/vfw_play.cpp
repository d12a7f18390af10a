#include "platform/avi/vfw_play.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "platform/avi/video_file_check.h"

namespace kinevo {

bool TVfwPlay::OpenFile(const std::string& fileName, TStreamInfo& info) {
  if (const TFileCheck check = CheckVideoFile(fileName); !check.Passed()) {
    SetError(check);
    return false;
  }
  try {
    if (!reader_.Open(fileName)) {
      SetError(reader_.Error(),
               reader_.Foreign() ? TOpenFailure::Foreign : TOpenFailure::Undecodable);
      return false;
    }
  } catch (const std::bad_alloc&) {
    // A damaged header can announce more than the machine can hold.
    SetError("mémoire insuffisante pour lire le fichier");
    return false;
  } catch (const std::length_error&) {
    SetError("mémoire insuffisante pour lire le fichier");
    return false;
  }
  const avi::TAviVideoInfo& v = reader_.Info();
  if (v.rate == 0 || v.scale == 0) {
    SetError("cadence d'images nulle dans l'en-tête AVI");
    return false;
  }
  info.width = v.width;
  info.height = v.height;
  info.imagesNumber = reader_.FrameCount();
  info.imageRate = static_cast<double>(v.rate) / static_cast<double>(v.scale);
  info.streamDuration = info.imagesNumber / info.imageRate;
  info.startIndex = static_cast<int32_t>(std::min<uint32_t>(v.start, INT32_MAX));
  return true;
}

bool TVfwPlay::FetchImage(int32_t index, Image& picture) {
  try {
    return reader_.ReadFrame(index, picture);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace kinevo
