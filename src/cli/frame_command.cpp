// kinevo-cli frame FILE N [N ...] -o OUT [--backend vfw|ds|ffmpeg]: writes
// image N (file index from 0) as PNG, or PPM when OUT ends in ".ppm".  With
// several images OUT holds "%d", replaced by the index.  Images are fetched in
// the order given.
#include <charconv>
#include <iostream>

#include "cli/command.h"
#include "cli/session_open.h"
#include "cli/video_open.h"
#include "platform/ffmpeg/picture_files.h"

namespace {

bool ParseIndex(const std::string& s, int& n) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string OutputName(const std::string& pattern, int n) {
  const auto at = pattern.find("%d");
  if (at == std::string::npos) return pattern;
  return pattern.substr(0, at) + std::to_string(n) + pattern.substr(at + 2);
}

int Frame(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string backend, out;
  if (!kinevo::cli::TakeBackend(args, backend)) return 2;
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i] == "-o" && i + 1 < args.size()) {
      out = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  std::vector<int> indexes;
  for (std::size_t i = 1; i < args.size(); ++i) {
    int n = 0;
    if (!ParseIndex(args[i], n)) {
      std::cerr << "kinevo-cli : numéro d'image incorrect « " << args[i] << " »\n";
      return 2;
    }
    indexes.push_back(n);
  }
  if (args.empty() || indexes.empty() || out.empty()) {
    std::cerr << "Usage : kinevo-cli frame FICHIER N [N ...] -o SORTIE [--backend vfw|ds|ffmpeg]\n";
    return 2;
  }
  if (indexes.size() > 1 && out.find("%d") == std::string::npos) {
    std::cerr << "kinevo-cli : avec plusieurs images, la sortie doit contenir %d\n";
    return 2;
  }
  if (!kinevo::cli::OutputAllowed(OutputName(out, indexes.front()), {args[0]})) return 1;
  auto video = kinevo::cli::OpenVideo(args[0], backend);
  if (!video) return 1;
  kinevo::TFrameSource& s = video->Source();
  s.SetIsolatedReads(true);
  const bool ppm = out.size() >= 4 && out.compare(out.size() - 4, 4, ".ppm") == 0;
  kinevo::Image picture(s.ImageWidth(), s.ImageHeight());
  for (int n : indexes) {
    if (n < 0 || n >= s.ImagesNumber()) {
      std::cerr << "kinevo-cli : l'image " << n << " n'existe pas (0 à " << s.ImagesNumber() - 1
                << ")\n";
      return 1;
    }
    s.GoToImage(n);
    if (!s.DrawImage(picture)) {
      std::cerr << "kinevo-cli : impossible de décoder l'image " << n << "\n";
      return 1;
    }
    const std::string file = OutputName(out, n);
    if (!kinevo::cli::OutputAllowed(file, {args[0]})) return 1;
    const kinevo::TStatus written =
        ppm ? kinevo::ff::WritePpm(picture, file) : kinevo::ff::WritePng(picture, file);
    if (!written) {
      std::cerr << written.error().Text() << "\n";
      return 1;
    }
  }
  return 0;
}

kinevo::cli::Register reg(
    "frame", "frame FICHIER N [N ...] -o SORTIE [--backend vfw|ds|ffmpeg]   image(s) en PNG ou PPM",
    Frame);

}  // namespace
