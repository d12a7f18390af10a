// Random gesture sequences (fixed seeds) with every figure tool over a graph
// with data points and vectors, and changes of the window between them:
// after every step the element list, the selection and the history keep
// their rules; then undoing step by step walks back through earlier states
// to the graph without figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

#include "core/graph/figure_tools.h"
#include "core/graph/graph_model.h"

namespace kinevo {
namespace {

// What undo must give back: every figure's kind and defining values.
using TState = std::map<int, std::vector<double>>;

class Harness {
 public:
  explicit Harness(unsigned seed) : rng_(seed) {
    g.SetSize(495, 265);  // plot 400 x 200 at (75, 20)
    g.SetWorld({-3, 5, -1, 2}, false);
    TCurveInput in;
    for (int i = 0; i < 12; ++i) in.points.push_back({-2.5 + 0.6 * i, std::sin(i * 0.7)});
    TVectorSeries v{3, "m/s", {}, 1};
    for (int i = 0; i < 12; ++i) v.values.push_back({std::cos(i * 0.7), -std::sin(i)});
    in.vectors.push_back(v);
    const int c = g.AddCourbe(in);
    g.SetCourbeVisible(c, ckPoints, true);
    g.SetCourbeVisible(c, ckVectors, true, kDataDrawn);
    g.AutoVectorScale();
    g.IsOrigineVisible = true;
    g.Figures().ShowAll();
    dataCount = g.Elements().size();
  }

  TGraphUtils utils;
  TGraphModel g{utils};
  std::size_t dataCount = 0;

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  TPixel Anywhere() { return {Rand(60, 490), Rand(10, 250)}; }
  std::vector<TGPolyPoint*> Figures() const {
    std::vector<TGPolyPoint*> out;
    for (const auto& e : g.Elements())
      if (e->userDrawn) out.push_back(static_cast<TGPolyPoint*>(e.get()));
    return out;
  }
  TGPolyPoint* SomeFigure() {
    const auto f = Figures();
    return f.empty() ? nullptr : f[static_cast<std::size_t>(Rand(0, int(f.size()) - 1))];
  }
  // A pixel on a figure: a handle, or a point of its body.
  TPixel On(TGPolyPoint* f, bool handle) {
    const auto h = f->Handles();
    if (handle || h.size() < 2) return h[static_cast<std::size_t>(Rand(0, int(h.size()) - 1))];
    return {(h[0].x + h[1].x) / 2, (h[0].y + h[1].y) / 2};
  }
  TPixel Near(TPixel p) { return {p.x + Rand(-40, 40), p.y + Rand(-40, 40)}; }

  void Click(TPixel p) {
    g.MouseDown(mbLeft, shift_, p.x, p.y);
    g.MouseUp(mbLeft, shift_, p.x, p.y);
  }
  void Drag(TPixel a, TPixel b) {
    g.MouseDown(mbLeft, shift_, a.x, a.y);
    for (int i = Rand(0, 2); i > 0; --i) g.MouseMove(shift_, Rand(0, 495), Rand(0, 265));
    g.MouseMove(shift_, b.x, b.y);
    g.MouseUp(mbLeft, shift_, b.x, b.y);
  }

  void Create() {
    // Each kind in turn first, then at random.
    const int tool = created_ < 7 ? gtAngle + created_ : Rand(gtAngle, gtVecteur);
    ++created_;
    g.SetTool(tool);
    if (tool == gtAngle) {
      for (int i = 0; i < 3; ++i)
        Click(Rand(0, 5) == 0 && !Figures().empty() ? On(SomeFigure(), true) : Anywhere());
    } else if (tool == gtSpline) {
      TPixel p = Anywhere();
      for (int i = Rand(1, 4); i > 0; --i) Click(p = Near(p));
      g.DoubleClick(p.x, p.y);
    } else {
      // From a figure's handle now and then: vector tips chain vectors.
      const TPixel a = Rand(0, 3) == 0 && !Figures().empty() ? On(SomeFigure(), true) : Anywhere();
      Drag(a, Rand(0, 6) == 0 ? a : Near(a));
    }
  }

  void Step() {
    shift_ = {};
    shift_.shift = Rand(0, 5) == 0;
    TGPolyPoint* f = SomeFigure();
    const int kind = Figures().size() > 30 ? 9 : Rand(0, 11);
    if (!f || kind <= 2) return Create();
    switch (kind) {
      case 3:  // move the selection, or a rubber band
        g.SetTool(gtSelection);
        Drag(Rand(0, 4) ? On(f, false) : Anywhere(), Anywhere());
        break;
      case 4:  // deform, or turn an ellipse
        g.SetTool(gtSelection);
        Drag(On(f, true), Near(On(f, true)));
        break;
      case 5:  // bend: the first click selects, the second bends
        g.SetTool(gtCurveArc);
        Click(On(f, false));
        Drag(On(f, Rand(0, 1) == 0), Anywhere());
        break;
      case 6:
        g.SetTool(gtDupliquer);
        Rand(0, 3) ? Click(On(f, false)) : Drag(Anywhere(), Anywhere());
        break;
      case 7:
        g.SetTool(gtSens);
        Rand(0, 3) ? Click(On(f, true)) : Drag(Anywhere(), Anywhere());
        break;
      case 8: {
        // Selected as the results window does (a click could also snap it).
        g.Figures().Select(f, shift_.shift);
        TPixel move;
        g.KeyDown(46, {}, move);  // Delete
        break;
      }
      case 9:
        g.SetTool(gtSupprimer);
        Rand(0, 3) ? Click(On(f, false)) : Drag(Anywhere(), Anywhere());
        break;
      case 10:
        g.Figures().Undo();
        break;
      default: {
        // Zoom or pan: the figures stay at their world places.
        const double dx = Rand(-10, 10) / 10.0, k = Rand(8, 12) / 10.0;
        g.SetWorld({-3 * k + dx, 5 * k + dx, -1 * k, 2 * k}, Rand(0, 1) == 0);
        break;
      }
    }
  }

  TState State() const {
    TState s;
    for (const TGPolyPoint* f : Figures()) {
      std::vector<double>& v = s[f->Id()];
      v.push_back(f->Kind());
      for (const TWorldPoint& p : f->Points()) v.insert(v.end(), {p.x, p.y});
      if (const auto* vec = dynamic_cast<const TGFigVecteur*>(f))
        v.insert(v.end(), {vec->components.x, vec->components.y, double(vec->family)});
    }
    return s;
  }

  void CheckInvariants() const {
    const auto& list = g.Elements();
    std::set<int> ids;
    int selected = 0;
    for (const auto& e : list) {
      EXPECT_TRUE(ids.insert(e->Id()).second) << "two elements share id " << e->Id();
      if (e->selected) ++selected;
    }
    EXPECT_EQ(selected, g.Figures().SelectionCount());
    EXPECT_EQ(list.size() - Figures().size(), dataCount) << "the data elements stay";
    EXPECT_LE(g.Figures().History().Size(), TGraphHistory::kCapacity);
    for (const TGPolyPoint* f : Figures()) {
      for (const TWorldPoint& p : f->Points())
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << f->InfoText();
      const std::string info = f->InfoText();
      EXPECT_FALSE(info.empty());
      EXPECT_EQ(info.find("NAN"), std::string::npos) << info;
      if (const auto* v = dynamic_cast<const TGFigVecteur*>(f)) {
        // Chain links name vectors that exist.
        for (int link : {v->previous, v->next})
          EXPECT_TRUE(link == 0 || ids.count(link)) << "dangling chain link " << link;
      }
    }
    // No undo is offered by an empty history; a figure still there after
    // its creation was recorded can always be taken back.
    if (g.Figures().History().Size() == 0) EXPECT_EQ(g.Figures().UndoCaption(), "");
    if (!Figures().empty()) EXPECT_NE(g.Figures().UndoCaption(), "");
  }

 private:
  std::mt19937 rng_;
  TShiftState shift_;
  int created_ = 0;
};

bool SameState(const TState& a, const TState& b) {
  if (a.size() != b.size()) return false;
  for (const auto& [id, v] : a) {
    const auto it = b.find(id);
    if (it == b.end() || it->second.size() != v.size()) return false;
    for (std::size_t i = 0; i < v.size(); ++i)
      if (std::fabs(v[i] - it->second[i]) > 1e-9 * std::max(1.0, std::fabs(v[i]))) return false;
  }
  return true;
}

class FiguresProperty : public ::testing::TestWithParam<unsigned> {};

TEST_P(FiguresProperty, RandomGesturesThenUndoBackToNoFigures) {
  Harness h(GetParam());
  std::vector<TState> states{h.State()};
  std::set<int> kindsSeen;
  for (int i = 0; i < 160 && h.g.Figures().History().Size() < 400; ++i) {
    h.Step();
    SCOPED_TRACE("step " + std::to_string(i));
    h.CheckInvariants();
    for (const TGPolyPoint* f : h.Figures()) kindsSeen.insert(f->Kind());
    states.push_back(h.State());
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_EQ(kindsSeen.size(), 7u) << "every kind was drawn";

  // Each undo gives back a state the graph had before, further back each
  // time, down to the state without figures.
  std::size_t at = states.size() - 1;
  int undos = 0;
  while (!h.g.Figures().UndoCaption().empty() && undos < 2000) {
    h.g.Figures().Undo();
    ++undos;
    h.CheckInvariants();
    const TState now = h.State();
    std::size_t j = at;
    while (j > 0 && !SameState(states[j - 1], now)) --j;
    ASSERT_GT(j, 0u) << "undo " << undos << " gave a state the graph never had";
    at = j - 1;
  }
  EXPECT_TRUE(h.Figures().empty());
  EXPECT_GT(undos, 20);
  EXPECT_EQ(h.g.Figures().SelectionCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FiguresProperty, ::testing::Values(1u, 7u, 42u, 2026u));

}  // namespace
}  // namespace kinevo
