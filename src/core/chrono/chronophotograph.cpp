#include "core/chrono/chronophotograph.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/common/palette.h"
#include "core/graph/graph_elements.h"
#include "core/marking/marking_data.h"
#include "core/marking/scale.h"
#include "core/results/results_model.h"

namespace kinevo {

namespace {

bool Shown(const TChronoSettings& settings, int system) {
  return settings.systems.empty() || std::find(settings.systems.begin(), settings.systems.end(),
                                               system) != settings.systems.end();
}

TPixel ToPixel(const TPictureCoord& p, int width, int height) {
  return {RoundToInt(p.x * width), RoundToInt(p.y * height)};
}

std::string LengthText(double value, const char* unit) {
  return FloatToText(value, 4, DecimalSeparator()) + " " + unit;
}

// For each system, the row of the results of each marked file image, and
// whether its vector is left out at the ends.
struct TRowOfImage {
  int row = -1;
  bool masked = false;
};

std::map<int32_t, TRowOfImage> RowsOfSystem(const TData& data, const TCalcul& calc, int s,
                                            int maskedAtEnds) {
  const std::vector<int32_t> images = data.SeriesImages();
  std::vector<int> rows;
  for (int row = 0; row < calc.RowCount() && row < static_cast<int>(images.size()); ++row)
    if (calc.IsMarked(s, row)) rows.push_back(row);
  std::map<int32_t, TRowOfImage> out;
  const int n = static_cast<int>(rows.size());
  for (int k = 0; k < n; ++k)
    out[images[static_cast<std::size_t>(rows[k])]] = {rows[k],
                                                      k < maskedAtEnds || k >= n - maskedAtEnds};
  return out;
}

// Gives the marks their arrows: the components of the results along the
// picture's axes (y upwards), in pixels.
TStatus PlaceVectors(TChronophotograph& chrono, const TData& data, const TCalcul* calc,
                     const TChronoSettings& settings) {
  if (calc == nullptr || !calc->HasDerivatives())
    return Fail("Les vecteurs demandent des résultats calculés.",
                "vitesses et accélérations non calculées");
  const int qx = settings.vectors == cvAcceleration ? qtAx : qtVx;
  std::map<int, std::map<int32_t, TRowOfImage>> rows;
  std::vector<std::pair<double, double>> comps(chrono.marks.size());
  double largest = 0.0;
  for (std::size_t i = 0; i < chrono.marks.size(); ++i) {
    TChronoMark& m = chrono.marks[i];
    if (!rows.contains(m.system))
      rows[m.system] = RowsOfSystem(data, *calc, m.system, settings.maskedAtEnds);
    const auto it = rows[m.system].find(m.image);
    if (it == rows[m.system].end() || it->second.masked) continue;
    const int row = it->second.row;
    comps[i] = {calc->Value(cfPicture, m.system, qx, row),
                calc->Value(cfPicture, m.system, qx + 1, row)};
    m.hasVector = std::isfinite(comps[i].first) && std::isfinite(comps[i].second);
    if (m.hasVector) largest = std::max(largest, std::hypot(comps[i].first, comps[i].second));
  }
  chrono.vectors = settings.vectors;
  if (settings.vectorFactor > 0)
    chrono.vectorFactor = settings.vectorFactor;
  else if (largest > 0)
    chrono.vectorFactor = 0.1 / largest;
  else
    return {};  // every vector is zero: nothing to draw to a scale
  // Separate scales give the picture's pixels another length in x than in
  // y: the arrow keeps the direction of the motion on the picture.
  const double W = chrono.width, H = chrono.height;
  // The plane's metres are the same along both of its axes: its arrows keep
  // the direction of the motion on the plane.
  const double aspect = IsZero(calc->ScaleY()) || data.Calibration().plane.on
                            ? 1.0
                            : H * calc->ScaleX() / (W * calc->ScaleY());
  const double k = chrono.vectorFactor * W;
  for (std::size_t i = 0; i < chrono.marks.size(); ++i) {
    TChronoMark& m = chrono.marks[i];
    if (!m.hasVector) continue;
    m.vx = comps[i].first * k;
    m.vy = -comps[i].second * k * aspect;
  }
  const double value =
      RoundScaleValue(settings.vectorFactor > 0 ? 0.1 / chrono.vectorFactor : largest);
  chrono.arrow = {value, value * k,
                  LengthText(value, settings.vectors == cvAcceleration ? "m/s²" : "m/s")};
  return {};
}

void PlaceFrame(TChronophotograph& chrono, const TData& data) {
  const int W = chrono.width, H = chrono.height;
  // The layer moves from image to image: its axes belong to no one picture.
  if (!data.IsLayerActive() && data.Fixed().HasOrigin()) {
    const TRepereFixe& f = data.Fixed();
    chrono.hasAxes = true;
    chrono.origin = ToPixel(f.Origin(), W, H);
    chrono.axes = {AxisLine(chrono.origin, f.XAxisAngle(), W, H),
                   AxisLine(chrono.origin, f.YAxisAngle(), W, H),
                   f.XAxisAngle(),
                   f.YAxisAngle(),
                   f.DirectXAxisDirection(),
                   f.DirectYAxisDirection()};
  }
  const TEchelle& scale = data.Scale();
  std::vector<std::pair<TScaleKind, double>> kinds;
  if (data.Settings().separateScales)
    kinds = {{skHoriz, scale.ScaleHorizLength()}, {skVert, scale.ScaleVertLength()}};
  else
    kinds = {{skNormal, scale.ScaleLength()}};
  for (const auto& [kind, length] : kinds)
    if (scale.PointsNumber(kind) == 2)
      chrono.scales.push_back({ToPixel(scale.Point(kind, 0), W, H),
                               ToPixel(scale.Point(kind, 1), W, H), LengthText(length, "m")});
}

TFont TextFont(TColor colour, bool bold) {
  TFont f;
  f.color = colour;
  f.bold = bold;
  return f;
}

void PaintScales(Canvas& canvas, const TChronophotograph& chrono) {
  const int pen = 1 + 2 * std::clamp(chrono.elementSize, 0, 2);
  for (const TChronoScale& s : chrono.scales) {
    canvas.SetPen({chrono.elementColour, pen});
    const double len = std::hypot(s.b.x - s.a.x, s.b.y - s.a.y);
    const int head = std::clamp(RoundToInt(len / 10.0), 10, 20);
    canvas.Line(s.a.x, s.a.y, s.b.x, s.b.y);
    DrawScaleArrowHead(canvas, s.a, s.b, head);
    DrawScaleArrowHead(canvas, s.b, s.a, head);
    // The length above the middle of the segment.
    canvas.SetFont(TextFont(chrono.elementColour, true));
    const TTextSize text = canvas.TextExtent(s.text);
    canvas.TextOut((s.a.x + s.b.x - text.cx) / 2, (s.a.y + s.b.y) / 2 - pen - 4 - text.cy, s.text);
  }
}

void PaintArrow(Canvas& canvas, const TChronophotograph& chrono) {
  if (chrono.vectors == cvNone || chrono.arrow.pixels < 1) return;
  const TPixel a = ScaleArrowStart();
  const TPixel b{a.x + RoundToInt(chrono.arrow.pixels), a.y};
  canvas.SetFont(TextFont(colors::Black, false));
  const TTextSize text = canvas.TextExtent(chrono.arrow.text);
  // A white card under it: the arrow stays readable on any picture.
  const int width = std::max(b.x - a.x, text.cx);
  canvas.SetBrush({colors::White, TBrushStyle::bsSolid});
  canvas.FillRect({a.x - 8, a.y - text.cy - 10, a.x + width + 8, a.y + 8});
  DrawVectorArrow(canvas, a, b, colors::Black, 2);
  canvas.SetBrush({colors::White, TBrushStyle::bsClear});
  canvas.TextOut(a.x + (b.x - a.x - text.cx) / 2, a.y - text.cy - 5, chrono.arrow.text);
}

}  // namespace

std::vector<int32_t> ChosenImages(const TData& data, const TChronoSettings& settings) {
  std::set<int32_t> marked;
  for (const auto& c : data.ActiveMarks().Containers()) {
    const int32_t image = c->MarksContainerFrameNumber;
    if ((settings.first >= 0 && image < settings.first) ||
        (settings.last >= 0 && image > settings.last))
      continue;
    for (int i = 0; i < c->Count(); ++i)
      if (Shown(settings, c->Mark(i)->MarkOrderNumber)) marked.insert(image);
  }
  std::vector<int32_t> out;
  const int every = std::max(1, settings.every);
  int k = 0;
  for (int32_t image : marked)
    if (k++ % every == 0) out.push_back(image);
  return out;
}

TResult<TChronophotograph> PlanChronophotograph(const TData& data, const TCalcul* calc, int width,
                                                int height, const TChronoSettings& settings) {
  for (int s : settings.systems)
    if (s < 0 || s >= data.MarksNumberPerFrame())
      return Fail("Le point " + std::to_string(s + 1) + " n'existe pas.");
  TChronophotograph chrono;
  chrono.width = width;
  chrono.height = height;
  chrono.images = ChosenImages(data, settings);
  if (chrono.images.empty())
    return Fail("Aucune image marquée à montrer dans la chronophotographie.",
                "aucune marque des points choisis dans les images demandées");
  const TPolyContainer& set = data.ActiveMarks();
  chrono.numberPosition = set.MarksNumberPosition;
  chrono.elementSize = data.ElementSize();
  chrono.elementColour = data.ElementColor();
  for (int32_t image : chrono.images) {
    const TContainer* c = set.ContainerOf(image);
    for (int i = 0; c != nullptr && i < c->Count(); ++i) {
      const TMarque* m = c->Mark(i);
      if (!Shown(settings, m->MarkOrderNumber)) continue;
      const TPictureCoord p = m->GetPicture();
      chrono.marks.push_back({image, m->MarkOrderNumber, p.x * width, p.y * height,
                              data.MarkColor(m->MarkOrderNumber),
                              std::to_string(set.DisplayedNumber(*c))});
    }
  }
  PlaceFrame(chrono, data);
  if (settings.vectors != cvNone)
    if (const TStatus placed = PlaceVectors(chrono, data, calc, settings); !placed)
      return placed.error();
  return chrono;
}

TPixel ScaleArrowStart() { return {20, 36}; }

double RoundScaleValue(double x) {
  if (!(x > 0) || !std::isfinite(x)) return 0.0;
  const double p = std::pow(10.0, std::floor(std::log10(x)));
  for (double m : {5.0, 2.0, 1.0})
    if (m * p <= x * (1 + 1e-12)) return m * p;
  return p;
}

void PaintChronophotograph(Canvas& canvas, const Image& picture, const TChronophotograph& chrono,
                           const TGraphUtils& gu) {
  canvas.StretchDraw({0, 0, chrono.width, chrono.height}, picture);
  PaintChronoOverlay(canvas, chrono, gu);
}

void PaintChronoOverlay(Canvas& canvas, const TChronophotograph& chrono, const TGraphUtils& gu) {
  PaintScales(canvas, chrono);
  if (chrono.hasAxes)
    DrawFrameAxes(canvas, chrono.axes, chrono.elementColour, chrono.elementSize,
                  1 + 2 * std::clamp(chrono.elementSize, 0, 2));
  const int size = std::clamp(chrono.elementSize, 0, 2);
  for (const TChronoMark& m : chrono.marks)
    if (m.hasVector) {
      const TPixel a{RoundToInt(m.x), RoundToInt(m.y)};
      DrawVectorArrow(canvas, a, {RoundToInt(m.x + m.vx), RoundToInt(m.y + m.vy)}, m.colour,
                      2 + size, 8.0 + 4 * size);
    }
  const TFont font = TextFont(colors::Black, false);
  const TBrush brush{colors::White, TBrushStyle::bsClear};
  for (const TChronoMark& m : chrono.marks)
    DrawNumberedMark(canvas, gu,
                     {{RoundToInt(m.x), RoundToInt(m.y)},
                      m.colour,
                      chrono.elementSize,
                      m.system,
                      chrono.numberPosition,
                      m.number},
                     font, brush);
  PaintArrow(canvas, chrono);
}

}  // namespace kinevo
