// The model buttons of the results window and the modeller panel, offscreen
// over a real document whose first system falls along y = −0.1 − 3.125 t².
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QToolButton>
#include <cstdlib>

#include "core/graph/curve_models.h"
#include "core/graph/model_tools.h"
#include "gui/graph/graph_widget.h"
#include "gui/graph/modeller_panel.h"
#include "gui/results/results_form.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

class ResultsModels : public test::ResultsWindowTest {
 protected:
  void SetUp() override {
    ResultsWindowTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(form->ShowView(rvTime));
    form->ChoiceBox()->setCurrentIndex(1);  // "Ordonnée"
  }
  void Shot(const std::string& name) {
    const char* shots = std::getenv("KINEVO_SHOTS_DIR");
    if (!shots) return;
    QApplication::processEvents();
    form->grab().save(QString("%1/results_%2.png").arg(shots).arg(QString::fromStdString(name)));
  }
  void Choose(const char* button) { form->Action(button)->trigger(); }
  std::string LastMessage() {
    return dialogs.shown.empty() || dialogs.shown.back().lines.empty()
               ? std::string()
               : dialogs.shown.back().lines[0].text;
  }
  TGraph& Graph() { return *form->CurrentGraph(); }
  const TGModele* Model() { return Graph().Model().Models().ActiveModel(); }
};

TEST_F(ResultsModels, AModelGoesWithOneCurveOnly) {
  // Both systems are shown: refused, and the button does not stay down.
  Choose("ButtonModeleParabole");
  EXPECT_EQ(LastMessage(), kOneCurveOnly);
  EXPECT_EQ(form->ModelKind(), mkNone);
  EXPECT_FALSE(form->Action("ButtonModeleParabole")->isChecked());
  // Modifying without a model is refused too.
  form->Action("ButtonModifierModele")->trigger();
  EXPECT_EQ(LastMessage(), kChooseModelFirst);
  EXPECT_FALSE(form->Action("ButtonModifierModele")->isChecked());

  // One system: the parabola is fitted to y(t) and drawn.
  form->SystemList()->item(1)->setCheckState(Qt::Unchecked);
  Choose("ButtonModeleParabole");
  EXPECT_EQ(form->ModelKind(), mkParabola);
  ASSERT_NE(Model(), nullptr);
  EXPECT_NEAR(Model()->Parameters()[2], -3.125, 1e-9);
  EXPECT_EQ(Model()->EquationLines()[0], "Modèle: y = r + b.t + c.t²");
  EXPECT_EQ(Graph().Model().Tool(), gtModele);
  // Ticking the second system again lets the model go.
  form->SystemList()->item(1)->setCheckState(Qt::Checked);
  EXPECT_EQ(form->ModelKind(), mkNone);
  EXPECT_EQ(Model(), nullptr);
  // The trajectory view models y(x) as the time view models y(t); the
  // vector view has no models.
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  EXPECT_TRUE(form->Action("ButtonModeleAffine")->isVisible());
  ASSERT_TRUE(form->ShowView(rvVectors));
  EXPECT_FALSE(form->Action("ButtonModeleAffine")->isVisible());
}

TEST_F(ResultsModels, TheModellerPanelChangesParameters) {
  form->SystemList()->item(1)->setCheckState(Qt::Unchecked);
  session.Options.CheckBox43TempsStatistics = true;
  Choose("ButtonModeleParabole");
  form->Action("ButtonModifierModele")->trigger();
  ASSERT_EQ(Graph().Model().Tool(), gtModifierModele);
  TModeleurPanel* panel = Graph().Modeller();
  form->show();
  QApplication::processEvents();
  ASSERT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->EquationLines(), Model()->EquationLines());
  EXPECT_EQ(panel->StatisticsLines(), Model()->StatisticsLines());
  // The panel lies inside the graph.
  EXPECT_GE(panel->x(), 1);
  EXPECT_LE(panel->x() + panel->width(), Graph().width() - 1);
  // Four buttons per parameter: twelve for the parabola.
  int shown = 0;
  for (int k = 0; k < kModellerButtons; ++k) shown += panel->Button(k)->isVisible();
  EXPECT_EQ(shown, 12);
  // "Increase" on c (negative) brings it closer to zero by 1.02.
  const double c = Model()->Parameters()[2];
  panel->Button(4 * 2 + 2)->click();
  EXPECT_NEAR(Model()->Parameters()[2], c / 1.02, 1e-12);
  EXPECT_EQ(panel->EquationLines(), Model()->EquationLines());
  Shot("model_parabola");

  // The dry friction: equation and statistics, no buttons; the tool stays.
  Choose("ButtonModeleSinusAl");
  ASSERT_EQ(Graph().Model().Tool(), gtModifierModele);
  QApplication::processEvents();
  EXPECT_TRUE(panel->isVisible());
  for (int k = 0; k < kModellerButtons; ++k) EXPECT_FALSE(panel->Button(k)->isVisible());
  // Leaving the tool hides the panel.
  form->Action("ButtonModifierModele")->trigger();
  EXPECT_FALSE(panel->isVisible());
}

}  // namespace
}  // namespace kinevo
