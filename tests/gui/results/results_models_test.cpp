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
#include "core/results/model_tracks.h"
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

TEST_F(ResultsModels, TheModelsOfXAndYOfASystemAreKeptForTheVideo) {
  // The second system alone: the curve shown is system 1's.
  form->SystemList()->item(0)->setCheckState(Qt::Unchecked);
  Choose("ButtonModeleAffine");
  ASSERT_EQ(form->ModelKind(), mkAffine);
  const TCurveModelRecord& kept = session.CurveModels;
  EXPECT_EQ(kept.Fit(0, TCurveModelRecord::axY).kind, mkNone);
  TCurveModelRecord::TCurveFit y = kept.Fit(1, TCurveModelRecord::axY);
  ASSERT_EQ(y.kind, mkAffine);
  // y = −(0.5 − 0.02 i) m with the origin at the top, i = t / 0.04.
  EXPECT_NEAR(y.parameters[0], -0.5, 1e-9);
  EXPECT_NEAR(y.parameters[1], 0.5, 1e-9);
  const TTrackClock clock{0, {0.0, 0.2}};
  EXPECT_TRUE(session.ModelTracks.Tracks(clock).empty());  // no x(t) yet

  // "Abscisse": the same model fitted to x(t) gives the track.
  form->ChoiceBox()->setCurrentIndex(0);
  ASSERT_EQ(kept.Fit(1, TCurveModelRecord::axX).kind, mkAffine);
  auto tracks = session.ModelTracks.Tracks(clock);
  ASSERT_EQ(tracks.size(), 1u);
  EXPECT_EQ(tracks[0].system, 1);
  EXPECT_NEAR(tracks[0].positions[1].x, 1.0, 1e-9);
  EXPECT_NEAR(tracks[0].positions[1].y, -0.5 + 0.5 * 0.2, 1e-9);

  // A change by hand is followed.
  Graph().Model().Models().ActiveModel()->SetParameter(0, 1.25);
  EXPECT_DOUBLE_EQ(kept.Fit(1, TCurveModelRecord::axX).parameters[0], 1.25);

  // Both systems shown: no model on the graph, the kept ones stay.
  form->SystemList()->item(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(form->ModelKind(), mkNone);
  EXPECT_EQ(session.ModelTracks.Tracks(clock).size(), 1u);
  // Taking the model of x(t) away ends the track.
  form->SystemList()->item(0)->setCheckState(Qt::Unchecked);
  Choose("ButtonModeleAffine");
  ASSERT_EQ(form->ModelKind(), mkAffine);
  Choose("ButtonModeleAffine");  // up again: no model
  EXPECT_EQ(form->ModelKind(), mkNone);
  EXPECT_EQ(kept.Fit(1, TCurveModelRecord::axX).kind, mkNone);
  EXPECT_TRUE(session.ModelTracks.Tracks(clock).empty());
}

}  // namespace
}  // namespace kinevo
