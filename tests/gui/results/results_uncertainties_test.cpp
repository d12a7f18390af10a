// "Afficher les incertitudes" in the results window over a real document:
// u columns beside the table's, error bars on the graphs of positions;
// screenshots when KINEVO_SHOTS_DIR is set.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QTableView>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/graph/graph_model_element.h"
#include "core/graph/model_tools.h"
#include "gui/formulas/formulas_dialog.h"
#include "gui/graph/graph_widget.h"
#include "gui/graph/modeller_panel.h"
#include "gui/results/results_form.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

class ResultsUncertainties : public test::ResultsWindowTest {
 protected:
  void ShowUncertainties(bool on) { form->Action("MenuIncertitudes")->setChecked(on); }
  TGraphModel& Model() { return form->CurrentGraph()->Model(); }
  const TCalcul& Calc() { return session.Results().Active(); }
  void Shot(const std::string& name) {
    if (const char* shots = std::getenv("KINEVO_SHOTS_DIR")) {
      QApplication::processEvents();
      form->grab().save(QString("%1/%2.png").arg(shots, QString::fromStdString(name)));
    }
  }
};

TEST_F(ResultsUncertainties, TableShowsAUColumnBesideEachQuantity) {
  ASSERT_TRUE(form->ShowView(rvTable));
  QAbstractItemModel* m = form->Table()->model();
  const int columns = m->columnCount();
  ShowUncertainties(true);
  // Every column but the time gets its u column.
  EXPECT_EQ(m->columnCount(), 2 * columns - 2);
  EXPECT_EQ(m->index(1, 2).data().toString(), "x");
  EXPECT_EQ(m->index(1, 3).data().toString(), "u(x)");
  EXPECT_EQ(m->index(2, 3).data().toString(), "m");
  // One pixel of a 200-pixel picture 2 m wide.
  EXPECT_NEAR(Calc().Uncertainty(cfAxes, 0, qtX, 4), 0.01, 1e-12);
  Shot("results_table_uncertainties");
  ShowUncertainties(false);
  EXPECT_EQ(m->columnCount(), columns);
}

TEST_F(ResultsUncertainties, TrajectoryPointsGetBarsAlongXAndY) {
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  const TGPoint& before = *Model().Curve(0).points[3];
  EXPECT_EQ(before.errorX, 0.0);
  EXPECT_EQ(before.errorY, 0.0);
  ShowUncertainties(true);
  const TCourbe& c = Model().Curve(0);
  ASSERT_EQ(c.points.size(), static_cast<std::size_t>(test::TwoSystems::kMarks));
  for (const TGPoint* p : c.points) {
    EXPECT_DOUBLE_EQ(p->errorX, Calc().Uncertainty(cfAxes, 0, qtX, p->row));
    EXPECT_DOUBLE_EQ(p->errorY, Calc().Uncertainty(cfAxes, 0, qtY, p->row));
    EXPECT_GT(p->errorX, 0.0);
  }
  Shot("results_trajectory_uncertainties");
  // Seen from "Bulle", the two systems' marks count.
  form->ReferenceBox()->setCurrentIndex(2);
  const TGPoint& seen = *Model().Curve(0).points[3];
  EXPECT_NEAR(seen.errorX, std::sqrt(2.0) * 0.01, 1e-12);
}

TEST_F(ResultsUncertainties, SpeedCurveGetsBarsAndAWeightedModelWithItsStatistics) {
  session.Options.CheckBox43TempsStatistics = true;
  ASSERT_TRUE(form->ShowView(rvTime));
  form->SystemList()->item(1)->setCheckState(Qt::Unchecked);
  form->ChoiceBox()->setCurrentIndex(
      form->ChoiceBox()->findText("Composante selon y de la vitesse"));
  ShowUncertainties(true);
  const TCourbe& c = Model().Curve(0);
  ASSERT_FALSE(c.points.empty());
  EXPECT_DOUBLE_EQ(c.points[3]->errorY, Calc().Uncertainty(cfAxes, 0, qtVy, c.points[3]->row));
  EXPECT_GT(c.points[3]->errorY, 0.0);
  // The affine model of vy(t) is weighted; the modeller shows χ² and says
  // whether the model is compatible with the measurements.
  form->Action("ButtonModeleAffine")->trigger();
  const TGModele* model = Model().Models().ActiveModel();
  ASSERT_NE(model, nullptr);
  EXPECT_TRUE(model->Weighted());
  EXPECT_GT(model->ChiSquareStatistics().ndf, 0);
  form->Action("ButtonModifierModele")->trigger();
  form->show();
  QApplication::processEvents();
  TModeleurPanel* panel = form->CurrentGraph()->Modeller();
  ASSERT_TRUE(panel->isVisible());
  const std::vector<std::string>& lines = panel->StatisticsLines();
  auto has = [&](const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
  };
  EXPECT_TRUE(has("- χ² réduit = "));
  EXPECT_TRUE(has("- nombre de degrés de liberté = "));
  EXPECT_TRUE(has("Le modèle "));
  Shot("results_vy_weighted_fit");
}

TEST_F(ResultsUncertainties, FormulasGetAUColumnAndErrorBars) {
  TFormules& f = session.Formulas;
  f.AddFormula("E=x*x", "", "m2");
  f.Formula(0).Curve.Plotted = true;
  ASSERT_TRUE(form->ShowView(rvFormulas));
  form->Action("MenuFormules")->trigger();
  gui::TBoiteFormules* d = form->FormulasDialog();
  ASSERT_NE(d, nullptr);
  QTableWidget* grid = d->FormulaGrid();
  // t, E, the new formula; then u(E) beside E.
  EXPECT_EQ(grid->columnCount(), 4);
  ShowUncertainties(true);
  ASSERT_EQ(grid->columnCount(), 5);
  EXPECT_EQ(grid->item(1, 3)->text(), "u(E)");
  // Row 4 (x = 0.4 m): u(E) = 2x·u(x), and E written to its digits.
  const int row = TFormulaGrid::kHeaderRows + 4;
  const double x = Calc().Value(cfAxes, 0, qtX, 4), u = 2 * x * 0.01;
  const TCurve& c = f.Formula(0).Curve;
  ASSERT_EQ(c.RowUncertainties.size(), c.RowValues.size());
  EXPECT_NEAR(c.RowUncertainties[4], u, 1e-6 * u);
  EXPECT_EQ(grid->item(row, 3)->text().toStdString(), FormatUncertainty(c.RowUncertainties[4]));
  EXPECT_EQ(grid->item(row, 2)->text().toStdString(), FormatMeasured(x * x, c.RowUncertainties[4]));
  if (const char* shots = std::getenv("KINEVO_SHOTS_DIR"))
    d->grab().save(QString("%1/formulas_uncertainties.png").arg(shots));
  // The formula's graph has the same error bars.
  const TCourbe& curve = Model().Curve(0);
  ASSERT_EQ(curve.points.size(), static_cast<std::size_t>(test::TwoSystems::kMarks));
  EXPECT_DOUBLE_EQ(curve.points[4]->errorY, c.RowUncertainties[4]);
  EXPECT_EQ(curve.points[4]->errorX, 0.0);  // against the time
  Shot("results_formula_uncertainties");
  ShowUncertainties(false);
  EXPECT_EQ(grid->columnCount(), 4);
}

}  // namespace
}  // namespace kinevo
