#include "gui/formulas/formulas_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableWidget>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/common/user_dialog.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_formulas");

class TFallTable : public IFormulaTable {
 public:
  int32_t RowCount() const override { return 12; }
  int32_t SystemsCount() const override { return 1; }
  double RowTime(int32_t row) const override { return 0.04 * row; }
  bool HasValue(int32_t, int32_t, int32_t row) const override { return row != 5; }
  double Value(int32_t q, int32_t, int32_t row) const override {
    const double t = 0.04 * row;
    if (q == 2) return 1.2 - 4.905 * t * t;  // y
    if (q == 4) return -9.81 * t;            // vy
    if (q == 5) return 9.81 * t;             // v
    return 0.3 * t;
  }
  double AxisAngle() const override { return 0; }
};

class FormulasDialogTest : public ::testing::Test {
 protected:
  FormulasDialogTest() : dlg_(&shown_) {
    f_.SetTable(&table_);
    f_.SetDialog(&dlg_);
    f_.AddConstant("g", "", "m/s²", "9,81");
    f_.AddConstant("m", "", "kg", "0,25");
    f_.AddFormula("Ec=0,5*m*v^2", "énergie cinétique", "J");
    f_.AddFormula("Ep=m*g*y", "énergie potentielle", "J");
    f_.AddFormula("Em=Ec+Ep", "énergie mécanique", "J");
    f_.ComputeAll();
  }
  static void Click(QTableWidget* grid, int row, int col, int dx, bool right = false) {
    const QRect r = grid->visualRect(grid->model()->index(row, col));
    const QPointF p(r.x() + dx, r.center().y());
    QMouseEvent e(QEvent::MouseButtonPress, p, grid->viewport()->mapToGlobal(p),
                  right ? Qt::RightButton : Qt::LeftButton,
                  right ? Qt::RightButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &e);
  }

  ScopedDecimalSeparator sep_{','};
  TFallTable table_;
  test::ScriptedDialog shown_;
  TUserDlg dlg_;
  TFormules f_;
};

TEST_F(FormulasDialogTest, ShowsTheGridsAndTakesScreenshots) {
  TBoiteFormules box(f_);
  box.show();
  QApplication::processEvents();
  QTableWidget* g = box.FormulaGrid();
  ASSERT_EQ(g->columnCount(), 6);
  ASSERT_EQ(g->rowCount(), 16);
  EXPECT_EQ(g->item(1, 2)->text(), QStringLiteral("Ec=0,5*m*v^2"));
  EXPECT_EQ(g->item(3, 3)->text(), QStringLiteral("énergie potentielle"));
  EXPECT_EQ(g->item(1, 5)->text(), QStringLiteral("Saisir une formule"));
  EXPECT_EQ(g->item(4 + 5, 2)->text(), QString());  // unmarked row
  EXPECT_EQ(g->item(4 + 2, 4)->text().toStdString(),
            FormatNumber(0, 0.5 * 0.25 * (9.81 * 0.08) * (9.81 * 0.08) +
                                0.25 * 9.81 * (1.2 - 4.905 * 0.08 * 0.08)));
  EXPECT_TRUE(test::Shot(box, "formulas_dialog"));
  box.Pages()->setCurrentIndex(1);
  QApplication::processEvents();
  EXPECT_EQ(box.ConstantGrid()->item(0, 1)->text(), QStringLiteral("Valeur ou formule"));
  EXPECT_EQ(box.ConstantGrid()->item(1, 1)->text(), QStringLiteral("9,81"));
  EXPECT_EQ(box.ConstantGrid()->rowCount(), 4);
  EXPECT_TRUE(test::Shot(box, "formulas_dialog_constants"));
}

TEST_F(FormulasDialogTest, ClicksAndEditsGoThroughTheChecks) {
  TBoiteFormules box(f_);
  box.show();
  QApplication::processEvents();
  QTableWidget* g = box.FormulaGrid();
  const int width = g->columnWidth(2);
  Click(g, 0, 2, width - 3);  // one more digit
  EXPECT_EQ(f_.Formula(0).Curve.Digits, 1);
  Click(g, 0, 2, width / 2);  // collapse
  EXPECT_FALSE(f_.Formula(0).Curve.Expanded);
  EXPECT_EQ(g->columnWidth(2), TFormulaGrid::kCollapsedWidth);

  // A new formula typed in the last column; a wrong one is refused with its message.
  std::string next = "P=m*g*vy";
  box.EditTexts = [&](int page, std::string& formula, std::string& unit, std::string&) {
    EXPECT_EQ(page, 0);
    formula = next;
    unit = "W";
    return true;
  };
  int changes = 0;
  TConnection heard = box.OnChange.Connect([&] { ++changes; });
  Click(g, 1, g->columnCount() - 1, 10);
  ASSERT_EQ(f_.FormulaCount(), 4);
  EXPECT_EQ(g->item(2, 5)->text(), QStringLiteral("W"));
  next = "Q=m*";
  Click(g, 1, g->columnCount() - 1, 10);
  EXPECT_EQ(f_.FormulaCount(), 4);
  EXPECT_EQ(shown_.LastText(), "Opérateur sans opérande(s) : *");
  EXPECT_EQ(changes, 2);
  Click(g, 0, 5, 20, true);  // right click deletes P
  EXPECT_EQ(f_.FormulaCount(), 3);

  // The constants grid: typing "." gives the decimal separator.
  QTableWidget* c = box.ConstantGrid();
  c->item(2, 1)->setText(QStringLiteral("0,5"));
  QApplication::processEvents();
  EXPECT_DOUBLE_EQ(f_.Constant(1).ConstValue, 0.5);
  EXPECT_DOUBLE_EQ(f_.Formula(1).Curve.RowValues[0], 0.5 * 9.81 * 1.2);
  TConstantCellEditor editor(1, nullptr);
  QKeyEvent dot(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, QStringLiteral("."));
  QKeyEvent slash(QEvent::KeyPress, Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/"));
  QKeyEvent two(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
  QApplication::sendEvent(&editor, &two);
  QApplication::sendEvent(&editor, &dot);
  QApplication::sendEvent(&editor, &slash);
  EXPECT_EQ(editor.text(), QStringLiteral("2,÷"));
}

}  // namespace
