// kinevo-cli new VIDEO -o DOC.kvo [--scale X1,Y1,X2,Y2,LENGTH] [--origin X,Y[,ANGLE]]
//                [--systems N] [--duration SECONDS] [--capture-rate IMAGES_PER_SECOND]
//                [--lens K1,K2] [--plane X1,Y1,X2,Y2,X3,Y3,X4,Y4 --plane-size W,H]
// Writes the document that opening the video in the program and saving it
// gives, with the same defaults, optionally with a scale, an origin, a
// number of systems and a time between images (or the rate a slow-motion
// video was filmed at, for a file that does not say it).  Positions are pixels of the
// picture as shown (x to the right, y down), ANGLE is in degrees
// (counter-clockwise) and LENGTH in metres.  The lens correction applies to
// every position measured; the plane's four points (origin, x axis point,
// opposite corner, y axis point, as shown) and its size make the results
// come in the plane's metres and axes.
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/common/number_format.h"
#include "core/marking/measure_map.h"
#include "core/marking/scale.h"
#include "core/video/duration_dialog.h"
#include "core/video/frame_sources.h"

namespace {

using kinevo::TPictureCoord;

constexpr const char* kUsage =
    "Usage : kinevo-cli new VIDEO -o DOC.kvo [--scale X1,Y1,X2,Y2,LONGUEUR] [--origin X,Y[,ANGLE]] "
    "[--systems N] [--duration SECONDES] [--capture-rate CADENCE] [--lens K1,K2] "
    "[--plane X1,Y1,X2,Y2,X3,Y3,X4,Y4 --plane-size L,H]\n";

int Fail(const std::string& message) {
  std::cerr << "kinevo-cli new : " << message << "\n";
  return 2;
}

std::string Number(double v) { return kinevo::FloatToText(v, 15, '.'); }

// Comma-separated finite numbers.
bool ParseNumbers(const std::string& text, std::vector<double>& out) {
  out.clear();
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    char* end = nullptr;
    const double v = std::strtod(item.c_str(), &end);
    if (item.empty() || end != item.c_str() + item.size() || !std::isfinite(v)) return false;
    out.push_back(v);
  }
  return !out.empty();
}

struct TNewArgs {
  std::string video, output, scale, origin, systems, duration, capture, lens, plane, planeSize;
};

int New(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  TNewArgs a;
  bool missing = false;
  kinevo::cli::TakeOption(args, "-o", a.output, missing);
  kinevo::cli::TakeOption(args, "--scale", a.scale, missing);
  kinevo::cli::TakeOption(args, "--origin", a.origin, missing);
  kinevo::cli::TakeOption(args, "--systems", a.systems, missing);
  kinevo::cli::TakeOption(args, "--duration", a.duration, missing);
  kinevo::cli::TakeOption(args, "--capture-rate", a.capture, missing);
  kinevo::cli::TakeOption(args, "--lens", a.lens, missing);
  kinevo::cli::TakeOption(args, "--plane", a.plane, missing);
  kinevo::cli::TakeOption(args, "--plane-size", a.planeSize, missing);
  if (missing || args.size() != 1 || args[0].rfind("--", 0) == 0 || a.output.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  a.video = args[0];

  std::vector<double> scale, origin, systems, duration, capture;
  if (!a.scale.empty() && (!ParseNumbers(a.scale, scale) || scale.size() != 5))
    return Fail("--scale attend X1,Y1,X2,Y2,LONGUEUR (longueur positive, en mètres)");
  // The values a document may hold are those its reader accepts: anything
  // else would make a file the program refuses to open.
  if (!scale.empty() && !(scale[4] > kinevo::kMinScaleLength && scale[4] < kinevo::kMaxScaleLength))
    return Fail("--scale : la longueur " + a.scale.substr(a.scale.rfind(',') + 1) +
                " m n'est pas entre " + Number(kinevo::kMinScaleLength) + " et " +
                Number(kinevo::kMaxScaleLength) + " m");
  if (!a.origin.empty() &&
      (!ParseNumbers(a.origin, origin) || (origin.size() != 2 && origin.size() != 3)))
    return Fail("--origin attend X,Y ou X,Y,ANGLE");
  if (!a.systems.empty() &&
      (!ParseNumbers(a.systems, systems) || systems.size() != 1 ||
       systems[0] != std::floor(systems[0]) || systems[0] < 1 || systems[0] > 32))
    return Fail("--systems attend un nombre de 1 à 32");
  if (!a.duration.empty() && (!ParseNumbers(a.duration, duration) || duration.size() != 1))
    return Fail("--duration attend une durée positive en secondes");
  if (!duration.empty() &&
      !(duration[0] > kinevo::kMinDuration && duration[0] < kinevo::kMaxDuration))
    return Fail("--duration : " + a.duration + " s n'est pas entre " +
                Number(kinevo::kMinDuration) + " et " + Number(kinevo::kMaxDuration) + " s");
  // A rate whose image duration the reader accepts.
  if (!a.capture.empty() &&
      (!ParseNumbers(a.capture, capture) || capture.size() != 1 ||
       !(capture[0] > 1 / kinevo::kMaxDuration && capture[0] < 1 / kinevo::kMinDuration)))
    return Fail("--capture-rate attend une cadence positive en images par seconde, entre " +
                Number(1 / kinevo::kMaxDuration) + " et " + Number(1 / kinevo::kMinDuration));
  std::vector<double> lens, plane, planeSize;
  if (!a.lens.empty() && (!ParseNumbers(a.lens, lens) || lens.size() != 2))
    return Fail("--lens attend K1,K2");
  if (!lens.empty())
    if (const kinevo::TStatus ok = kinevo::CheckLens(lens[0], lens[1]); !ok)
      return Fail("--lens : " + ok.error().reason);
  if (a.plane.empty() != a.planeSize.empty())
    return Fail("--plane et --plane-size vont ensemble : les quatre points et la taille du plan");
  if (!a.plane.empty() && (!ParseNumbers(a.plane, plane) || plane.size() != 8))
    return Fail(
        "--plane attend X1,Y1,X2,Y2,X3,Y3,X4,Y4 : l'origine, un point de l'axe des x, "
        "le coin opposé et un point de l'axe des y");
  if (!a.planeSize.empty() && (!ParseNumbers(a.planeSize, planeSize) || planeSize.size() != 2))
    return Fail("--plane-size attend L,H (en mètres)");
  for (double v : planeSize)
    if (!(v > 0)) return Fail("--plane-size : la taille du plan doit être positive");
  for (double v : planeSize)
    if (!(v > kinevo::kMinScaleLength && v < kinevo::kMaxScaleLength))
      return Fail("--plane-size : la taille du plan " + a.planeSize + " m n'est pas entre " +
                  Number(kinevo::kMinScaleLength) + " et " + Number(kinevo::kMaxScaleLength) +
                  " m");
  if (!kinevo::cli::OutputAllowed(a.output, {a.video})) return 1;

  auto cs = kinevo::cli::NewCliSession();
  kinevo::TSession& s = *cs->session;
  if (!s.OpenVideo(a.video)) {
    std::cerr << "kinevo-cli new : impossible d'ouvrir la vidéo « " << a.video << " »\n";
    if (!s.Video.Sources().Error().empty())
      std::cerr << kinevo::VideoOpenReasonLine(s.Video.Sources().Error()) << "\n";
    return 1;
  }
  // View pixels are picture pixels.
  const int w = s.Video.ImageWidth(), h = s.Video.ImageHeight();
  // The reader keeps positions within the picture: one outside would move.
  auto outside = [w, h](const std::vector<double>& v, std::size_t points) {
    for (std::size_t k = 0; k < points; ++k)
      if (v[2 * k] < 0 || v[2 * k] > w || v[2 * k + 1] < 0 || v[2 * k + 1] > h) return true;
    return false;
  };
  const std::string frame =
      " (l'image mesure " + std::to_string(w) + " x " + std::to_string(h) + " pixels)";
  if (!scale.empty() && outside(scale, 2))
    return Fail("--scale : les points " + a.scale.substr(0, a.scale.rfind(',')) +
                " ne sont pas tous dans l'image" + frame);
  if (!origin.empty() && outside(origin, 1))
    return Fail("--origin : le point " + Number(origin[0]) + "," + Number(origin[1]) +
                " n'est pas dans l'image" + frame);
  if (!plane.empty() && outside(plane, 4))
    return Fail("--plane : les points " + a.plane + " ne sont pas tous dans l'image" + frame);
  s.Video.Resize(w, h);
  auto picture = [w, h](double x, double y) { return TPictureCoord{x / w, y / h}; };
  if (!systems.empty()) s.Data.SetMarksNumberPerFrame(static_cast<int>(systems[0]));
  if (!capture.empty()) {
    s.Video.SetCaptureRate(capture[0]);
    s.Data.SetRequiredDuration(s.Video.DefaultDuration());
  }
  if (!duration.empty()) s.Data.SetRequiredDuration(duration[0]);
  if (!scale.empty()) {
    s.Data.Scale().SetSegment(kinevo::skNormal, 2, picture(scale[0], scale[1]),
                              picture(scale[2], scale[3]));
    s.Data.SetScaleLength(scale[4]);
  }
  if (!origin.empty()) {
    // Placed as a click does, then moved to the exact position given.
    s.Data.Fixed().PlaceOrigin(static_cast<int>(std::lround(origin[0])),
                               static_cast<int>(std::lround(origin[1])));
    s.Data.Fixed().SetOrigin(picture(origin[0], origin[1]));
    if (origin.size() == 3) s.Data.SetXAxisAngle(origin[2] * std::numbers::pi / 180.0);
  }
  if (!lens.empty() || !plane.empty()) {
    kinevo::TMeasureCalibration c;
    if (!lens.empty()) c.lens = {true, lens[0], lens[1]};
    if (!plane.empty()) {
      c.plane.on = true;
      for (std::size_t i = 0; i < 4; ++i)
        c.plane.points[i] = picture(plane[2 * i], plane[2 * i + 1]);
      c.plane.width = planeSize[0];
      c.plane.height = planeSize[1];
    }
    // The plane's points once corrected must still be a view of a
    // rectangle.
    if (const kinevo::TMeasureMap map(c, w, h); map.Failed())
      return Fail("--plane : " + map.Failure());
    s.Data.SetCalibration(c);
  }
  if (const kinevo::TStatus saved = s.Workflow().WriteDocumentFile(a.output); !saved) {
    kinevo::cli::PrintSaveFailure(a.output, saved.error());
    return 1;
  }
  return 0;
}

kinevo::cli::Register reg(
    "new",
    "new VIDEO -o DOC.kvo [--scale X1,Y1,X2,Y2,LONGUEUR] [--origin X,Y[,ANGLE]] "
    "[--systems N] [--duration SECONDES] [--capture-rate CADENCE] [--lens K1,K2] "
    "[--plane X1,Y1,X2,Y2,X3,Y3,X4,Y4 --plane-size L,H]   crée le document d'une vidéo",
    New);

}  // namespace
