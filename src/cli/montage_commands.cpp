// kinevo-cli montage, split and join: the three operations of montage mode
// without their dialogs.
//   montage DOC.kvo -o OUT.avi [--backend vfw|ds|ffmpeg] [--codec NAME] [--empty-images]
//           [--stretch WxH | --cut L,T,R,B] [--rate R] [--video PATH]
//   split VIDEO|DOC.kvo -o BASE.bmp|BASE.png
//   join PICTURE... --rate R -o OUT.avi [--codec NAME]
// Failures print the program's message on stderr and exit with 1; a wrong
// command line exits with 2.
#include <charconv>
#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/common/text_utils.h"
#include "platform/ffmpeg/recorders.h"

namespace {

using kinevo::TRecordChoices;
using kinevo::cli::TakeFlag;
using kinevo::cli::TakeOption;

bool ParseInts(const std::string& text, char separator, std::vector<int>& out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    const std::string part = text.substr(start, end == std::string::npos ? end : end - start);
    int v = 0;
    const auto r = std::from_chars(part.data(), part.data() + part.size(), v);
    if (part.empty() || r.ec != std::errc() || r.ptr != part.data() + part.size()) return false;
    out.push_back(v);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

bool Bad(const std::string& why) {
  std::cerr << "kinevo-cli : " << why << "\n";
  return false;
}

// --codec and --rate, shared by montage and join.
struct CodecAndRate {
  std::string codec, rate;
  bool hasCodec = false, hasRate = false;
};

bool TakeCodecAndRate(std::vector<std::string>& args, CodecAndRate& cr) {
  bool missing = false;
  cr.hasCodec = TakeOption(args, "--codec", cr.codec, missing);
  cr.hasRate = TakeOption(args, "--rate", cr.rate, missing);
  return !missing || Bad("valeur manquante après une option");
}

// Applies them to `c`; the codec must be one the back-end offers.
bool ApplyCodecAndRate(const CodecAndRate& cr, kinevo::TRecordMontage& rec, TRecordChoices& c) {
  const std::string& codec = cr.codec;
  const std::string& rate = cr.rate;
  const bool hasCodec = cr.hasCodec, hasRate = cr.hasRate;
  kinevo::TRecorder* recorder = rec.Recorder(c.framework);
  const std::vector<std::string> codecs =
      recorder ? recorder->Codecs() : std::vector<std::string>{};
  if (codecs.empty()) return Bad("aucun codeur disponible pour ce cadre de travail");
  c.codec = hasCodec ? codec : codecs.front();
  bool known = false;
  for (const auto& name : codecs) known = known || name == c.codec;
  if (!known) {
    std::string list;
    for (const auto& name : codecs) list += (list.empty() ? "" : ", ") + name;
    return Bad("codeur inconnu « " + c.codec + " » (codeurs offerts : " + list + ")");
  }
  if (hasRate) {
    char* end = nullptr;
    c.rate = std::strtod(rate.c_str(), &end);
    if (end == rate.c_str() || *end != '\0' || !(c.rate > 0) || c.rate > 1000)
      return Bad("cadence incorrecte « " + rate + " »");
    // The reader's rule: a video it would refuse is not written.
    if (!kinevo::RateReadable(c.rate)) return Bad(kinevo::RateRefusal(c.rate));
  }
  return true;
}

bool TakeSize(std::vector<std::string>& args, TRecordChoices& c) {
  std::string stretch, cut;
  bool missing = false;
  const bool hasStretch = TakeOption(args, "--stretch", stretch, missing);
  const bool hasCut = TakeOption(args, "--cut", cut, missing);
  if (missing) return Bad("valeur manquante après une option");
  if (hasStretch && hasCut) return Bad("--stretch et --cut ne vont pas ensemble");
  std::vector<int> v;
  if (hasStretch) {
    if (!ParseInts(stretch, 'x', v) || v.size() != 2 || v[0] <= 0 || v[1] <= 0)
      return Bad("dimensions incorrectes « " + stretch + " » (LARGEURxHAUTEUR)");
    c.sizeMode = kinevo::smStretch;
    c.stretchWidth = v[0];
    c.stretchHeight = v[1];
  }
  if (hasCut) {
    if (!ParseInts(cut, ',', v) || v.size() != 4)
      return Bad("marges incorrectes « " + cut + " » (GAUCHE,HAUT,DROITE,BAS)");
    for (int m : v)
      if (m < 0 || m > kinevo::kMaxMargin) return Bad("une marge va de 0 à 100 pixels");
    c.sizeMode = kinevo::smCut;
    c.margins = {v[0], v[1], v[2], v[3]};
  }
  return true;
}

int Montage(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string out, backend, video;
  bool missing = false;
  TakeOption(args, "-o", out, missing);
  TakeOption(args, "--backend", backend, missing);
  TakeOption(args, "--video", video, missing);
  TRecordChoices c;
  c.emptyImages = TakeFlag(args, "--empty-images");
  CodecAndRate cr;
  if (!TakeCodecAndRate(args, cr)) return 2;
  if (!backend.empty() && !kinevo::FrameworkFromName(backend, c.framework)) {
    Bad("cadre de travail inconnu « " + backend + " » (vfw, ds ou ffmpeg)");
    return 2;
  }
  if (!TakeSize(args, c)) return 2;
  if (missing || out.empty() || args.size() != 1) {
    std::cerr << "Usage : kinevo-cli montage DOC.kvo -o SORTIE.avi [--backend vfw|ds|ffmpeg] "
                 "[--codec NOM] [--empty-images] [--stretch LxH | --cut G,H,D,B] [--rate R]\n";
    return 2;
  }
  auto cs = kinevo::cli::OpenDocumentSession(args[0], video);
  if (!cs) return 1;
  kinevo::TSession& s = *cs->session;
  if (!kinevo::cli::OutputAllowed(out, {args[0], s.Video.FileName()})) return 1;
  kinevo::InstallRecorders(s.Recorder);
  c.rate = s.Video.ImageRate();
  if (!ApplyCodecAndRate(cr, s.Recorder, c)) return 2;
  if (!s.Recorder.RecordMontageTo(out, c)) return 1;
  std::cout << "images: " << s.Recorder.Plan(c.emptyImages).size() << "\n";
  return 0;
}

int Split(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string out;
  bool missing = false;
  TakeOption(args, "-o", out, missing);
  if (missing || args.size() != 1 ||
      !(kinevo::LowerExtension(out) == ".bmp" || kinevo::LowerExtension(out) == ".png")) {
    std::cerr << "Usage : kinevo-cli split VIDEO|DOC.kvo -o BASE.bmp|BASE.png\n";
    return 2;
  }
  std::unique_ptr<kinevo::cli::TCliSession> cs;
  if (kinevo::LowerExtension(args[0]) == ".kvo") {
    cs = kinevo::cli::OpenDocumentSession(args[0], "");
    if (!cs) return 1;
  } else {
    cs = kinevo::cli::NewCliSession();
    if (!cs->session->OpenVideo(args[0])) {
      std::cerr << "kinevo-cli : impossible d'ouvrir « " << args[0] << " »";
      const std::string why = cs->session->VideoOpenError();
      std::cerr << (why.empty() ? "" : " : " + why) << "\n";
      return 1;
    }
  }
  kinevo::TSession& s = *cs->session;
  kinevo::InstallRecorders(s.Recorder);
  if (!s.Recorder.WritePictures(out)) return 1;
  std::cout << "pictures: " << s.Montage.VisibleCount() << "\n";
  return 0;
}

int Join(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string out;
  bool missing = false;
  TakeOption(args, "-o", out, missing);
  CodecAndRate cr;
  if (!TakeCodecAndRate(args, cr)) return 2;
  if (missing || args.empty() || out.empty() || !cr.hasRate) {
    std::cerr << "Usage : kinevo-cli join IMAGE... --rate R -o SORTIE.avi [--codec NOM]\n";
    return 2;
  }
  auto cs = kinevo::cli::NewCliSession();
  kinevo::TSession& s = *cs->session;
  kinevo::InstallRecorders(s.Recorder);
  TRecordChoices c;
  c.framework = kinevo::fwVfw;  // pictures become a video through the AVI writer
  if (!ApplyCodecAndRate(cr, s.Recorder, c)) return 2;
  for (const auto& a : args)
    if (a.rfind("--", 0) == 0) {
      Bad("option inconnue « " + a + " »");
      return 2;
    }
  kinevo::NaturalSort(args);
  if (!s.Recorder.JoinPictures(args, out, c)) return 1;
  std::cout << "images: " << args.size() << "\n";
  return 0;
}

kinevo::cli::Register montageReg(
    "montage",
    "montage DOC.kvo -o SORTIE.avi [--backend vfw|ds|ffmpeg] [--codec "
    "NOM] [--empty-images] [--stretch LxH | --cut G,H,D,B] [--rate R]   "
    "enregistre les images visibles du montage",
    Montage);
kinevo::cli::Register splitReg("split",
                               "split VIDEO|DOC.kvo -o BASE.bmp|BASE.png   une image par fichier "
                               "(BASE_NNN.bmp)",
                               Split);
kinevo::cli::Register joinReg("join",
                              "join IMAGE... --rate R -o SORTIE.avi [--codec sans|MJPEG]   une "
                              "vidéo à partir d'images (ordre naturel des noms)",
                              Join);

}  // namespace
