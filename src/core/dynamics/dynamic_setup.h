#pragma once
// The dynamic model of an analysis as the document keeps it: the two
// formulas, the parameters with their values, steps and ticks, the system
// it follows and the image it starts from; and what every window asks of
// it: the marked series of its system, the starting values the marks give,
// and the model's positions at each row of the results.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/common/key_store.h"
#include "core/common/result.h"
#include "core/common/signal.h"
#include "core/dynamics/dynamic_model.h"
#include "core/results/model_tracks.h"

namespace kinevo {

class TCalcul;

struct TDynamicSetting {
  struct Parameter {
    std::string name;
    double value = 0.0;
    double step = 0.0;  // the step of its spin box; 0: chosen from the value
    bool fitted = false;
    bool operator==(const Parameter&) const = default;
  };
  std::string ax, ay;
  // x0, y0, vx0 and vy0 first, then the user's.
  std::vector<Parameter> parameters;
  int system = 0;     // from 0
  int startRow = -1;  // the results' row it starts from; -1: the system's first marked one

  // A model is there once one of its formulas is written.
  bool Defined() const { return !ax.empty() || !ay.empty(); }
  // The parameters as the integrator takes them.
  std::vector<TDynamicParameter> ModelParameters() const;
  bool operator==(const TDynamicSetting&) const = default;
};

// The setting a new model starts with: a free fall (ax = 0, ay = −g).
TDynamicSetting DefaultDynamicSetting();

// Section [DynamicModel] of the document.  A document without it (or with
// no formula) has no model; writing no model removes the section, so that
// such documents stay as they were.  Values that cannot be read are
// replaced (a value by 0, a missing starting value added), never refused.
TDynamicSetting LoadDynamicSetting(const IKeyReader& read);
void SaveDynamicSetting(const TDynamicSetting& setting, IKeyWriter& write);

struct TDynamicTrack;

// The dynamic model held by the analysis.  OnChange comes after every
// change of the setting.
class TDynamicSetup {
 public:
  TDynamicSetup();
  ~TDynamicSetup();
  const TDynamicSetting& Setting() const { return setting_; }
  void Set(const TDynamicSetting& setting);
  void Clear() { Set({}); }
  void Load(const IKeyReader& read) { Set(LoadDynamicSetting(read)); }
  void Save(IKeyWriter& write) const { SaveDynamicSetting(setting_, write); }

  // DynamicModelTrack of the setting over `calc`, computed once for the
  // setting and that computation of the results: the windows that draw
  // the model and say its distance to the marks after one change share it.
  const TDynamicTrack& Track(const TCalcul& calc, int subdivisions);

  TSignal<> OnChange;

 private:
  TDynamicSetting setting_;
  uint64_t generation_ = 0;
  struct TMemo;
  std::unique_ptr<TMemo> memo_;
};

// The marked rows of one system in the results: time, position and speed
// in metres and seconds.
struct TDynamicSeries {
  std::vector<int> rows;
  std::vector<double> t, x, y, vx, vy;
  int Size() const { return static_cast<int>(rows.size()); }
  // The index of a row in the series; -1 when that row is not marked.
  int IndexOfRow(int row) const;
};
TDynamicSeries MarkedSeries(const TCalcul& calc, int system);

// x0, y0, vx0, vy0 from the series' k-th image: its position and the
// results' speed there (from its neighbours where the results have none).
std::vector<TDynamicParameter> StartValuesAt(const TDynamicSeries& series, int k);

// Where a setting starts in the series of its system: the index of its
// starting row, or of the first marked row when that row is not marked.
int StartIndex(const TDynamicSetting& setting, const TDynamicSeries& series);

// The setting with the parameters its formulas name: the four starting
// values, then every other name the formulas use (the state's apart), in the
// order met, each with the value, step and tick it had (a new one starts at
// 1).  A formula that does not read is refused with the parser's message,
// as the model itself would refuse it.
TResult<TDynamicSetting> WithFormulaParameters(const TDynamicSetting& setting);

// The model against the marks of its system: its rms distance to them
// (metres), or why it cannot be computed (a formula, a divergence).
struct TDynamicCheck {
  TStatus status;
  double rms = 0.0;
};
TDynamicCheck CheckDynamicModel(const TDynamicSetting& setting, const TDynamicSeries& series);

// Fits the ticked parameters of `setting` to the marks and writes the
// fitted values into it; `setting` is left as it was on failure.
TResult<TDynamicFit> FitDynamicModel(TDynamicSetting& setting, const TDynamicSeries& series);

// The model at every row of the results (metres, seconds), for the video's
// ghost marks and the graphs: times[r], x[r], y[r], vx[r], vy[r] for row r,
// NaN past a divergence and everywhere when the model cannot be computed
// (status then says why: no model, a formula that does not read, a system
// with no marked image, a divergence).
struct TDynamicTrack {
  std::vector<double> t, x, y, vx, vy;
  TStatus status;
};
TDynamicTrack DynamicModelTrack(const TDynamicSetting& setting, const TCalcul& calc);
// The same with `subdivisions` points per interval between two rows (for a
// smooth curve over few images): row r is at index r × subdivisions.
TDynamicTrack DynamicModelTrack(const TDynamicSetting& setting, const TCalcul& calc,
                                int subdivisions);
// The points per interval a graph of `rows` rows draws: a smooth curve over
// few images, one point per image from 400 images on.
int DrawingSubdivisions(int rows);
// The rms distance (metres) between a track of that many subdivisions and
// the marks of the series; NaN where the track has no value.
double TrackRms(const TDynamicTrack& track, int subdivisions, const TDynamicSeries& series);

// The dynamic model among the models drawn over the video: its positions on
// every image of the clock, marked or not, launched from its starting image
// with its starting values.  `calc` gives the results the starting image is
// found in (null while they cannot be computed).
class TDynamicTrackSource : public IModelTrackSource {
 public:
  TDynamicTrackSource(const TDynamicSetup& setup, std::function<const TCalcul*()> calc)
      : setup_(setup), calc_(std::move(calc)) {}
  void AddTracks(const TTrackClock& clock, std::vector<TModelTrack>& out) const override;

 private:
  const TDynamicSetup& setup_;
  std::function<const TCalcul*()> calc_;
};

}  // namespace kinevo
