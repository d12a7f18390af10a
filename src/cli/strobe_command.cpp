// kinevo-cli strobe DOC.kvo -o OUT: the chronophotograph of a document's
// analysis, as a PNG, SVG or PDF file of the video's size.
#include <iostream>

#include "cli/chrono_plan.h"
#include "cli/command.h"
#include "cli/painting_app.h"
#include "core/chrono/strobe_picture.h"
#include "platform/qt/chrono_image.h"

namespace kinevo::cli {
namespace {

constexpr const char* kUsage =
    "Usage : kinevo-cli strobe DOC.kvo -o SORTIE.png|.svg|.pdf [--system N] [--every N] "
    "[--images PREMIÈRE-DERNIÈRE] [--vectors speed|acceleration] [--threshold T] [--marks-only] "
    "[--layer] [--video VIDEO]\n";

struct TStrobeRequestLine {
  std::string document, output, video;
  TChronoSettings settings;
  bool layer = false;
};

bool ParseRange(const std::string& text, int32_t& first, int32_t& last) {
  const auto dash = text.find('-');
  long a = 0, b = 0;
  if (dash == std::string::npos || !ParseWholeNumber(text.substr(0, dash), 0, 10000000, a) ||
      !ParseWholeNumber(text.substr(dash + 1), a, 10000000, b))
    return false;
  first = static_cast<int32_t>(a);
  last = static_cast<int32_t>(b);
  return true;
}

bool ParseRequest(std::vector<std::string> args, TStrobeRequestLine& r) {
  std::string system, every, images, vectors, threshold;
  bool missing = false;
  const bool hasSystem = TakeOption(args, "--system", system, missing);
  const bool hasEvery = TakeOption(args, "--every", every, missing);
  const bool hasImages = TakeOption(args, "--images", images, missing);
  const bool hasVectors = TakeOption(args, "--vectors", vectors, missing);
  const bool hasThreshold = TakeOption(args, "--threshold", threshold, missing);
  TakeOption(args, "-o", r.output, missing);
  TakeOption(args, "--video", r.video, missing);
  r.settings.objects = !TakeFlag(args, "--marks-only");
  r.layer = TakeFlag(args, "--layer");
  if (missing || args.size() != 1 || r.output.empty()) return false;
  r.document = args[0];
  long v = 0;
  if (hasSystem) {
    // Numbered from 1, as the window names them.
    if (!ParseWholeNumber(system, 1, 1000000, v)) return false;
    r.settings.systems = {static_cast<int>(v - 1)};
  }
  if (hasEvery) {
    if (!ParseWholeNumber(every, 1, 1000000, v)) return false;
    r.settings.every = static_cast<int>(v);
  }
  if (hasImages && !ParseRange(images, r.settings.first, r.settings.last)) return false;
  if (hasVectors) {
    if (vectors != "speed" && vectors != "acceleration") return false;
    r.settings.vectors = vectors == "speed" ? cvSpeed : cvAcceleration;
  }
  if (hasThreshold) {
    if (!ParseWholeNumber(threshold, 0, 255, v)) return false;
    r.settings.threshold = static_cast<int>(v);
  }
  return GraphFileKindOf(r.output).has_value();
}

int Strobe(const std::vector<std::string>& args) {
  TStrobeRequestLine r;
  if (!ParseRequest(args, r)) {
    std::cerr << kUsage;
    return 2;
  }
  const auto app = StartPainting();
  TChronoSettings& settings = r.settings;
  const auto c = OpenAndPlan({r.document, r.video, r.output, r.layer}, settings);
  if (!c) return 1;
  TSession& s = *c->cs->session;
  const TChronophotograph& chrono = c->plan;
  const TResult<Image> picture = ComposeStrobePicture(
      {chrono.images, settings.ground, settings.threshold, settings.objects},
      [&s](int32_t index, Image& p) { return s.Video.Source().ReadImage(index, p); });
  if (!picture) {
    std::cerr << picture.error().Text() << "\n";
    return 1;
  }
  const TStatus written =
      WriteChronophotographFile({*picture, chrono, s.GraphUtils}, QString::fromStdString(r.output),
                                *GraphFileKindOf(r.output));
  if (!written) {
    std::cerr << written.error().Text() << "\n";
    return 1;
  }
  std::cout << "images: " << chrono.images.size() << "\n";
  return 0;
}

}  // namespace

Register strobeCommand("strobe",
                       "strobe DOC.kvo -o SORTIE.png|.svg|.pdf [...]   "
                       "chronophotographie de l'analyse",
                       Strobe);

}  // namespace kinevo::cli
