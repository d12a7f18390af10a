// kinevo-cli lens VIDEO --image N --line X,Y X,Y X,Y ... [--line ...]...
//                 [--backend vfw|ds|ffmpeg]
// Fits the lens correction (k1, k2 of the radial model about the picture's
// centre) to points clicked along edges that are straight in reality, one
// --line per edge, in pixels of image N as shown.  Prints "k1 = ...",
// "k2 = ..." and "residual = ... px", the straightness error left.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/video_open.h"
#include "core/marking/lens.h"

namespace {

using kinevo::TWorldPoint;

constexpr const char* kUsage =
    "Usage : kinevo-cli lens VIDEO --image N --line X,Y X,Y X,Y ... [--line X,Y ...]... "
    "[--backend vfw|ds|ffmpeg]\n";

int Fail(const std::string& message) {
  std::cerr << "kinevo-cli lens : " << message << "\n";
  return 2;
}

bool ParseDouble(const std::string& s, double& out) {
  if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(out);
}

bool ParsePoint(const std::string& s, TWorldPoint& p) {
  const auto comma = s.find(',');
  return comma != std::string::npos && ParseDouble(s.substr(0, comma), p.x) &&
         ParseDouble(s.substr(comma + 1), p.y);
}

// An option, as opposed to a point, which may start with a minus sign.
bool IsOption(const std::string& s) {
  return s.size() >= 2 && s[0] == '-' && !std::isdigit(static_cast<unsigned char>(s[1])) &&
         s[1] != '.';
}

int Lens(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string backend;
  if (!kinevo::cli::TakeBackend(args, backend)) return 2;
  std::string video;
  int image = -1;
  std::vector<std::vector<TWorldPoint>> lines;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--image" && i + 1 < args.size()) {
      const std::string& v = args[++i];
      const auto r = std::from_chars(v.data(), v.data() + v.size(), image);
      if (r.ec != std::errc() || r.ptr != v.data() + v.size() || image < 0)
        return Fail("numéro d'image incorrect « " + v + " »");
    } else if (a == "--line") {
      lines.emplace_back();
      while (i + 1 < args.size() && !IsOption(args[i + 1])) {
        TWorldPoint p;
        if (!ParsePoint(args[++i], p))
          return Fail("point incorrect « " + args[i] + " » (X,Y attendu)");
        lines.back().push_back(p);
      }
    } else if (!IsOption(a) && video.empty()) {
      video = a;
    } else {
      std::cerr << kUsage;
      return Fail("argument inattendu « " + a + " »");
    }
  }
  if (video.empty() || image < 0 || lines.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  auto opened = kinevo::cli::OpenVideo(video, backend);
  if (!opened) return 1;
  kinevo::TFrameSource& source = opened->Source();
  if (image >= source.ImagesNumber())
    return Fail("l'image " + std::to_string(image) + " n'existe pas (0 à " +
                std::to_string(source.ImagesNumber() - 1) + ")");
  // The points are clicked on the picture as shown (upright).
  const double w = source.ImageWidth(), h = source.ImageHeight();
  for (const auto& line : lines)
    for (const TWorldPoint& p : line)
      if (p.x < 0.0 || p.x > w || p.y < 0.0 || p.y > h) {
        char text[160];
        std::snprintf(text, sizeof text, "le point %g,%g est hors de l'image (%g × %g pixels)", p.x,
                      p.y, w, h);
        return Fail(text);
      }
  const auto fit = kinevo::EstimateLens(w, h, lines);
  if (!fit) return Fail(fit.error().Text());
  std::printf("k1 = %.6g\nk2 = %.6g\nresidual = %.3f px\n", fit->k1, fit->k2, fit->residual);
  return 0;
}

kinevo::cli::Register reg(
    "lens",
    "lens VIDEO --image N --line X,Y X,Y X,Y ... [--line ...]...   correction de l'objectif", Lens);

}  // namespace
