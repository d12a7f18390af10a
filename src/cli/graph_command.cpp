// kinevo-cli graph DOC.kvo --view ...: draws a graph view of the results
// window, headless, into an SVG, PNG or PDF file.
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/painting_app.h"
#include "cli/session_open.h"
#include "core/app/readiness.h"
#include "core/app/results_look.h"
#include "core/common/number_format.h"
#include "core/graph/curve_models.h"
#include "core/graph/model_tools.h"
#include "platform/qt/graph_image.h"

namespace kinevo::cli {
namespace {

constexpr const char* kUsage =
    "Usage : kinevo-cli graph DOC.kvo --view time|trajectory|vectors|formulas "
    "[--quantity x|y|vx|vy|v|ax|ay|a|theta|R|omega] [--systems 1,2,...] [--reference N] "
    "[--vector speed|acceleration] [--layer] [--size LxH] [--ranges] [--uncertainties] "
    "[--model constant|proportional|line|parabola|exponential|sine|damped-sine|dry-friction] "
    "-o SORTIE.svg|.png|.pdf\n";

struct TGraphRequest {
  std::string document, output, video;
  int view = rvTime;
  int quantity = qtX;
  bool allSystems = true;
  std::vector<int> systems;
  int reference = -1;
  int vectorKind = vkSpeed;
  bool layer = false;
  int width = 800, height = 600;
  bool ranges = false;
  bool uncertainties = false;
  int model = mkNone;
};

bool ParseView(const std::string& v, int& view) {
  if (v == "time")
    view = rvTime;
  else if (v == "trajectory")
    view = rvTrajectory;
  else if (v == "vectors")
    view = rvVectors;
  else if (v == "formulas")
    view = rvFormulas;
  else
    return false;
  return true;
}

bool ParseQuantity(const std::string& v, int& q) {
  static const std::pair<const char*, int> names[] = {
      {"x", qtX},   {"y", qtY}, {"vx", qtVx},       {"vy", qtVy}, {"v", qtV},        {"ax", qtAx},
      {"ay", qtAy}, {"a", qtA}, {"theta", qtTheta}, {"R", qtR},   {"omega", qtOmega}};
  for (const auto& [name, code] : names)
    if (v == name) {
      q = code;
      return true;
    }
  return false;
}

bool ParseInt(const std::string& text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < -1 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseSystems(const std::string& text, std::vector<int>& out) {
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    // Numbered from 1, as the window names them ("du point n°1").
    int v = 0;
    if (!ParseInt(item, v) || v < 1) return false;
    out.push_back(v - 1);
  }
  return !out.empty();
}

bool ParseSize(const std::string& text, int& w, int& h) {
  const auto x = text.find('x');
  return x != std::string::npos && ParseInt(text.substr(0, x), w) &&
         ParseInt(text.substr(x + 1), h) && w >= 50 && h >= 50 && w <= 10000 && h <= 10000;
}

bool ParseRequest(std::vector<std::string> args, TGraphRequest& r) {
  std::string view, quantity, systems, reference, vector, size, model;
  bool missing = false;
  const bool hasView = TakeOption(args, "--view", view, missing);
  const bool hasQuantity = TakeOption(args, "--quantity", quantity, missing);
  const bool hasSystems = TakeOption(args, "--systems", systems, missing);
  const bool hasReference = TakeOption(args, "--reference", reference, missing);
  const bool hasVector = TakeOption(args, "--vector", vector, missing);
  const bool hasSize = TakeOption(args, "--size", size, missing);
  const bool hasModel = TakeOption(args, "--model", model, missing);
  TakeOption(args, "-o", r.output, missing);
  TakeOption(args, "--video", r.video, missing);
  r.layer = TakeFlag(args, "--layer");
  r.ranges = TakeFlag(args, "--ranges");
  r.uncertainties = TakeFlag(args, "--uncertainties");
  if (missing || args.size() != 1 || !hasView || !ParseView(view, r.view) || r.output.empty())
    return false;
  r.document = args[0];
  if (hasQuantity && !ParseQuantity(quantity, r.quantity)) return false;
  if (hasSystems) {
    r.allSystems = false;
    if (!ParseSystems(systems, r.systems)) return false;
  }
  if (hasReference) {
    if (!ParseInt(reference, r.reference) || r.reference < 1) return false;
    --r.reference;
  }
  if (hasVector) {
    if (vector != "speed" && vector != "acceleration") return false;
    r.vectorKind = vector == "speed" ? vkSpeed : vkAcceleration;
  }
  if (hasSize && !ParseSize(size, r.width, r.height)) return false;
  if (hasModel && (!ParseModelKind(model, r.model) || r.view == rvVectors)) return false;
  return GraphFileKindOf(r.output).has_value();
}

// The plotted formulas (all of them when none is ticked in the document).
std::vector<TFormulaSeries> FormulaSeries(const TSession& s) {
  std::vector<int32_t> plotted = s.Formulas.PlottedFormulas();
  if (plotted.empty())
    for (int32_t i = 0; i < s.Formulas.FormulaCount(); ++i) plotted.push_back(i);
  std::vector<TFormulaSeries> out;
  for (int32_t i : plotted)
    out.push_back(FormulaSeriesOf(
        s.Formulas, i, kPaletteA[static_cast<std::size_t>(out.size() % kPaletteA.size())]));
  return out;
}

TWorldWindow BuildView(TSession& s, TGraphModel& g, const TGraphRequest& r) {
  const TCalcul& calc = s.Results().Active();
  std::vector<int> systems = r.systems;
  if (r.allSystems)
    for (int i = 0; i < calc.SystemsCount(); ++i) systems.push_back(i);
  TSystemsLook sl;
  for (int i = 0; i < calc.SystemsCount(); ++i) {
    sl.names.push_back(s.Data.SystemName(i));
    sl.colours.push_back(s.Data.MarkColor(i));
  }
  const TGraphLook look = GraphLookFor(r.view, s.Options);
  switch (r.view) {
    case rvTime:
      return BuildTimeGraph(g, calc, systems, r.quantity, sl, look);
    case rvTrajectory:
      return BuildTrajectoryGraph(g, calc, systems, r.reference, sl, look);
    case rvVectors:
      return BuildVectorGraph(g, calc, systems, r.vectorKind, sl, look);
    default: {
      return BuildFormulaGraph(g, FormulaSeries(s), FormulaAbscissaOf(s.Formulas), look);
    }
  }
}

TStatus Write(TGraphModel& g, const TGraphRequest& r) {
  return WriteGraphFile(g, QString::fromStdString(r.output), *GraphFileKindOf(r.output));
}

int Graph(const std::vector<std::string>& args) {
  TGraphRequest r;
  if (!ParseRequest(args, r)) {
    std::cerr << kUsage;
    return 2;
  }
  const auto app = StartPainting();

  auto cs = OpenDocumentInMode(r.document, r.video, r.layer);
  if (!cs) return 1;
  TSession& s = *cs->session;
  if (!OutputAllowed(r.output, {r.document, s.Video.FileName()})) return 1;
  s.Results().SetUncertainties(r.uncertainties);
  if (!ComputeResultsQuietly(s)) return 1;
  const TCalcul& calc = s.Results().Active();
  for (int sys : r.systems)
    if (sys >= calc.SystemsCount()) {
      std::cerr << "Le point " << sys + 1 << " n'existe pas.\n";
      return 1;
    }
  if (r.reference >= calc.SystemsCount()) {
    std::cerr << "Le point de référence " << r.reference + 1 << " n'existe pas.\n";
    return 1;
  }
  TGraphModel g(s.GraphUtils);
  g.SetSize(r.width, r.height);
  const TWorldWindow w = BuildView(s, g, r);
  // The fitted model and its box, as the window shows them.
  if (!ApplyModel(g, r.model)) {
    std::cerr << kOneCurveOnly << "\n";
    return 1;
  }
  if (const TStatus written = Write(g, r); !written) {
    std::cerr << written.error().Text() << "\n";
    return 1;
  }
  if (r.ranges)
    std::cout << "ranges: xmin=" << FloatToText(w.xmin, 15, '.')
              << " xmax=" << FloatToText(w.xmax, 15, '.')
              << " ymin=" << FloatToText(w.ymin, 15, '.')
              << " ymax=" << FloatToText(w.ymax, 15, '.') << "\n";
  return 0;
}

}  // namespace

Register graphCommand("graph",
                      "graph DOC.kvo --view time|trajectory|vectors|formulas [...] -o SORTIE   "
                      "dessine un graphe des résultats",
                      Graph);

}  // namespace kinevo::cli
