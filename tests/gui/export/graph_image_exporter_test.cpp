// The graph as an image: the files of "Exporter" (SVG read back by Qt's SVG
// renderer, PNG and BMP read back as pictures) and the clipboard's PNG and
// SVG of "Copier l'image dans le presse-papier".
#include "gui/export/graph_image_exporter.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <filesystem>

#include "core/common/ini_file.h"
#include "core/graph/graph_model.h"
#include "platform/qt/graph_image.h"
#include "support/french_numeric_locale.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_export");

// A graph 495 x 265 (plot 400 x 200) with blue discs on the diagonal; the
// one at world (4, 4) is at pixel (235, 140).
class GraphImage : public ::testing::Test {
 protected:
  GraphImage() {
    model.SetSize(495, 265);
    model.SetWorld({0, 10, 0, 10}, false);
    TCurveInput in;
    for (int i = 0; i < 5; ++i) {
      in.points.push_back({2.0 * i, 2.0 * i});
      in.rows.push_back(i);
    }
    const int c = model.AddCourbe(in);
    model.SetCourbeVisible(c, ckPoints, true);
    model.SetCourbeSymbol(c, 14);
    model.SetCourbeColour(c, ckPoints, colors::Blue);
    exporter.ChooseSaveFile = [this](QWidget*, const QString& t, const QString& p,
                                     const QStringList& f, int& index) {
      title = t;
      proposed = p;
      filters = f;
      index = filterIndex;
      return answer;
    };
  }
  static bool IsBlue(QColor c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; }

  TGraphUtils utils;
  TGraphModel model{utils};
  test::TempDir dir{"kinevo_graph_image"};
  test::ScriptedDialog shown;
  TUserDlg dlg{&shown};
  gui::TGraphImageExporter exporter{dlg};
  QString title, proposed, answer;
  QStringList filters;
  int filterIndex = 0;
};

TEST_F(GraphImage, SvgFileIsValidAndDrawsTheGraph) {
  answer = QString::fromStdString(dir.File("graphe"));
  ASSERT_TRUE(exporter.SaveAs(model, dir.File("chute.avi"), false));
  EXPECT_EQ(title, "Exporter dans un fichier image");
  EXPECT_EQ(proposed, QString::fromStdString(dir.File("chute")));
  ASSERT_EQ(filters.size(), 3);
  EXPECT_TRUE(filters[0].contains("*.svg"));
  QSvgRenderer svg(QString::fromStdString(dir.File("graphe.svg")));
  ASSERT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBox(), QRect(0, 0, 495, 265));
  QImage drawn(495, 265, QImage::Format_RGB32);
  drawn.fill(Qt::white);
  QPainter p(&drawn);
  svg.render(&p);
  p.end();
  EXPECT_TRUE(IsBlue(drawn.pixelColor(235, 140)));
  EXPECT_TRUE(shown.Contains("Enregistrement dans un fichier image effectué."));
  EXPECT_TRUE(shown.Contains("Le fichier porte l'extension SVG."));
}

// A French desktop prints "0,5" through the C library; the SVG file and its
// axis labels must not change with it.
TEST_F(GraphImage, SvgFileIsTheSameUnderAFrenchNumericLocale) {
  model.SetWorld({0, 0.5, -0.25, 0.75}, false);
  answer = QString::fromStdString(dir.File("c.svg"));
  ASSERT_TRUE(exporter.SaveAs(model, dir.File("chute.avi"), false));
  {
    test::FrenchNumericLocale french;
    ASSERT_TRUE(french.Active());
    answer = QString::fromStdString(dir.File("fr.svg"));
    ASSERT_TRUE(exporter.SaveAs(model, dir.File("chute.avi"), false));
  }
  std::string c, fr;
  c = ReadWholeFile(dir.File("c.svg")).value_or("");
  ASSERT_FALSE(c.empty());
  fr = ReadWholeFile(dir.File("fr.svg")).value_or("");
  ASSERT_FALSE(fr.empty());
  EXPECT_NE(c.find(">-0.200</text>"), std::string::npos);  // an axis label
  EXPECT_EQ(fr, c);
}

TEST_F(GraphImage, RasterFilesFollowTheFilterOrTheTypedExtension) {
  answer = QString::fromStdString(dir.File("graphe.dat"));
  filterIndex = 1;
  ASSERT_TRUE(exporter.SaveAs(model, "", false));
  QImage png(QString::fromStdString(dir.File("graphe.png")), "PNG");
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), QSize(495, 265));
  EXPECT_TRUE(IsBlue(png.pixelColor(235, 140)));
  EXPECT_FALSE(IsBlue(png.pixelColor(300, 60)));
  EXPECT_TRUE(shown.Contains("Le fichier porte l'extension PNG."));

  answer = QString::fromStdString(dir.File("image.BMP"));
  filterIndex = 0;
  ASSERT_TRUE(exporter.SaveAs(model, "", false));
  QImage bmp(QString::fromStdString(dir.File("image.bmp")), "BMP");
  ASSERT_FALSE(bmp.isNull());
  EXPECT_EQ(bmp.pixelColor(235, 140), png.pixelColor(235, 140));
}

TEST_F(GraphImage, UnwritableFileIsReportedAndCancelWritesNothing) {
  answer = QString::fromStdString(dir.File("absent/graphe.png"));
  EXPECT_FALSE(exporter.SaveAs(model, "", false));
  EXPECT_TRUE(shown.Contains("L'unité de calcul a détecté une erreur."));
  const std::size_t messages = shown.Count();
  answer.clear();
  EXPECT_FALSE(exporter.SaveAs(model, "", false));
  EXPECT_EQ(shown.Count(), messages);
  EXPECT_TRUE(dir.Names().empty());
}

TEST_F(GraphImage, ClipboardGetsPngAndSvg) {
  ASSERT_TRUE(exporter.Copy(model, false));
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasImage());
  const QImage png = QImage::fromData(data->data("image/png"), "PNG");
  ASSERT_FALSE(png.isNull());
  EXPECT_TRUE(IsBlue(png.pixelColor(235, 140)));
  QSvgRenderer svg(data->data("image/svg+xml"));
  EXPECT_TRUE(svg.isValid());
  EXPECT_TRUE(
      shown.Contains("L'image copiée peut-être dissociée et transformée élément par élément."));
}

TEST_F(GraphImage, PrintLookTurnsTheBackgroundWhiteAndGivesTheModelBack) {
  const TColor begin = model.ColorBegin, end = model.ColorEnd, axe = model.ColorAxe;
  {
    const TGraphOutputLook look(model, true, true);
    EXPECT_TRUE(model.IsDessinerEchelle);
    const QImage white = kinevo::GraphImage(model);
    EXPECT_EQ(white.pixelColor(300, 200), QColor(Qt::white));  // bottom of the plot
    EXPECT_EQ(white.pixelColor(20, 200), QColor(Qt::white));   // the axis margin
  }
  EXPECT_FALSE(model.IsDessinerEchelle);
  EXPECT_EQ(model.ColorBegin, begin);
  EXPECT_EQ(model.ColorEnd, end);
  EXPECT_EQ(model.ColorAxe, axe);
  EXPECT_NE(kinevo::GraphImage(model).pixelColor(300, 200), QColor(Qt::white));
}

}  // namespace
}  // namespace kinevo
