#pragma once
// What the marks, the mark sets and the layer ask of the marking data that
// owns them, beyond what every marking object needs (IMarkingContext of
// reference_frame.h): system colours and symbols, numbering, the step after
// the last system of an image, the message dialog and the notifications.
// TData implements it; tests may implement it directly.
#include "core/common/colour.h"
#include "core/marking/reference_frame.h"

namespace kinevo {

class TUserDlg;
class TGraphUtils;

class IMarkingHost : public IMarkingContext {
 public:
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
  // The number of Grid systems grew to n: colours for systems up to n - 1
  // are needed.
  virtual void EnsureMarkColors(int n) = 0;
};

}  // namespace kinevo
