// Random expression trees are printed as text, parsed, and evaluated; the
// parser must agree with the tree evaluated directly, domain errors included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/formulas/parser.h"

namespace kinevo {
namespace {

struct TVar {
  const char* name;
  double value;
};
// The owner knows these names (without regard to case).
const TVar kVars[] = {{"a", 2.5},  {"b2", -3.0},     {"v_x", 0.0},
                      {"t²", 0.5}, {"Masse", 1e200}, {"x³", -0.75}};

struct TNode {
  enum TKind { Num, Var, Neg, Bin, Fn, Atan2 } kind = Num;
  double value = 0;
  int var = 0;
  char op = '+';
  bool negRight = false;  // written "op-" before the right operand
  bool divisionSign = false;
  bool extraParens = false;
  TTokenKind fn = tkNone;
  std::unique_ptr<TNode> a, b;
};

struct TResult {
  int32_t code = 0;
  double value = 0;
};

// ---------------------------------------------------------------- reference

TResult Fail(int32_t code) { return {code, 0}; }

TResult Finish(double r, int32_t code) { return std::isfinite(r) ? TResult{0, r} : Fail(code); }

TResult Reference(const TNode& n, bool radians) {
  switch (n.kind) {
    case TNode::Num:
      return {0, n.value};
    case TNode::Var:
      return {0, kVars[n.var].value};
    case TNode::Neg: {
      TResult e = Reference(*n.a, radians);
      if (e.code) return e;
      return Finish(0.0 - e.value, peOverflow);
    }
    case TNode::Fn: {
      TResult e = Reference(*n.a, radians);
      if (e.code) return e;
      const double x = e.value;
      const double angle = radians ? x : DegToRad(x);
      auto toAngle = [&](double r) { return radians ? r : RadToDeg(r); };
      switch (n.fn) {
        case tkSin:
          return Finish(std::sin(angle), peSin);
        case tkCos:
          return Finish(std::cos(angle), peCos);
        case tkTan:
          return Finish(std::tan(angle), peTan);
        case tkArcSin:
          return std::fabs(x) > 1 ? Fail(peArcSin) : Finish(toAngle(std::asin(x)), peArcSin);
        case tkArcCos:
          return std::fabs(x) > 1 ? Fail(peArcCos) : Finish(toAngle(std::acos(x)), peArcCos);
        case tkArcTan:
          return Finish(toAngle(std::atan(x)), peArcTan);
        case tkLn:
          return x <= 0 ? Fail(peLogarithm) : Finish(std::log(x), peLogarithm);
        case tkLog:
          return x <= 0 ? Fail(peLogarithm) : Finish(std::log10(x), peLogarithm);
        case tkExp:
          return Finish(std::exp(x), peExp);
        case tkAbs:
          return {0, std::fabs(x)};
        case tkSqrt:
          return x < 0 ? Fail(peSqrt) : Finish(std::sqrt(x), peSqrt);
        default:
          return Fail(-1);
      }
    }
    case TNode::Atan2:
    case TNode::Bin: {
      TResult l = Reference(*n.a, radians);
      if (l.code) return l;
      TResult r = Reference(*n.b, radians);
      if (r.code) return r;
      const double x = l.value;
      const double y = n.negRight ? -r.value : r.value;
      if (n.kind == TNode::Atan2)
        return Finish(radians ? std::atan2(x, y) : RadToDeg(std::atan2(x, y)), peArcTan);
      switch (n.op) {
        case '+':
          return Finish(x + y, peOverflow);
        case '-':
          return Finish(x - y, peOverflow);
        case '*':
          return Finish(x * y, peOverflow);
        case '/':
          return std::fabs(y) < 1e-100 ? Fail(peDivisionByZero) : Finish(x / y, peOverflow);
        default: {
          if (std::fabs(y) < 1e-100) return {0, 1.0};
          if (x > 0) return Finish(std::pow(x, y), pePower);
          if (x == 0) return y > 0 ? TResult{0, 0.0} : Fail(pePower);
          const double whole = std::trunc(y);
          if (std::fabs(y - whole) >= 1e-100) return Fail(peFractionalPower);
          if (std::fabs(whole) > 2147483647.0) return Fail(pePower);
          return Finish(std::pow(x, whole), pePower);
        }
      }
    }
  }
  return Fail(-1);
}

// ---------------------------------------------------------------- printing

// Splitting class of a printed node: lower splits first.
int ClassOf(const TNode& n) {
  if (n.extraParens || n.kind != TNode::Bin) return 99;
  switch (n.op) {
    case '+':
      return 2;
    case '-':
      return 3;
    case '*':
    case '/':
      return 4;
    default:
      return 5;
  }
}

std::string Print(const TNode& n, std::mt19937& rng);

std::string Wrapped(const TNode& n, bool parens, std::mt19937& rng) {
  const std::string s = Print(n, rng);
  return parens ? "(" + s + ")" : s;
}

std::string FunctionName(TTokenKind f, std::mt19937& rng) {
  static const char* names[] = {"sin", "cos",  "ln",     "log",    "exp",   "abs",
                                "tan", "sqrt", "arcsin", "arccos", "arctan"};
  std::string s = names[f - tkSin];
  for (auto& c : s)
    if (rng() % 3 == 0) c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Print(const TNode& n, std::mt19937& rng) {
  std::string s;
  switch (n.kind) {
    case TNode::Num:
      s = FloatToText(n.value, 17, '.');
      break;
    case TNode::Var: {
      s = kVars[n.var].name;
      if (rng() % 4 == 0 && (s[0] >= 'a' && s[0] <= 'z'))
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
      break;
    }
    case TNode::Neg:
      s = "(-" + Wrapped(*n.a, ClassOf(*n.a) <= 3, rng) + ")";
      break;
    case TNode::Fn: {
      std::string inner = Print(*n.a, rng);
      if (rng() % 8 == 0) inner = "((" + inner + "))";
      s = FunctionName(n.fn, rng) + "(" + inner + ")";
      break;
    }
    case TNode::Atan2:
      s = FunctionName(tkArcTan, rng) + "(" + Print(*n.a, rng) + ";" + (n.negRight ? "-" : "") +
          Print(*n.b, rng) + ")";
      break;
    case TNode::Bin: {
      const int c = ClassOf(n);
      std::string op(1, n.op);
      if (n.op == '/' && n.divisionSign) op = "\xC3\xB7";
      s = Wrapped(*n.a, ClassOf(*n.a) < c, rng) + op + (n.negRight ? "-" : "") +
          Wrapped(*n.b, ClassOf(*n.b) <= c, rng);
      break;
    }
  }
  return n.extraParens ? "(" + s + ")" : s;
}

// ---------------------------------------------------------------- generation

std::unique_ptr<TNode> Generate(std::mt19937& rng, int depth) {
  auto n = std::make_unique<TNode>();
  std::uniform_int_distribution<int> pick(0, 99);
  const int k = depth <= 0 ? pick(rng) % 40 : pick(rng);
  if (k < 20) {
    static const double numbers[] = {0,    1,   2,     3,      0.5,  10, 0.1,
                                     1e-3, 180, 1e200, 1e-120, 7.25, 90, 2.5e-7};
    n->kind = TNode::Num;
    n->value = numbers[rng() % std::size(numbers)];
    if (rng() % 4 == 0) n->value = std::uniform_real_distribution<double>(0, 100)(rng);
  } else if (k < 40) {
    n->kind = TNode::Var;
    n->var = static_cast<int>(rng() % std::size(kVars));
  } else if (k < 47) {
    n->kind = TNode::Neg;
    n->a = Generate(rng, depth - 1);
  } else if (k < 65) {
    n->kind = TNode::Fn;
    n->fn = static_cast<TTokenKind>(tkSin + rng() % 11);
    n->a = Generate(rng, depth - 1);
  } else if (k < 70) {
    n->kind = TNode::Atan2;
    n->negRight = rng() % 4 == 0;
    n->a = Generate(rng, depth - 1);
    n->b = Generate(rng, depth - 1);
  } else {
    n->kind = TNode::Bin;
    static const char ops[] = {'+', '-', '*', '/', '^'};
    n->op = ops[rng() % 5];
    n->negRight = (n->op == '*' || n->op == '/' || n->op == '^') && rng() % 4 == 0;
    n->divisionSign = rng() % 3 == 0;
    n->a = Generate(rng, depth - 1);
    n->b = Generate(rng, depth - 1);
  }
  n->extraParens = rng() % 12 == 0;
  return n;
}

// The owner knows kVars; with `where`, it binds each name to its place there.
void Answer(TParser& parser, double* where) {
  parser.OnVariable = [where](const TParser&, TVariableQuery& q) {
    for (std::size_t i = 0; i < std::size(kVars); ++i) {
      if (SameName(kVars[i].name, q.Name)) {
        q.Found = true;
        q.Value = kVars[i].value;
        if (where != nullptr && q.Analysing) q.Address = &where[i];
      }
    }
  };
}

// Names asked at each evaluation, then names read where they live (as a
// model's state is): the second takes the quick machine's direct reads,
// through Value() as a model calls it.
TEST(ParserDifferentialTest, AgreesWithTheTreeEvaluatedDirectly) {
  ScopedDecimalSeparator sep('.');
  double where[std::size(kVars)];
  for (std::size_t i = 0; i < std::size(kVars); ++i) where[i] = kVars[i].value;
  for (bool bound : {false, true}) {
    std::mt19937 rng(20240611);
    TParser parser;
    Answer(parser, bound ? where : nullptr);
    int errors = 0, values = 0;
    for (int i = 0; i < 30000; ++i) {
      const auto tree = Generate(rng, 1 + static_cast<int>(rng() % 6));
      const std::string text = Print(*tree, rng);
      const bool radians = rng() % 2 == 0;
      const TResult expected = Reference(*tree, radians);
      parser.SetRadians(radians);
      parser.SetFormula(text);
      bool ok = parser.Evaluate();
      double value = parser.LastValue();
      if (bound) {
        value = parser.Value();
        ASSERT_EQ(std::isnan(value), !ok) << text;
      }
      ASSERT_EQ(parser.ErrorCode(), expected.code) << text << " -> " << parser.ErrorMessage();
      ASSERT_EQ(ok, expected.code == 0) << text;
      if (ok) {
        ASSERT_DOUBLE_EQ(value, expected.value) << text;
        ++values;
      } else {
        ++errors;
      }
    }
    // Both outcomes must be well represented, or the comparison proves little.
    EXPECT_GT(values, 5000);
    EXPECT_GT(errors, 3000);
  }
}

// The compiled code against the interpreter, the bound names passed as
// arguments: the same bits whenever the compiled code answers, and a doubt
// (NaN) wherever the checked program fails.
TEST(ParserDifferentialTest, CompiledCodeAgreesWithTheInterpreter) {
  if (!TNativeCode::Supported()) GTEST_SKIP() << "no compiler for this processor";
  ScopedDecimalSeparator sep('.');
  double where[std::size(kVars)];
  const double* arguments[6];
  for (std::size_t i = 0; i < std::size(kVars); ++i) {
    where[i] = kVars[i].value;
    arguments[i] = &where[i];
  }
  std::mt19937 rng(20261210);
  TParser parser;
  Answer(parser, where);
  int compiled = 0, answered = 0, doubted = 0;
  for (int i = 0; i < 30000; ++i) {
    const auto tree = Generate(rng, 1 + static_cast<int>(rng() % 6));
    const std::string text = Print(*tree, rng);
    parser.SetFormula(text);
    if (!parser.CompileNative(arguments)) {
      EXPECT_TRUE(std::isnan(parser.NativeValue(0, 0, 0, 0, 0, 0))) << text;
      continue;
    }
    ++compiled;
    const double native =
        parser.NativeValue(where[0], where[1], where[2], where[3], where[4], where[5]);
    const double checked = parser.Value();
    if (std::isnan(native)) {
      ++doubted;
      EXPECT_TRUE(std::isnan(checked)) << text;
      continue;
    }
    ++answered;
    ASSERT_FALSE(std::isnan(checked)) << text;
    ASSERT_EQ(std::memcmp(&native, &checked, sizeof native), 0)
        << text << ": " << native << " " << checked;
  }
  // Texts without functions or other powers than squares are compiled.
  EXPECT_GT(compiled, 3000);
  EXPECT_GT(answered, 1500);
  EXPECT_GT(doubted, 100);
}

// Deeper than the registers hold, or copied: not compiled, and the
// interpreter answers as before.
TEST(ParserNative, DeepTextsAndCopiesFallBackToTheInterpreter) {
  double x = 2;
  const double* arguments[] = {&x};
  TParser p;
  p.OnVariable = [&](const TParser&, TVariableQuery& q) {
    if (q.Name == "x") {
      q.Found = true;
      q.Value = x;
      if (q.Analysing) q.Address = &x;
    }
  };
  p.SetFormula("x-(x-(x-(x-(x-(x-(x-(x-(x-1))))))))");
  EXPECT_FALSE(p.CompileNative(arguments));
  EXPECT_TRUE(std::isnan(p.NativeValue(x)));
  EXPECT_EQ(p.Value(), 1.0);
  p.SetFormula("x-(x-(x-(x-(x-(x-(x-1))))))");  // six values held
  ASSERT_EQ(p.CompileNative(arguments), TNativeCode::Supported());
  if (TNativeCode::Supported()) {
    EXPECT_EQ(p.NativeValue(3), 2.0);  // the argument, not the address
    EXPECT_EQ(p.LastValue(), 2.0);
  }
  const TParser copy = p;
  TParser other = copy;
  EXPECT_TRUE(std::isnan(other.NativeValue(3)));
  EXPECT_EQ(other.Value(), 1.0);
  // A division by what is zero fails in the checked program's words.
  p.SetFormula("1/(x-2)");
  ASSERT_EQ(p.CompileNative(arguments), TNativeCode::Supported());
  x = 2;
  EXPECT_TRUE(std::isnan(p.NativeValue(x)));
  EXPECT_TRUE(std::isnan(p.Value()));
  EXPECT_EQ(p.ErrorCode(), peDivisionByZero);
  if (TNativeCode::Supported()) EXPECT_EQ(p.NativeValue(4), 0.5);
}

}  // namespace
}  // namespace kinevo
