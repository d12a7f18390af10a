// The marks' uncertainties set in the options dialog belong to the analysis
// open: the table's u columns follow them at once and the document changes.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QDoubleSpinBox>
#include <QTabWidget>
#include <QTableView>

#include "core/graph/graph_model_element.h"
#include "gui/document/options_dialog.h"
#include "gui/results/results_form.h"
#include "gui/video/video_widget.h"
#include "support/qt_test_application.h"
#include "support/two_systems_document.h"
#include "window_fixture.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_app");

class MarkUncertaintyOptions : public WindowTest {
 protected:
  // The text of the first system's u(x) on a row of the table.
  QString UxCell(int row) {
    QAbstractItemModel* m = window->ResultsWindow().Table()->model();
    EXPECT_EQ(m->index(1, 3).data().toString(), "u(x)");
    return m->index(TGrid::kFixedRows + row, 3).data().toString();
  }
  // Opens the options, types the two uncertainties and closes.
  void SetInOptions(double pointing, double tracking) {
    bool shown = false;
    OnNextModal([&](QWidget* w) {
      auto* d = qobject_cast<TBoiteOptions*>(w);
      ASSERT_NE(d, nullptr);
      shown = true;
      // Shown on the "Calculs" page, with the analysis' values.
      d->Pages()->setCurrentIndex(opResults);
      EXPECT_TRUE(d->PointingEdit()->isVisible());
      EXPECT_DOUBLE_EQ(d->PointingEdit()->value(), S().Data.PointingUncertainty());
      EXPECT_DOUBLE_EQ(d->TrackingEdit()->value(), S().Data.TrackingUncertainty());
      Shot(d, "options_uncertainties");
      d->PointingEdit()->setValue(pointing);
      d->TrackingEdit()->setValue(tracking);
      d->accept();
    });
    Trigger("MenuAffichageOptions");
    ASSERT_TRUE(shown);
  }
};

TEST_F(MarkUncertaintyOptions, ChangingThePointingUncertaintyChangesTheUColumns) {
  window->OpenArgument(QString::fromStdString(test::TwoSystems::Write(dir)));
  ASSERT_TRUE(S().Video.IsOpen());
  ASSERT_FALSE(S().Workflow().Modified());
  window->ShowResults(rvTable);
  TResForm& results = window->ResultsWindow();
  results.Action("MenuIncertitudes")->setChecked(true);
  const TCalcul& calc = S().Results().Active();
  // 2 m over 200 pixels: one pixel is 1 cm.
  ASSERT_NEAR(calc.Uncertainty(cfAxes, 0, qtX, 4), 0.01, 1e-12);
  const QString before = UxCell(4);
  EXPECT_EQ(before.toStdString(), FormatUncertainty(0.01));

  SetInOptions(2.5, 0.25);
  EXPECT_DOUBLE_EQ(S().Data.PointingUncertainty(), 2.5);
  EXPECT_DOUBLE_EQ(S().Data.TrackingUncertainty(), 0.25);
  // The table was brought up to date at once, and the work changed.
  EXPECT_NEAR(S().Results().Active().Uncertainty(cfAxes, 0, qtX, 4), 0.025, 1e-12);
  EXPECT_EQ(UxCell(4).toStdString(), FormatUncertainty(0.025));
  EXPECT_TRUE(S().Workflow().Modified());

  // Closing without a change keeps the values and recomputes nothing.
  const uint64_t generation = S().Results().Active().Generation();
  SetInOptions(2.5, 0.25);
  EXPECT_EQ(S().Results().Active().Generation(), generation);
}

}  // namespace
}  // namespace kinevo::gui
