// Renders marking scenes through the QPainter canvas at the three element
// sizes and writes them as shots marking_*.png for a look; the checks
// are made on the same scenes drawn on a recording canvas (positions,
// colours, pen widths), plus a few pixels of the real picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "core/marking/marking_data.h"
#include "platform/qt/qpainter_canvas.h"
#include "support/fake_view.h"
#include "support/recording_canvas.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"

// Text drawing loads the system's font configuration, whose caches live
// until the process ends; they are not leaks of this program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libfreetype.so\n";
}

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::RecordingCanvas;
using kinevo::test::ScriptedDialog;

namespace {

QGuiApplication& App() {
  static int argc = 1;
  static char arg0[] = "marking_render_test";
  static char* argv[] = {arg0, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  return *app;
}

struct Scene {
  FakeView view{640, 480, 50};
  ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};

  explicit Scene(int size) {
    data.Reset();
    data.SetElementSize(size);
  }
  void Click(int x, int y) {
    data.MouseDown(0, false, x, y);
    data.MouseUp(0, false, x, y);
  }
  // Three systems marked on three images, axes turned by 0.5 rad.
  void BuildGrid() {
    data.SetTool(otOrigine);
    Click(200, 300);
    data.SetXAxisAngle(0.5);
    data.SetTool(otMarque);
    data.SetMarksNumberPerFrame(3);
    for (int image = 0; image < 3; ++image)
      for (int s = 0; s < 3; ++s) Click(260 + 110 * image, 120 + 60 * s + 10 * image);
  }
  void BuildScale() {
    data.SetTool(otEchelle);
    Click(100, 420);
    Click(540, 380);
    data.SetScaleLength(1);
  }
  void BuildLayer() {
    view.mode = vmTransparent;
    data.SetTool(otTsp);
    data.MouseDown(0, false, 288, 264);  // grab
    data.MouseMove(false, 300, 260);
    data.MouseUp(0, false, 300, 260);  // drop
    Click(400, 200);                   // the Layer mark
  }

  QImage Render() {
    App();
    QImage img(640, 480, QImage::Format_RGB32);
    img.fill(QColor(60, 70, 80));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterCanvas canvas(p);
    data.Paint(canvas);
    p.end();
    return img;
  }
  void Save(const QImage& img, const std::string& name) { EXPECT_TRUE(test::SaveShot(img, name)); }
};

}  // namespace

TEST(MarkingRender, GridSceneAtEachSize) {
  for (int size = 0; size < 3; ++size) {
    Scene scene(size);
    scene.BuildGrid();
    QImage img = scene.Render();
    scene.Save(img, "marking_grid_size" + std::to_string(size));
    RecordingCanvas rec;
    scene.data.Paint(rec);
    const int pen = 1 + 2 * size;
    // The two axes, then the nine symbols with their numbers.
    auto lines = rec.Of("line");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].pen.width, pen);
    EXPECT_EQ(lines[0].pen.color, colors::Yellow);
    auto polys = rec.Of("polygon");
    ASSERT_EQ(polys.size(), 2u + 9u);  // two arrow heads, nine marks
    for (int k = 0; k < 9; ++k) {
      const auto& sym = polys[2 + static_cast<std::size_t>(k)];
      EXPECT_EQ(sym.brush.color, scene.graph.ColorA(k % 3));
      EXPECT_EQ(sym.pen.width, 1);
    }
    auto texts = rec.Of("text");
    ASSERT_EQ(texts.size(), 2u + 9u);
    const int c = size == 0 ? 0 : size == 1 ? 4 : 7;
    const auto& last = texts.back();
    EXPECT_EQ(last.text, "3");
    EXPECT_EQ(last.points[0], (TPixel{480 - c / 2 - 2, 260 + c + 4}));
    EXPECT_EQ(last.font.color, scene.graph.ColorA(2));
    // The real picture: the centre of the last mark has its system's colour.
    EXPECT_EQ(img.pixel(480, 260), QPainterCanvas::ToQColor(scene.graph.ColorA(2)).rgb());
    EXPECT_EQ(img.pixel(5, 5), QColor(60, 70, 80).rgb());
  }
}

TEST(MarkingRender, ScaleSegmentAtEachSize) {
  for (int size = 0; size < 3; ++size) {
    Scene scene(size);
    scene.BuildGrid();
    scene.BuildScale();
    QImage img = scene.Render();
    scene.Save(img, "marking_scale_size" + std::to_string(size));
    RecordingCanvas rec;
    scene.data.Paint(rec);
    auto lines = rec.Of("line");
    ASSERT_EQ(lines.size(), 5u);  // only the scale: segment and two open heads
    EXPECT_EQ(lines[0].points, (std::vector<TPixel>{{100, 420}, {540, 380}}));
    EXPECT_EQ(lines[0].pen.width, 1 + 2 * size);
    EXPECT_TRUE(rec.Of("polygon").empty());
    EXPECT_EQ(img.pixel(320, 400), QPainterCanvas::ToQColor(colors::Yellow).rgb());
  }
}

TEST(MarkingRender, LayerSceneAtEachSize) {
  for (int size = 0; size < 3; ++size) {
    Scene scene(size);
    scene.BuildLayer();
    ASSERT_EQ(scene.data.MarksCount(), 1);
    QImage img = scene.Render();
    scene.Save(img, "marking_layer_size" + std::to_string(size));
    RecordingCanvas rec;
    scene.data.Paint(rec);
    auto outline = rec.Of("polyline");
    ASSERT_EQ(outline.size(), 1u);
    const TPixelRect r = scene.data.Layer().LayerRect();
    EXPECT_EQ(outline[0].points[0], (TPixel{r.left, r.top}));
    EXPECT_EQ(outline[0].pen.width, 1 + 2 * size);
    auto polys = rec.Of("polygon");
    ASSERT_EQ(polys.size(), 3u);  // two arrow heads and the Layer mark
    EXPECT_EQ(polys[2].brush.color, scene.graph.ColorA(0));
    auto texts = rec.Of("text");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "x");
    EXPECT_EQ(texts[1].text, "y");
    EXPECT_EQ(texts[2].text, "1");
    // The layer's y axis on the real picture, away from the mark and letters.
    const int axisX = r.left + (r.right - r.left) / 2;
    EXPECT_EQ(img.pixel(axisX, (r.top + r.bottom) / 2 + 60),
              QPainterCanvas::ToQColor(colors::Yellow).rgb());
  }
}
