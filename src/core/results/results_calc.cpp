#include "core/results/results_calc.h"

#include "core/results/deriv.h"

namespace kinevo {

void TResCalc::Invalidate(TResultsTarget target) {
  switch (target) {
    case rtBoth:
      layer_.Invalidate();
      grid_.Invalidate();
      break;
    case rtActive:
      Active().Invalidate();
      break;
    case rtLayer:
      layer_.Invalidate();
      break;
    case rtGrid:
      grid_.Invalidate();
      break;
  }
  OnInvalidated(target);
}

bool TResCalc::IsStale(TResultsTarget target) const {
  switch (target) {
    case rtBoth:
      return layer_.Stale() || grid_.Stale();
    case rtLayer:
      return layer_.Stale();
    case rtGrid:
      return grid_.Stale();
    default:
      return Active().Stale();
  }
}

int TResCalc::Compute(TResultsTarget target) {
  switch (target) {
    case rtBoth: {
      const int code = layer_.Compute(source_, true);
      const int grid = grid_.Compute(source_, false);
      return code != 0 ? code : grid;
    }
    case rtLayer:
      return layer_.Compute(source_, true);
    case rtGrid:
      return grid_.Compute(source_, false);
    default:
      return Active().Compute(source_, source_.IsLayerActive());
  }
}

int TResCalc::ComputeDerivatives(TResultsTarget target, int flags) {
  switch (target) {
    case rtBoth: {
      const int code = layer_.ComputeDerivatives(flags);
      const int grid = grid_.ComputeDerivatives(flags);
      return code != 0 ? code : grid;
    }
    case rtLayer:
      return layer_.ComputeDerivatives(flags);
    case rtGrid:
      return grid_.ComputeDerivatives(flags);
    default:
      return Active().ComputeDerivatives(flags);
  }
}

void TResCalc::SetSmoothingFlags(int flags) {
  if (flags == smoothing_) return;
  smoothing_ = flags;
  Invalidate(rtBoth);
}

void TResCalc::SetUncertainties(bool on) {
  if (on == grid_.UncertaintiesOn() && on == layer_.UncertaintiesOn()) return;
  grid_.SetUncertainties(on);
  layer_.SetUncertainties(on);
  Invalidate(rtBoth);
}

bool TResCalc::Update(bool derivatives, const std::function<void()>& beforeCompute) {
  lastCode_ = 0;
  if (!source_.IsVideoOpen()) {
    lastCode_ = ccNoVideo;
    return false;
  }
  TCalcul& calc = Active();
  if (calc.Stale()) {
    if (beforeCompute) beforeCompute();
    lastCode_ = Compute(rtActive);
    if (lastCode_ != 0) return false;
    OnComputed();
  }
  // Derivatives asked for after a computation without them (or after a
  // failed attempt) are computed now.
  if (derivatives && !calc.HasDerivatives()) {
    lastCode_ = calc.ComputeDerivatives(smoothing_);
    if (lastCode_ != 0) return false;
  }
  return true;
}

bool TResCalc::UpdateOrWarn(TUserDlg& dialog, bool derivatives,
                            const std::function<void()>& beforeCompute) {
  if (Update(derivatives, beforeCompute)) return true;
  dialog.Show(icWarning, {{"Ok", btOk}}, Failure().Lines());
  return false;
}

std::string TResCalc::FailureDetail() const {
  if (lastCode_ == ccBadScale) return source_.MeasureFailure();
  // The derivatives refuse positions that are not numbers as a singular fit.
  const int32_t image = Active().UnplacedImage();
  if (lastCode_ != pfSingular || image < 0) return {};
  const std::string mark = "La marque de l'image " + std::to_string(image);
  if (source_.PlaneOn())
    return mark +
           " est au-delà de l'horizon du plan de mouvement : elle n'a pas de position sur ce plan.";
  return mark + " n'a pas de position : ses coordonnées ne sont pas des nombres.";
}

}  // namespace kinevo
