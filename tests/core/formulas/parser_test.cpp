#include "core/formulas/parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>

#include "core/common/number_format.h"

namespace kinevo {
namespace {

struct TOutcome {
  int32_t code = 0;
  double value = 0.0;
  int32_t position = 0;
  std::string message;
};

// Variables known to the owner; names compare without regard to case.
struct TOwner {
  std::map<std::string, double> values;
  std::vector<TVariableQuery> asked;
  std::vector<std::string> askedNames;  // the queries' names only live during the call

  void Attach(TParser& p) {
    p.OnVariable = [this](const TParser&, TVariableQuery& q) {
      asked.push_back(q);
      askedNames.emplace_back(q.Name);
      for (const auto& [name, v] : values) {
        if (SameName(name, q.Name)) {
          q.Found = true;
          q.Value = v;
        }
      }
    };
  }
};

TOutcome Eval(const std::string& text, std::map<std::string, double> vars = {},
              bool radians = true) {
  TParser p;
  TOwner owner;
  owner.values = std::move(vars);
  owner.Attach(p);
  p.SetRadians(radians);
  p.SetFormula(text);
  TOutcome o;
  if (p.Evaluate()) o.value = p.LastValue();
  o.code = p.ErrorCode();
  o.position = p.ErrorPosition();
  o.message = p.ErrorMessage();
  return o;
}

double Value(const std::string& text, std::map<std::string, double> vars = {},
             bool radians = true) {
  const TOutcome o = Eval(text, std::move(vars), radians);
  EXPECT_EQ(o.code, 0) << text << ": " << o.message;
  return o.value;
}

int32_t Code(const std::string& text, std::map<std::string, double> vars = {}) {
  return Eval(text, std::move(vars)).code;
}

class ParserTest : public ::testing::Test {
 protected:
  ScopedDecimalSeparator sep_{'.'};
};

TEST_F(ParserTest, PrioritiesAndGrouping) {
  EXPECT_DOUBLE_EQ(Value("2+3*4"), 14);
  EXPECT_DOUBLE_EQ(Value("(2+3)*4"), 20);
  EXPECT_DOUBLE_EQ(Value("2^3^2"), 64);  // (2^3)^2
  EXPECT_DOUBLE_EQ(Value("-2^2"), -4);
  EXPECT_DOUBLE_EQ(Value("2*-3"), -6);
  EXPECT_DOUBLE_EQ(Value("2^-1"), 0.5);
  EXPECT_DOUBLE_EQ(Value("10-4-3"), 3);
  EXPECT_DOUBLE_EQ(Value("10-4+3"), 9);
  EXPECT_DOUBLE_EQ(Value("24/4/2"), 3);
  EXPECT_DOUBLE_EQ(Value("2*3/4"), 1.5);
  EXPECT_DOUBLE_EQ(Value("2--3"), 5);
  EXPECT_DOUBLE_EQ(Value("2+-3"), -1);
  EXPECT_DOUBLE_EQ(Value("-(-3)"), 3);
  EXPECT_DOUBLE_EQ(Value("+4"), 4);
  EXPECT_DOUBLE_EQ(Value("2*-3^2"), -18);
  EXPECT_DOUBLE_EQ(Value("sin(0)^2+cos(0)^2"), 1);
}

// Products and quotients of one level group from the left, as in every
// textbook: 1/2*m*v^2 is the kinetic energy, not 1/(2 m v²).
TEST_F(ParserTest, DivisionThenMultiplicationGroupsFromTheLeft) {
  EXPECT_DOUBLE_EQ(Value("8/2*2"), 8);
  EXPECT_DOUBLE_EQ(Value("1/2*m*v^2", {{"m", 2}, {"v", 3}}), 9);
  EXPECT_DOUBLE_EQ(Value("6÷3*2"), 4);
  EXPECT_DOUBLE_EQ(Value("8/-2*2"), -8);
  EXPECT_DOUBLE_EQ(Value("8/(2*2)"), 2);
  EXPECT_DOUBLE_EQ(Value("2*8/4*3"), 12);
}

TEST_F(ParserTest, PowersAndDivisions) {
  EXPECT_EQ(Code("(-8)^(1/3)"), peFractionalPower);
  EXPECT_DOUBLE_EQ(Value("(-8)^3"), -512);
  EXPECT_DOUBLE_EQ(Value("(-2)^-2"), 0.25);
  EXPECT_DOUBLE_EQ(Value("(-3)^2"), 9);
  EXPECT_EQ(Code("1e200^2"), pePower);
  EXPECT_DOUBLE_EQ(Value("0^0"), 1);
  EXPECT_DOUBLE_EQ(Value("0^2"), 0);
  EXPECT_EQ(Code("0^-1"), pePower);
  EXPECT_EQ(Code("5/0"), peDivisionByZero);
  EXPECT_EQ(Code("5/1e-101"), peDivisionByZero);
  EXPECT_EQ(Code("10^400"), pePower);
  EXPECT_EQ(Code("(-2)^3000000000"), pePower);
  EXPECT_EQ(Code("1e300*1e300"), peOverflow);
  EXPECT_EQ(Code("1e300+1e308+1e308"), peOverflow);
  EXPECT_EQ(Code("1e308/1e-50"), peOverflow);
}

TEST_F(ParserTest, FunctionsAndAngles) {
  EXPECT_NEAR(Value("sin(90)", {}, false), 1, 1e-15);
  EXPECT_DOUBLE_EQ(Value("sin(90)", {}, true), std::sin(90.0));
  EXPECT_NEAR(Value("arctan(1;0)", {}, false), 90, 1e-12);
  EXPECT_NEAR(Value("arctan(0;-1)", {}, true), std::numbers::pi, 1e-15);
  EXPECT_NEAR(Value("ArcTan(1;-1)", {}, false), 135, 1e-12);
  EXPECT_NEAR(Value("arctan(1;-1)", {}, false), Value("arctan(1;0-1)", {}, false), 1e-12);
  EXPECT_NEAR(Value("arcsin(1)", {}, false), 90, 1e-12);
  EXPECT_NEAR(Value("arccos(0)"), std::numbers::pi / 2, 1e-15);
  EXPECT_NEAR(Value("arccos(-1)", {}, false), 180, 1e-12);
  EXPECT_NEAR(Value("tan(45)", {}, false), 1, 1e-15);
  EXPECT_DOUBLE_EQ(Value("ln(exp(2))"), 2);
  EXPECT_DOUBLE_EQ(Value("LOG(1000)"), 3);
  EXPECT_DOUBLE_EQ(Value("abs(-3)"), 3);
  EXPECT_DOUBLE_EQ(Value("sqrt(16)"), 4);
  EXPECT_DOUBLE_EQ(Value("abs(arctan(0;-1))"), std::numbers::pi);
  EXPECT_DOUBLE_EQ(Value("sqrt((9))"), 3);
  EXPECT_DOUBLE_EQ(Value("sqrt((3+6))"), 3);
  EXPECT_DOUBLE_EQ(Value("((sqrt(((16)))))"), 4);
  EXPECT_EQ(Code("arcsin(1.5)"), peArcSin);
  EXPECT_EQ(Code("arccos(-2)"), peArcCos);
  EXPECT_EQ(Code("ln(0)"), peLogarithm);
  EXPECT_EQ(Code("log(-1)"), peLogarithm);
  EXPECT_EQ(Code("sqrt(-1)"), peSqrt);
  EXPECT_EQ(Code("exp(1000)"), peExp);
  EXPECT_EQ(Code("(1;2)"), peSemicolon);
  EXPECT_EQ(Code("sin(1;2)"), peSemicolon);
  EXPECT_EQ(Code("arctan(1;2;3)"), peSemicolon);
}

TEST_F(ParserTest, NamesAndNumbers) {
  EXPECT_DOUBLE_EQ(Value("pi"), std::numbers::pi);
  EXPECT_DOUBLE_EQ(Value("PI"), std::numbers::pi);
  EXPECT_DOUBLE_EQ(Value("pix", {{"pix", 2}}), 2);
  EXPECT_DOUBLE_EQ(Value("pi_2", {{"pi_2", 5}}), 5);
  EXPECT_DOUBLE_EQ(Value("sin2", {{"sin2", 7}}), 7);
  EXPECT_DOUBLE_EQ(Value("t²*x³", {{"t²", 2}, {"x³", 3}}), 6);
  EXPECT_DOUBLE_EQ(Value("X1+x1", {{"x1", 2}}), 4);
  EXPECT_DOUBLE_EQ(Value("1E3"), 1000);
  EXPECT_DOUBLE_EQ(Value("1e+3"), 1000);
  EXPECT_DOUBLE_EQ(Value("2.5e-1"), 0.25);
  EXPECT_DOUBLE_EQ(Value(".5"), 0.5);
  EXPECT_DOUBLE_EQ(Value("1."), 1);
  EXPECT_EQ(Code("1E"), peBadNumber);
  EXPECT_EQ(Code("2Ex"), peBadNumber);
  EXPECT_EQ(Code("1..2"), peBadNumber);
  EXPECT_EQ(Code("1.2.3"), peBadNumber);
  EXPECT_EQ(Code("1e999"), peBadNumber);
  // A literal too small for a double is refused, not read as 0; one that
  // only loses precision is kept.
  EXPECT_EQ(Code("1e-400"), peBadNumber);
  EXPECT_EQ(Code("2*1e-400"), peBadNumber);
  EXPECT_GT(Value("1e-320"), 0.0);
  EXPECT_EQ(Code("1,5"), peBadCharacter);
}

TEST_F(ParserTest, FrenchDecimalSeparator) {
  ScopedDecimalSeparator comma(',');
  EXPECT_DOUBLE_EQ(Value("1,5*2"), 3);
  const TOutcome o = Eval("1.5*2");
  EXPECT_EQ(o.code, peBadCharacter);
  EXPECT_EQ(o.message, "La formule contient un caractère non autorisé ou inapproprié : .");
  EXPECT_EQ(o.position, 2);
  const TOutcome n = Eval("1,,2");
  EXPECT_EQ(n.code, peBadNumber);
  EXPECT_EQ(n.message, "Nombre incorrect : 1,,");
  EXPECT_DOUBLE_EQ(Value("arctan(1;1)", {}, false), 45);
}

TEST_F(ParserTest, StructuralErrorsWithMessagesAndPositions) {
  struct TCase {
    std::string text;
    int32_t code;
    int32_t position;
    std::string message;
  };
  const std::vector<TCase> cases = {
      {"sin x", 21, 4, "La formule contient un caractère non autorisé ou inapproprié :  "},
      {"sin(x", 1, 4, "Une parenthèse ouverte n'a pas été fermée."},
      {"x)", 2, 2, "Une parenthèse fermée n'a pas été ouverte."},
      {"x)+(1", 2, 2, "Une parenthèse fermée n'a pas été ouverte."},
      {"2*()", 3, 3, "Paranthèses vides."},
      {"sin()", 23, 1, "Fonction sans argument."},
      {"2 3", 21, 2, "La formule contient un caractère non autorisé ou inapproprié :  "},
      {"2pi", 25, 1, "Opérandes sans opérateur."},
      {"2*", 24, 2, "Opérateur sans opérande(s) : *"},
      {"*2", 24, 1, "Opérateur sans opérande(s) : *"},
      {"x^-", 24, 2, "Opérateur sans opérande(s) : ^"},
      {"+", 26, 0, "La formule est vide."},
      {"", 26, 0, "La formule est vide."},
      {"(1;2)", 30, 3,
       "Utiliser le point virgule pour séparer les deux variables d'une fonction. Exemple : "
       "ArcTan(x;y)."},
      {"2+y", 20, 3, "La formule contient une variable ou une constante inconnue : y"},
      {"1+#", 21, 3, "La formule contient un caractère non autorisé ou inapproprié : #"},
      {"x[]", 22, 1,
       "L'indice d'une variable ou d'une constante est placée entre crochets. L'indice entre "
       "crochets n'est pas "
       "reconnu. Variable ou constante d'indice incorrect : x[]"},
      {"x[1", 29, 1,
       "L'indice d'une variable ou d'une constante est placé entre crochets. Le crochet fermant "
       "est absent ou mal "
       "placé. Variable ou constante concernée : x[1"},
      {"x[i+]", 22, 1, ""},
      {"x[i+1", 29, 1, ""},
      {"é+1", 21, 1, "La formule contient un caractère non autorisé ou inapproprié : é"},
      {"1+\xF7", 21, 3,
       "La formule contient un caractère non autorisé ou inapproprié : octet non valide 0xF7"},
      {"1\t", 21, 2, "La formule contient un caractère non autorisé ou inapproprié : U+0009"},
      {"(2)(3)", 25, 2, "Opérandes sans opérateur."},
  };
  for (const auto& c : cases) {
    const TOutcome o = Eval(c.text, {{"x", 1}});
    EXPECT_EQ(o.code, c.code) << c.text;
    EXPECT_EQ(o.position, c.position) << c.text;
    if (!c.message.empty()) {
      EXPECT_EQ(o.message, c.message) << c.text;
    }
  }
}

TEST_F(ParserTest, EvaluationErrorsPointAtTheirOperator) {
  const TOutcome o = Eval("1+sqrt(2-5)");
  EXPECT_EQ(o.code, peSqrt);
  EXPECT_EQ(o.position, 3);
  EXPECT_EQ(o.message, "Calcul de la racine carrée d'un nombre négatif.");
  const TOutcome d = Eval("x÷(x-x)", {{"x", 2}});
  EXPECT_EQ(d.code, peDivisionByZero);
  EXPECT_EQ(d.position, 2);
  EXPECT_EQ(d.message, "Division par zéro.");
  // The first failing operand stops the evaluation: a later success must not hide it.
  EXPECT_EQ(Code("ln(0)+1"), peLogarithm);
  EXPECT_EQ(Code("1+ln(0)"), peLogarithm);
}

TEST_F(ParserTest, IndexedVariablesAreAskedWithTheirIndex) {
  TParser p;
  TOwner owner;
  owner.values = {{"x", 4}};
  owner.Attach(p);
  p.SetFormula("x[i-1]+x[2]+x[i]+x[I+3]+x[-1]");
  ASSERT_TRUE(p.Evaluate()) << p.ErrorMessage();
  EXPECT_DOUBLE_EQ(p.LastValue(), 20);
  ASSERT_GE(owner.asked.size(), 5u);
  const TVariableQuery& a = owner.asked[0];
  EXPECT_EQ(owner.askedNames[0], "x");
  EXPECT_TRUE(a.Indexed);
  EXPECT_FALSE(a.Absolute);
  EXPECT_EQ(a.Index, -1);
  EXPECT_TRUE(owner.asked[1].Absolute);
  EXPECT_EQ(owner.asked[1].Index, 2);
  EXPECT_FALSE(owner.asked[2].Absolute);
  EXPECT_EQ(owner.asked[2].Index, 0);
  EXPECT_EQ(owner.asked[3].Index, 3);
  EXPECT_TRUE(owner.asked[4].Absolute);
  EXPECT_EQ(owner.asked[4].Index, -1);
  EXPECT_EQ(p.UsedNames(), std::vector<std::string>{"x"});
}

TEST_F(ParserTest, OneAnalysisManyEvaluations) {
  TParser p;
  double x = 0;
  int asked = 0;
  p.OnVariable = [&](const TParser&, TVariableQuery& q) {
    ++asked;
    if (SameName(q.Name, "x")) {
      q.Found = true;
      q.Value = x;
      if (q.Analysing) {
        q.Tag = 7;
      } else {
        EXPECT_EQ(q.Tag, 7);
      }
    }
  };
  p.SetFormula("2*x+1");
  for (int i = 0; i < 5; ++i) {
    x = i;
    ASSERT_TRUE(p.Evaluate());
    EXPECT_DOUBLE_EQ(p.LastValue(), 2 * i + 1);
  }
  EXPECT_EQ(asked, 6);  // once while analysing, then once per evaluation
}

TEST_F(ParserTest, AfterAnErrorTheLastValueStays) {
  TParser p;
  double x = 2;
  bool known = true;
  p.OnVariable = [&](const TParser&, TVariableQuery& q) {
    q.IsConstant = true;  // the name is known ...
    q.Found = known;      // ... but has a value only sometimes
    q.Value = x;
  };
  p.SetFormula("1/x");
  ASSERT_TRUE(p.Evaluate());
  EXPECT_DOUBLE_EQ(p.LastValue(), 0.5);
  x = 0;
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peDivisionByZero);
  EXPECT_DOUBLE_EQ(p.LastValue(), 0.5);
  known = false;
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peUnknownValue);
  EXPECT_EQ(p.ErrorMessage(),
            "Variable dont la valeur est inconnue : x. Vérifier que la valeur initiale (x[0] ou "
            "x[1]) est déclarée "
            "dans le tableau des constantes.");
  known = true;
  x = std::nan("");
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peUnknownValue);
  x = 4;
  ASSERT_TRUE(p.Evaluate());
  EXPECT_DOUBLE_EQ(p.LastValue(), 0.25);
  // A failed analysis stays failed until the text changes.
  p.SetFormula("1/");
  EXPECT_FALSE(p.Evaluate());
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peMissingOperand);
  EXPECT_DOUBLE_EQ(p.LastValue(), 0.25);
}

TEST_F(ParserTest, WithoutOwnerEveryNameIsUnknown) {
  TParser p;
  p.SetFormula("a+1");
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peUnknownName);
  EXPECT_EQ(p.ErrorArgument(), "a");
}

TEST_F(ParserTest, MessagesOfEveryCode) {
  EXPECT_EQ(TParser::MessageOf(18, ""), "Chaîne de caractères vide");
  EXPECT_EQ(TParser::MessageOf(12, ""), "Erreur non répertoriée.");
  EXPECT_EQ(TParser::MessageOf(27, ""), "Erreur non répertoriée.");
  EXPECT_EQ(TParser::MessageOf(5, ""), "Le calcul d'un cosinus a échoué.");
  EXPECT_EQ(TParser::MessageOf(6, ""), "Le calcul d'un sinus a échoué.");
  EXPECT_EQ(TParser::MessageOf(7, ""), "Le calcul d'une tangente a échoué.");
  EXPECT_EQ(TParser::MessageOf(10, ""), "Le calcul d'une arc tangente a échoué.");
  EXPECT_EQ(TParser::MessageOf(16, ""), "Le calcul d'une exponentielle a échoué.");
  EXPECT_EQ(TParser::MessageOf(17, ""), "Le calcul d'une puissance a échoué.");
  EXPECT_EQ(TParser::MessageOf(19, ""),
            "Le résultat d'un calcul est un nombre trop grand ou trop petit.");
  EXPECT_EQ(TParser::MessageOf(8, ""), "Le calcul d'un arc cosinus a échoué.");
  EXPECT_EQ(TParser::MessageOf(9, ""), "Le calcul d'un arc sinus a échoué.");
  EXPECT_EQ(TParser::MessageOf(11, ""), "Calcul du logarithme d'un nombre négatif ou nul.");
  EXPECT_EQ(TParser::MessageOf(14, ""), "Division par zéro.");
  EXPECT_EQ(TParser::MessageOf(15, ""),
            "Calcul de la puissance fractionnaire d'un nombre négatif.");
}

TEST_F(ParserTest, HostileInput) {
  // Deep nesting: accepted up to the limit, a clear error beyond.
  const int limit = TParser::kMaxDepth;
  EXPECT_DOUBLE_EQ(Value(std::string(limit, '(') + "1" + std::string(limit, ')')), 1);
  const TOutcome deep = Eval(std::string(limit + 1, '(') + "1" + std::string(limit + 1, ')'));
  EXPECT_EQ(deep.code, peTooDeep);
  EXPECT_EQ(deep.position, limit + 1);
  EXPECT_EQ(deep.message, "Trop de parenthèses imbriquées (100 niveaux au plus).");
  std::string nested = "1";
  for (int i = 0; i < limit; ++i) nested = "sqrt(" + nested + ")";
  EXPECT_DOUBLE_EQ(Value(nested), 1);
  // A long flat chain builds without deep recursion.
  std::string chain = "1";
  while (chain.size() + 2 <= static_cast<size_t>(TParser::kMaxLength)) chain += "+1";
  EXPECT_DOUBLE_EQ(Value(chain), (chain.size() + 1) / 2);
  std::string powers = "1";
  while (powers.size() + 2 <= static_cast<size_t>(TParser::kMaxLength)) powers += "^1";
  EXPECT_DOUBLE_EQ(Value(powers), 1);
  const TOutcome tooLong = Eval(std::string(TParser::kMaxLength + 1, '1'));
  EXPECT_EQ(tooLong.code, peTooLong);
  EXPECT_EQ(tooLong.message, "La formule est trop longue (10000 caractères au plus).");
  // Broken UTF-8 and stray bytes are reported, never read past.
  EXPECT_EQ(Code("\xC3"), peBadCharacter);
  EXPECT_EQ(Code("2\xC3\xB7"), peMissingOperand);  // a complete ÷ with nothing after it
  EXPECT_EQ(Code("2\xC3"), peBadCharacter);
  EXPECT_EQ(Code(std::string("1+\0", 3)), peBadCharacter);
  EXPECT_EQ(Code("\xED\xA0\x80"), peBadCharacter);  // encoded surrogate
  EXPECT_EQ(Code("\xC0\xAF"), peBadCharacter);      // overlong "/"
}

}  // namespace
}  // namespace kinevo

namespace kinevo {
namespace {

// A name bound to an address at analysis is read there at each evaluation,
// without asking the owner again; what is read there is checked as any value.
TEST(ParserAddress, BoundNamesAreReadWhereTheyLive) {
  double k = 2.0;
  int asked = 0;
  TParser p;
  p.OnVariable = [&](const TParser&, TVariableQuery& q) {
    ++asked;
    if (q.Analysing && q.Name == "k") {
      q.Address = &k;
      q.Found = true;
    }
  };
  p.SetFormula("3*k-1");
  ASSERT_TRUE(p.Analyse());
  const int afterAnalysis = asked;
  ASSERT_TRUE(p.Evaluate());
  EXPECT_EQ(p.LastValue(), 5.0);
  k = 10.0;
  ASSERT_TRUE(p.Evaluate());
  EXPECT_EQ(p.LastValue(), 29.0);
  EXPECT_EQ(asked, afterAnalysis);
  k = NAN;
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peUnknownValue);
  k = 1e300 * 1e10;
  EXPECT_FALSE(p.Evaluate());
  EXPECT_EQ(p.ErrorCode(), peOverflow);
}

}  // namespace
}  // namespace kinevo
