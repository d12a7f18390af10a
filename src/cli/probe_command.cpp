// kinevo-cli probe FILE [--backend vfw|ds|ffmpeg]: the properties of a video,
// one "key: value" per line.  Width and height are those of the upright
// picture; rotation is the clockwise turn the file asks for to show it so.  A file that cannot be
// opened gives the program's failure message on stderr, with the reason as its last line.
#include <iomanip>
#include <iostream>

#include "cli/command.h"
#include "cli/video_open.h"
#include "core/video/file_times.h"

namespace {

int Probe(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string backend;
  if (!kinevo::cli::TakeBackend(args, backend)) return 2;
  if (args.size() != 1) {
    std::cerr << "Usage : kinevo-cli probe FICHIER [--backend vfw|ds|ffmpeg]\n";
    return 2;
  }
  auto video = kinevo::cli::OpenVideo(args[0], backend);
  if (!video) return 1;
  const kinevo::TFrameSource& s = video->Source();
  const double duration =
      s.StreamDuration() > 0 ? s.StreamDuration() : s.ImagesNumber() * s.ImageDuration();
  std::cout << std::setprecision(10);
  std::cout << "backend: " << kinevo::cli::BackendName(s.Framework()) << "\n"
            << "images: " << s.ImagesNumber() << "\n"
            << "width: " << s.ImageWidth() << "\n"
            << "height: " << s.ImageHeight() << "\n"
            << "rate: " << s.ImageRate() << "\n"
            << "duration: " << duration << "\n"
            << "image_duration_ms: " << s.ImageDurationMs() << "\n"
            << "variable_rate: " << (s.VariableRate() ? "yes" : "no") << "\n"
            << "rotation: " << s.Rotation() << "\n";
  std::cout << "capture_rate: ";
  if (s.CaptureRate() > 0)
    std::cout << s.CaptureRate() << "\n";
  else
    std::cout << "-\n";
  const kinevo::TTimingIssues& issues = s.TimingIssues();
  std::cout << "repeated_images: " << kinevo::IndexList(issues.duplicates) << "\n"
            << "gaps_before: " << kinevo::IndexList(issues.gaps) << "\n";
  if (s.IncoherentDurations()) std::cout << "warning: " << kinevo::kIncoherentDurationsText << "\n";
  if (issues.Any()) std::cout << "warning: " << kinevo::TimingIssuesText(issues) << "\n";
  return 0;
}

kinevo::cli::Register reg("probe",
                          "probe FICHIER [--backend vfw|ds|ffmpeg]   propriétés d'une vidéo",
                          Probe);

}  // namespace
