// The "Modèle dynamique" panel of the results window, offscreen over the
// generated throw document (g = 15.625 m/s² there: 1.25 px per image² at
// 100 px/m and 0.04 s), with the model drawn beside the data.
#include "gui/results/dynamic_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <cmath>
#include <fstream>
#include <sstream>

#include "core/app/session.h"
#include "core/formulas/parser.h"
#include "gui/graph/graph_widget.h"
#include "gui/results/results_form.h"
#include "support/qt_test_application.h"
#include "support/real_frame_sources.h"
#include "support/scripted_dialog.h"
#include "support/scripted_files.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "support/throw_document.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

constexpr double kG = 15.625;
constexpr int kG_ROW = 4;  // after x0, y0, vx0, vy0

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DynamicPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::WriteThrowDocument(dir.Path());
    ASSERT_FALSE(doc.empty());
    session.SetFileDialogs(&files);
    const TStatus opened = session.LoadDocumentQuietly(doc, "");
    ASSERT_TRUE(opened) << opened.error().Text();
    form = std::make_unique<TResForm>(session);
    form->resize(900, 600);
    ASSERT_TRUE(form->ShowView(rvTime));
    form->Action("MenuModeleDynamique")->trigger();
    panel = form->DynamicPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->isVisible());
  }
  const TDynamicSetting& Stored() { return session.Dynamics.Setting(); }
  const std::vector<TOverlayCurve>& Drawn() {
    return form->CurrentGraph()->Model().OverlayCurves();
  }
  QDoubleSpinBox* ValueSpin(int row) {
    return qobject_cast<QDoubleSpinBox*>(panel->Table()->cellWidget(row, TDynamicPanel::kValue));
  }
  void Type(QLineEdit* edit, const char* text) {
    edit->setText(QString::fromUtf8(text));
    emit edit->textEdited(edit->text());
  }
  // Over 20 images the curve has 16 points per interval (400 / 19, at most 16).
  static constexpr int kDrawn = 19 * 16 + 1;
  int FiniteDrawn() {
    int n = 0;
    for (const TOverlayCurve& c : Drawn())
      for (const TWorldPoint& p : c.points) n += std::isfinite(p.x) && std::isfinite(p.y);
    return n;
  }

  test::TempDir dir{"kinevo_dynamic"};
  test::ScriptedDialog dialogs;
  test::ScriptedFiles files;
  TSession session{test::RealFrameSources(), dir.File("Kinevo.ini"), &dialogs};
  std::string doc;
  std::unique_ptr<TResForm> form;
  TDynamicPanel* panel = nullptr;
};

TEST_F(DynamicPanelTest, StartsFromTheMarksAndFitsG) {
  // A free fall launched from the first image, at its position and speed.
  ASSERT_TRUE(Stored().Defined());
  EXPECT_EQ(panel->AxEdit()->text(), "0");
  EXPECT_EQ(panel->AyEdit()->text(), "-g");
  ASSERT_EQ(panel->Table()->rowCount(), 5);
  EXPECT_EQ(panel->Table()->item(kG_ROW, TDynamicPanel::kName)->text(), "g");
  EXPECT_NEAR(Stored().parameters[0].value, 30.0 / 100 - 0.1 * 3.2, 1e-9);  // x0
  EXPECT_NEAR(Stored().parameters[2].value, 3.25, 1e-6);                    // vx0
  EXPECT_EQ(panel->StartBox()->count(), test::Throw::kImages);
  EXPECT_FALSE(panel->StatusIsFailure()) << panel->StatusText().toStdString();
  EXPECT_TRUE(panel->StatusText().contains(QString::fromUtf8("Écart quadratique moyen")));

  // Drawn beside x(t): one smooth line through every row.
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_EQ(FiniteDrawn(), kDrawn);
  EXPECT_EQ(Drawn()[0].colour, session.Data.MarkColor(0));

  // Tick g, vx0 and vy0 in the table, then "Ajuster".
  for (int row : {2, 3, kG_ROW})
    panel->Table()->item(row, TDynamicPanel::kFitted)->setCheckState(Qt::Checked);
  EXPECT_TRUE(Stored().parameters[kG_ROW].fitted);
  panel->FitButton()->click();
  EXPECT_FALSE(panel->StatusIsFailure()) << panel->StatusText().toStdString();
  EXPECT_NEAR(Stored().parameters[kG_ROW].value, kG, kG * 1e-6);
  EXPECT_NEAR(ValueSpin(kG_ROW)->value(), kG, kG * 1e-6);
  EXPECT_TRUE(panel->Table()->item(kG_ROW, TDynamicPanel::kUncertainty)->text().startsWith("±"));
  EXPECT_TRUE(panel->StatusText().contains("g = "));
  EXPECT_TRUE(panel->Table()->item(0, TDynamicPanel::kUncertainty)->text().isEmpty());
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(*panel, "dynamic_panel"));

  // Live: a value typed in the spin box is stored and drawn at once.
  const double lastY = Drawn()[0].points.back().y;
  ValueSpin(2)->setValue(2.0);
  EXPECT_EQ(Stored().parameters[2].value, 2.0);
  EXPECT_NE(Drawn()[0].points.back().y, lastY);
  // The uncertainties of the fit no longer hold.
  EXPECT_TRUE(panel->Table()->item(kG_ROW, TDynamicPanel::kUncertainty)->text().isEmpty());
  // The slider moves the selected parameter by its step: g's own (0.01),
  // then, without one, a tenth of the value's order (0.1 for vx0 = 2).
  panel->Table()->selectRow(kG_ROW);
  const double g = Stored().parameters[kG_ROW].value;
  ASSERT_EQ(Stored().parameters[kG_ROW].step, 0.01);
  panel->Slider()->setValue(3);
  EXPECT_NEAR(Stored().parameters[kG_ROW].value, g + 0.03, 1e-9);
  EXPECT_NEAR(ValueSpin(kG_ROW)->value(), g + 0.03, 1e-9);
  panel->Table()->selectRow(2);
  EXPECT_EQ(panel->Slider()->value(), 0);
  panel->Slider()->setValue(-5);
  EXPECT_NEAR(Stored().parameters[2].value, 1.5, 1e-9);
  panel->Slider()->setValue(-4);
  EXPECT_NEAR(Stored().parameters[2].value, 1.6, 1e-9);
  EXPECT_NEAR(Stored().parameters[kG_ROW].value, g + 0.03, 1e-9);
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(*form, "dynamic_model_x_t"));
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_EQ(FiniteDrawn(), kDrawn);
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(*form, "dynamic_model_trajectory"));
}

TEST_F(DynamicPanelTest, ChoosingTheStartTakesItsMarks) {
  panel->StartBox()->setCurrentIndex(10);
  emit panel->StartBox()->activated(10);
  EXPECT_EQ(Stored().startRow, 10);
  EXPECT_NEAR(Stored().parameters[0].value, (30.0 + 130.0) / 100 - 0.32, 1e-9);
  EXPECT_NEAR(ValueSpin(0)->value(), Stored().parameters[0].value, 1e-12);
  // The model is launched there and drawn backwards too.
  EXPECT_EQ(FiniteDrawn(), kDrawn);
}

TEST_F(DynamicPanelTest, ModelIsSavedWithTheDocumentAndReopensIdentically) {
  Type(panel->AyEdit(), "-g-k*v*vy");
  ASSERT_EQ(panel->Table()->rowCount(), 6);  // k added
  EXPECT_EQ(panel->Table()->item(kG_ROW + 1, TDynamicPanel::kName)->text(), "k");
  ValueSpin(kG_ROW + 1)->setValue(0.02);
  panel->Table()->item(kG_ROW, TDynamicPanel::kFitted)->setCheckState(Qt::Checked);
  EXPECT_TRUE(session.Workflow().Modified());
  const TDynamicSetting saved = Stored();

  const std::string copy = dir.File("copie.kvo");
  files.save.push_back(copy);
  ASSERT_TRUE(session.Workflow().SaveAs());
  const std::string text = FileText(copy);
  EXPECT_NE(text.find("[DynamicModel]"), std::string::npos);

  test::ScriptedDialog dialogs2;
  TSession other{test::RealFrameSources(), dir.File("Kinevo2.ini"), &dialogs2};
  ASSERT_TRUE(other.LoadDocumentQuietly(copy, ""));
  EXPECT_EQ(other.Dynamics.Setting(), saved);
  // Saved again unchanged, the file is the same.
  test::ScriptedFiles files2;
  other.SetFileDialogs(&files2);
  const std::string again = dir.File("encore.kvo");
  files2.save.push_back(again);
  ASSERT_TRUE(other.Workflow().SaveAs());
  EXPECT_EQ(FileText(again), text);

  // "Effacer le modèle": nothing drawn, and no section in the next save.
  panel->findChild<QPushButton*>("ModeleDynamiqueEffacer")->click();
  EXPECT_FALSE(Stored().Defined());
  EXPECT_EQ(FiniteDrawn(), 0);
  files.save.push_back(dir.File("sans.kvo"));
  ASSERT_TRUE(session.Workflow().SaveAs());
  EXPECT_EQ(FileText(dir.File("sans.kvo")).find("DynamicModel"), std::string::npos);
}

TEST_F(DynamicPanelTest, BadFormulaAndDivergenceAreSaidAndNotDrawn) {
  TParser parser;
  parser.SetFormula("-2*(");
  ASSERT_FALSE(parser.Analyse());
  Type(panel->AyEdit(), "-2*(");
  EXPECT_TRUE(panel->StatusIsFailure());
  EXPECT_TRUE(
      panel->StatusText().contains(QString::fromUtf8("La formule de ay ne peut pas être lue.")));
  EXPECT_TRUE(panel->StatusText().contains(QString::fromStdString(parser.ErrorMessage())))
      << panel->StatusText().toStdString();
  EXPECT_EQ(Stored().ay, "-2*(");  // kept as typed
  EXPECT_EQ(FiniteDrawn(), 0);
  // Fitting it is refused, with the same message.
  panel->Table()->item(kG_ROW, TDynamicPanel::kFitted)->setCheckState(Qt::Checked);
  panel->FitButton()->click();
  EXPECT_TRUE(panel->StatusIsFailure());

  // A force that explodes after 0.3 s: the model stops where it diverges.
  Type(panel->AyEdit(), "-g+exp((t-0.3)*3000)");
  EXPECT_TRUE(panel->StatusIsFailure());
  EXPECT_TRUE(panel->StatusText().contains(QString::fromUtf8("Le modèle diverge à t = ")))
      << panel->StatusText().toStdString();
  ASSERT_EQ(Drawn().size(), 1u);
  const auto& points = Drawn()[0].points;
  ASSERT_EQ(points.size(), static_cast<std::size_t>(kDrawn));
  EXPECT_TRUE(std::isfinite(points[5 * 16].y));  // t = 0.2 s
  EXPECT_TRUE(std::isnan(points.back().y));      // t = 0.76 s
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (std::isnan(points[i - 1].y)) {
      EXPECT_TRUE(std::isnan(points[i].y)) << i;
    }
  }
  panel->FitButton()->click();  // refused, not a crash
  EXPECT_TRUE(panel->StatusIsFailure());

  // Mended, it is drawn whole again.
  Type(panel->AyEdit(), "-g");
  EXPECT_FALSE(panel->StatusIsFailure());
  EXPECT_EQ(FiniteDrawn(), kDrawn);
}

}  // namespace
}  // namespace kinevo
