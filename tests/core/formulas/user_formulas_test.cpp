#include "core/formulas/user_formulas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

#include "core/common/ini_file.h"
#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/common/user_dialog.h"
#include "core/results/quantity.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

// A results table: 6 rows at 0.04 s; system 1 marked everywhere but row 2,
// system 2 marked from row 3 on.
class TFakeTable : public IFormulaTable {
 public:
  int32_t rows = 6;
  int32_t systems = 2;
  double angle = std::numbers::pi / 6;
  int32_t RowCount() const override { return rows; }
  int32_t SystemsCount() const override { return systems; }
  double RowTime(int32_t row) const override { return 0.04 * row; }
  bool HasValue(int32_t, int32_t s, int32_t row) const override {
    if (row < 0 || row >= rows) return false;
    return s == 0 ? row != 2 : row >= 3;
  }
  double Value(int32_t q, int32_t s, int32_t row) const override {
    return 100.0 * q + 10.0 * s + row;
  }
  double AxisAngle() const override { return angle; }
};

class UserFormulasTest : public ::testing::Test {
 protected:
  UserFormulasTest() : dlg_(&shown_) {
    f_.SetTable(&table_);
    f_.SetDialog(&dlg_);
  }
  // Adds a formula as typing does: removed again when refused.
  int32_t Type(const std::string& text) {
    const int32_t i = f_.AddFormula(text, "", "");
    const int32_t code = f_.CheckRecord(f_.Formula(i));
    if (code != 0) f_.DeleteFormula(i);
    return code;
  }
  int32_t TypeConstant(const std::string& name, const std::string& expr, const std::string& value) {
    const int32_t i = f_.AddConstant(name, expr, "", value);
    const int32_t code = f_.CheckRecord(f_.Constant(i));
    if (code != 0) f_.DeleteConstant(i);
    return code;
  }

  ScopedDecimalSeparator sep_{','};
  TFakeTable table_;
  test::ScriptedDialog shown_;
  TUserDlg dlg_;
  TFormules f_;
};

TEST_F(UserFormulasTest, TableVariablesWithSystemNumbers) {
  ASSERT_EQ(Type("d=x2-x"), 0) << f_.LastMessage();
  const TCurve& c = f_.Formula(0).Curve;
  // x is system 1 (s = 0), x2 system 2: both marked from row 3 on.
  EXPECT_EQ(c.RowValid, (std::vector<int32_t>{-1, -1, -1, 0, 0, 0}));
  EXPECT_DOUBLE_EQ(c.RowValues[4], 10.0);
  EXPECT_EQ(c.FirstRow, 3);
  EXPECT_EQ(c.LastRow, 5);
  ASSERT_EQ(Type("x1+t"), 0);
  EXPECT_DOUBLE_EQ(f_.Formula(1).Curve.RowValues[1], 101.04);
  EXPECT_EQ(f_.Formula(1).Curve.RowValid[2], -1);  // system 1 not marked there
  EXPECT_TRUE(f_.IsPredefinedName("X2"));
  EXPECT_FALSE(f_.IsPredefinedName("x3"));
  EXPECT_FALSE(f_.IsPredefinedName("B"));
  EXPECT_EQ(TypeConstant("x2", "", "1"), ckPredefined);
  EXPECT_EQ(shown_.Count(), 1u);
  EXPECT_EQ(shown_.shown.back().icon, icError);
  EXPECT_EQ(shown_.LastText(),
            "Nom identique à celui d'une variable prédéfinie (la comparaison ne tient pas compte "
            "de la casse). "
            "Variable concernée : x2");
}

TEST_F(UserFormulasTest, ConstantsAndFormulaColumns) {
  ASSERT_EQ(TypeConstant("g", "", "9,81"), 0);
  ASSERT_EQ(TypeConstant("m", "", "0.5"), 0);  // "." is accepted as well
  ASSERT_EQ(Type("Ep = m*g*y"), 0) << f_.LastMessage();
  const TRec& ep = f_.Formula(0);
  EXPECT_EQ(ep.Identifier, "Ep");
  EXPECT_EQ(ep.FormulaText(), "Ep=m*g*y");
  EXPECT_EQ(ep.Comment, "pas de commentaire saisi");
  EXPECT_EQ(ep.UnitText, "pas d'unité saisie");
  EXPECT_EQ(ep.Curve.RowValid, (std::vector<int32_t>{0, 0, -1, 0, 0, 0}));
  EXPECT_NEAR(ep.Curve.RowValues[3], 0.5 * 9.81 * 203, 1e-9);
  // A formula of another formula, and the switches of table variables.
  ASSERT_EQ(Type("2*Ep+vx"), 0);
  EXPECT_TRUE(f_.Formula(1).Curve.UsesSpeed);
  EXPECT_FALSE(f_.Formula(1).Curve.UsesAcceleration);
  ASSERT_EQ(Type("k=a2/1"), 0);
  EXPECT_TRUE(f_.Formula(2).Curve.UsesAcceleration);
  // Constants of constants, in dependency order whatever the typing order.
  ASSERT_EQ(f_.AddConstant("Vol", "4*Ray^3/3", "m3", ""), 2);
  EXPECT_EQ(f_.CheckRecord(f_.Constant(2)), ckParser);
  EXPECT_EQ(f_.Constant(2).ValueText, "#Nombre!");
  EXPECT_TRUE(std::isnan(f_.Constant(2).ConstValue));
  EXPECT_EQ(shown_.LastText(), "La formule contient une variable ou une constante inconnue : Ray");
  f_.AddConstant("Ray", "", "m", "2");
  f_.ComputeAll();
  EXPECT_NEAR(f_.Constant(2).ConstValue, 32.0 / 3, 1e-12);
  EXPECT_EQ(f_.Constant(2).ValueText, FormatNumber(0, 32.0 / 3));
  f_.AddConstant("Sphere", "Vol*2", "", "");
  f_.Constant(1).ValueText = "#Nombre!";
  EXPECT_EQ(f_.CheckRecord(f_.Constant(1)), ckBadNumber);
  EXPECT_NE(shown_.LastText().find("« E » ou « e »"), std::string::npos);
}

TEST_F(UserFormulasTest, RecurrencesStartFromAnIndexedConstant) {
  ASSERT_EQ(TypeConstant("v_lam[1]", "", "2"), 0);
  ASSERT_EQ(Type("v_lam[i+1]=v_lam[i]+t"), 0) << f_.LastMessage();
  const TRec& r = f_.Formula(0);
  EXPECT_TRUE(r.Indexed);
  EXPECT_EQ(r.IndexOffset, 1);
  std::vector<double> expected{2};
  for (int row = 1; row < 6; ++row) expected.push_back(expected.back() + 0.04 * (row - 1));
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(r.Curve.RowValid[row], 0) << row;
    EXPECT_NEAR(r.Curve.RowValues[row], expected[row], 1e-12) << row;
  }
  // Rows numbered from 0: v_lam[1] is then the value of the second row and
  // the first row has none; the initial value of the first row is v_lam[0].
  TFormulaSettings s = f_.Settings();
  s.startByZero = true;
  f_.SetSettings(s);
  EXPECT_EQ(f_.Formula(0).Curve.RowValid, (std::vector<int32_t>{-1, 0, 0, 0, 0, 0}));
  EXPECT_DOUBLE_EQ(f_.Formula(0).Curve.RowValues[1], 2);
  f_.SetIdentifier(f_.Constant(0), "v_lam[0]");
  f_.ComputeAll();
  EXPECT_FALSE(f_.Formula(0).Curve.Invalid);
  EXPECT_NEAR(f_.Formula(0).Curve.RowValues[5], expected[5], 1e-12);
}

TEST_F(UserFormulasTest, NameChecks) {
  EXPECT_EQ(Type("v[2]=t"), ckBadIndex);
  EXPECT_EQ(shown_.LastText(),
            "L'indice d'une variable ou d'une constante est placée entre crochets. L'indice entre "
            "crochets n'est "
            "pas reconnu. Variable ou constante d'indice incorrect : v[2]");
  EXPECT_EQ(TypeConstant("v[i]", "", "1"), ckBadIndex);
  EXPECT_EQ(TypeConstant("k[i+1]", "", "1"), ckBadIndex);
  EXPECT_EQ(Type("2v=t"), ckBadName);
  EXPECT_EQ(shown_.LastText(),
            "Un nom ne doit pas commencer par un chiffre et ne contient que des lettres ou des "
            "chiffres. Variable ou "
            "constante incorrecte : 2v");
  EXPECT_EQ(Type("a-b=t"), ckBadName);
  EXPECT_EQ(Type("v[]=t"), ckBadName);
  EXPECT_EQ(Type("v]x=t"), ckBadName);
  EXPECT_EQ(Type("t=2*t"), ckPredefined);
  ASSERT_EQ(Type("u[i]=t*2"), 0);  // name[i] is the plain name
  EXPECT_FALSE(f_.Formula(0).Indexed);
  EXPECT_EQ(f_.Formula(0).Identifier, "u");
  ASSERT_EQ(Type("w_1[i--1]=t*3"), 0);  // signs collapse: i+1
  EXPECT_EQ(f_.Formula(1).IndexOffset, 1);
  EXPECT_EQ(Type("U=t*4"), ckNameUsed);
  EXPECT_EQ(shown_.LastText(),
            "Nom déjà utilisé (la comparaison ne tient pas compte de la casse). Variable ou "
            "constante répétée : U");
  f_.Formula(0).Curve.Expanded = false;
  EXPECT_EQ(Type("U=t*4"), ckHiddenName);
  EXPECT_EQ(shown_.LastText(), "Nom de variable déjà utilisé dans une colonne cachée : U");
  EXPECT_EQ(Type("T*2"), ckSamePhrase);
  EXPECT_EQ(
      shown_.LastText(),
      "Formules identiques détectées (la comparaison ne tient pas compte de la casse) : T*2.");
  EXPECT_EQ(TypeConstant("u", "", "1"), ckNameUsed);
  EXPECT_EQ(TypeConstant("c1", "", "1,2,3"), ckBadNumber);
  ASSERT_EQ(TypeConstant("k[-2]", "", "1"), 0);
  EXPECT_EQ(f_.Constant(0).IndexOffset, -2);
  EXPECT_EQ(f_.Constant(0).IndexText, "-2");
}

TEST_F(UserFormulasTest, CyclesAndMissingColumns) {
  // A cycle: each formula waits for the other, neither gets a value (not
  // even the other's old one), and the dependency order ends.
  ASSERT_EQ(Type("p=t+1"), 0);
  ASSERT_EQ(Type("q=p+1"), 0);
  f_.Formula(0).Phrase = "q*2";  // p now uses q, which uses p
  f_.ComputeFormulas();
  EXPECT_TRUE(f_.Formula(0).Curve.Invalid);
  EXPECT_TRUE(f_.Formula(1).Curve.Invalid);
  EXPECT_EQ(f_.CheckRecord(f_.Formula(1)), ckParser);
  EXPECT_EQ(shown_.LastText(),
            "Variable dont la valeur est inconnue : p. Vérifier que la valeur initiale (p[0] ou "
            "p[1]) est déclarée "
            "dans le tableau des constantes.");
  f_.DeleteFormula(1);
  f_.DeleteFormula(0);
  EXPECT_EQ(Type("h=t*zz"), ckParser);
  EXPECT_EQ(shown_.LastText(), "La formule contient une variable ou une constante inconnue : zz");
  // A column that does not exist: accelerations switched off.
  TFormulaSettings s = f_.Settings();
  s.accelerations = false;
  int changed = 0;
  TConnection onSwitchesChangedLink = f_.OnSwitchesChanged.Connect([&] { ++changed; });
  f_.SetSettings(s);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(Type("ax*2"), ckParser);
  EXPECT_EQ(shown_.LastText(), "La formule contient une variable ou une constante inconnue : ax");
  // An index beyond the table.
  EXPECT_EQ(Type("far[i+9]=t"), ckNoValue);
  EXPECT_EQ(shown_.LastText(),
            "Aucune valeur calculable (l'indice est probablement trop grand). Variable non "
            "calculable : far[i+9]");
  // A formula whose every row fails stays invalid.
  EXPECT_EQ(Type("1/(t-t)"), ckParser);
  EXPECT_EQ(shown_.LastText(), "Division par zéro.");
}

// Order of computation on long chains: a chain typed backwards is computed
// from its start, a cycle of thousands ends at once with no value, and a
// formula that the cycle uses still gets its own.
TEST_F(UserFormulasTest, LongChainsAndCyclesAreOrderedInOnePass) {
  constexpr int n = 4096;
  // f0 = f1 + 1, f1 = f2 + 1, ..., f(n-1) = t: typed from f0 on.
  for (int i = 0; i < n; ++i) {
    const std::string next = i + 1 < n ? "f" + std::to_string(i + 1) : "t";
    f_.AddFormula("f" + std::to_string(i) + "=" + next + "+1", "", "");
  }
  f_.ComputeFormulas();
  EXPECT_FALSE(f_.Formula(0).Curve.Invalid);
  EXPECT_NEAR(f_.Formula(0).Curve.RowValues[3], 0.12 + n, 1e-9);
  // Close the chain into a cycle through f(n-1), with a helper h that the
  // cycle uses and a formula u that uses the cycle.
  f_.AddFormula("u=f7*2", "", "");
  f_.AddFormula("h=t*10", "", "");
  f_.Formula(n - 1).Phrase = "f0+h";
  f_.ComputeFormulas();
  for (int i : {0, 1, n / 2, n - 1}) EXPECT_TRUE(f_.Formula(i).Curve.Invalid) << i;
  EXPECT_TRUE(f_.Formula(n).Curve.Invalid);
  const TRec& h = f_.Formula(n + 1);
  EXPECT_FALSE(h.Curve.Invalid);
  EXPECT_NEAR(h.Curve.RowValues[4], 1.6, 1e-12);
}

// A variable missing in the first rows only leaves those rows empty.
TEST_F(UserFormulasTest, NameWithoutValueInTheFirstRows) {
  ASSERT_EQ(Type("y2*2"), 0) << f_.LastMessage();
  EXPECT_EQ(f_.Formula(0).Curve.RowValid, (std::vector<int32_t>{-1, -1, -1, 0, 0, 0}));
  ASSERT_EQ(Type("dx=x[i+1]-x[i-1]"), 0) << f_.LastMessage();
  // System 1 is not marked in row 2: rows 1 and 3 lack a neighbour.
  EXPECT_EQ(f_.Formula(1).Curve.RowValid, (std::vector<int32_t>{-1, -1, 0, -1, 0, -1}));
  EXPECT_DOUBLE_EQ(f_.Formula(1).Curve.RowValues[2], 2.0);
}

TEST_F(UserFormulasTest, AngleUnitRecomputes) {
  ASSERT_EQ(Type("angle=B"), 0);
  EXPECT_NEAR(f_.Formula(0).Curve.RowValues[0], std::numbers::pi / 6, 1e-15);
  ASSERT_EQ(Type("O*1"), 0);
  TFormulaSettings s = f_.Settings();
  s.radians = false;
  f_.SetSettings(s);
  EXPECT_NEAR(f_.Formula(0).Curve.RowValues[0], 30, 1e-12);
  EXPECT_NEAR(f_.Formula(1).Curve.RowValues[0], (1100.0) * 180 / std::numbers::pi, 1e-9);
}

TEST_F(UserFormulasTest, PointsAndAbscissa) {
  ASSERT_EQ(Type("s=x*2"), 0);
  ASSERT_EQ(Type("y*3"), 0);
  EXPECT_EQ(f_.PlottedFormulas(), (std::vector<int32_t>{0, 1}));
  auto pts = f_.FormulaPoints(0);
  ASSERT_EQ(pts.size(), 5u);
  EXPECT_DOUBLE_EQ(pts[1].first, 0.04);
  f_.SetAbscissaFormula(0);
  EXPECT_EQ(f_.AbscissaFormula(), 0);
  pts = f_.FormulaPoints(1);
  EXPECT_DOUBLE_EQ(pts[0].first, 200.0);
  EXPECT_DOUBLE_EQ(pts[0].second, 600.0);
  f_.SetAbscissaFormula(7);
  EXPECT_EQ(f_.AbscissaFormula(), -1);
  double x0, x1, y0, y1;
  ASSERT_TRUE(f_.PlottedExtremes(x0, x1, y0, y1));
  EXPECT_DOUBLE_EQ(x0, 0);
  EXPECT_DOUBLE_EQ(y1, 3 * 205.0);
}

TEST_F(UserFormulasTest, DocumentSectionsRoundTrip) {
  ASSERT_EQ(TypeConstant("g", "", "9,81"), 0);
  ASSERT_EQ(TypeConstant("u[1]", "", "3"), 0);
  ASSERT_EQ(TypeConstant("k2", "g*2", ""), 0);
  ASSERT_EQ(Type("Ep=g*y"), 0);
  f_.SetComment(f_.Formula(0), "énergie");
  f_.SetUnit(f_.Formula(0), "J/kg");
  ASSERT_EQ(Type("u[i+1]=u[i]*2"), 0);
  TIniFile ini;
  ini.WriteString("Record", "RecordFormulePhrase_7", "stale");
  f_.Save(ini);
  const std::string text = ini.Text();
  EXPECT_EQ(text.find("stale"), std::string::npos);
  EXPECT_NE(text.find("FormulesNumber=2"), std::string::npos);
  EXPECT_NE(text.find("RecordFormulePhrase_1=u[i]*2"), std::string::npos);
  EXPECT_NE(text.find("RecordConstValue_2==g*2"), std::string::npos);
  EXPECT_NE(text.find("RecordConstIndex_1=1"), std::string::npos);
  EXPECT_NE(text.find("RecordConstValue_0=9,81"), std::string::npos);

  // Read back with the other separator: numbers follow the current one.
  ScopedDecimalSeparator point('.');
  TFormules other;
  other.SetTable(&table_);
  TIniFile in;
  in.SetText(text);
  other.Load(in);
  ASSERT_EQ(other.FormulaCount(), 2);
  ASSERT_EQ(other.ConstantCount(), 3);
  EXPECT_EQ(other.Constant(0).ValueText, "9.81");
  EXPECT_DOUBLE_EQ(other.Constant(2).ConstValue, 19.62);
  EXPECT_EQ(other.Formula(0).Comment, "énergie");
  EXPECT_EQ(other.Formula(0).UnitText, "J/kg");
  EXPECT_EQ(other.Formula(1).Curve.RowValues, f_.Formula(1).Curve.RowValues);
  EXPECT_NEAR(other.Formula(0).Curve.RowValues[0], 9.81 * 200, 1e-9);
}

TEST_F(UserFormulasTest, HostileDocumentValues) {
  TIniFile ini;
  ini.SetText(
      "[Formules]\nFormulesNumber=2147483647\nConstantesNumber=-5\n"
      "[Record]\nRecordFormulePhrase_0= 2*t \nRecordFormuleIdentifier_3=zz\n"
      "RecordFormulePhrase_3=(((\n");
  f_.AddFormula("old", "", "");
  f_.Load(ini);
  ASSERT_EQ(f_.FormulaCount(), 2);
  EXPECT_EQ(f_.ConstantCount(), 0);
  EXPECT_EQ(f_.Formula(0).Phrase, "2*t");
  EXPECT_FALSE(f_.Formula(0).Curve.Invalid);
  EXPECT_TRUE(f_.Formula(1).Curve.Invalid);
}

// A table whose quantity q of a row has the uncertainty 0.01·(q + 1).
class TUncertainTable : public TFakeTable {
 public:
  bool HasUncertainties() const override { return true; }
  double Uncertainty(int32_t q, int32_t, int32_t) const override { return 0.01 * (q + 1); }
};

TEST(UserFormulas, UncertaintiesFollowThePartialDerivatives) {
  ScopedDecimalSeparator sep(',');
  TUncertainTable table;
  TFormules f;
  f.SetTable(&table);
  // pa = x·y: u² = (y·u(x))² + (x·u(y))²; a value read twice counts once
  // (qa = x·x has u = 2x·u(x)); t is exact; a formula of a formula carries
  // the first one's uncertainty; a plain number has none.
  f.AddFormula("pa=x*y", "", "");
  f.AddFormula("qa=x*x", "", "");
  f.AddFormula("ra=2*pa+t", "", "");
  f.AddFormula("ka=3", "", "");
  f.ComputeFormulas();
  const int row = 4;  // system 1 marked
  const double x = table.Value(qtX, 0, row), y = table.Value(qtY, 0, row);
  const double ux = 0.01 * (qtX + 1), uy = 0.01 * (qtY + 1);
  const double up = std::hypot(y * ux, x * uy);
  EXPECT_NEAR(f.Formula(0).Curve.RowUncertainties[row], up, 1e-6 * up);
  EXPECT_NEAR(f.Formula(1).Curve.RowUncertainties[row], 2 * x * ux, 1e-6 * x * ux);
  EXPECT_NEAR(f.Formula(2).Curve.RowUncertainties[row], 2 * up, 2e-6 * up);
  EXPECT_EQ(f.Formula(3).Curve.RowUncertainties[row], 0.0);
  // The values themselves are untouched by the steps.
  EXPECT_DOUBLE_EQ(f.Formula(0).Curve.RowValues[row], x * y);
  // Plotted against the time, only the values have error bars; against
  // another formula, its uncertainties go along the abscissa, point for point.
  auto bars = f.FormulaPointUncertainties(0);
  ASSERT_EQ(bars.size(), f.FormulaPoints(0).size());
  EXPECT_EQ(bars.back().first, 0.0);
  EXPECT_EQ(bars.back().second, f.Formula(0).Curve.RowUncertainties.back());
  f.SetAbscissaFormula(1);
  bars = f.FormulaPointUncertainties(0);
  const auto points = f.FormulaPoints(0);
  ASSERT_EQ(bars.size(), points.size());
  ASSERT_FALSE(bars.empty());
  EXPECT_EQ(points.back().first, f.Formula(1).Curve.RowValues.back());
  EXPECT_EQ(bars.back().first, f.Formula(1).Curve.RowUncertainties.back());
  EXPECT_EQ(bars.back().second, f.Formula(0).Curve.RowUncertainties.back());

  // Without uncertainties in the table, none are computed.
  TFakeTable plain;
  f.SetTable(&plain);
  f.ComputeFormulas();
  EXPECT_TRUE(f.Formula(0).Curve.RowUncertainties.empty());
  EXPECT_TRUE(f.FormulaPointUncertainties(0).empty());
}

}  // namespace
}  // namespace kinevo
