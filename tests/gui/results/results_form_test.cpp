// The results window offscreen over a real document with two systems: each
// view, its selections kept per marking mode, the buttons the settings
// allow, the link with the image shown; screenshots of every view at two
// sizes when KINEVO_SHOTS_DIR is set.
#include "gui/results/results_form.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QToolBar>
#include <cstdlib>

#include "gui/formulas/formulas_dialog.h"
#include "gui/graph/graph_widget.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

class ResultsForm : public test::ResultsWindowTest {
 protected:
  void Shot(const std::string& name) {
    const char* shots = std::getenv("KINEVO_SHOTS_DIR");
    if (!shots) return;
    for (QSize size : {QSize(900, 600), QSize(620, 430)}) {
      form->resize(size);
      QApplication::processEvents();
      form->grab().save(QString("%1/results_%2_%3.png")
                            .arg(shots)
                            .arg(QString::fromStdString(name))
                            .arg(size.width()));
    }
    form->resize(900, 600);
    QApplication::processEvents();
  }
  QAction* ToolBarAction(const QString& text) {
    for (QAction* a : form->findChild<QToolBar*>("ToolBarResultats")->actions())
      if (a->text() == text) return a;
    return nullptr;
  }
  TGraphModel& Model() { return form->CurrentGraph()->Model(); }
  std::vector<std::string> ListTexts(QComboBox* box) {
    std::vector<std::string> out;
    for (int i = 0; i < box->count(); ++i) out.push_back(box->itemText(i).toStdString());
    return out;
  }
};

TEST(ControlRow, EndsChangeDigitsAndTheMiddleHidesButNeverTheTime) {
  EXPECT_EQ(ControlRowClick(2, 3, 60), ccFewerDigits);
  EXPECT_EQ(ControlRowClick(2, 50, 60), ccMoreDigits);
  EXPECT_EQ(ControlRowClick(2, 30, 60), ccHideColumn);
  EXPECT_EQ(ControlRowClick(1, 3, 60), ccFewerDigits);
  EXPECT_EQ(ControlRowClick(1, 30, 60), ccNothing);
  EXPECT_EQ(ControlRowClick(3, 3, 12), ccHideColumn);  // too narrow for the digit zones
  EXPECT_EQ(ControlRowClick(0, 3, 60), ccNothing);     // row labels
}

TEST_F(ResultsForm, TableViewShowsEveryRowAndTheGroupsOfTheMenu) {
  ASSERT_TRUE(form->ShowView(rvTable));
  EXPECT_EQ(form->windowTitle(), "Tableau des valeurs");
  QAbstractItemModel* m = form->Table()->model();
  EXPECT_EQ(m->rowCount(), test::TwoSystems::kMarks + 4);
  // t, then x y of both, then vx vy v, ax ay a, O R w of both.
  EXPECT_EQ(m->columnCount(), 1 + 1 + 2 * 11);
  EXPECT_EQ(m->index(1, 1).data().toString(), "t");
  EXPECT_EQ(m->index(1, 2).data().toString(), "x");
  EXPECT_EQ(m->index(1, 4).data().toString(), "x2");
  EXPECT_EQ(m->index(3, 4).data().toString(), "Abscisse Bulle");
  // Hiding the speeds in the menu takes 6 columns away.
  form->Action("MenuVitesse")->setChecked(false);
  EXPECT_EQ(m->columnCount(), 1 + 1 + 2 * 8);
  Shot("table");
}

TEST_F(ResultsForm, TimeViewPlotsEachTickedSystemAndSaysSeveral) {
  ASSERT_TRUE(form->ShowView(rvTime));
  EXPECT_EQ(form->windowTitle(), "Evolution en fonction du temps");
  EXPECT_EQ(form->ChoiceBox()->count(), 11);
  EXPECT_EQ(form->SystemsTitle()->text(), "de plusieurs points");
  EXPECT_EQ(Model().ShownCurves(), (std::vector<int>{0, 1}));
  EXPECT_NE(form->HintLabel()->text().indexOf("caméra"), -1);
  // Unticking the first system leaves one curve, named in the title.
  form->SystemList()->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(Model().CurveCount(), 1);
  EXPECT_EQ(form->SystemsTitle()->text(), "Bulle");
  EXPECT_NE(Model().AxeY.title.at(1).find("Bulle"), std::string::npos);
  Shot("time");
}

TEST_F(ResultsForm, WithoutSpeedsTheListOffersAccelerationsAndPlotsThem) {
  session.Options.CheckBox9Speed = false;
  form->ApplyOptions();
  ASSERT_TRUE(form->ShowView(rvTime));
  EXPECT_EQ(ListTexts(form->ChoiceBox()),
            (std::vector<std::string>{
                "Abscisse", "Ordonnée", "Composante selon x de l'accélération",
                "Composante selon y de l'accélération", "Valeur de l'accélération",
                "Coordonnée angulaire", "Coordonnée radiale", "Vitesse de rotation"}));
  form->ChoiceBox()->setCurrentIndex(2);
  const TCalcul& calc = session.Results().Active();
  const TCourbe& c = Model().Curve(0);
  ASSERT_EQ(c.points.size(), static_cast<std::size_t>(calc.MarksCount(0)));
  // System 0 falls with a constant acceleration: ax is 0, so check row 4 of x.
  EXPECT_DOUBLE_EQ(c.points[4]->world.y, calc.Value(cfAxes, 0, qtAx, 4));
  EXPECT_DOUBLE_EQ(c.points[4]->world.x, calc.RowTime(4));
}

TEST_F(ResultsForm, TrajectoryOffersTheCameraThenEachSystem) {
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  EXPECT_EQ(form->windowTitle(), "Trajectoire dans un référentiel");
  EXPECT_EQ(ListTexts(form->ReferenceBox()),
            (std::vector<std::string>{"de la caméra", "Balle", "Bulle"}));
  EXPECT_EQ(Model().CurveCount(), 2);
  EXPECT_TRUE(Model().EqualScale());
  const TWorldWindow w = Model().World();
  const TPlotRect p = Model().Plot();
  EXPECT_NEAR((w.xmax - w.xmin) / p.width, (w.ymax - w.ymin) / p.height, 1e-12);
  Shot("trajectory");
  // Seen from itself, "Bulle" is one point at the origin.
  form->ReferenceBox()->setCurrentIndex(2);
  const TCourbe& self = Model().Curve(1);
  ASSERT_EQ(self.points.size(), 1u);
  EXPECT_EQ(self.points[0]->world, (TWorldPoint{0, 0}));
}

TEST_F(ResultsForm, VectorsViewScalesTheLongestVectorAndAcceptsAScale) {
  ASSERT_TRUE(form->ShowView(rvVectors));
  EXPECT_EQ(form->windowTitle(), "Représentation des vecteurs");
  EXPECT_EQ(ListTexts(form->ChoiceBox()), (std::vector<std::string>{"vitesse", "accélération"}));
  ASSERT_EQ(Model().CurveCount(), 2);
  EXPECT_FALSE(Model().Curve(0).vectors.empty());
  const double value = Model().VectorScaleValue();
  EXPECT_GT(value, 0);
  form->ScaleEdit()->setText(QString::number(value * 2, 'g', 17));
  emit form->ScaleEdit()->editingFinished();
  EXPECT_DOUBLE_EQ(Model().VectorScaleValue(), value * 2);
  Shot("vectors");
}

TEST_F(ResultsForm, VectorsCanBeDrawnOverTheVideoPicture) {
  session.Options.CheckBox46VectorVideoImage = true;
  session.Video.GoToImage(3);
  ASSERT_TRUE(form->ShowView(rvVectors));
  ASSERT_TRUE(Model().IsSourceImgVisible);
  EXPECT_EQ(Model().SourceImage().picture->Width(), 200);
  // The picture's top-left corner is the origin: the window's point
  // (0.1, -0.1) shows the picture there, the gradient without it.
  const Image withPicture = Model().PlotPicture();
  const TPixel p =
      WorldToPixel({0, 0, withPicture.Width(), withPicture.Height()}, Model().World(), 0.1, -0.1);
  ASSERT_TRUE(p.x >= 0 && p.y >= 0 && p.x < withPicture.Width() && p.y < withPicture.Height());
  Model().IsSourceImgVisible = false;
  Model().InvalidateBackground();
  EXPECT_NE(withPicture.Pixel(p.x, p.y), Model().PlotPicture().Pixel(p.x, p.y));
  Model().IsSourceImgVisible = true;
  Model().InvalidateBackground();
  Shot("vectors_picture");
}

TEST_F(ResultsForm, FormulasViewWithoutFormulasIsEmptyButShown) {
  ASSERT_TRUE(form->ShowView(rvFormulas));
  EXPECT_EQ(form->windowTitle(), "Formules personnelles");
  EXPECT_EQ(Model().CurveCount(), 0);
  EXPECT_EQ(Model().World(), kDefaultWorld);
  Shot("formulas");
}

TEST_F(ResultsForm, EachModeKeepsItsOwnTickedSystems) {
  ASSERT_TRUE(form->ShowView(rvTime));
  form->SystemList()->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(form->Memories().grid.timeSystems, std::vector<int>{1});
  // The Layer marking's memory is its own.
  EXPECT_FALSE(form->Memories().layer.initialised);
  form->Memories().layer.timeSystems = {0, 1};
  form->Memories().layer.initialised = true;
  session.Video.SetMode(vmTransparent);
  session.Video.SetMode(vmRepereFixe);
  ASSERT_TRUE(form->ShowView(rvTime));
  EXPECT_EQ(form->SystemList()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(form->SystemList()->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(form->Memories().layer.timeSystems, (std::vector<int>{0, 1}));
}

TEST_F(ResultsForm, ButtonsFollowTheSettings) {
  EXPECT_TRUE(ToolBarAction("Vecteurs")->isVisible());
  session.Options.CheckBox22VectorShowItem = false;
  session.Options.CheckBox37GridShowItem = false;
  form->ApplyOptions();
  EXPECT_FALSE(ToolBarAction("Vecteurs")->isVisible());
  EXPECT_FALSE(ToolBarAction("Tableau")->isVisible());
  EXPECT_TRUE(ToolBarAction("Temps")->isVisible());
  // Export and the formulas dialog are offered.
  EXPECT_TRUE(form->Action("MenuExporter")->isVisible());
  EXPECT_TRUE(form->Action("MenuFormules")->isVisible());
  // "Calculatrice" asks the owner for its calculator.
  int calculators = 0;
  form->ShowCalculator = [&] { ++calculators; };
  form->Action("MenuCalculatrice")->trigger();
  EXPECT_EQ(calculators, 1);
  // "Saisir des formules ou des constantes" opens the formulas dialog.
  EXPECT_EQ(form->FormulasDialog(), nullptr);
  form->Action("MenuFormules")->trigger();
  ASSERT_NE(form->FormulasDialog(), nullptr);
  EXPECT_TRUE(form->FormulasDialog()->isVisible());
}

TEST_F(ResultsForm, TheImageShownIsHighlightedAndADoubleClickGoesBack) {
  ASSERT_TRUE(form->ShowView(rvTime));
  form->SetCurrentImage(3);
  int ringed = 0;
  for (const TGPoint* p : Model().Curve(0).points) ringed += p->highlighted ? p->row + 1 : 0;
  EXPECT_EQ(ringed, 3 + 1);
  std::vector<int> shown;
  form->ShowImage = [&](int image) { shown.push_back(image); };
  ASSERT_TRUE(form->ShowView(rvTable));
  emit form->Table()->doubleClicked(form->Table()->model()->index(4 + 6, 2));
  EXPECT_EQ(shown, std::vector<int>{6});
  EXPECT_EQ(form->RowOfImage(11), -1);  // not marked
}

}  // namespace
}  // namespace kinevo
