#include "gui/formulas/keyboard_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "core/common/settings_file.h"
#include "core/common/user_dialog.h"
#include "gui/formulas/calculator_window.h"
#include "gui/formulas/formula_tools.h"
#include "gui/formulas/formulas_dialog.h"
#include "gui/formulas/pad_line.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_formulas");

void Key(QWidget* w, Qt::Key key, const QString& text) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &e);
}

void Type(QWidget* w, const QString& text) {
  for (QChar c : text) Key(w, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
}

void Click(TClavier& k, const char* name) {
  QToolButton* b = k.Button(name);
  ASSERT_NE(b, nullptr) << name;
  b->click();
}

TEST(KeyboardWindowTest, FavouritesSurviveARestartOfTheProgram) {
  ScopedDecimalSeparator sep(',');
  test::TempDir dir;
  const std::string path = dir.File("Kinevo.ini");
  TSettingsFile settings(path);
  {
    TClavier untouched(&settings);
    untouched.show();
  }
  EXPECT_TRUE(dir.Names().empty());  // nothing changed, nothing written
  {
    TClavier k(&settings);
    k.show();
    k.SetFormulaText("Ec=0,5*m*v^2");
    Click(k, "ButtonAddF");
    k.SetPage(TKeyboardModel::kTextsPage);
    Type(k.MemoU(), QStringLiteral("m/s"));
    Click(k, "ButtonAddU");
    k.SetUnitText("M/S");
    Click(k, "ButtonAddU");  // already there
    k.SetUnitText("J");
    Click(k, "ButtonAddU");
    k.SetCommentText(QString::fromUtf8("énergie cinétique").toStdString());
    Click(k, "ButtonAddC");
    EXPECT_EQ(k.ComboBoxU()->count(), 2);
    EXPECT_EQ(k.ComboBoxU()->currentIndex(), -1);
    k.ComboBoxU()->setCurrentIndex(0);
    Click(k, "ButtonSupprU");
    k.hide();
  }
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Units", "Unit0"), "J");
  EXPECT_FALSE(ini.ValueExists("Units", "Unit1"));

  ScopedDecimalSeparator point('.');
  TClavier again(&settings);
  again.show();
  ASSERT_EQ(again.ComboBoxF()->count(), 1);
  EXPECT_EQ(again.ComboBoxF()->itemText(0), QStringLiteral("Ec=0.5*m*v^2"));
  EXPECT_EQ(again.ComboBoxU()->itemText(0), QStringLiteral("J"));
  EXPECT_EQ(again.ComboBoxC()->itemText(0), QString::fromUtf8("énergie cinétique"));

  // Choosing an item replaces the whole line.
  again.SetFormulaText("old");
  Q_EMIT again.ComboBoxF()->activated(0);
  EXPECT_EQ(again.FormulaText(), "Ec=0.5*m*v^2");
  EXPECT_EQ(again.MemoF()->cursorPosition(), again.MemoF()->text().size());
}

TEST(KeyboardWindowTest, TheSettingHidesTheAddAndDeleteButtons) {
  TClavier k(nullptr);
  bool editable = false;
  k.FavouritesEditable = [&] { return editable; };
  k.show();
  EXPECT_FALSE(k.Button("ButtonAddF")->isVisible());
  EXPECT_TRUE(k.Button("ButtonSupprC")->isHidden());
  k.hide();
  editable = true;
  k.show();
  EXPECT_TRUE(k.Button("ButtonAddF")->isVisible());
}

TEST(KeyboardWindowTest, PadKeysHistoriesAndClipboardActOnTheirLines) {
  ScopedDecimalSeparator sep(',');
  TClavier k(nullptr);
  k.show();
  int validated = 0;
  std::string last;
  TConnection c = k.Model().OnValidate.Connect([&](void*) {
    ++validated;
    last = k.FormulaText();
  });

  Type(k.MemoF(), QStringLiteral("v=d/t."));
  EXPECT_EQ(k.MemoF()->text(), QString::fromUtf8("v=d÷t,"));
  Click(k, "SpeedButtonEffacer");
  for (const char* b :
       {"SpeedButtonMult", "SpeedButtonRacine", "SpeedButtonI", "SpeedButtonIPlus1"})
    Click(k, b);
  EXPECT_EQ(k.MemoF()->text(), QString::fromUtf8("v=d÷t*Sqrt([i][i+1])"));
  Key(k.MemoF(), Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(validated, 1);
  EXPECT_EQ(last, "v=d÷t*Sqrt([i][i+1])");
  EXPECT_TRUE(k.isVisible());  // Enter in the formula validates, it does not close

  k.SetFormulaText("w=2");
  Click(k, "SpeedButtonExe");
  Click(k, "ButtonPredF");
  EXPECT_EQ(k.FormulaText(), "v=d÷t*Sqrt([i][i+1])");
  Click(k, "ButtonSuccF");
  EXPECT_EQ(k.FormulaText(), "w=2");

  // Unit and comment lines keep "/" and "." as typed.
  Type(k.MemoU(), QStringLiteral("m/s.2"));
  EXPECT_EQ(k.UnitText(), "m/s.2");

  QApplication::clipboard()->setText(QStringLiteral("keep"));
  Click(k, "ButtonCouper");
  EXPECT_EQ(k.FormulaText(), "");
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("w=2"));
  Click(k, "ButtonColler");
  Click(k, "ButtonColler");
  EXPECT_EQ(k.FormulaText(), "w=2w=2");

  // OK validates and closes; the unit and comment enter their histories.
  k.SetCommentText("vitesse");
  k.BitBtnUC()->click();
  EXPECT_EQ(validated, 3);
  EXPECT_FALSE(k.isVisible());
  EXPECT_EQ(k.Model().UnitHistory.Items(), std::vector<std::string>{"m/s.2"});
  EXPECT_EQ(k.Model().CommentHistory.Items(), std::vector<std::string>{"vitesse"});

  // Escape in the formula line closes the window without validating.
  k.show();
  Key(k.MemoF(), Qt::Key_Escape, QStringLiteral("\x1b"));
  EXPECT_FALSE(k.isVisible());
  EXPECT_EQ(validated, 3);
}

TEST(KeyboardWindowTest, ScreenshotsOfBothPages) {
  ScopedDecimalSeparator sep(',');
  TClavier k(nullptr);
  k.Model().FavouriteFormulas.Add("Ec=0,5*m*v^2");
  k.show();
  k.SetFormulaText("Ep=m*g*y");
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(k, "keyboard_formula"));
  k.SetPage(TKeyboardModel::kTextsPage);
  k.SetUnitText("J");
  k.SetCommentText(QString::fromUtf8("énergie potentielle").toStdString());
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(k, "keyboard_texts"));
}

// A results table of one system falling freely, for the formulas dialog.
class TFallTable : public IFormulaTable {
 public:
  int32_t RowCount() const override { return 6; }
  int32_t SystemsCount() const override { return 1; }
  double RowTime(int32_t row) const override { return 0.04 * row; }
  bool HasValue(int32_t, int32_t, int32_t) const override { return true; }
  double Value(int32_t q, int32_t, int32_t row) const override {
    return q == 2 ? -4.905 * 0.0016 * row * row : 0.1 * row;
  }
  double AxisAngle() const override { return 0; }
};

class KeyboardInFormulasDialogTest : public ::testing::Test {
 protected:
  KeyboardInFormulasDialogTest() : dlg_(&shown_), tools_(nullptr) {
    f_.SetTable(&table_);
    f_.SetDialog(&dlg_);
    f_.AddConstant("m", "", "kg", "0,25");
    f_.ComputeAll();
    tools_.Attach(box_);
    box_.show();
    QApplication::processEvents();
  }
  // A click in a header row of the formulas grid, with the keyboard driven
  // by `drive` while it is open.
  void EditCell(int row, int col, const std::function<void(TClavier&)>& drive) {
    QTableWidget* g = box_.FormulaGrid();
    TClavier& k = tools_.Keyboard();
    bool ran = false;
    QTimer::singleShot(0, &k, [&] {
      ran = true;
      drive(k);
      if (k.isVisible()) k.reject();
    });
    box_.ClickFormulaGrid(g->visualRect(g->model()->index(row, col)).center(), false);
    EXPECT_TRUE(ran);
  }

  ScopedDecimalSeparator sep_{','};
  TFallTable table_;
  test::ScriptedDialog shown_;
  TUserDlg dlg_;
  TFormules f_;
  TBoiteFormules box_{f_};
  TFormulaTools tools_;
};

TEST_F(KeyboardInFormulasDialogTest, ValidatedFormulasAreCheckedAndAppliedWhileTheKeyboardIsOpen) {
  const int newColumn = box_.FormulaGrid()->columnCount() - 1;
  EditCell(1, newColumn, [&](TClavier& k) {
    EXPECT_EQ(k.Page(), TKeyboardModel::kFormulaPage);
    EXPECT_EQ(k.FormulaText(), "");
    k.SetFormulaText("P=m*");
    Click(k, "SpeedButtonExe");  // refused: the keyboard stays open to fix it
    EXPECT_EQ(f_.FormulaCount(), 0);
    EXPECT_EQ(shown_.LastText(), "Opérateur sans opérande(s) : *");
    EXPECT_TRUE(k.isVisible());
    k.SetFormulaText("P=m*y");
    k.SetUnitText("kg.m");
    Click(k, "SpeedButtonExe");
    ASSERT_EQ(f_.FormulaCount(), 1);
    // A second validation edits the formula just made, not a new one.
    k.SetFormulaText("P=2*m*y");
    Click(k, "SpeedButtonExe");
    k.SetCommentText("double");
  });
  ASSERT_EQ(f_.FormulaCount(), 1);
  EXPECT_EQ(f_.Formula(0).FormulaText(), "P=2*m*y");
  EXPECT_EQ(f_.Formula(0).UnitText, "kg.m");
  EXPECT_EQ(f_.Formula(0).Comment, "double");  // stored when the keyboard closed
  EXPECT_DOUBLE_EQ(f_.Formula(0).Curve.RowValues[2], 2 * 0.25 * -4.905 * 0.0016 * 4);

  // The unit row opens the texts page with the formula's texts.
  EditCell(2, 2, [&](TClavier& k) {
    EXPECT_EQ(k.Page(), TKeyboardModel::kTextsPage);
    EXPECT_EQ(k.FormulaText(), "P=2*m*y");
    EXPECT_EQ(k.UnitText(), "kg.m");
    k.SetUnitText("N.m");
  });
  EXPECT_EQ(f_.Formula(0).UnitText, "N.m");
  EXPECT_EQ(f_.FormulaCount(), 1);
}

TEST_F(KeyboardInFormulasDialogTest, TheDialogOpensTheCalculator) {
  auto* button = box_.findChild<QPushButton*>(QStringLiteral("ButtonCalculatrice"));
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(tools_.Calculator().isVisible());
  button->click();
  EXPECT_TRUE(tools_.Calculator().isVisible());
}

}  // namespace
