#include "core/results/result_views.h"

#include <algorithm>
#include <cmath>

#include "core/common/palette.h"

namespace kinevo {
namespace {

constexpr int kSpeedFamily = 1;
constexpr int kAccelerationFamily = 2;

bool Contains(const std::vector<int>& v, int x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

// The extremes of the points that are not masked at the ends.
void FoldPoints(TWorldWindow& box, const std::vector<TLabelledPoint>& pts, int masked) {
  const int n = static_cast<int>(pts.size());
  for (int i = masked; i < n - masked; ++i) {
    const auto& p = pts[static_cast<std::size_t>(i)];
    FoldWindow(box, {p.x, p.x, p.y, p.y});
  }
}

TCurveInput InputOf(const std::vector<TLabelledPoint>& pts, int masked) {
  TCurveInput in;
  in.maskedAtEnds = masked;
  for (const auto& p : pts) {
    in.points.push_back({p.x, p.y});
    in.numbers.push_back(p.label);
  }
  return in;
}

// The rows a system's curve points come from (its marked rows); with a
// reference system, the rows where both are marked.
std::vector<int> RowsOf(const TCalcul& calc, int s, int reference = -1) {
  std::vector<int> out;
  for (int row = 0; row < calc.RowCount(); ++row)
    if (calc.IsMarked(s, row) && (reference < 0 || calc.IsMarked(reference, row)))
      out.push_back(row);
  return out;
}

// The standard uncertainties of a system's positions, one per row of the
// curve: error bars along x and y, and the weights of a model.  Seen from
// another system they add those of its marks, independent of the first.
void AddPositionUncertainties(TCurveInput& in, const TCalcul& calc, int frame, int s,
                              int reference = -1) {
  if (!calc.HasUncertainties()) return;
  for (int row : in.rows) {
    double ux = calc.Uncertainty(frame, s, qtX, row), uy = calc.Uncertainty(frame, s, qtY, row);
    if (reference >= 0) {
      ux = std::hypot(ux, calc.Uncertainty(frame, reference, qtX, row));
      uy = std::hypot(uy, calc.Uncertainty(frame, reference, qtY, row));
    }
    in.uncertaintiesX.push_back(ux);
    in.uncertainties.push_back(uy);
  }
}

void StyleCurve(TGraphModel& g, int c, TColor colour, const TGraphLook& look, bool polyline) {
  g.SetCourbeVisible(c, ckPoints, true);
  g.SetCourbeColour(c, ckPoints, colour);
  g.SetCourbeColour(c, ckLabels, colour);
  g.SetCourbeColour(c, ckSegments, colour, kDataDrawn);
  g.SetCourbeVisible(c, ckSegments, polyline, kDataDrawn);
  g.SetCourbeVisible(c, ckLabels, look.numbers);
  g.SetCourbeLabelPlace(c, look.labelPlace);
}

// Margins wide enough for the tick labels and `titleLines` lines of title
// on each axis.
void Prepare(TGraphModel& g, const TGraphLook& look, int titleLines) {
  g.ClearGraph();
  g.DisplaySize = look.displaySize;
  g.IsOrigineVisible = look.showOrigin;
  g.IsDessinerEchelle = false;
  g.AxeX.visible = g.AxeY.visible = true;
  g.SetMargins(65 + 20 * titleLines, 20, 20, 35 + 20 * titleLines);
}

std::string WithUnit(const std::string& letter, const std::string& unit) {
  return letter + " (" + unit + ")";
}

void NameAxes(TGraphModel& g, const TAxisQuantity& x, const TAxisQuantity& y) {
  g.AxeX.name = x.name;
  g.AxeX.unit = x.unit;
  g.AxeY.name = y.name;
  g.AxeY.unit = y.unit;
}

}  // namespace

TColor TSystemsLook::Colour(int s) const {
  return s >= 0 && s < static_cast<int>(colours.size())
             ? colours[static_cast<std::size_t>(s)]
             : kPaletteA[static_cast<std::size_t>(s < 0 ? 0 : s % 65)];
}

std::string TSystemsLook::Name(int s) const {
  return s >= 0 && s < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(s)]
                                                      : "Point n°" + std::to_string(s + 1);
}

std::vector<int> TimeQuantities(bool speeds, bool accelerations, bool polar) {
  std::vector<int> q{qtX, qtY};
  if (speeds) q.insert(q.end(), {qtVx, qtVy, qtV});
  if (accelerations) q.insert(q.end(), {qtAx, qtAy, qtA});
  if (polar) q.insert(q.end(), {qtTheta, qtR, qtOmega});
  return q;
}

std::string TimeQuantityText(int q) {
  if (q == qtOmega) return "Vitesse de rotation";
  return QuantityDescription(q);
}

std::string QuantityLetter(int q) {
  if (q == qtX) return "X";
  if (q == qtY) return "Y";
  return QuantityIdentifier(q);
}

int EdgeRows(int q, const TGraphLook& look) {
  if (InSet(kSpeeds, q)) return look.hideEdgeSpeeds ? 1 : 0;
  if (InSet(kAccelerations, q)) return look.hideEdgeAccelerations ? 2 : 0;
  return 0;
}

TWorldWindow TimeWindow(const TWorldWindow& extremes, int q) {
  TAxisRule y;
  y.fromZero = q == qtV || q == qtA || q == qtR;
  y.includeZero = q == qtTheta || q == qtOmega;
  return FitRange(extremes, 0.05, {false, true}, y);
}

TWorldWindow TrajectoryWindow(const TWorldWindow& extremes, double minWidth, double minHeight,
                              int plotWidth, int plotHeight) {
  TWorldWindow box = extremes;
  WidenToAtLeast(box.xmin, box.xmax, minWidth);
  WidenToAtLeast(box.ymin, box.ymax, minHeight);
  const TWorldWindow w = FitRange(box, 0.1, {}, {});
  return MakeIsotropic(w, plotWidth, plotHeight);
}

namespace {

// The extremes of a time curve's points and of its partner's: x and y
// (vx and vy, ax and ay) share one vertical range.
void FoldTimeCurve(TWorldWindow& box, const TCalcul& calc, int s, int q, const TGraphLook& look,
                   const std::vector<TLabelledPoint>& pts) {
  const int masked = EdgeRows(q, look);
  FoldPoints(box, pts, masked);
  int partner = -1;
  if (q == qtX || q == qtVx || q == qtAx) partner = q + 1;
  if (q == qtY || q == qtVy || q == qtAy) partner = q - 1;
  if (partner >= 0)
    FoldPoints(box, calc.CurvePoints(cfAxes, s, qtTime, partner, look.startByZero), masked);
}

}  // namespace

TWorldWindow TimeGraphWindow(const TCalcul& calc, const std::vector<int>& systems, int q,
                             const TGraphLook& look) {
  TWorldWindow box = kEmptyBox;
  for (int s = 0; s < calc.SystemsCount(); ++s) {
    if (!Contains(systems, s) || calc.MarksCount(s) == 0) continue;
    FoldTimeCurve(box, calc, s, q, look, calc.CurvePoints(cfAxes, s, qtTime, q, look.startByZero));
  }
  return TimeWindow(box, q);
}

TWorldWindow BuildTimeGraph(TGraphModel& g, const TCalcul& calc, const std::vector<int>& systems,
                            int q, const TSystemsLook& sl, const TGraphLook& look) {
  Prepare(g, look, 2);
  TWorldWindow box = kEmptyBox;
  const int masked = EdgeRows(q, look);
  for (int s = 0; s < calc.SystemsCount(); ++s) {
    if (!Contains(systems, s) || calc.MarksCount(s) == 0) continue;
    const auto pts = calc.CurvePoints(cfAxes, s, qtTime, q, look.startByZero);
    FoldTimeCurve(box, calc, s, q, look, pts);
    TCurveInput in = InputOf(pts, masked);
    in.rows = RowsOf(calc, s);
    if (calc.HasUncertainties())
      for (int row : in.rows) in.uncertainties.push_back(calc.Uncertainty(cfAxes, s, q, row));
    const int c = g.AddCourbe(in);
    StyleCurve(g, c, sl.Colour(s), look, look.polyline);
    g.SetCourbeSymbol(c, TGraphUtils::SymbolForCurve(s));
  }
  const std::string unit = QuantityUnit(q);
  std::string yTitle2 = TimeQuantityText(q);
  if (systems.size() == 1) yTitle2 += " " + sl.Name(systems[0]);
  g.AxeX.title = {WithUnit("t", "s"), "temps"};
  g.AxeY.title = {WithUnit(QuantityLetter(q), unit), yTitle2};
  NameAxes(g, {"t", "s"}, {QuantityIdentifier(q), unit});
  const TWorldWindow w = TimeWindow(box, q);
  g.SetWorld(w, false);
  return w;
}

namespace {

// The extremes of the trajectories of all systems, ticked or not.
TWorldWindow TrajectoryBox(const TCalcul& calc, int reference, const TGraphLook& look) {
  TWorldWindow box = kEmptyBox;
  for (int s = 0; s < calc.SystemsCount(); ++s)
    if (calc.MarksCount(s) > 0)
      FoldPoints(box, calc.RelativeTrajectory(s, reference, look.startByZero), 0);
  return box;
}

TWorldWindow VectorBox(const TCalcul& calc, const TGraphLook& look) {
  const int frame = look.pictureFrame ? cfPicture : cfAxes;
  TWorldWindow box = kEmptyBox;
  for (int s = 0; s < calc.SystemsCount(); ++s) {
    if (calc.MarksCount(s) == 0) continue;
    FoldWindow(box, {calc.MinValue(frame, s, qtX), calc.MaxValue(frame, s, qtX),
                     calc.MinValue(frame, s, qtY), calc.MaxValue(frame, s, qtY)});
  }
  return box;
}

}  // namespace

TWorldWindow TrajectoryGraphWindow(const TCalcul& calc, int reference, const TGraphLook& look,
                                   const TPlotRect& plot) {
  return TrajectoryWindow(TrajectoryBox(calc, reference, look), calc.ScaleX() / 4,
                          calc.ScaleY() / 4, plot.width, plot.height);
}

TWorldWindow BuildTrajectoryGraph(TGraphModel& g, const TCalcul& calc,
                                  const std::vector<int>& systems, int reference,
                                  const TSystemsLook& sl, const TGraphLook& look) {
  Prepare(g, look, 1);
  for (int s = 0; s < calc.SystemsCount(); ++s) {
    if (calc.MarksCount(s) == 0 || !Contains(systems, s)) continue;
    TCurveInput in = InputOf(calc.RelativeTrajectory(s, reference, look.startByZero), 0);
    // Seen from itself, a system is one point that stands for no row.
    if (reference != s) in.rows = RowsOf(calc, s, reference);
    AddPositionUncertainties(in, calc, cfAxes, s, reference);
    const int c = g.AddCourbe(in);
    StyleCurve(g, c, sl.Colour(s), look, look.polyline);
    g.SetCourbeSymbol(c, TGraphUtils::SymbolForCurve(s));
  }
  g.AxeX.title = {WithUnit("x", "m")};
  g.AxeY.title = {WithUnit("y", "m")};
  NameAxes(g, {"x", "m"}, {"y", "m"});
  const TWorldWindow w = TrajectoryGraphWindow(calc, reference, look, g.Plot());
  g.SetWorld(w, true);
  return w;
}

TWorldWindow VectorGraphWindow(const TCalcul& calc, const TGraphLook& look, const TPlotRect& plot) {
  return MakeIsotropic(FitRange(VectorBox(calc, look), 0.15, {}, {}), plot.width, plot.height);
}

double VectorFactorOf(const TGraphModel& graph, int kind) {
  const int id = kind == vkAcceleration ? kAccelerationFamily : kSpeedFamily;
  for (const TParamCom& f : graph.Families())
    if (f.id == id) return f.factor;
  return 0.0;
}

TWorldWindow BuildVectorGraph(TGraphModel& g, const TCalcul& calc, const std::vector<int>& systems,
                              int kind, const TSystemsLook& sl, const TGraphLook& look) {
  // Drawn as on the video: no margins, no axes, the scale bar of the
  // vectors in the corner.
  Prepare(g, look, 0);
  g.SetMargins(0, 0, 0, 0);
  g.AxeX.visible = g.AxeY.visible = false;
  g.IsDessinerEchelle = true;
  const int frame = look.pictureFrame ? cfPicture : cfAxes;
  const int qx = kind == vkAcceleration ? qtAx : qtVx;
  const int masked = EdgeRows(qx, look);
  for (int s = 0; s < calc.SystemsCount(); ++s) {
    if (calc.MarksCount(s) == 0 || !Contains(systems, s)) continue;
    const auto pts = calc.CurvePoints(frame, s, qtX, qtY, look.startByZero);
    const auto comps = calc.CurvePoints(frame, s, qx, qx + 1, look.startByZero);
    TCurveInput in = InputOf(pts, 0);
    in.rows = RowsOf(calc, s);
    AddPositionUncertainties(in, calc, frame, s);
    TVectorSeries v;
    v.id = kind == vkAcceleration ? kAccelerationFamily : kSpeedFamily;
    v.unit = kind == vkAcceleration ? "m/s²" : "m/s";
    v.maskedAtEnds = masked;
    for (const auto& p : comps) v.values.push_back({p.x, p.y});
    in.vectors.push_back(std::move(v));
    const int c = g.AddCourbe(in);
    StyleCurve(g, c, sl.Colour(s), look, look.polyline);
    g.SetCourbeSymbol(c, TGraphUtils::SymbolForCurve(s));
    g.SetCourbeVisible(c, ckVectors, true, kDataDrawn);
    g.SetCourbeColour(c, ckVectors, sl.Colour(s), kDataDrawn);
  }
  g.AxeX.title = {WithUnit("x", "m")};
  g.AxeY.title = {WithUnit("y", "m")};
  NameAxes(g, {"x", "m"}, {"y", "m"});
  // Equal scales, so that a vector drawn in pixels keeps its direction.
  const TWorldWindow w = VectorGraphWindow(calc, look, g.Plot());
  g.SetWorld(w, true);
  g.AutoVectorScale();
  return w;
}

TWorldWindow FormulaGraphWindow(const std::vector<TFormulaSeries>& series, const TGraphLook& look) {
  TWorldWindow box = kEmptyBox;
  for (const TFormulaSeries& f : series)
    for (const auto& p : f.points) FoldWindow(box, {p.x, p.x, p.y, p.y});
  return FitRange(box, 0.05, {look.originX, false}, {look.originY, false});
}

TWorldWindow BuildFormulaGraph(TGraphModel& g, const std::vector<TFormulaSeries>& series,
                               const TAxisQuantity& abscissa, const TGraphLook& look) {
  Prepare(g, look, 1);
  std::vector<std::string> names;
  for (const TFormulaSeries& f : series) {
    TCurveInput in;
    in.points = f.points;
    in.uncertainties = f.uy;
    in.uncertaintiesX = f.ux;
    const int c = g.AddCourbe(in);
    StyleCurve(g, c, f.colour, look, look.polyline);
    g.SetCourbeVisible(c, ckLabels, false);
    g.SetCourbeSymbol(c, TGraphUtils::SymbolForCurve(c));
    names.push_back(f.name);
  }
  g.AxeX.title = {abscissa.name};
  std::string y;
  for (const auto& n : names) y += (y.empty() ? "" : ", ") + n;
  g.AxeY.title = {y};
  // The ordinate is named only when one formula is drawn, as its model is.
  NameAxes(g, abscissa,
           series.size() == 1 ? TAxisQuantity{series[0].name, series[0].unit} : TAxisQuantity{});
  const TWorldWindow w = FormulaGraphWindow(series, look);
  g.SetWorld(w, false);
  return w;
}

}  // namespace kinevo
