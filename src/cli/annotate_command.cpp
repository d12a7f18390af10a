// kinevo-cli annotate DOC.kvo -o OUT: the annotated video of a document's
// analysis, as an AVI file (built-in writer, MJPEG) or an MP4 file (H.264
// through FFmpeg, when the encoder is there).
#include <iostream>

#include "cli/chrono_plan.h"
#include "cli/command.h"
#include "cli/painting_app.h"
#include "core/chrono/annotated_video.h"
#include "platform/avi/vfw_record.h"
#include "platform/ffmpeg/ffmpeg_recorder.h"
#include "platform/qt/chrono_image.h"

namespace kinevo::cli {
namespace {

constexpr const char* kUsage =
    "Usage : kinevo-cli annotate DOC.kvo -o SORTIE.mp4|.avi [--trail N|all] "
    "[--vectors speed|acceleration] [--slow F] [--system N] [--layer] [--video VIDEO]\n";

struct TAnnotateLine {
  std::string document, output, video;
  TChronoSettings settings;
  int trail = 0;
  int slow = 1;
  bool layer = false;
  bool mp4 = false;
};

bool ParseWhole(const std::string& text, long lo, long hi, int& out) {
  long v = 0;
  if (!ParseWholeNumber(text, lo, hi, v)) return false;
  out = static_cast<int>(v);
  return true;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool ParseRequest(std::vector<std::string> args, TAnnotateLine& r) {
  std::string trail, vectors, slow, system;
  bool missing = false;
  const bool hasTrail = TakeOption(args, "--trail", trail, missing);
  const bool hasVectors = TakeOption(args, "--vectors", vectors, missing);
  const bool hasSlow = TakeOption(args, "--slow", slow, missing);
  const bool hasSystem = TakeOption(args, "--system", system, missing);
  TakeOption(args, "-o", r.output, missing);
  TakeOption(args, "--video", r.video, missing);
  r.layer = TakeFlag(args, "--layer");
  if (missing || args.size() != 1 || r.output.empty()) return false;
  r.document = args[0];
  if (hasTrail && trail != "all" && !ParseWhole(trail, 1, 1000000, r.trail)) return false;
  if (hasVectors) {
    if (vectors != "speed" && vectors != "acceleration") return false;
    r.settings.vectors = vectors == "speed" ? cvSpeed : cvAcceleration;
  }
  if (hasSlow && !ParseWhole(slow, 1, 100, r.slow)) return false;
  if (hasSystem) {
    int s = 0;
    // Numbered from 1, as the window names them.
    if (!ParseWhole(system, 1, 1000000, s)) return false;
    r.settings.systems = {s - 1};
  }
  r.mp4 = EndsWith(r.output, ".mp4");
  return r.mp4 || EndsWith(r.output, ".avi");
}

int Annotate(const std::vector<std::string>& args) {
  TAnnotateLine r;
  if (!ParseRequest(args, r)) {
    std::cerr << kUsage;
    return 2;
  }
  const auto app = StartPainting();
  const auto c = OpenAndPlan({r.document, r.video, r.output, r.layer}, r.settings);
  if (!c) return 1;
  TSession& s = *c->cs->session;
  TFrameSource& source = s.Video.Source();
  TMp4Record mp4;
  TVfwRecord avi;
  TRecorder& recorder = r.mp4 ? static_cast<TRecorder&>(mp4) : avi;
  const std::vector<std::string> codecs = recorder.Codecs();
  if (codecs.empty()) {
    std::cerr << "Le codeur H.264 n'est pas disponible : enregistrez la vidéo annotée en AVI.\n";
    return 1;
  }
  TAnnotatedVideo video;
  video.images = source.ImagesNumber();
  video.rate = source.ImageRate() > 0 ? source.ImageRate() : 25.0;
  video.slow = r.slow;
  video.trail = r.trail;
  video.codec = r.mp4 ? codecs.front() : TVfwRecord::kCodecMjpeg;
  const TStatus written = WriteAnnotatedVideo(
      r.output, video, c->plan, recorder,
      [&source](int32_t index, Image& p) { return source.ReadImage(index, p); },
      [&s](Image& p, const TChronophotograph& overlay) {
        PaintOverlayOnPicture(p, overlay, s.GraphUtils);
      });
  if (!written) {
    std::cerr << written.error().Text() << "\n";
    return 1;
  }
  std::cout << "images: " << static_cast<int64_t>(video.images) * video.slow << "\n";
  return 0;
}

}  // namespace

Register annotateCommand("annotate",
                         "annotate DOC.kvo -o SORTIE.mp4|.avi [...]   vidéo annotée de l'analyse",
                         Annotate);

}  // namespace kinevo::cli
