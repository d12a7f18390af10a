#include "gui/formulas/calculator_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "core/common/number_format.h"
#include "gui/formulas/formula_tools.h"
#include "gui/formulas/pad_line.h"
#include "support/qt_test_application.h"
#include "support/shots.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_formulas");

class CalculatorWindowTest : public ::testing::Test {
 protected:
  CalculatorWindowTest() {
    calc_.Open();
    QApplication::processEvents();
  }
  void Click(std::initializer_list<const char*> names) {
    for (const char* n : names) {
      QToolButton* b = calc_.Button(n);
      ASSERT_NE(b, nullptr) << n;
      b->click();
    }
  }
  void Key(Qt::Key key, const QString& text) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(calc_.Memo(), &e);
  }
  void Type(const QString& text) {
    for (QChar c : text) Key(static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
  }
  QString Shown() const { return calc_.Memo()->text(); }

  ScopedDecimalSeparator sep_{','};
  TCalculatrice calc_;
};

TEST_F(CalculatorWindowTest, ButtonsTypeAnExpressionAndShowTheResult) {
  EXPECT_EQ(calc_.windowTitle(), QStringLiteral("Kinevo"));
  Click({"SpeedButton2", "SpeedButtonAdd", "SpeedButton3"});
  EXPECT_EQ(Shown(), QStringLiteral("2+3"));
  Click({"SpeedButtonEgal"});
  EXPECT_EQ(Shown(), QStringLiteral("5"));
  Click({"SpeedButtonMult", "SpeedButton2", "SpeedButtonEgal"});
  EXPECT_EQ(Shown(), QStringLiteral("10"));
  Click({"SpeedButtonDiv", "SpeedButton4", "SpeedButtonSeparator", "SpeedButton0",
         "SpeedButtonEgal"});
  EXPECT_EQ(Shown(), QStringLiteral("2,5"));

  Click({"SpeedButtonRacine", "SpeedButton2"});
  EXPECT_TRUE(test::Shot(calc_, "calculator"));
}

TEST_F(CalculatorWindowTest, TypedKeysAreTranslatedAndAnErrorGoesAtTheNextKey) {
  Type(QStringLiteral("1/0"));
  EXPECT_EQ(Shown(), QString::fromUtf8("1÷0"));
  Key(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(Shown(), QString::fromUtf8("Division par zéro."));
  Type(QStringLiteral("3.5"));
  EXPECT_EQ(Shown(), QStringLiteral("3,5"));
  Key(Qt::Key_Enter, QStringLiteral("\r"));
  EXPECT_EQ(Shown(), QStringLiteral("3,5"));

  Type(QStringLiteral("+x"));
  Key(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(Shown(),
            QString::fromUtf8("La formule contient une variable ou une constante inconnue : x"));
  Click({"SpeedButton9"});
  EXPECT_EQ(Shown(), QStringLiteral("9"));
}

TEST_F(CalculatorWindowTest, HistoryButtonsRestoreTheEntryBeingTyped) {
  Type(QStringLiteral("1+1"));
  Key(Qt::Key_Return, QStringLiteral("\r"));
  Click({"SpeedButtonAC"});
  Type(QStringLiteral("2+2"));
  Key(Qt::Key_Return, QStringLiteral("\r"));
  Click({"SpeedButtonAC"});
  Type(QStringLiteral("5*"));
  Click({"SpeedButtonPi"});
  Type(QStringLiteral("-"));
  Click({"SpeedButtonPred"});
  EXPECT_EQ(Shown(), QStringLiteral("2+2"));
  Click({"SpeedButtonPred", "SpeedButtonPred"});
  EXPECT_EQ(Shown(), QStringLiteral("1+1"));
  Click({"SpeedButtonSucc", "SpeedButtonSucc"});
  EXPECT_EQ(Shown(), QStringLiteral("5*Pi-"));
  EXPECT_EQ(calc_.Memo()->cursorPosition(), 5);
  Type(QStringLiteral("1"));
  Key(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(Shown(), ToQ(FormatCalculatorValue(5 * 3.141592653589793 - 1)));
}

TEST_F(CalculatorWindowTest, DegreesArcModeAndTheCaretDecideWhatTheButtonsDo) {
  calc_.RadioGroupAngle()->button(TCalculatorModel::kDegrees)->click();
  EXPECT_EQ(calc_.Model().AngleIndex(), TCalculatorModel::kDegrees);
  Click({"SpeedButtonSin", "SpeedButton9", "SpeedButton0", "SpeedButtonEgal"});
  EXPECT_EQ(Shown(), QStringLiteral("1"));

  Click({"SpeedButtonArc"});
  EXPECT_TRUE(calc_.Button("SpeedButtonArc")->isChecked());
  Click({"SpeedButtonAC", "SpeedButtonTan", "SpeedButton1", "SpeedButtonEgal"});
  EXPECT_EQ(Shown(), QStringLiteral("45"));
  Click({"SpeedButtonArc"});
  EXPECT_FALSE(calc_.Button("SpeedButtonArc")->isChecked());

  // With a selection the text goes before it and the selected characters stay.
  calc_.Memo()->setText(QString::fromUtf8("8÷2"));
  calc_.Memo()->setSelection(1, 2);
  Click({"SpeedButtonCos"});
  EXPECT_EQ(Shown(), QString::fromUtf8("8Cos(÷2"));
  EXPECT_EQ(calc_.Memo()->cursorPosition(), 5);
  Click({"SpeedButtonFin", "SpeedButtonDecSelStart", "SpeedButtonEffacer"});
  EXPECT_EQ(Shown(), QStringLiteral("8Cos(2"));
}

TEST(CalculatorToolsTest, OpenedOverAModalDialogTheCalculatorIsModalToo) {
  TFormulaTools tools(nullptr);
  tools.ShowCalculator();
  EXPECT_TRUE(tools.Calculator().isVisible());
  EXPECT_EQ(tools.Calculator().windowModality(), Qt::NonModal);
  tools.Calculator().hide();

  QDialog dialog;
  Qt::WindowModality seen = Qt::NonModal;
  bool visible = false;
  QTimer::singleShot(0, &dialog, [&] {
    tools.ShowCalculator();
    seen = tools.Calculator().windowModality();
    visible = tools.Calculator().isVisible();
    tools.Calculator().hide();
    dialog.reject();
  });
  dialog.exec();
  EXPECT_TRUE(visible);
  EXPECT_EQ(seen, Qt::ApplicationModal);
  tools.ShowCalculator();
  EXPECT_EQ(tools.Calculator().windowModality(), Qt::NonModal);
}

}  // namespace
