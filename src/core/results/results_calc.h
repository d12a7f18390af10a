#pragma once
// The two result sets (Grid and Layer marking) and the choice between them
// (TResCalc).  Every change that alters computed values only marks a set
// stale through Invalidate; the results are recomputed lazily when a view
// asks for them.
#include <functional>
#include <string>

#include "core/common/result.h"
#include "core/common/results_target.h"
#include "core/common/signal.h"
#include "core/common/user_dialog.h"
#include "core/results/results_model.h"
#include "core/results/results_source.h"

namespace kinevo {

// The common failure text of the computations.
inline constexpr const char* kComputeErrorText =
    "L'unité de calcul a détecté une erreur. L'opération en cours est annulée.";

class TResCalc {
 public:
  explicit TResCalc(const IResultsSource& source) : source_(source) {}

  // Marks the target's results stale (rtBoth: the Layer results, then the
  // Grid results; rtActive: those of the marking mode now active), then
  // raises OnInvalidated with the target.
  void Invalidate(TResultsTarget target);
  // A window showing results listens here to know they are out of date.
  TSignal<TResultsTarget> OnInvalidated;
  // The active results were computed again by Update (what reads them
  // without computing them itself, the models over the video, follows).
  TSignal<> OnComputed;
  // rtBoth: true when either set is stale.
  bool IsStale(TResultsTarget target = rtActive) const;

  // Compute on the target's set(s): Layer then Grid for rtBoth, the first
  // failure code being returned.
  int Compute(TResultsTarget target = rtActive);
  int ComputeDerivatives(TResultsTarget target, int flags);

  // The results of the active marking mode, and of each mode.
  TCalcul& Active() { return source_.IsLayerActive() ? layer_ : grid_; }
  const TCalcul& Active() const { return source_.IsLayerActive() ? layer_ : grid_; }
  TCalcul& Grid() { return grid_; }
  TCalcul& Layer() { return layer_; }
  const TCalcul& Grid() const { return grid_; }
  const TCalcul& Layer() const { return layer_; }
  bool LayerActive() const { return source_.IsLayerActive(); }

  // Smoothing flags of the derivatives (TCalcul::kSmoothSpeed,
  // kSmoothAcceleration); a change invalidates both sets.
  int SmoothingFlags() const { return smoothing_; }
  void SetSmoothingFlags(int flags);

  // Whether the computations carry the marks' uncertainties ("Afficher les
  // incertitudes"); a change invalidates both sets.
  bool Uncertainties() const { return grid_.UncertaintiesOn(); }
  void SetUncertainties(bool on);

  // Display settings (edge blanking, row labels); they change no value.
  const TResultsOptions& Options() const { return options_; }
  void SetOptions(const TResultsOptions& options) { options_ = options; }

  // Brings the active results up to date: fails without a video; nothing to
  // do when they are not stale; otherwise `beforeCompute` (the table resets
  // its columns, the graphs are marked for redrawing), Compute, then, when
  // `derivatives` is asked for, ComputeDerivatives with the smoothing flags.
  // Returns false on any failure; LastCode() tells which.
  bool Update(bool derivatives, const std::function<void()>& beforeCompute = {});
  // The same; a failure is shown as (icWarning; "Ok"; the lines of
  // Failure()).
  bool UpdateOrWarn(TUserDlg& dialog, bool derivatives,
                    const std::function<void()>& beforeCompute = {});
  int LastCode() const { return lastCode_; }
  // What the user can mend after the last failure of Update, in French: the
  // plane of motion's reason, or the image of a mark without a position
  // (beyond the plane's horizon, or damaged); empty for the other failures.
  std::string FailureDetail() const;
  // kComputeErrorText, with FailureDetail as its cause.
  TError Failure() const { return Fail(kComputeErrorText, FailureDetail()); }

 private:
  const IResultsSource& source_;
  TCalcul grid_, layer_;
  int smoothing_ = 0;
  TResultsOptions options_;
  int lastCode_ = 0;
};

}  // namespace kinevo
