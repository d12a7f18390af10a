// Random gesture sequences (fixed seeds) in both marking modes: after every
// step the marks, ranks and series must keep their rules; at the end,
// undoing every history brings the marking back to its state after Reset,
// apart from the changes that are not undoable.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <set>

#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::ScriptedDialog;

namespace {

class Harness {
 public:
  explicit Harness(unsigned seed) : rng_(seed) {
    data.Reset();
    data.SetRequiredDuration(0.04);
    data.TimeShift = [](int32_t image) { return image % 7 == 0 ? 3 : 0; };
  }

  FakeView view{640, 480, 60};
  ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  // Mostly inside the view, sometimes beyond it.
  int X() { return Rand(0, 9) == 0 ? Rand(-200, 900) : Rand(0, 640); }
  int Y() { return Rand(0, 9) == 0 ? Rand(-200, 700) : Rand(0, 480); }
  TPixel SomeMarkPoint() {
    const auto& list = data.ActiveMarks().DrawList();
    if (list.empty() || Rand(0, 3) == 0) return {X(), Y()};
    return list[static_cast<std::size_t>(Rand(0, static_cast<int>(list.size()) - 1))]
        ->ScreenPoint();
  }
  void Click(int button, int x, int y) {
    data.MouseDown(button, false, x, y);
    data.MouseUp(button, false, x, y);
  }
  void Drag(int x, int y) {
    data.MouseDown(0, false, x, y);
    for (int i = Rand(0, 3); i > 0; --i) data.MouseMove(false, X(), Y());
    const int ex = X(), ey = Y();
    data.MouseMove(false, ex, ey);
    data.MouseUp(0, false, ex, ey);
  }

  std::vector<int> trace;
  void GridStep() {
    trace.push_back(100);
    view.mode = Rand(0, 15) == 0 ? vmTracking : vmRepereFixe;
    if (Rand(0, 4) == 0) view.current = Rand(0, 59);
    switch (Rand(0, 17)) {
      case 0:
      case 1:
      case 2:
      case 3:
        data.SetTool(otMarque);
        Click(0, X(), Y());
        break;
      case 4:
        data.SetTool(otMarque);
        Click(1, 0, 0);
        break;
      case 5: {
        data.SetTool(otDeplacer);
        const TPixel p = SomeMarkPoint();
        Drag(p.x, p.y);
        break;
      }
      case 6: {
        data.SetTool(otEffacer);
        const TPixel p = SomeMarkPoint();
        Click(0, p.x, p.y);
        break;
      }
      case 7:
        data.SetTool(otEffacer);
        Drag(X(), Y());
        break;
      case 8:
        data.SetTool(otEffacer);
        Click(1, 0, 0);
        break;
      case 9:
        data.SetTool(otEchelle);
        if (Rand(0, 2) == 0)
          Click(1, 0, 0);
        else
          Drag(X(), Y());
        break;
      case 10:
        data.SetTool(otOrigine);
        if (Rand(0, 3) == 0)
          Click(1, 0, 0);
        else
          Drag(X(), Y());
        break;
      case 11:
        data.SetMarksNumberPerFrame(Rand(0, 4));
        break;
      case 12:
        data.SetCurrentMarkOrderNumber(Rand(-2, 5));
        break;
      case 13:
        // Recorded in the origin history only, so that undoing the four
        // histories one after the other restores the frame: an object
        // recorded in two histories ends in the state of the history
        // undone last.
        data.SetTool(otOrigine);
        data.SetXAxisAngle(Rand(-400, 400) / 100.0);
        data.SetDirectXAxisDirection(Rand(0, 1) == 0);
        break;
      case 14: {
        data.SetTool(otMarque);
        const int systems = Rand(0, 3);
        std::vector<std::vector<TPictureCoord>> pos(static_cast<std::size_t>(systems));
        std::vector<std::vector<int32_t>> img(static_cast<std::size_t>(systems));
        for (int s = 0; s < systems; ++s)
          for (int j = Rand(0, 4); j > 0; --j) {
            pos[static_cast<std::size_t>(s)].push_back(
                {Rand(-10, 110) / 100.0, Rand(-10, 110) / 100.0});
            img[static_cast<std::size_t>(s)].push_back(Rand(-2, 59));
          }
        data.ApplyTrackedPositions(pos, img);
        break;
      }
      case 15:
        data.SetTool(static_cast<TOutil>(Rand(1, 5)));
        data.KeyDown(65, true);
        break;
      case 16:
        data.SetTool(otMarque);
        data.EraseMarksOfImage(view.current);
        break;
      default:
        data.KeyDown(Rand(0, 1) ? 13 : 18, false);
        break;
    }
  }

  void LayerStep() {
    view.mode = vmTransparent;
    if (Rand(0, 6) == 0) view.current = Rand(0, 59);
    const int c = Rand(0, 12);
    trace.push_back(c);
    switch (c) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4:
        if (data.Tool() != otTsp) data.SetTool(otTsp);
        Click(0, X(), Y());
        break;
      case 5:
        if (data.Tool() != otTsp) data.SetTool(otTsp);
        data.MouseDown(0, false, X(), Y());
        data.MouseMove(false, X(), Y());
        break;
      case 6:
        if (data.Tool() != otTsp) data.SetTool(otTsp);
        Click(1, 0, 0);
        break;
      case 7:
        if (data.Tool() != otTsp) data.SetTool(otTsp);
        data.KeyDown(Rand(0, 1) ? 109 : 187, false);
        break;
      case 8: {
        data.SetTool(otEffacer);
        const TPixel p = SomeMarkPoint();
        if (Rand(0, 1)) {
          Click(0, p.x, p.y);
        } else {
          Drag(p.x, p.y);
        }
        break;
      }
      case 9: {
        data.SetTool(otDeplacer);
        const TPixel p = SomeMarkPoint();
        Drag(p.x, p.y);
        break;
      }
      case 10:
        data.SetTool(otTsp);
        if (Rand(0, 3) == 0) {
          data.EraseMarks();
        } else {
          data.SetDirectYAxisDirection(Rand(0, 1) == 0);
        }
        break;
      case 11:
        data.SetTool(otEchelle);
        Drag(X(), Y());
        break;
      default:
        data.KeyDown(65, true);
        break;
    }
  }

  // The rules every state must keep.
  void Check(const TPolyContainer& set, bool layer) {
    const int systems = set.MarksNumberPerFrame();
    std::size_t total = 0;
    std::vector<const TContainer*> sorted;
    std::set<int> images;
    for (const auto& c : set.Containers()) {
      ASSERT_TRUE(images.insert(c->MarksContainerFrameNumber).second)
          << "two containers for one image";
      std::set<int> seen;
      for (int i = 0; i < c->Count(); ++i) {
        const int s = c->Mark(i)->MarkOrderNumber;
        ASSERT_TRUE(seen.insert(s).second) << "two marks of system " << s;
        ASSERT_GE(s, 0);
        ASSERT_LT(s, systems);
        if (layer) {
          ASSERT_EQ(s, 0);
        }
      }
      total += static_cast<std::size_t>(c->Count());
      sorted.push_back(c.get());
    }
    ASSERT_EQ(total, set.DrawList().size());
    std::stable_sort(sorted.begin(), sorted.end(), [](const TContainer* a, const TContainer* b) {
      const int ka = a->Count() > 0 ? a->MarksContainerFrameNumber : INT_MAX;
      const int kb = b->Count() > 0 ? b->MarksContainerFrameNumber : INT_MAX;
      return ka < kb;
    });
    for (std::size_t i = 0; i < sorted.size(); ++i)
      ASSERT_EQ(sorted[i]->MarksContainerMarkNumber, static_cast<int>(i))
          << "rank of image " << sorted[i]->MarksContainerFrameNumber;
    for (const TMarque* m : set.DrawList())
      ASSERT_EQ(m->Container()->MarkOf(m->MarkOrderNumber), m);
  }

  void CheckSeries() {
    const TSeries s = data.GetSeries();
    const std::size_t n = s.times.size();
    if (n > 0) {
      ASSERT_EQ(s.times[0], 0.0);
    }
    for (std::size_t k = 1; k < n; ++k) ASSERT_LE(s.times[k - 1], s.times[k]);
    ASSERT_EQ(s.images.size(), static_cast<std::size_t>(data.MarksNumberPerFrame()));
    for (std::size_t k = 0; k < n; ++k) {
      bool any = false;
      for (std::size_t sys = 0; sys < s.images.size(); ++sys) {
        const int32_t t = s.images[sys][k];
        if (t < 0) {
          ASSERT_EQ(t, -1);
          ASSERT_EQ(s.xs[sys][k], 0.0);
          ASSERT_EQ(s.ys[sys][k], 0.0);
        } else {
          any = true;
          ASSERT_NEAR(t * 0.04, s.times[k], 1e-9);
        }
      }
      ASSERT_TRUE(any) << "a column without any mark";
    }
  }

  void CheckAll() {
    Check(data.GridMarks(), false);
    Check(data.LayerMarks(), true);
    CheckSeries();
  }

  void UndoEverything() {
    data.CancelGesture();
    struct Target {
      TVideoMode mode;
      TOutil tool;
      THistorique* h;
    } targets[] = {{vmRepereFixe, otMarque, &data.GridHistory()},
                   {vmTransparent, otDeplacer, &data.LayerHistory()},
                   {vmRepereFixe, otEchelle, &data.ScaleHistory()},
                   {vmRepereFixe, otOrigine, &data.OriginHistory()}};
    for (int round = 0; round < 4; ++round)
      for (const Target& t : targets) {
        view.mode = t.mode;
        data.SetTool(t.tool);
        ASSERT_EQ(&data.ActiveHistory(), t.h);
        int guard = 0;
        while (!t.h->Empty() && guard++ < 100000) {
          data.Undo();
          CheckAll();
        }
      }
  }

  void CheckBackToReset() {
    for (THistorique* h :
         {&data.GridHistory(), &data.LayerHistory(), &data.ScaleHistory(), &data.OriginHistory()})
      EXPECT_TRUE(h->Empty());
    EXPECT_EQ(data.GridMarks().MarksCount(), 0);
    EXPECT_EQ(data.LayerMarks().MarksCount(), 0);
    EXPECT_EQ(data.GridMarks().MarksNumberPerFrame(), 1);
    EXPECT_TRUE(data.Layer().Origines().empty());
    EXPECT_DOUBLE_EQ(data.Layer().LayerWidth(), 0.5);
    EXPECT_DOUBLE_EQ(data.Layer().LayerHeight(), 0.5);
    EXPECT_TRUE(data.Layer().DirectYAxisDirection());
    EXPECT_EQ(data.Scale().ScalePointsNumber(), 0);
    EXPECT_EQ(data.Fixed().OriginePointsNumber(), 0);
    EXPECT_DOUBLE_EQ(data.Fixed().XAxisAngle(), 0.0);
    EXPECT_TRUE(data.Fixed().DirectXAxisDirection());
    EXPECT_EQ(data.Fixed().Origin(), (TPictureCoord{}));
    // Containers stay (empty) until the next Reset, which empties them too.
    data.Reset();
    EXPECT_TRUE(data.GridMarks().Containers().empty());
  }

 private:
  std::mt19937 rng_;
};

}  // namespace

TEST(MarkingProperties, RandomGridGesturesKeepTheRulesAndUndoToReset) {
  Harness h(20240611);
  for (int step = 0; step < 4000; ++step) {
    h.GridStep();
    ASSERT_NO_FATAL_FAILURE(h.CheckAll()) << "step " << step;
  }
  EXPECT_GT(h.data.GridMarks().Containers().size(), 10u);
  ASSERT_NO_FATAL_FAILURE(h.UndoEverything());
  h.CheckBackToReset();
}

TEST(MarkingProperties, RandomLayerGesturesKeepTheRulesAndUndoToReset) {
  Harness h(777);
  for (int step = 0; step < 4000; ++step) {
    if (step % 10 == 9)
      h.GridStep();
    else
      h.LayerStep();
    ASSERT_NO_FATAL_FAILURE(h.CheckAll()) << "step " << step;
    // Every Layer mark's image has its origin position.
    for (const TMarque* m : h.data.LayerMarks().DrawList())
      ASSERT_NE(h.data.Layer().FindOrigineOfImage(m->Container()->MarksContainerFrameNumber),
                nullptr)
          << "step " << step << " "
          << ::testing::PrintToString(std::vector<int>(
                 h.trace.end() - std::min<long>(12, (long)h.trace.size()), h.trace.end()));
  }
  EXPECT_GT(h.data.LayerMarks().MarksCount(), 3);
  ASSERT_NO_FATAL_FAILURE(h.UndoEverything());
  h.CheckBackToReset();
}
