// kinevo-cli simulate DOC.kvo --ax EXPR --ay EXPR [--param NAME=VALUE]...
// [--system N] [--from IMAGE] [--fit NAME,NAME,...]: a dynamic model
// (accelerations written as formulas of t, x, y, vx, vy, v and parameters)
// launched from a marked image and integrated over the marked images'
// times.  Prints the fitted parameters first when asked, then one line
// "t x y" per marked image (the model's position in metres) and the rms
// distance to the marks.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/common/number_format.h"
#include "core/common/result.h"
#include "core/dynamics/dynamic_model.h"
#include "core/dynamics/dynamic_setup.h"

namespace kinevo::cli {
namespace {

constexpr const char* kUsage =
    "Usage : kinevo-cli simulate DOC.kvo --ax EXPR --ay EXPR [--param NOM=VALEUR]... "
    "[--system N] [--from IMAGE] [--fit NOM,NOM,...] [--video VIDEO] [--layer]\n"
    "  EXPR : formule de t, x, y, vx, vy, v et des paramètres (x0, y0, vx0, vy0 et ceux de "
    "--param)\n";

struct TSimulateRequest {
  std::string document, video, ax, ay;
  std::vector<TDynamicParameter> parameters;  // given with --param
  std::vector<std::string> fitted;
  int system = 0;
  int from = -1;  // image number as the table shows it; -1: the first marked
  bool layer = false;
};

bool PositiveNumber(const std::string& text, int& out) {
  long long v = 0;
  if (!TextToInt(text, v) || v < 1 || v > 100000000) return false;
  out = static_cast<int>(v);
  return true;
}

bool TakeParameters(std::vector<std::string>& args, TSimulateRequest& r, bool& missing) {
  std::string text;
  while (TakeOption(args, "--param", text, missing)) {
    const std::size_t eq = text.find('=');
    double value = 0;
    if (eq == std::string::npos || eq == 0 || !TextToFloat(text.substr(eq + 1), value) ||
        !std::isfinite(value)) {
      std::cerr << "kinevo-cli : paramètre incorrect « " << text << " » (NOM=VALEUR attendu)\n";
      return false;
    }
    r.parameters.push_back({text.substr(0, eq), value});
  }
  return true;
}

bool ParseRequest(std::vector<std::string> args, TSimulateRequest& r) {
  std::string system, from, fit;
  bool missing = false;
  const bool hasAx = TakeOption(args, "--ax", r.ax, missing);
  const bool hasAy = TakeOption(args, "--ay", r.ay, missing);
  const bool hasSystem = TakeOption(args, "--system", system, missing);
  const bool hasFrom = TakeOption(args, "--from", from, missing);
  const bool hasFit = TakeOption(args, "--fit", fit, missing);
  TakeOption(args, "--video", r.video, missing);
  r.layer = TakeFlag(args, "--layer");
  if (!TakeParameters(args, r, missing)) return false;
  if (missing || args.size() != 1 || !hasAx || !hasAy) return false;
  r.document = args[0];
  // Systems are numbered from 1, as the window names them.
  if (hasSystem) {
    if (!PositiveNumber(system, r.system)) return false;
    --r.system;
  }
  if (hasFrom && !PositiveNumber(from, r.from)) return false;
  for (std::size_t at = 0; hasFit && at <= fit.size();) {
    const std::size_t comma = std::min(fit.find(',', at), fit.size());
    if (comma > at) r.fitted.push_back(fit.substr(at, comma - at));
    at = comma + 1;
  }
  return !hasFit || !r.fitted.empty();
}

// The model's parameters: the starting values (replaced by those given),
// then the others given, each once; the ones to fit ticked.
bool ModelParameters(const TSimulateRequest& r, const TDynamicSeries& d, int from,
                     std::vector<TDynamicParameter>& out) {
  out = StartValuesAt(d, from);
  for (const TDynamicParameter& given : r.parameters) {
    auto same = [&](const TDynamicParameter& p) { return p.name == given.name; };
    auto it = std::find_if(out.begin(), out.end(), same);
    if (it == out.end())
      out.push_back(given);
    else
      it->value = given.value;
  }
  for (const std::string& name : r.fitted) {
    auto it = std::find_if(out.begin(), out.end(), [&](auto& p) { return p.name == name; });
    if (it == out.end()) {
      std::cerr << "kinevo-cli : le paramètre « " << name
                << " » n'existe pas (donnez sa valeur avec --param " << name << "=...)\n";
      return false;
    }
    it->fitted = true;
  }
  return true;
}

std::string Number(double v) { return FloatToText(v, 15, '.'); }

int Simulate(const std::vector<std::string>& args) {
  TSimulateRequest r;
  if (!ParseRequest(args, r)) {
    std::cerr << kUsage;
    return 2;
  }
  auto cs = OpenResultsOfSystem(r.document, r.video, r.layer, r.system);
  if (!cs) return 1;
  const TCalcul& calc = cs->session->Results().Active();
  const TDynamicSeries d = MarkedSeries(calc, r.system);
  if (d.t.size() < 2) {
    std::cerr << "Le point " << r.system + 1 << " a moins de deux images marquées.\n";
    return 1;
  }
  int from = 0;
  if (r.from >= 0) {
    // Images are numbered as the table numbers its rows, from 1.
    from = d.IndexOfRow(r.from - 1);
    if (from < 0) {
      std::cerr << "L'image " << r.from << " n'est pas marquée pour le point " << r.system + 1
                << ".\n";
      return 1;
    }
  }
  ScopedDecimalSeparator sep('.');
  TDynamicModel model;
  std::vector<TDynamicParameter> parameters;
  if (!ModelParameters(r, d, from, parameters)) return 1;
  if (const TStatus set = model.SetModel(r.ax, r.ay, parameters); !set) {
    std::cerr << set.error().Text() << "\n";
    return 1;
  }
  if (!r.fitted.empty()) {
    const auto fit = model.Fit(d.t, from, d.x, d.y);
    if (!fit) {
      std::cerr << fit.error().Text() << "\n";
      return 1;
    }
    // In the order of --fit.
    std::vector<TFittedValue> values = fit.value().values;
    auto rank = [&](const TFittedValue& v) {
      return std::find(r.fitted.begin(), r.fitted.end(), v.name) - r.fitted.begin();
    };
    std::stable_sort(values.begin(), values.end(),
                     [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    for (const TFittedValue& v : values)
      std::cout << v.name << " = " << Number(v.value) << " ± "
                << (std::isfinite(v.uncertainty) ? Number(v.uncertainty) : "indéterminée") << "\n";
  }
  const TSimulation sim = model.Simulate(d.t, from);
  if (!sim.status) {
    std::cerr << sim.status.error().Text() << "\n";
    return 1;
  }
  for (const TDynamicState& st : sim.states)
    std::cout << Number(st.t) << " " << Number(st.x) << " " << Number(st.y) << "\n";
  std::cout << "rms = " << Number(model.Rms(d.t, from, d.x, d.y)) << "\n";
  return 0;
}

}  // namespace

Register simulateCommand("simulate",
                         "simulate DOC.kvo --ax EXPR --ay EXPR [--param NOM=VALEUR]... "
                         "[--system N] [--from IMAGE] [--fit NOM,...] [--video CHEMIN] "
                         "[--layer]   modèle dynamique "
                         "(accélérations en formules) intégré depuis une image marquée",
                         Simulate);

}  // namespace kinevo::cli
