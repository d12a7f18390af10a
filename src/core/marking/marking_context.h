#pragma once
// What the scale, the marks, the mark sets and the layer ask of the marking
// data that owns them: the view, the undo history active at this moment,
// results invalidation, drawing attributes, the message dialog and the
// notifications.  TData implements it; tests may implement it directly.
#include <cstdint>

#include "core/common/colour.h"
#include "core/common/results_target.h"
#include "core/common/video_view.h"

namespace kinevo {

class THistorique;
class TUserDlg;
class TGraphUtils;

class IMarkingContext {
 public:
  virtual ~IMarkingContext() = default;

  // The video view; never null while the marking objects live.
  virtual IVideoView& View() = 0;
  // The history that records the change being made now.
  virtual THistorique& ActiveHistory() = 0;
  // The computed results concerned are stale.
  virtual void Invalidate(TResultsTarget target) = 0;

  // Drawing attributes.
  virtual int ElementSize() const = 0;  // 0 small, 1 medium, 2 large
  virtual int PenWidth() const = 0;     // 1, 3 or 5
  virtual TColor ElementColor() const = 0;
  virtual TColor MarkColor(int system) const = 0;
  virtual const TGraphUtils& GraphUtils() const = 0;
  // Mark numbers are drawn from 0 rather than from 1.
  virtual bool NumberFromZero() const = 0;

  // Images the view advances after the last system of an image is marked.
  virtual int FramesNumberBetweenTwoMarks() const = 0;

  // The message dialog for refusals.
  virtual TUserDlg& Dialog() = 0;

  // Notifications relayed to the owner's events.
  virtual void MarksChanged() = 0;
  virtual void SystemsCountChanged() = 0;
  // The number of Grid systems grew to n: colours n_old .. n-1 are needed.
  virtual void EnsureMarkColors(int n) = 0;
};

}  // namespace kinevo
