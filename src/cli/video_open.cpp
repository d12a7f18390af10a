#include "cli/video_open.h"

#include <iostream>

#include "core/video/frame_sources.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"

namespace kinevo::cli {

namespace {
class Opened : public TOpenedVideo {
 public:
  TVfwPlay vfw;
  TDSPlay ds;
  TFFMpegPlay ffmpeg;
  TFrameSources chain{vfw, ds, ffmpeg};
  TFrameSource* selected = nullptr;
  TFrameSource& Source() override { return *selected; }
};
}  // namespace

const char* BackendName(TVideoFramework fw) {
  switch (fw) {
    case fwDS:
      return "ds";
    case fwFFMpeg:
      return "ffmpeg";
    default:
      return "vfw";
  }
}

bool TakeBackend(std::vector<std::string>& args, std::string& backend) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--backend") continue;
    if (i + 1 >= args.size()) {
      std::cerr << "kinevo-cli : --backend attend vfw, ds ou ffmpeg\n";
      return false;
    }
    backend = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    if (backend != "vfw" && backend != "ds" && backend != "ffmpeg") {
      std::cerr << "kinevo-cli : back-end inconnu « " << backend << " » (vfw, ds ou ffmpeg)\n";
      return false;
    }
    return true;
  }
  return true;
}

std::unique_ptr<TOpenedVideo> OpenVideo(const std::string& file, const std::string& backend,
                                        bool inOrder) {
  auto v = std::make_unique<Opened>();
  if (inOrder)
    for (TFrameSource* s : std::initializer_list<TFrameSource*>{&v->vfw, &v->ds, &v->ffmpeg})
      s->SetIsolatedReads(true);
  if (backend == "vfw")
    v->selected = &v->vfw;
  else if (backend == "ds")
    v->selected = &v->ds;
  else if (backend == "ffmpeg")
    v->selected = &v->ffmpeg;
  std::string reason;
  TOpenFailure failure = TOpenFailure::Undecodable;
  if (v->selected) {
    v->selected->Open(file);
    reason = v->selected->Error();
    failure = v->selected->Failure();
  } else {
    v->selected = &v->chain.Open(file);
    reason = v->chain.Error();
    failure = v->chain.Failure();
  }
  if (v->selected->Opened()) return v;

  // A missing file gets its own message, a file that cannot be read (a
  // FIFO, a folder, no permission) the first line and its reason, a damaged
  // one the suggestions and its reason as the last line.
  for (const std::string& line :
       VideoOpenFailureLines(failure, v->ffmpeg.LoadBridgeLibrary(), reason))
    std::cerr << line << "\n";
  return nullptr;
}

}  // namespace kinevo::cli
