// kinevo-cli fit DOC.kvo --y QUANTITY --model KIND: fits a curve model to
// one quantity of one system as the results window does, and prints the
// parameters with their standard uncertainties and units, the fit
// statistics and the equation line of the graph.
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/common/number_format.h"
#include "core/common/result.h"
#include "core/graph/curve_models.h"
#include "core/graph/fit_uncertainty.h"
#include "core/graph/graph_model_element.h"
#include "core/results/quantity.h"
#include "core/results/result_views.h"

namespace kinevo::cli {
namespace {

constexpr const char* kUsage =
    "Usage : kinevo-cli fit DOC.kvo --y GRANDEUR [--x t|GRANDEUR] [--system N] [--layer] "
    "[--video VIDEO] [--weighted] --model "
    "constant|proportional|line|parabola|exponential|sine|damped-sine|dry-friction\n"
    "  GRANDEUR : x, y, vx, vy, v, ax, ay, a, theta, R, omega\n";

struct TFitRequest {
  std::string document, video;
  int qx = qtTime, qy = qtY;
  int system = 0;
  bool layer = false;
  bool weighted = false;
  int kind = mkNone;
};

// A quantity by its identifier in the results (x, vx, ...) or by the
// plain names of the polar ones.
bool ParseQuantity(const std::string& text, bool timeAllowed, int& q) {
  if (text == "theta" || text == "omega") {
    q = text == "theta" ? qtTheta : qtOmega;
    return true;
  }
  for (int c = timeAllowed ? qtTime : qtX; c <= qtOmega; ++c)
    if (IsQuantity(c) && text == QuantityIdentifier(c)) {
      q = c;
      return true;
    }
  return false;
}

bool ParseRequest(std::vector<std::string> args, TFitRequest& r) {
  std::string x, y, system, model;
  bool missing = false;
  const bool hasX = TakeOption(args, "--x", x, missing);
  const bool hasY = TakeOption(args, "--y", y, missing);
  const bool hasSystem = TakeOption(args, "--system", system, missing);
  const bool hasModel = TakeOption(args, "--model", model, missing);
  TakeOption(args, "--video", r.video, missing);
  r.layer = TakeFlag(args, "--layer");
  r.weighted = TakeFlag(args, "--weighted");
  if (missing || args.size() != 1 || !hasY || !hasModel) return false;
  r.document = args[0];
  if (!ParseQuantity(y, false, r.qy) || !ParseModelKind(model, r.kind)) return false;
  if (hasX && !ParseQuantity(x, true, r.qx)) return false;
  if (hasSystem) {
    // Numbered from 1, as the window names them ("du point n°1").
    long long v = 0;
    if (!TextToInt(system, v) || v < 1 || v > 1000000) return false;
    r.system = static_cast<int>(v - 1);
  }
  return true;
}

std::string Number(double v) { return FloatToText(v, 15, '.'); }

int Fit(const std::vector<std::string>& args) {
  TFitRequest r;
  if (!ParseRequest(args, r)) {
    std::cerr << kUsage;
    return 2;
  }
  auto cs = OpenResultsOfSystem(r.document, r.video, r.layer, r.system, r.weighted);
  if (!cs) return 1;
  TSession& s = *cs->session;
  const TCalcul& calc = s.Results().Active();

  // The curve of the time view (or of y against x), with the rows the
  // settings leave out at its ends.
  TGraphLook look;
  look.hideEdgeSpeeds = s.Options.CheckBox30HideEdgeV;
  look.hideEdgeAccelerations = s.Options.CheckBox31HideEdgeA;
  const int masked = std::max(EdgeRows(r.qx, look), EdgeRows(r.qy, look));
  std::vector<TWorldPoint> points;
  for (const TLabelledPoint& p : calc.CurvePoints(cfAxes, r.system, r.qx, r.qy, false))
    points.push_back({p.x, p.y});
  TGModele model(std::move(points), masked);
  if (r.weighted) {
    // Each point weighted by its own uncertainty; times are exact.
    std::vector<double> ux, uy;
    for (int row = 0; row < calc.RowCount(); ++row) {
      if (!calc.IsMarked(r.system, row)) continue;
      ux.push_back(calc.Uncertainty(cfAxes, r.system, r.qx, row));
      uy.push_back(calc.Uncertainty(cfAxes, r.system, r.qy, row));
    }
    model.SetPointUncertainties(std::move(uy), std::move(ux));
  }
  model.abscissaName = QuantityIdentifier(r.qx);
  model.ordinateName = QuantityIdentifier(r.qy);
  model.abscissaUnit = QuantityUnit(r.qx);
  model.ordinateUnit = QuantityUnit(r.qy);
  model.SetModelKind(r.kind);
  if (model.FitCode() != 0) {
    std::cerr << TError{"L'ajustement du modèle a échoué.", FitFailureText(r.kind, model.FitCode())}
                     .Text()
              << "\n";
    return 1;
  }

  // An uncertainty that the points cannot give (as many points as
  // parameters) is said so, not printed as "NAN".
  for (const TModelParameter& p : model.DisplayedParameters())
    std::cout << p.name << " = " << Number(p.value) << " ± "
              << (std::isfinite(p.uncertainty) ? Number(p.uncertainty) : "indéterminée")
              << (p.unit.empty() ? "" : " " + p.unit) << "\n";
  const TFitStatistics& st = model.Statistics();
  std::cout << "rms = " << Number(st.rmsDeviation) << "\n";
  std::cout << "precision = "
            << Number(st.relativePrecision == -1.0 ? -1.0 : st.relativePrecision * 100.0) << "\n";
  if (model.IsLinear()) std::cout << "correlation = " << Number(st.correlation) << "\n";
  if (r.weighted) {
    const TChiSquare& chi = model.ChiSquareStatistics();
    std::cout << "chi2 = " << Number(chi.chi2) << "\n";
    std::cout << "ndf = " << chi.ndf << "\n";
    std::cout << "reduced_chi2 = " << Number(chi.reduced) << "\n";
    std::cout << CompatibilityText(chi) << "\n";
  }
  std::cout << model.EquationLines().front() << "\n";
  return 0;
}

}  // namespace

Register fitCommand(
    "fit",
    "fit DOC.kvo --y GRANDEUR [--x t|GRANDEUR] [--system N] [--layer] [--weighted] "
    "--model MODELE   ajuste un modèle à une courbe et donne ses paramètres et leurs "
    "incertitudes-types",
    Fit);

}  // namespace kinevo::cli
