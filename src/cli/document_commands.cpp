// kinevo-cli dump DOC.kvo and kinevo-cli results DOC.kvo: the analysis of a
// document as the program reads it, and its results table.
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/app/readiness.h"
#include "core/common/number_format.h"
#include "core/results/values_grid.h"

namespace kinevo::cli {
namespace {

std::string Num(double v) { return FloatToText(v, 17, '.'); }

template <typename T, typename F>
std::string Join(const std::vector<T>& values, F&& text) {
  std::string out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) out += ',';
    out += text(values[i]);
  }
  return out;
}

const char* ScaleKindName(TScaleKind k) {
  switch (k) {
    case skHoriz:
      return "horiz";
    case skVert:
      return "vert";
    default:
      return "normal";
  }
}

void PrintMarks(const TPolyContainer& set, const char* name, bool relative, std::ostream& out) {
  for (const auto& c : set.Containers())
    for (int j = 0; j < c->Count(); ++j) {
      const TMarque& m = *c->Mark(j);
      TPictureCoord p = relative ? m.GetRelative() : m.GetPicture();
      out << "mark " << name << ": image=" << c->MarksContainerFrameNumber
          << " system=" << m.MarkOrderNumber << " x=" << Num(p.x) << " y=" << Num(p.y) << "\n";
    }
}

int Dump(const std::vector<std::string>& input) {
  std::vector<std::string> args = input;
  std::string video;
  bool missing = false;
  TakeOption(args, "--video", video, missing);
  if (missing || args.size() != 1) {
    std::cerr << "Usage : kinevo-cli dump DOC.kvo [--video CHEMIN]\n";
    return 2;
  }
  auto cs = OpenDocumentSession(args[0], video);
  if (!cs) return 1;
  TSession& s = *cs->session;
  TData& d = s.Data;
  std::ostream& out = std::cout;
  out << "video: " << s.Video.FileName() << "\n";
  out << "images: " << s.Video.ImagesNumber() << "\n";
  out << "size: " << s.Video.ImageWidth() << "x" << s.Video.ImageHeight() << "\n";
  out << "duration: " << Num(d.RequiredDuration()) << "\n";
  out << "mode: " << (s.Video.IsLayer() ? "layer" : "grid") << "\n";
  out << "current image: " << s.Video.CurrentImage() << "\n";
  const TPolyContainer& grid = d.GridMarks();
  out << "systems: " << grid.MarksNumberPerFrame() << "\n";
  for (int i = 0; i < grid.MarksNumberPerFrame(); ++i)
    out << "system " << i << ": name=\"" << grid.SystemName(i) << "\" colour=" << d.MarkColor(i)
        << "\n";
  for (int i = 0; i < static_cast<int>(d.LayerMarks().SystemNames().size()); ++i)
    out << "layer name " << i << ": \"" << d.LayerMarks().SystemNames()[static_cast<std::size_t>(i)]
        << "\"\n";
  auto [kx, ky] = d.GetScaleFactors();
  out << "scale: kind="
      << (d.Settings().separateScales ? "separate" : ScaleKindName(d.Scale().ScaleKind()))
      << " complete=" << (d.IsScaleComplete() ? 1 : 0) << " kx=" << Num(kx) << " ky=" << Num(ky)
      << " length=" << Num(d.Scale().ScaleLength()) << "\n";
  const TRepereFixe& f = d.Fixed();
  out << "origin: placed=" << (f.HasOrigin() ? 1 : 0) << " x=" << Num(f.Origin().x)
      << " y=" << Num(f.Origin().y) << " angle=" << Num(d.XAxisAngle())
      << " directx=" << (f.DirectXAxisDirection() ? 1 : 0)
      << " directy=" << (f.DirectYAxisDirection() ? 1 : 0) << "\n";
  const TMeasureCalibration& c = d.Calibration();
  out << "lens: on=" << (c.lens.on ? 1 : 0) << " k1=" << Num(c.lens.k1) << " k2=" << Num(c.lens.k2)
      << "\n";
  out << "plane: on=" << (c.plane.on ? 1 : 0) << " points="
      << Join(std::vector<TPictureCoord>(c.plane.points.begin(), c.plane.points.end()),
              [](const TPictureCoord& p) { return Num(p.x) + "," + Num(p.y); })
      << " width=" << Num(c.plane.width) << " height=" << Num(c.plane.height) << "\n";
  PrintMarks(grid, "grid", false, out);
  const TTransparent& layer = d.Layer();
  const char* stage = layer.LayerStage() == lsDrag    ? "drag"
                      : layer.LayerStage() == lsPoint ? "point"
                                                      : "grab";
  out << "layer: stage=" << stage << " width=" << Num(layer.LayerWidth())
      << " height=" << Num(layer.LayerHeight())
      << " directx=" << (layer.DirectXAxisDirection() ? 1 : 0)
      << " directy=" << (layer.DirectYAxisDirection() ? 1 : 0) << "\n";
  for (const auto& o : layer.Origines())
    out << "layer origin: image=" << o->OrigineImageNumber << " x=" << Num(o->Position.x)
        << " y=" << Num(o->Position.y) << "\n";
  PrintMarks(d.LayerMarks(), "layer", true, out);
  // Hidden images, and the images where the time shift changes.
  std::vector<int> hidden;
  std::vector<std::string> shifts;
  int32_t previous = 0;
  for (int i = 0; i < s.Montage.ImagesCount(); ++i) {
    if (!s.Montage.IsVisible(i)) hidden.push_back(i);
    const int32_t sh = s.Montage.TimeShift(i);
    if (sh != previous) shifts.push_back(std::to_string(i) + ":" + std::to_string(sh));
    previous = sh;
  }
  out << "montage: hidden=" << Join(hidden, [](int v) { return std::to_string(v); })
      << " shifts=" << Join(shifts, [](const std::string& v) { return v; }) << "\n";
  const TSeries series = d.GetSeries();
  const char* setName = s.Video.IsLayer() ? "layer" : "grid";
  for (std::size_t k = 0; k < series.times.size(); ++k) {
    std::vector<int32_t> images;
    std::vector<double> xs, ys;
    for (std::size_t sys = 0; sys < series.images.size(); ++sys) {
      images.push_back(series.images[sys][k]);
      xs.push_back(series.xs[sys][k]);
      ys.push_back(series.ys[sys][k]);
    }
    out << "series " << setName << ": t=" << Num(series.times[k])
        << " images=" << Join(images, [](int32_t v) { return std::to_string(v); })
        << " x=" << Join(xs, Num) << " y=" << Join(ys, Num) << "\n";
  }
  return 0;
}

int Results(const std::vector<std::string>& input) {
  std::vector<std::string> args = input;
  std::string video, smoothSpeed, smoothAcc, decimal = ".";
  bool missing = false;
  TakeOption(args, "--video", video, missing);
  const bool hasSpeed = TakeOption(args, "--smooth-speed", smoothSpeed, missing);
  const bool hasAcc = TakeOption(args, "--smooth-acceleration", smoothAcc, missing);
  TakeOption(args, "--decimal", decimal, missing);
  const bool layer = TakeFlag(args, "--layer");
  const bool withU = TakeFlag(args, "--uncertainties");
  auto isBit = [](const std::string& v) { return v == "0" || v == "1"; };
  if (missing || args.size() != 1 || (hasSpeed && !isBit(smoothSpeed)) ||
      (hasAcc && !isBit(smoothAcc)) || (decimal != "." && decimal != ",")) {
    std::cerr << "Usage : kinevo-cli results DOC.kvo [--layer] [--video CHEMIN] "
                 "[--smooth-speed 0|1] [--smooth-acceleration 0|1] [--decimal ,|.] "
                 "[--uncertainties]\n";
    return 2;
  }
  auto cs = OpenDocumentInMode(args[0], video, layer);
  if (!cs) return 1;
  TSession& s = *cs->session;
  // Settings of a fresh installation, with the smoothing overrides.
  int flags = s.Results().SmoothingFlags();
  if (hasSpeed)
    flags = smoothSpeed == "1" ? (flags | TCalcul::kSmoothSpeed) : (flags & ~TCalcul::kSmoothSpeed);
  if (hasAcc)
    flags = smoothAcc == "1" ? (flags | TCalcul::kSmoothAcceleration)
                             : (flags & ~TCalcul::kSmoothAcceleration);
  s.Results().SetSmoothingFlags(flags);
  s.Results().SetUncertainties(withU);

  if (!ComputeResultsQuietly(s)) return 1;
  ScopedDecimalSeparator sep(decimal[0]);
  TGrid grid(layer ? s.Results().Layer() : s.Results().Grid(), s.ResultsSource(), layer,
             s.Results().Options());
  grid.ResetColumns();
  grid.SetKindsVisible(true, kPositions | kSpeeds | kAccelerations | kPolar);
  grid.SetUncertaintiesShown(withU);
  grid.Recount();
  std::ostringstream out;
  const int cols = grid.ColCount();
  // The user formulas follow the quantities, one column each.
  std::vector<const TRec*> formulas;
  for (int i = 0; i < s.Formulas.FormulaCount(); ++i)
    if (!s.Formulas.Formula(i).Identifier.empty()) formulas.push_back(&s.Formulas.Formula(i));
  auto formulaCell = [&](const TRec& r, int row) -> std::string {
    switch (row) {
      case 1:
        return r.Identifier;
      case 2:
        return r.UnitText;
      case 3:
        return r.Comment;
      default:
        break;
    }
    const std::size_t k = static_cast<std::size_t>(row - TGrid::kFixedRows);
    const TCurve& c = r.Curve;
    if (c.Invalid) return kNotANumber;
    if (k >= c.RowValues.size() || k >= c.RowValid.size() || c.RowValid[k] != 0) return {};
    return FloatToText(c.RowValues[k], 15, decimal[0]);
  };
  // Its uncertainty beside each formula, as beside the quantities.
  auto formulaUncertaintyCell = [&](const TRec& r, int row) -> std::string {
    if (row == 1) return r.UncertaintyTitle();
    if (row < TGrid::kFixedRows) return formulaCell(r, row);
    const std::size_t k = static_cast<std::size_t>(row - TGrid::kFixedRows);
    const auto& u = r.Curve.RowUncertainties;
    if (formulaCell(r, row).empty() || k >= u.size()) return {};
    return FloatToText(u[k], 15, decimal[0]);
  };
  // Identifiers, units and descriptions, then the rows; the row labels are
  // not exported.
  for (int row = 1; row < grid.RowCount(); ++row) {
    for (int col = 1; col < cols; ++col) {
      if (col > 1) out << '\t';
      out << grid.CellText(col, row, false);
    }
    for (const TRec* r : formulas) {
      out << '\t' << formulaCell(*r, row);
      if (withU) out << '\t' << formulaUncertaintyCell(*r, row);
    }
    out << '\n';
  }
  // The scale's own term is common to every length: apart from the columns.
  if (withU)
    out << "u(échelle)/échelle\t"
        << FloatToText(grid.Calc().ScaleRelativeUncertainty(), 15, decimal[0]) << '\n';
  std::cout << out.str();
  return 0;
}

Register dumpCommand("dump",
                     "dump DOC.kvo [--video CHEMIN]            affiche l'analyse d'un document",
                     Dump);
Register resultsCommand(
    "results",
    "results DOC.kvo [--layer] [--video CHEMIN] [--smooth-speed 0|1] [--smooth-acceleration 0|1] "
    "[--decimal ,|.] [--uncertainties]   tableau des résultats",
    Results);

}  // namespace
}  // namespace kinevo::cli
