// The machine code writer on its own: every register, both kinds of
// operand, the bail-outs, and memory that is executable only once written.
#include "core/formulas/native_code.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kinevo {
namespace {

using W = TNativeWriter;

// Moves the first argument through every register, adding each argument
// on the way; the registers above 7 take another prefix than those below.
TEST(NativeCode, EveryRegisterAndOperandKind) {
  if (!TNativeCode::Supported()) GTEST_SKIP() << "no compiler for this processor";
  W w(4);
  const double* three = w.Constant(3.0);
  for (int r = W::kAccumulator; r < 16; ++r) w.Move(r, r == W::kAccumulator ? 0 : r - 1);
  for (int a = 1; a < W::kArguments; ++a) w.Arith(W::TArith::Add, 15, a);  // 15 += a1..a5
  w.Arith(W::TArith::Mul, 15, three);                                      // 15 *= 3
  w.Move(9, 15);
  w.Arith(W::TArith::Sub, 9, 0);  // 9 = 15 − a0
  w.Negate(9);
  w.Arith(W::TArith::Div, 9, three);
  w.BailUnlessFinite(9);
  w.Return(9);
  ASSERT_TRUE(w.Good());
  const TNativeCode code = w.Finish();
  ASSERT_TRUE(code);
  const double a[6] = {1.5, -2, 0.25, 8, 1e-3, -7};
  const double expected = -(((a[0] + a[1] + a[2] + a[3] + a[4] + a[5]) * 3) - a[0]) / 3;
  EXPECT_EQ(code(a[0], a[1], a[2], a[3], a[4], a[5]), expected);
}

TEST(NativeCode, BailOutsGiveNaN) {
  if (!TNativeCode::Supported()) GTEST_SKIP() << "no compiler for this processor";
  W w(0);
  w.Move(14, 1);
  w.BailUnlessDivisor(14);
  w.Move(W::kAccumulator, 0);
  w.Arith(W::TArith::Div, W::kAccumulator, 14);
  w.BailUnlessFinite(W::kAccumulator);
  w.Return(W::kAccumulator);
  TNativeCode divide = w.Finish();
  ASSERT_TRUE(divide);
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  EXPECT_EQ(divide(1, 4, 0, 0, 0, 0), 0.25);
  EXPECT_EQ(divide(1, -1e-100, 0, 0, 0, 0), -1e100);
  for (double divisor : {0.0, -0.0, 1e-101, inf, -inf, nan})
    EXPECT_TRUE(std::isnan(divide(1, divisor, 0, 0, 0, 0))) << divisor;
  EXPECT_TRUE(std::isnan(divide(1e300, 1e-99, 0, 0, 0, 0)));  // the quotient is infinite
  EXPECT_TRUE(std::isnan(divide(nan, 2, 0, 0, 0, 0)));
  // Moved, the code goes with its new owner; copied, it stays behind.
  TNativeCode moved = std::move(divide);
  EXPECT_FALSE(divide);
  ASSERT_TRUE(moved);
  const TNativeCode copy = moved;
  EXPECT_FALSE(copy);
  EXPECT_EQ(moved(3, 2, 0, 0, 0, 0), 1.5);
}

TEST(NativeCode, NoRoomForNumbersGivesNoCode) {
  if (!TNativeCode::Supported()) GTEST_SKIP() << "no compiler for this processor";
  W w(1);
  EXPECT_NE(w.Constant(1), nullptr);
  EXPECT_EQ(w.Constant(2), nullptr);
  EXPECT_FALSE(w.Good());
  w.Return(0);
  EXPECT_FALSE(w.Finish());
}

}  // namespace
}  // namespace kinevo
