#pragma once
// The program's three real frame sources, with the bridge plugins of the
// build folder, for tests that open real videos through a session.
#include <memory>
#include <string>

#include "core/app/session.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"

namespace kinevo::test {

inline TFrameSourceSet RealFrameSources() {
  TFrameSourceSet s;
  s.vfw = std::make_unique<TVfwPlay>();
  s.ds = std::make_unique<TDSPlay>();
  s.ffmpeg = std::make_unique<TFFMpegPlay>(std::string(KINEVO_BINARY_DIR) + "/KvoDll");
  return s;
}

}  // namespace kinevo::test
