#include "core/formulas/calculator.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/common/number_format.h"

using namespace kinevo;

namespace {

class CalculatorTest : public ::testing::Test {
 protected:
  void Type(const std::string& text) {
    calc_.KeyTyped();
    TInputLine line = calc_.Line;
    line.Insert(text);
    calc_.LineEdited(line.Text(), line.Caret());
  }
  void Evaluate(const std::string& text) {
    calc_.Line.SetText(text);
    calc_.EvaluateLine();
  }
  const std::string& Shown() const { return calc_.Line.Text(); }

  ScopedDecimalSeparator sep_{','};
  TCalculatorModel calc_;
};

TEST_F(CalculatorTest, ButtonsBuildAnExpressionAndTheResultStartsTheNext) {
  for (TPadButton b : {pb2, pbAdd, pb3, pbEqual}) calc_.Press(b);
  EXPECT_EQ(Shown(), "5");
  EXPECT_EQ(calc_.Line.Caret(), 1);
  for (TPadButton b : {pbMult, pb2, pbEqual}) calc_.Press(b);
  EXPECT_EQ(Shown(), "10");
  for (TPadButton b : {pbDiv, pb4, pbEqual}) calc_.Press(b);
  EXPECT_EQ(Shown(), "2,5");
  for (TPadButton b : {pbPower, pb2, pbMinus, pbOpen, pb1, pbE, pb1, pbClose, pbEqual})
    calc_.Press(b);
  EXPECT_EQ(Shown(), "-3,75");
  EXPECT_EQ(calc_.History(), (std::vector<std::string>{"2+3", "5*2", "10÷4", "2,5^2-(1E1)"}));
}

TEST_F(CalculatorTest, AnErrorIsShownThenClearedByTheNextKeyOrButton) {
  Evaluate("1/0");
  EXPECT_EQ(Shown(), "Division par zéro.");
  EXPECT_TRUE(calc_.ClearOnInput());
  calc_.Press(pb7);
  EXPECT_EQ(Shown(), "7");
  EXPECT_FALSE(calc_.ClearOnInput());

  Evaluate("1÷0");
  EXPECT_TRUE(calc_.KeyTyped());
  EXPECT_EQ(Shown(), "");
  EXPECT_FALSE(calc_.KeyTyped());  // once only

  // Deleting and moving are input too: they empty the message, not a letter of it.
  Evaluate("1÷0");
  calc_.Press(pbDelete);
  EXPECT_EQ(Shown(), "");
  // The failed lines are kept, to be brought back and corrected.
  EXPECT_EQ(calc_.History(), (std::vector<std::string>{"1/0", "1÷0"}));
}

TEST_F(CalculatorTest, BlanksAreRemovedBeforeEvaluationButTheHistoryKeepsTheLineTrimmed) {
  Evaluate("  2 3 ");
  EXPECT_EQ(Shown(), "23");
  Evaluate("sin (0)");
  EXPECT_EQ(Shown(), "0");
  EXPECT_EQ(calc_.History(), (std::vector<std::string>{"2 3", "sin (0)"}));

  // An empty line or a line of blanks changes nothing at all.
  calc_.Line.Set("   ", 1);
  calc_.EvaluateLine();
  calc_.Line.Clear();
  calc_.EvaluateLine();
  EXPECT_EQ(calc_.History().size(), 2u);
  EXPECT_EQ(calc_.HistoryIndex(), 2);
  EXPECT_FALSE(calc_.ClearOnInput());
}

TEST_F(CalculatorTest, NamesOtherThanPiAndTheFunctionsAreRefused) {
  Evaluate("x+1");
  EXPECT_EQ(Shown(), TParser::MessageOf(peUnknownName, "x"));
  EXPECT_TRUE(calc_.ClearOnInput());
  Evaluate("2*pi");
  EXPECT_EQ(Shown(), FormatCalculatorValue(2 * M_PI));
}

TEST_F(CalculatorTest, AngleUnitChangesTheTrigonometricFunctions) {
  EXPECT_EQ(calc_.AngleIndex(), TCalculatorModel::kRadians);
  Evaluate("Sin(90)");
  EXPECT_EQ(Shown(), FormatCalculatorValue(std::sin(90.0)));
  calc_.SetAngleIndex(TCalculatorModel::kDegrees);
  Evaluate("Sin(90)");
  EXPECT_EQ(Shown(), "1");
  Evaluate("ArcCos(0)");
  EXPECT_EQ(Shown(), "90");
}

TEST_F(CalculatorTest, HistoryStepsBackAndForwardAndRestoresTheEntryBeingTyped) {
  Evaluate("1+1");
  Evaluate("2+2");
  Evaluate("1+1");
  EXPECT_EQ(calc_.History(), (std::vector<std::string>{"2+2", "1+1"}));
  EXPECT_EQ(calc_.HistoryIndex(), 2);

  calc_.Previous();
  EXPECT_EQ(Shown(), "1+1");
  calc_.Previous();
  EXPECT_EQ(Shown(), "2+2");
  calc_.Previous();
  EXPECT_EQ(Shown(), "2+2");
  EXPECT_EQ(calc_.Line.Caret(), 3);
  calc_.Next();
  EXPECT_EQ(Shown(), "1+1");
  calc_.Next();
  EXPECT_EQ(Shown(), "");  // nothing was being typed after the evaluation
  calc_.Next();
  EXPECT_EQ(Shown(), "");

  // What is being typed comes back whole, the last key included.
  calc_.Line.Clear();
  Type("7");
  Type("*");
  Type("3");
  calc_.Press(pbSqrt);
  EXPECT_EQ(Shown(), "7*3Sqrt()");
  calc_.Previous();
  EXPECT_EQ(Shown(), "1+1");
  calc_.Next();
  EXPECT_EQ(Shown(), "7*3Sqrt()");
  EXPECT_EQ(calc_.Line.Caret(), 9);
}

TEST_F(CalculatorTest, HistoryButtonsOnAnErrorKeepTheLineAndStopTheClearing) {
  Evaluate("x");
  calc_.Previous();
  EXPECT_EQ(Shown(), "x");
  EXPECT_FALSE(calc_.ClearOnInput());
  calc_.Press(pbAdd);
  EXPECT_EQ(Shown(), "x+");

  TCalculatorModel empty;
  empty.Line.SetText("12");
  empty.Previous();
  EXPECT_EQ(empty.Line.Text(), "12");
  EXPECT_EQ(empty.HistoryIndex(), 0);
}

TEST_F(CalculatorTest, FunctionButtonsCloseTheirParenthesisOnlyAtTheEndOfTheLine) {
  calc_.Line.SetText("2*");
  calc_.Press(pbSin);
  EXPECT_EQ(Shown(), "2*Sin()");
  EXPECT_EQ(calc_.Line.Caret(), 6);

  calc_.Line.Set("2", 0);
  calc_.Press(pbSin);
  EXPECT_EQ(Shown(), "Sin(2");
  EXPECT_EQ(calc_.Line.Caret(), 4);

  calc_.Press(pbArc);
  calc_.Line.SetText("");
  calc_.Press(pbCos);
  calc_.Press(pbTan);
  EXPECT_EQ(Shown(), "ArcCos(ArcTan()");
  EXPECT_TRUE(calc_.ArcMode());  // inserting does not switch it off
  calc_.Press(pbArc);
  calc_.Press(pbEnd);
  calc_.Press(pbPower10);
  EXPECT_EQ(Shown(), "ArcCos(ArcTan()10^()");
}

TEST_F(CalculatorTest, CaretButtonsAndDeletionCountCharactersNotBytes) {
  calc_.Line.Set("8÷2", 0);
  calc_.Press(pbDelete);  // at the start: nothing
  EXPECT_EQ(Shown(), "8÷2");
  EXPECT_EQ(calc_.Line.Caret(), 0);
  calc_.Press(pbRight);
  calc_.Press(pbRight);
  calc_.Press(pbDelete);
  EXPECT_EQ(Shown(), "82");
  EXPECT_EQ(calc_.Line.Caret(), 1);
  calc_.Press(pbDiv);
  calc_.Press(pbLeft);
  calc_.Press(pbLeft);
  calc_.Press(pbLeft);
  EXPECT_EQ(calc_.Line.Caret(), 0);
  calc_.Press(pbEnd);
  calc_.Press(pbRight);
  EXPECT_EQ(calc_.Line.Caret(), 3);
  calc_.Press(pbEqual);
  EXPECT_EQ(Shown(), "4");
  calc_.Press(pbClear);
  EXPECT_EQ(Shown(), "");
}

TEST(CalculatorValueTest, GeneralFormatWithFifteenDigits) {
  ScopedDecimalSeparator sep(',');
  EXPECT_EQ(FormatCalculatorValue(0.1 + 0.2), "0,3");
  EXPECT_EQ(FormatCalculatorValue(-2.5), "-2,5");
  EXPECT_EQ(FormatCalculatorValue(0), "0");
  EXPECT_EQ(FormatCalculatorValue(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatCalculatorValue(1234567890123456.0), "1,23456789012346E15");
  EXPECT_EQ(FormatCalculatorValue(1e20), "1E20");
  EXPECT_EQ(FormatCalculatorValue(0.0001), "0,0001");
  EXPECT_EQ(FormatCalculatorValue(0.00005), "0,00005");
  EXPECT_EQ(FormatCalculatorValue(-0.0000123), "-0,0000123");
  EXPECT_EQ(FormatCalculatorValue(0.00001), "0,00001");
  EXPECT_EQ(FormatCalculatorValue(0.0000099), "9,9E-6");
  EXPECT_EQ(FormatCalculatorValue(1.5e-7), "1,5E-7");
}

TEST(CalculatorValueTest, ThePointSeparatorWorksThroughout) {
  ScopedDecimalSeparator sep('.');
  TCalculatorModel calc;
  for (TPadButton b : {pb1, pbSeparator, pb5, pbMult, pb3, pbEqual}) calc.Press(b);
  EXPECT_EQ(calc.Line.Text(), "4.5");
  EXPECT_EQ(FormatCalculatorValue(0.00005), "0.00005");
}

}  // namespace
