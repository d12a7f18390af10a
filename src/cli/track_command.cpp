// kinevo-cli track VIDEO --contour X,Y X,Y ... --first N --last M [--step S]
//                  [--method colour|appearance] [--radius R] [--rgb]
//                  [--ban X,Y X,Y ...] [--threshold F]
// Follows an object as a tracking run does: the contour (picture pixels on
// image N) gives the model and the start point, then the tracker looks for
// the object on images N + S, N + 2S, ... up to M: by colour (mean shift,
// ten steps per image, the default) or by appearance (the picture inside
// the contour matched by correlation).  Prints one line per image:
// "image x y similarity", the position in picture pixels (not rounded) and
// how well the object matched its model.  Each --ban option adds a ban zone
// (a polygon in picture pixels) for the colour tracker.
//
// kinevo-cli track DOC.kvo --system N --contour ... [--ban ...]...
//                  [--system N --contour ... [--ban ...]...]...
//                  --first N --last M [--method colour|appearance]
//                  [--radius R] [--rgb] [--stop-uncertain] [--threshold F]
//                  -o SORTIE.kvo
// Runs the program's tracking controller on the document's video, with the
// document's step between marks, on one object per --system and --contour
// pair (tracked together, all drawn on image N), keeps the positions as
// "Enregistrer" does and saves SORTIE.kvo with the method.  Prints the same
// lines, each object's after a line "system N" when there are several, then
// "uncertain: a-b,c" when some images were uncertain.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/app/file_workflow.h"
#include "core/tracking/appearance_tracker.h"
#include "core/tracking/mean_shift.h"
#include "core/tracking/tracking.h"
#include "core/tracking/video_tracking_host.h"
#include "core/video/frame_sources.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"

namespace {

using kinevo::TPictureCoord;

constexpr const char* kUsage =
    "Usage : kinevo-cli track VIDEO --contour X,Y X,Y ... --first N --last M [--step S] "
    "[--method colour|appearance] [--radius R] [--rgb] [--ban X,Y X,Y ...] [--threshold F]\n"
    "        kinevo-cli track DOC.kvo --system N --contour X,Y ... [--ban X,Y ...]... "
    "[--system N --contour ...]... --first N --last M [--method colour|appearance] "
    "[--radius R] [--rgb] [--stop-uncertain] [--threshold F] -o SORTIE.kvo\n";

bool ParseInt(const std::string& s, int& out) {
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && p == end;
}

bool ParseDouble(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(out);
}

// "X,Y" in picture pixels.
bool ParsePoint(const std::string& s, double& x, double& y) {
  const auto comma = s.find(',');
  return comma != std::string::npos && ParseDouble(s.substr(0, comma), x) &&
         ParseDouble(s.substr(comma + 1), y);
}

struct TPixelPoint {
  double x, y;
};

// One object to follow: its system (0 until given), contour and ban zones.
struct TObjectArgs {
  int system = 0;
  std::vector<TPixelPoint> contour;
  std::vector<std::vector<TPixelPoint>> bans;
};

struct TTrackArgs {
  std::string video;
  std::vector<TObjectArgs> objects;
  kinevo::TTrackingMethod method = kinevo::tmColour;
  int first = -1;
  int last = -1;
  int step = 1;
  int radius = 40;
  bool rgb = false;
  bool hasFirst = false, hasLast = false;
  // The document form.
  bool stopUncertain = false;
  double threshold = kinevo::TTrackingSettings{}.uncertainFraction;
  std::string output;
};

constexpr const char* kNoTemplate =
    "le contour n'entoure aucun pixel de l'image, ou une image sans relief à reconnaître";

// One line of the output: the image, the position in picture pixels, the
// similarity.
void PrintLine(int image, double x, double y, double similarity) {
  std::printf("%d %.3f %.3f %.4f\n", image, x, y, similarity);
}

int Fail(const std::string& message) {
  std::cerr << "kinevo-cli track : " << message << "\n";
  return 2;
}

// An option ("-o", "--ban"), as opposed to a point, which may start with a
// minus sign ("-3,12").
bool IsOption(const std::string& s) {
  return s.size() >= 2 && s[0] == '-' && !std::isdigit(static_cast<unsigned char>(s[1])) &&
         s[1] != '.';
}

// Reads "X,Y" points from args[i] on, up to the next option.
bool ReadPoints(const std::vector<std::string>& args, std::size_t& i,
                std::vector<TPixelPoint>& points, std::string& bad) {
  while (i + 1 < args.size() && !IsOption(args[i + 1])) {
    ++i;
    TPixelPoint p{};
    if (!ParsePoint(args[i], p.x, p.y)) {
      bad = args[i];
      return false;
    }
    points.push_back(p);
  }
  return true;
}

// Why a run cannot start on image `first` of `count`; empty when it can.
std::string FirstImageRefusal(int first, int count) {
  if (first < 0 || first >= count)
    return "Le numéro de la première image du suivi est incorrect (" + std::to_string(first) +
           " ; les images vont de 0 à " + std::to_string(count - 1) + ").";
  if (first == count - 1)
    return "La séquence débute avec la dernière image de la vidéo (suivi inutile).";
  return {};
}

// Why the objects cannot be followed; empty when they can.  A single
// object without a system is the first.
std::string CheckObjects(std::vector<TObjectArgs>& objects) {
  if (objects.size() == 1 && objects.front().system == 0) objects.front().system = 1;
  std::vector<int> seen;
  for (const TObjectArgs& o : objects) {
    if (o.contour.empty()) return "--contour attendu pour chaque objet";
    if (o.system == 0) return "--system attendu pour chaque objet quand il y en a plusieurs";
    if (std::find(seen.begin(), seen.end(), o.system) != seen.end())
      return "l'objet " + std::to_string(o.system) + " a deux contours";
    seen.push_back(o.system);
  }
  return {};
}

std::vector<TPictureCoord> ToPicture(const std::vector<TPixelPoint>& points, int w, int h) {
  std::vector<TPictureCoord> out;
  for (const auto& p : points) out.push_back({p.x / w, p.y / h});
  return out;
}

// The document form: the controller on the document's video.
int TrackDocument(const TTrackArgs& a) {
  if (a.output.empty()) {
    std::cerr << kUsage;
    return Fail("-o attend le nom du document à écrire");
  }
  auto cs = kinevo::cli::OpenDocumentSession(a.video, "");
  if (!cs) return 1;
  kinevo::TSession& s = *cs->session;
  if (!kinevo::cli::OutputAllowed(a.output, {a.video, s.Video.FileName()})) return 1;
  const int w = s.Video.ImageWidth(), h = s.Video.ImageHeight();
  for (const TObjectArgs& o : a.objects)
    if (o.system > s.Data.MarksNumberPerFrame())
      return Fail("le document ne suit que " + std::to_string(s.Data.MarksNumberPerFrame()) +
                  " objet(s)");

  kinevo::TVideoTrackingHost host(s.Video);
  kinevo::TTrackingSettings settings;
  settings.radius = a.radius;
  settings.uncertainFraction = a.threshold;
  settings.stopAtUncertain = a.stopUncertain;
  kinevo::TTracking tracking(host, s.Data, s.Dialog, settings);
  tracking.SetUseRGB(a.rgb);
  tracking.SetMethod(a.method);
  // The checks of a tracking run, as for a video.
  if (const std::string refusal = FirstImageRefusal(a.first, s.Video.DisplayedImagesNumber());
      !refusal.empty())
    return Fail(refusal);
  // The contours are drawn on the first image (view pixels are picture
  // pixels), one system after the other.
  s.Video.GoToDisplayedImage(a.first);
  for (const TObjectArgs& o : a.objects) {
    tracking.SetCurrentSystem(o.system - 1);
    if (!tracking.SetContour(ToPicture(o.contour, w, h)))
      return Fail("le contour doit avoir au moins trois points");
    for (const auto& zone : o.bans) tracking.AddBanZone(ToPicture(zone, w, h));
  }
  tracking.SetCurrentSystem(a.objects.front().system - 1);
  tracking.SetLastImage(a.last);
  if (!tracking.RunToEnd()) return 1;  // the check's message is on stderr

  for (const TObjectArgs& o : a.objects) {
    const kinevo::TTrackedSystem& sys = tracking.System(o.system - 1);
    const auto& marks = sys.marks;
    if (marks.empty() || marks[static_cast<std::size_t>(sys.firstImage)].fileIndex < 0)
      return Fail("le contour n'entoure aucun pixel de l'image");
    if (a.objects.size() > 1) std::printf("system %d\n", o.system);
    for (std::size_t k = 0; k < marks.size(); ++k)
      if (marks[k].fileIndex >= 0)
        PrintLine(static_cast<int>(k), marks[k].position.x * w, marks[k].position.y * h,
                  marks[k].similarity);
  }
  if (!tracking.UncertainImages().empty())
    std::printf("uncertain: %s\n",
                kinevo::FormatImageRuns(tracking.UncertainImages(),
                                        std::max(s.Data.FramesNumberBetweenTwoMarks(), 1), "-", ",")
                    .c_str());
  std::fflush(stdout);

  tracking.ApplyToMarkingData();
  if (const kinevo::TStatus saved = s.Workflow().WriteDocumentFile(a.output); !saved) {
    kinevo::cli::PrintSaveFailure(a.output, saved.error());
    return 1;
  }
  return 0;
}

int Track(const std::vector<std::string>& args) {
  TTrackArgs a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& s = args[i];
    std::string bad;
    auto value = [&](int& out) {
      if (i + 1 >= args.size() || !ParseInt(args[i + 1], out)) return false;
      ++i;
      return true;
    };
    // A contour, or a system, that its object already has starts the next
    // object; a ban zone goes to the last one.
    auto& objects = a.objects;
    if (s == "--contour") {
      if (objects.empty() || !objects.back().contour.empty()) objects.emplace_back();
      if (!ReadPoints(args, i, objects.back().contour, bad))
        return Fail("point incorrect « " + bad + " » (attendu X,Y)");
    } else if (s == "--ban") {
      if (objects.empty()) objects.emplace_back();
      objects.back().bans.emplace_back();
      if (!ReadPoints(args, i, objects.back().bans.back(), bad))
        return Fail("point incorrect « " + bad + " » (attendu X,Y)");
    } else if (s == "--method") {
      if (i + 1 < args.size() && args[i + 1] == "colour")
        a.method = kinevo::tmColour;
      else if (i + 1 < args.size() && args[i + 1] == "appearance")
        a.method = kinevo::tmAppearance;
      else
        return Fail("--method attend colour ou appearance");
      ++i;
    } else if (s == "--first") {
      if (!value(a.first)) return Fail("--first attend un numéro d'image");
      a.hasFirst = true;
    } else if (s == "--last") {
      if (!value(a.last)) return Fail("--last attend un numéro d'image");
      a.hasLast = true;
    } else if (s == "--step") {
      if (!value(a.step) || a.step < 1) return Fail("--step attend un entier positif");
    } else if (s == "--radius") {
      if (!value(a.radius) || a.radius < 1)
        return Fail("--radius attend un nombre de pixels positif");
    } else if (s == "--rgb") {
      a.rgb = true;
    } else if (s == "--system") {
      int n = 0;
      if (!value(n) || n < 1) return Fail("--system attend un numéro d'objet (1, 2 ...)");
      if (objects.empty() || objects.back().system != 0) objects.emplace_back();
      objects.back().system = n;
    } else if (s == "--stop-uncertain") {
      a.stopUncertain = true;
    } else if (s == "--threshold") {
      if (i + 1 >= args.size() || !ParseDouble(args[i + 1], a.threshold) || a.threshold < 0 ||
          a.threshold > 1)
        return Fail("--threshold attend une fraction entre 0 et 1");
      ++i;
    } else if (s == "-o") {
      if (i + 1 >= args.size()) return Fail("-o attend le nom du document à écrire");
      a.output = args[++i];
    } else if (s.rfind("--", 0) == 0 || !a.video.empty()) {
      std::cerr << kUsage;
      return Fail("argument inconnu « " + s + " »");
    } else {
      a.video = s;
    }
  }
  if (a.video.empty() || a.objects.empty() || !a.hasFirst || !a.hasLast) {
    std::cerr << kUsage;
    return 2;
  }
  if (const std::string refusal = CheckObjects(a.objects); !refusal.empty()) {
    std::cerr << kUsage;
    return Fail(refusal);
  }
  if (kinevo::IsDocumentExtension(a.video)) return TrackDocument(a);
  if (a.objects.size() > 1) return Fail("plusieurs objets se suivent sur un document (.kvo)");
  const TObjectArgs& object = a.objects.front();

  kinevo::TVfwPlay vfw;
  kinevo::TDSPlay ds;
  kinevo::TFFMpegPlay bridge;
  kinevo::TFrameSources sources(vfw, ds, bridge);
  kinevo::TFrameSource& source = sources.Open(a.video);
  if (!source.Opened()) {
    std::cerr << "kinevo-cli track : impossible d'ouvrir la vidéo « " << a.video << " »\n";
    if (!sources.Error().empty()) std::cerr << kinevo::VideoOpenReasonLine(sources.Error()) << "\n";
    return 1;
  }
  const int count = source.ImagesNumber();
  const int w = source.ImageWidth(), h = source.ImageHeight();
  if (const std::string refusal = FirstImageRefusal(a.first, count); !refusal.empty())
    return Fail(refusal);
  if (a.last < 0 || a.last > count - 1 || a.last <= a.first) a.last = count - 1;

  kinevo::Image picture(w, h);
  auto take = [&](int k) {
    source.GoToImage(k);
    return source.DrawImage(picture);
  };
  if (!take(a.first)) {
    std::cerr << "kinevo-cli track : image " << a.first << " illisible\n";
    return 1;
  }

  const std::vector<TPictureCoord> contour = ToPicture(object.contour, w, h);
  auto next = [&](auto& follow) {
    for (long long k = static_cast<long long>(a.first) + a.step; k <= a.last; k += a.step) {
      const int image = static_cast<int>(k);
      if (!take(image)) {
        std::cerr << "kinevo-cli track : image " << image << " illisible\n";
        return 1;
      }
      follow(image);
    }
    return 0;
  };
  if (a.method == kinevo::tmAppearance) {
    kinevo::TAppearanceTracker tracker;
    tracker.UseRGB = a.rgb;
    tracker.SetRadius(a.radius);
    if (!tracker.SetModel(picture, contour)) return Fail(kNoTemplate);
    const double reference = tracker.Similarity(picture, tracker.ModelCentre());
    PrintLine(a.first, tracker.ModelCentre().x, tracker.ModelCentre().y, reference);
    auto follow = [&](int image) {
      tracker.Track(picture, a.threshold * reference);
      PrintLine(image, tracker.LastPosition().x, tracker.LastPosition().y,
                tracker.LastSimilarity());
    };
    return next(follow);
  }
  kinevo::TMeanShift tracker;
  tracker.UseRGB = a.rgb;
  tracker.SetRadius(a.radius);
  std::vector<std::vector<TPictureCoord>> zones;
  for (const auto& zone : object.bans) zones.push_back(ToPicture(zone, w, h));
  tracker.SetBanZones(zones, w, h);
  kinevo::TPixel p;
  if (!tracker.SetModel(picture, contour, p)) {
    std::cerr << "kinevo-cli track : le contour n'entoure aucun pixel de l'image\n";
    return 1;
  }
  tracker.SetBinCount(20);
  tracker.BuildModel();
  PrintLine(a.first, tracker.ModelCentre().x, tracker.ModelCentre().y,
            tracker.Similarity(picture, p));
  auto follow = [&](int image) {
    tracker.Track(picture, p, 10);
    PrintLine(image, tracker.LastPosition().x, tracker.LastPosition().y, tracker.LastSimilarity());
  };
  return next(follow);
}

kinevo::cli::Register reg("track",
                          "track VIDEO|DOC.kvo [--system N] --contour X,Y X,Y ... [--ban X,Y ...] "
                          "--first N --last M [--step S] [--method colour|appearance] "
                          "[--radius R] [--rgb] [--threshold F] [--stop-uncertain -o SORTIE.kvo]"
                          "   suit un ou plusieurs objets (couleur ou apparence)",
                          Track);

}  // namespace
