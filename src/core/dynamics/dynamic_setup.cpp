#include "core/dynamics/dynamic_setup.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/results/quantity.h"
#include "core/results/results_model.h"

namespace kinevo {
namespace {

constexpr const char* kSection = "DynamicModel";
// More parameters than any model needs: a damaged count stops there.
constexpr int kMaxParameters = 64;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e100; }

}  // namespace

std::vector<TDynamicParameter> TDynamicSetting::ModelParameters() const {
  std::vector<TDynamicParameter> out;
  out.reserve(parameters.size());
  for (const Parameter& p : parameters) out.push_back({p.name, p.value, p.fitted});
  return out;
}

TDynamicSetting DefaultDynamicSetting() {
  TDynamicSetting s;
  s.ax = "0";
  s.ay = "-g";
  for (const char* name : kStartNames) s.parameters.push_back({name, 0.0, 0.0, false});
  s.parameters.push_back({"g", 9.81, 0.01, false});
  return s;
}

TDynamicSetting LoadDynamicSetting(const IKeyReader& read) {
  TDynamicSetting s;
  s.ax = read.ReadString(kSection, "Ax");
  s.ay = read.ReadString(kSection, "Ay");
  if (!s.Defined()) return {};
  s.system = std::clamp(read.ReadInteger(kSection, "System", 0), 0, 1 << 20);
  s.startRow = std::max(-1, read.ReadInteger(kSection, "StartRow", -1));
  const int count =
      std::clamp(read.ReadInteger(kSection, "ParametersNumber", 0), 0, kMaxParameters);
  for (int i = 0; i < count; ++i) {
    const std::string k = "_" + std::to_string(i);
    TDynamicSetting::Parameter p;
    p.name = read.ReadString(kSection, "ParameterName" + k);
    if (p.name.empty()) continue;
    const auto same = [&](const TDynamicSetting::Parameter& q) { return q.name == p.name; };
    if (std::any_of(s.parameters.begin(), s.parameters.end(), same)) continue;
    p.value = read.ReadFloat(kSection, "ParameterValue" + k, 0.0);
    if (!Finite(p.value)) p.value = 0.0;
    p.step = read.ReadFloat(kSection, "ParameterStep" + k, 0.0);
    if (!Finite(p.step) || p.step < 0) p.step = 0.0;
    p.fitted = read.ReadBool(kSection, "ParameterFitted" + k, false);
    s.parameters.push_back(std::move(p));
  }
  // The starting values come first, in their order, whatever the file says.
  std::vector<TDynamicSetting::Parameter> ordered;
  for (const char* name : kStartNames) {
    const auto it = std::find_if(s.parameters.begin(), s.parameters.end(),
                                 [&](const auto& p) { return p.name == name; });
    if (it == s.parameters.end()) {
      ordered.push_back({name, 0.0, 0.0, false});
    } else {
      ordered.push_back(*it);
      s.parameters.erase(it);
    }
  }
  ordered.insert(ordered.end(), s.parameters.begin(), s.parameters.end());
  s.parameters = std::move(ordered);
  return s;
}

void SaveDynamicSetting(const TDynamicSetting& s, IKeyWriter& write) {
  // Written whole: nothing of a longer list is left behind.
  write.EraseSection(kSection);
  if (!s.Defined()) return;
  write.WriteString(kSection, "Ax", s.ax);
  write.WriteString(kSection, "Ay", s.ay);
  write.WriteInteger(kSection, "System", s.system);
  write.WriteInteger(kSection, "StartRow", s.startRow);
  write.WriteInteger(kSection, "ParametersNumber", static_cast<int64_t>(s.parameters.size()));
  for (std::size_t i = 0; i < s.parameters.size(); ++i) {
    const TDynamicSetting::Parameter& p = s.parameters[i];
    const std::string k = "_" + std::to_string(i);
    write.WriteString(kSection, "ParameterName" + k, p.name);
    write.WriteFloat(kSection, "ParameterValue" + k, p.value);
    write.WriteFloat(kSection, "ParameterStep" + k, p.step);
    write.WriteBool(kSection, "ParameterFitted" + k, p.fitted);
  }
}

struct TDynamicSetup::TMemo {
  uint64_t generation = 0, results = 0;
  const TCalcul* calc = nullptr;
  int subdivisions = 0;
  TDynamicTrack track;
};

TDynamicSetup::TDynamicSetup() : memo_(std::make_unique<TMemo>()) {}
TDynamicSetup::~TDynamicSetup() = default;

void TDynamicSetup::Set(const TDynamicSetting& setting) {
  if (setting == setting_) return;
  setting_ = setting;
  ++generation_;
  OnChange();
}

const TDynamicTrack& TDynamicSetup::Track(const TCalcul& calc, int subdivisions) {
  TMemo& m = *memo_;
  // Generation 0 is never that of a computation made here.
  if (m.generation != generation_ + 1 || m.calc != &calc || m.results != calc.Generation() ||
      m.subdivisions != subdivisions) {
    m.track = DynamicModelTrack(setting_, calc, subdivisions);
    m.generation = generation_ + 1;
    m.calc = &calc;
    m.results = calc.Generation();
    m.subdivisions = subdivisions;
  }
  return m.track;
}

int DrawingSubdivisions(int rows) { return std::clamp(400 / std::max(1, rows - 1), 1, 16); }

double TrackRms(const TDynamicTrack& track, int subdivisions, const TDynamicSeries& series) {
  const std::size_t k = static_cast<std::size_t>(std::max(1, subdivisions));
  double sum = 0;
  for (std::size_t i = 0; i < series.rows.size(); ++i) {
    const std::size_t at = static_cast<std::size_t>(series.rows[i]) * k;
    if (at >= track.x.size()) return kNaN;
    const double dx = track.x[at] - series.x[i], dy = track.y[at] - series.y[i];
    sum += dx * dx + dy * dy;
  }
  return series.rows.empty() ? kNaN : std::sqrt(sum / static_cast<double>(series.rows.size()));
}

int TDynamicSeries::IndexOfRow(int row) const {
  const auto it = std::find(rows.begin(), rows.end(), row);
  return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

TDynamicSeries MarkedSeries(const TCalcul& calc, int system) {
  TDynamicSeries out;
  if (system < 0 || system >= calc.SystemsCount()) return out;
  for (const TLabelledPoint& p : calc.CurvePoints(cfAxes, system, qtTime, qtX, false)) {
    const int row = p.label - 1;
    const double y = calc.Value(cfAxes, system, qtY, row);
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(y)) continue;
    out.rows.push_back(row);
    out.t.push_back(p.x);
    out.x.push_back(p.y);
    out.y.push_back(y);
    out.vx.push_back(calc.HasDerivatives() ? calc.Value(cfAxes, system, qtVx, row) : kNaN);
    out.vy.push_back(calc.HasDerivatives() ? calc.Value(cfAxes, system, qtVy, row) : kNaN);
  }
  return out;
}

std::vector<TDynamicParameter> StartValuesAt(const TDynamicSeries& d, int i) {
  if (i < 0 || i >= d.Size())
    return {
        {kStartNames[0], 0.0}, {kStartNames[1], 0.0}, {kStartNames[2], 0.0}, {kStartNames[3], 0.0}};
  const std::size_t k = static_cast<std::size_t>(i);
  double vx = d.vx[k], vy = d.vy[k];
  if (!std::isfinite(vx) || !std::isfinite(vy) || (vx == 0 && vy == 0)) {
    const std::size_t a = k > 0 ? k - 1 : k, b = k + 1 < d.t.size() ? k + 1 : k;
    const double dt = d.t[b] - d.t[a];
    vx = dt > 0 ? (d.x[b] - d.x[a]) / dt : 0;
    vy = dt > 0 ? (d.y[b] - d.y[a]) / dt : 0;
  }
  return {{kStartNames[0], d.x[k]},
          {kStartNames[1], d.y[k]},
          {kStartNames[2], vx},
          {kStartNames[3], vy}};
}

int StartIndex(const TDynamicSetting& setting, const TDynamicSeries& series) {
  if (series.Size() == 0) return -1;
  const int k = series.IndexOfRow(setting.startRow);
  return k >= 0 ? k : 0;
}

TResult<TDynamicSetting> WithFormulaParameters(const TDynamicSetting& setting) {
  static constexpr const char* kState[] = {"t", "x", "y", "vx", "vy", "v"};
  double anything = 1.0;
  std::vector<std::string> names;
  for (auto [text, label] : {std::pair{&setting.ax, "ax"}, std::pair{&setting.ay, "ay"}}) {
    TParser p;
    // Every plain name is a value here: what is unknown is a parameter.
    p.OnVariable = [&anything](const TParser&, TVariableQuery& q) {
      if (q.Indexed) return;
      q.Found = true;
      q.Address = &anything;
      q.Value = anything;
    };
    p.SetFormula(*text);
    if (!p.Analyse())
      return TError{std::string("La formule de ") + label + " ne peut pas être lue.",
                    p.ErrorMessage()};
    for (const std::string& n : p.UsedNames())
      if (std::find(std::begin(kState), std::end(kState), n) == std::end(kState) &&
          std::find(names.begin(), names.end(), n) == names.end())
        names.push_back(n);
  }
  TDynamicSetting out = setting;
  out.parameters.clear();
  auto previous = [&](const std::string& name) -> const TDynamicSetting::Parameter* {
    for (const auto& p : setting.parameters)
      if (p.name == name) return &p;
    return nullptr;
  };
  for (const char* start : kStartNames) {
    const auto* p = previous(start);
    out.parameters.push_back(p ? *p : TDynamicSetting::Parameter{start, 0.0, 0.0, false});
  }
  for (const std::string& n : names) {
    if (std::find(std::begin(kStartNames), std::end(kStartNames), n) != std::end(kStartNames))
      continue;
    const auto* p = previous(n);
    out.parameters.push_back(p ? *p : TDynamicSetting::Parameter{n, 1.0, 0.0, false});
  }
  return out;
}

namespace {

// The model of a setting, ready to be launched from its starting image in
// the series (`start`), or why it cannot be.
TStatus PrepareModel(const TDynamicSetting& setting, const TDynamicSeries& series,
                     TDynamicModel& model, int& start) {
  start = StartIndex(setting, series);
  if (start < 0)
    return TError{"Le point " + std::to_string(setting.system + 1) + " n'a pas d'image marquée.",
                  {}};
  return model.SetModel(setting.ax, setting.ay, setting.ModelParameters());
}

}  // namespace

TDynamicCheck CheckDynamicModel(const TDynamicSetting& setting, const TDynamicSeries& series) {
  TDynamicCheck out;
  TDynamicModel model;
  int start = -1;
  if (TStatus ready = PrepareModel(setting, series, model, start); !ready) {
    out.status = ready;
    return out;
  }
  const TSimulation sim = model.Simulate(series.t, start);
  if (!sim.status) {
    out.status = sim.status;
    return out;
  }
  double sum = 0;
  for (std::size_t i = 0; i < sim.states.size(); ++i) {
    const double dx = sim.states[i].x - series.x[i], dy = sim.states[i].y - series.y[i];
    sum += dx * dx + dy * dy;
  }
  out.rms = std::sqrt(sum / static_cast<double>(sim.states.size()));
  return out;
}

TResult<TDynamicFit> FitDynamicModel(TDynamicSetting& setting, const TDynamicSeries& series) {
  const int k = StartIndex(setting, series);
  if (k < 0)
    return TError{"Le point " + std::to_string(setting.system + 1) + " n'a pas d'image marquée.",
                  {}};
  TDynamicModel model;
  if (TStatus set = model.SetModel(setting.ax, setting.ay, setting.ModelParameters()); !set)
    return set.error();
  TResult<TDynamicFit> fit = model.Fit(series.t, k, series.x, series.y);
  if (!fit) return fit;
  const auto fitted = model.Parameters();
  for (std::size_t i = 0; i < setting.parameters.size() && i < fitted.size(); ++i)
    setting.parameters[i].value = fitted[i].value;
  return fit;
}

TDynamicTrack DynamicModelTrack(const TDynamicSetting& setting, const TCalcul& calc) {
  return DynamicModelTrack(setting, calc, 1);
}

TDynamicTrack DynamicModelTrack(const TDynamicSetting& setting, const TCalcul& calc,
                                int subdivisions) {
  TDynamicTrack out;
  const std::vector<double>& rows = calc.RowTimes();
  const int k = std::clamp(subdivisions, 1, 1000);
  out.t.reserve(rows.empty() ? 0 : (rows.size() - 1) * static_cast<std::size_t>(k) + 1);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    out.t.push_back(rows[r]);
    for (int j = 1; j < k && r + 1 < rows.size(); ++j)
      out.t.push_back(rows[r] + (rows[r + 1] - rows[r]) * j / k);
  }
  const std::size_t n = out.t.size();
  out.x.assign(n, kNaN);
  out.y.assign(n, kNaN);
  out.vx.assign(n, kNaN);
  out.vy.assign(n, kNaN);
  if (!setting.Defined()) {
    out.status = TError{"Aucun modèle dynamique n'est défini.", {}};
    return out;
  }
  const TDynamicSeries series = MarkedSeries(calc, setting.system);
  TDynamicModel model;
  int start = -1;
  if (TStatus ready = PrepareModel(setting, series, model, start); !ready) {
    out.status = ready;
    return out;
  }
  const TSimulation sim = model.Simulate(out.t, series.rows[static_cast<std::size_t>(start)] * k);
  for (std::size_t r = 0; r < n && r < sim.states.size(); ++r) {
    out.x[r] = sim.states[r].x;
    out.y[r] = sim.states[r].y;
    out.vx[r] = sim.states[r].vx;
    out.vy[r] = sim.states[r].vy;
  }
  out.status = sim.status;
  return out;
}

void TDynamicTrackSource::AddTracks(const TTrackClock& clock, std::vector<TModelTrack>& out) const {
  const TDynamicSetting& s = setup_.Setting();
  const TCalcul* calc = s.Defined() ? calc_() : nullptr;
  if (calc == nullptr) return;
  const TDynamicSeries series = MarkedSeries(*calc, s.system);
  const int k = StartIndex(s, series);
  if (k < 0 || k >= series.Size()) return;
  const double start = series.t[static_cast<std::size_t>(k)];
  // The clock's images that have a time; the model starts on the one at
  // the starting image's time (the same clock as the results').
  std::vector<double> times;
  std::vector<std::size_t> images;
  int from = -1;
  for (std::size_t i = 0; i < clock.times.size(); ++i) {
    const double t = clock.times[i];
    if (!std::isfinite(t) || (!times.empty() && t <= times.back())) continue;
    if (std::fabs(t - start) <= 1e-9 * std::max(1.0, std::fabs(start)))
      from = static_cast<int>(times.size());
    times.push_back(t);
    images.push_back(i);
  }
  TDynamicModel model;
  if (from < 0 || !model.SetModel(s.ax, s.ay, s.ModelParameters())) return;
  const TSimulation simulation = model.Simulate(times, from);
  TModelTrack track{s.system, clock.firstImage,
                    std::vector<TWorldPoint>(clock.times.size(), {kNaN, kNaN})};
  for (std::size_t j = 0; j < images.size(); ++j)
    track.positions[images[j]] = {simulation.states[j].x, simulation.states[j].y};
  out.push_back(std::move(track));
}

}  // namespace kinevo
