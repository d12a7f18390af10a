#pragma once
// A marking context for testing the scale, marks and layer on their own: a
// fake view, one history, a recorder of invalidations and notifications.
#include <memory>
#include <vector>

#include "core/common/palette.h"
#include "core/common/results_target.h"
#include "core/common/user_dialog.h"
#include "core/marking/marking_context.h"
#include "core/marking/undo_history.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

namespace kinevo::test {

class TestContext : public IMarkingHost, public IHistoryOwner {
 public:
  TestContext() : history(this), dialog(&presenter) {}

  // Live objects the history may look up, and what undo reported.
  std::vector<THistObject*> objects;
  std::vector<THistAction> undone;
  THistObject* FindObject(int32_t id) override {
    for (auto* o : objects)
      if (o->Id() == id) return o;
    return nullptr;
  }
  void AfterUndo(THistObject&, THistAction a) override { undone.push_back(a); }
  void AfterUndoDeletion(std::unique_ptr<THistObject>, THistAction a) override {
    undone.push_back(a);
  }

  FakeView view;
  THistorique history;
  ScriptedDialog presenter;
  TUserDlg dialog;
  TGraphUtils graph;
  std::vector<TResultsTarget> invalidations;
  std::vector<TColor> colors{TGraphUtils().ColorA(0)};
  int elementSize = 0;
  int frames = 1;
  bool fromZero = false;
  int marksChanged = 0;
  int systemsChanged = 0;

  IVideoView& View() override { return view; }
  THistorique& ActiveHistory() override { return history; }
  void InvalidateActiveResults() override { invalidations.push_back(rtActive); }
  void InvalidateAllResults() override { invalidations.push_back(rtBoth); }
  int axesChanged = 0;
  void AxesChanged() override { ++axesChanged; }
  int ElementSize() const override { return elementSize; }
  TColor ElementColor() const override { return colors::Yellow; }
  TColor MarkColor(int s) const override {
    return s >= 0 && s < static_cast<int>(colors.size()) ? colors[static_cast<std::size_t>(s)]
                                                         : colors::Red;
  }
  const TGraphUtils& GraphUtils() const override { return graph; }
  bool NumberFromZero() const override { return fromZero; }
  int FramesNumberBetweenTwoMarks() const override { return frames; }
  TUserDlg& Dialog() override { return dialog; }
  void MarksChanged() override { ++marksChanged; }
  void SystemsCountChanged() override { ++systemsChanged; }
  void EnsureMarkColors(int n) override {
    while (static_cast<int>(colors.size()) < n)
      colors.push_back(graph.ColorA(static_cast<int>(colors.size())));
  }
  bool Invalidated(TResultsTarget t) const {
    for (auto x : invalidations)
      if (x == t) return true;
    return false;
  }
};

}  // namespace kinevo::test
