#include "core/graph/model_tools.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/graph/curve_models.h"
#include "core/graph/graph_model.h"
#include "core/graph/modeller.h"
#include "support/recording_canvas.h"

namespace kinevo {
namespace {

using test::RecordingCanvas;

class ModelToolsTest : public ::testing::Test {
 protected:
  ModelToolsTest() {
    g.SetSize(495, 265);  // plot 400 x 200 at (75, 20)
    g.SetWorld({0, 10, 0, 10}, false);
    g.AxeX.name = "t";
    g.AxeX.unit = "s";
    g.AxeY.name = "x";
    g.AxeY.unit = "m";
  }
  int AddLine(double intercept, double slope) {
    TCurveInput in;
    for (int i = 0; i <= 10; ++i) in.points.push_back({double(i), intercept + slope * i});
    const int c = g.AddCourbe(in);
    g.SetCourbeVisible(c, ckPoints, true);
    return c;
  }
  TPixel OnModel(double t) {
    const TGModele& m = *g.Models().ActiveModel();
    return WorldToPixel(g.Plot(), g.World(), t, ModelValue(m.ModelKind(), m.Parameters(), t));
  }
  TGraphUtils utils;
  TGraphModel g{utils};
};

TEST_F(ModelToolsTest, AModelNeedsExactlyOneCurveShown) {
  const int a = AddLine(1, 0.5);
  const int b = AddLine(2, 0.2);
  EXPECT_FALSE(ApplyModel(g, mkAffine));
  EXPECT_EQ(g.Curve(a).model->ModelKind(), mkNone);
  // The modifying tool is refused without a model.
  EXPECT_FALSE(g.SetTool(gtModifierModele));
  EXPECT_EQ(g.Tool(), gtNone);

  g.SetCourbeVisible(b, ckPoints, false);
  ASSERT_TRUE(ApplyModel(g, mkAffine));
  const TGModele& m = *g.Curve(a).model;
  EXPECT_TRUE(m.Shown());
  EXPECT_NEAR(m.Parameters()[1], 0.5, 1e-12);
  EXPECT_EQ(m.EquationLines()[0], "Modèle: x = r + b.t");
  EXPECT_EQ(g.Models().ActiveModel(), &m);
  EXPECT_TRUE(g.SetTool(gtModifierModele));

  // No model takes it away again; the modifying tool then has nothing.
  ASSERT_TRUE(ApplyModel(g, mkNone));
  EXPECT_FALSE(m.Shown());
  EXPECT_EQ(g.Models().ActiveModel(), nullptr);
}

TEST_F(ModelToolsTest, ReadingAndModifyingThroughTheGraph) {
  AddLine(1, 0.5);
  ASSERT_TRUE(ApplyModel(g, mkAffine));
  // Reading: the hint over the curve is the model's text.
  ASSERT_TRUE(g.SetTool(gtModele));
  const TPixel mid = OnModel(5.0);
  g.MouseMove({}, mid.x, mid.y);
  EXPECT_EQ(g.HintText(), g.Models().ActiveModel()->HintText());
  EXPECT_EQ(g.CursorName(), "Detection");
  g.MouseMove({}, mid.x, mid.y - 50);
  EXPECT_TRUE(g.HintText().empty());

  // Modifying: the panel shows when it has something to show.
  ASSERT_TRUE(g.SetTool(gtModifierModele));
  EXPECT_FALSE(g.Models().PanelVisible());
  g.Models().showStatistics = true;
  EXPECT_TRUE(g.Models().PanelVisible());
  g.MouseMove({}, mid.x, mid.y);
  EXPECT_EQ(g.CursorName(), "SizeAll");
  g.MouseDown(mbLeft, {}, mid.x, mid.y);
  g.MouseMove({}, mid.x, mid.y + 40);  // two units down
  g.MouseUp(mbLeft, {}, mid.x, mid.y + 40);
  EXPECT_NEAR(g.Models().ActiveModel()->Parameters()[0], -1.0, 1e-9);
  // A new tool hides the panel.
  g.SetTool(gtNone);
  EXPECT_FALSE(g.Models().PanelVisible());
}

TEST_F(ModelToolsTest, TheModelBoxShowsTheFitWhereTheUserPutsIt) {
  TCurveInput in;
  for (int i = 0; i <= 10; ++i)
    in.points.push_back({double(i), 1 + 0.5 * i + (i % 2 ? 0.1 : -0.1)});
  g.SetCourbeVisible(g.AddCourbe(in), ckPoints, true);
  RecordingCanvas none;
  g.PaintOverlay(none);
  EXPECT_EQ(g.ModelBox.Rect(), TPixelRect{});  // no model, no box

  ASSERT_TRUE(ApplyModel(g, mkAffine));
  const TGModele& m = *g.Models().ActiveModel();
  RecordingCanvas canvas;
  g.PaintOverlay(canvas);
  // At the plot's top-left corner, one line of text per line of the model,
  // inside its frame.
  const TPixelRect box = g.ModelBox.Rect();
  EXPECT_EQ(box.left, 75 + 8);
  EXPECT_EQ(box.top, 20 + 8);
  std::vector<std::string> texts;
  for (const auto& t : canvas.Of("text")) {
    texts.push_back(t.text);
    EXPECT_TRUE(PointInRect(t.points[0], box)) << t.text;
  }
  EXPECT_EQ(texts, m.BoxLines());
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_NE(texts[2].find(" ± "), std::string::npos) << texts[2];
  EXPECT_EQ(texts[2].substr(texts[2].size() - 4), " m/s");

  // Dragged with the mouse, whatever the tool, without reaching the tool.
  ASSERT_TRUE(g.SetTool(gtZoom));
  const TWorldWindow before = g.World();
  g.MouseMove({}, box.left + 5, box.top + 5);
  EXPECT_EQ(g.CursorName(), "SizeAll");
  g.MouseDown(mbLeft, {}, box.left + 5, box.top + 5);
  g.MouseMove({}, box.left + 105, box.top + 45);
  g.MouseUp(mbLeft, {}, box.left + 105, box.top + 45);
  EXPECT_EQ(g.World(), before);
  canvas.Clear();
  g.PaintOverlay(canvas);
  EXPECT_EQ(g.ModelBox.Rect().left, box.left + 100);
  EXPECT_EQ(g.ModelBox.Rect().top, box.top + 40);
  // It stays inside a graph made smaller.
  g.SetSize(300, 150);
  g.PaintOverlay(canvas);
  EXPECT_LE(g.ModelBox.Rect().right, 300 - 1);
  EXPECT_LE(g.ModelBox.Rect().bottom, 150 - 1);

  // Hidden on demand.
  g.ModelBox.shown = false;
  canvas.Clear();
  g.PaintOverlay(canvas);
  EXPECT_TRUE(canvas.Of("text").empty());
  EXPECT_FALSE(g.ModelBox.Contains({box.left + 105, box.top + 45}));
}

TEST_F(ModelToolsTest, AModelKeepsItsHandSetParametersUntilAnotherIsChosen) {
  AddLine(1, 0.5);
  ASSERT_TRUE(ApplyModel(g, mkAffine));
  TGModele& m = *g.Models().ActiveModel();
  m.SetParameter(1, 0.75);
  // Applied again (the window does so after each change of view), the same
  // kind keeps the hand-set slope.
  ASSERT_TRUE(ApplyModel(g, mkAffine));
  EXPECT_EQ(m.Parameters()[1], 0.75);
  EXPECT_TRUE(m.HandSet());
  ASSERT_TRUE(ApplyModel(g, mkParabola));
  ASSERT_TRUE(ApplyModel(g, mkAffine));
  EXPECT_NEAR(m.Parameters()[1], 0.5, 1e-12);
  EXPECT_FALSE(m.HandSet());
}

TEST(Modeller, ButtonsMoveValuesTheirWay) {
  // Positive values: decrease by 1/1.1 and 1/1.02, increase by 1.02 and 1.1.
  EXPECT_DOUBLE_EQ(ModellerButtonValue(0, 2.0, false), 2.0 / 1.1);
  EXPECT_DOUBLE_EQ(ModellerButtonValue(1, 2.0, false), 2.0 / 1.02);
  EXPECT_DOUBLE_EQ(ModellerButtonValue(2, 2.0, true), 2.0 * 1.002);
  EXPECT_DOUBLE_EQ(ModellerButtonValue(3, 2.0, true), 2.0 * 1.1);  // Ctrl leaves the fast ones
  // A negative value goes further down with a decrease, towards 0 with an
  // increase; zero cannot move.
  for (int column = 0; column < 4; ++column) {
    const double v = ModellerButtonValue(column, -3.0, false);
    EXPECT_EQ(v < -3.0, column < 2) << column;
    EXPECT_EQ(ModellerButtonValue(column, 0.0, column % 2 == 0), 0.0);
  }
}

TEST(Modeller, LayoutAndPlace) {
  TModellerTexts t{100, {60, 60, 60}, {150, 90}};
  const TModellerLayout with = LayoutModeller(t, 13, 24, 24, true);
  ASSERT_EQ(with.buttons.size(), 12u);
  ASSERT_EQ(with.text.size(), 6u);
  EXPECT_EQ(with.width, 150 + 28);
  // Each parameter line stands right of its row of buttons.
  for (int row = 0; row < 3; ++row) {
    EXPECT_GT(with.text[1 + row].x, with.buttons[4 * row + 3].right);
    EXPECT_LT(with.buttons[4 * row].bottom, row < 2 ? with.buttons[4 * row + 4].top + 1 : 10000);
  }
  EXPECT_GT(with.height, with.text.back().y + 13);
  EXPECT_EQ(with.dragImage.left + with.dragImage.right, with.width);  // centred
  // Without buttons (the dry friction) there are none and lines start left.
  const TModellerLayout without = LayoutModeller(t, 13, 24, 24, false);
  EXPECT_TRUE(without.buttons.empty());
  EXPECT_EQ(without.text[1].x, without.text[0].x);

  // The panel stays 1 pixel inside the graph.
  EXPECT_EQ(ClampModeller({-40, 500}, 100, 80, 400, 300), (TPixel{1, 219}));
  EXPECT_EQ(ClampModeller({390, -5}, 100, 80, 400, 300), (TPixel{299, 1}));
  EXPECT_EQ(ModifyToolHint(true),
            "|La position du pointeur de la souris sur la courbe détermine le paramètre à "
            "modifier ; Ctrl ou Alt pour ralentir la déformation");
}

}  // namespace
}  // namespace kinevo
