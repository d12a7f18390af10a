#include "platform/ffmpeg/ds_play.h"

#include <algorithm>
#include <cmath>

namespace kinevo {

bool TDSPlay::OpenFile(const std::string& fileName, TStreamInfo& info) {
  if (!video_.Open(fileName, [this](double f) { return ReportProgress(f); })) return false;
  info.width = video_.Width();
  info.height = video_.Height();
  info.imageRate = video_.FrameRate();
  info.streamDuration = video_.Duration();
  const double n = std::clamp(info.streamDuration * info.imageRate, -2147483647.0, 2147483647.0);
  info.imagesNumber = static_cast<int32_t>(std::nearbyint(n));
  streamPosition_ = 0.0;
  return true;
}

void TDSPlay::GoToImage(int32_t n) {
  if (!Opened() || n == ImageIndex()) return;
  double t = n * 1.0001 * ImageDuration();
  if (t > StreamDuration()) t = StreamDuration();
  if (t < 0) t = 0;
  streamPosition_.store(t, std::memory_order_relaxed);
  SetImageIndex(BoundIndex(n));
}

bool TDSPlay::FetchImage(int32_t, Image& picture) {
  return video_.ReadFrame(video_.FrameAtTime(StreamPosition()), picture);
}

}  // namespace kinevo
