#include "cli/session_open.h"

#include <algorithm>
#include <iostream>

#include "core/app/readiness.h"
#include "core/common/atomic_file.h"
#include "core/graph/curve_models.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"

namespace kinevo::cli {

int32_t TStderrPresenter::Present(const TUserDlgContent& content, bool&) {
  for (const auto& l : content.lines)
    if (!l.text.empty()) std::cerr << l.text << "\n";
  for (std::size_t i = 0; i < content.buttons.size(); ++i)
    if (content.buttons[i].caption == "Continuer") return static_cast<int32_t>(i);
  return content.buttons.empty() ? -1 : 0;
}

bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value,
                bool& missing) {
  auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return false;
  if (it + 1 == args.end()) {
    missing = true;
    args.erase(it);
    return false;
  }
  value = *(it + 1);
  args.erase(it, it + 2);
  return true;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
  auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

bool ParseModelKind(const std::string& text, int& kind) {
  static const std::pair<const char*, int> names[] = {
      {"constant", mkConstant},   {"proportional", mkProportional}, {"line", mkAffine},
      {"parabola", mkParabola},   {"exponential", mkExponential},   {"sine", mkSinus},
      {"damped-sine", mkSinusAe}, {"dry-friction", mkSinusAl}};
  for (const auto& [name, k] : names)
    if (text == name) {
      kind = k;
      return true;
    }
  return false;
}

bool OutputAllowed(const std::string& output, const std::vector<std::string>& inputs) {
  const TStatus allowed = CheckOutputFile(output, inputs);
  if (!allowed) std::cerr << allowed.error().Text() << "\n";
  return allowed.ok();
}

std::unique_ptr<TCliSession> NewCliSession() {
  auto cs = std::make_unique<TCliSession>();
  TFrameSourceSet sources;
  sources.vfw = std::make_unique<TVfwPlay>();
  sources.ds = std::make_unique<TDSPlay>();
  sources.ffmpeg = std::make_unique<TFFMpegPlay>();
  cs->session = std::make_unique<TSession>(std::move(sources), "", &cs->presenter);
  return cs;
}

std::unique_ptr<TCliSession> OpenDocumentSession(const std::string& document,
                                                 const std::string& videoOverride) {
  auto cs = NewCliSession();
  // A view of the picture's size, so that view pixels are picture pixels.
  if (const TStatus opened = cs->session->LoadDocumentQuietly(document, videoOverride); !opened) {
    std::cerr << opened.error().Text() << "\n";
    return nullptr;
  }
  cs->session->Video.Resize(cs->session->Video.ImageWidth(), cs->session->Video.ImageHeight());
  cs->session->Data.UpdateScreenPositions();
  return cs;
}

void PrintSaveFailure(const std::string& path, const TError& failure) {
  std::cerr << "La sauvegarde du fichier a échoué : " << path << "\n"
            << "Détail : " << (failure.cause.empty() ? failure.reason : failure.cause) << "\n";
}

std::unique_ptr<TCliSession> OpenDocumentInMode(const std::string& document,
                                                const std::string& videoOverride, bool layer) {
  auto cs = OpenDocumentSession(document, videoOverride);
  if (!cs) return nullptr;
  TSession& s = *cs->session;
  s.Video.SetMode(layer ? vmTransparent : vmRepereFixe);
  if (s.Video.IsLayer() != layer) {
    std::cerr << "Le mode de pointage demandé n'est pas disponible.\n";
    return nullptr;
  }
  return cs;
}

bool ComputeResultsQuietly(TSession& s) {
  TMainMem mem;
  mem.adviseNames = false;
  TReadinessInput in =
      ReadinessInputOf(s.Data, s.Video.Mode(), s.Data.Settings().separateScales, false);
  if (CheckReadiness(in, s.Dialog, mem) == rdStop) return false;
  if (!s.UpdateResults(true)) {
    std::cerr << s.Results().Failure().Text() << "\n";
    return false;
  }
  return true;
}

std::unique_ptr<TCliSession> OpenResultsOfSystem(const std::string& document,
                                                 const std::string& videoOverride, bool layer,
                                                 int system, bool uncertainties) {
  auto cs = OpenDocumentInMode(document, videoOverride, layer);
  if (!cs) return nullptr;
  TSession& s = *cs->session;
  s.Results().SetUncertainties(uncertainties);
  if (!ComputeResultsQuietly(s)) return nullptr;
  if (system >= s.Results().Active().SystemsCount()) {
    std::cerr << "Le point " << system + 1 << " n'existe pas.\n";
    return nullptr;
  }
  return cs;
}

}  // namespace kinevo::cli
