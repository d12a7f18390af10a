#pragma once
// User formulas and constants (TFormules): named quantities that the user
// adds to the results.  A constant has a name, a value (a number or an
// expression of other constants) and a unit; a formula has an optional name,
// an expression evaluated for every row of the results table, a comment and
// a unit, and becomes a column of values.
//
// Names in expressions are resolved here: constants, the table variables of
// the results (t, x, y, vx ... with an optional system number), other
// formulas, and indexed references to other rows (v[i-1], v[1]).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/key_store.h"
#include "core/common/signal.h"
#include "core/formulas/parser.h"

namespace kinevo {

class TUserDlg;

// What the formulas read from the results table of the active marking mode.
class IFormulaTable {
 public:
  virtual ~IFormulaTable() = default;
  virtual int32_t RowCount() const = 0;
  virtual int32_t SystemsCount() const = 0;
  virtual double RowTime(int32_t row) const = 0;
  // Whether system s (from 0) has a value of quantity q (TQuantity code) in
  // that row, and the value (metres, seconds, radians).
  virtual bool HasValue(int32_t q, int32_t s, int32_t row) const = 0;
  virtual double Value(int32_t q, int32_t s, int32_t row) const = 0;
  // Whether the values carry standard uncertainties, and that of a value.
  virtual bool HasUncertainties() const { return false; }
  virtual double Uncertainty(int32_t q, int32_t s, int32_t row) const {
    (void)q;
    (void)s;
    (void)row;
    return 0.0;
  }
  // The x-axis angle of the reference frame, in radians.
  virtual double AxisAngle() const = 0;
};

// One formula column.
struct TCurve {
  bool Plotted = false;
  bool Expanded = true;
  bool Invalid = false;
  bool UsesSpeed = false;
  bool UsesAcceleration = false;
  std::vector<double> RowValues;
  std::vector<int32_t> RowValid;  // 0 where the row has a value, -1 where not
  // Standard uncertainty of each row's value when the table has them (first
  // order, the values read counted as independent); empty otherwise.
  std::vector<double> RowUncertainties;
  int32_t Digits = 0;
  int32_t FirstRow = -1;
  int32_t LastRow = -1;
};

enum TRecKind : uint8_t { rkFormula = 0, rkConstant = 1 };

inline constexpr const char* kNoComment = "pas de commentaire saisi";
inline constexpr const char* kNoUnit = "pas d'unité saisie";
inline constexpr const char* kNotANumber = "#Nombre!";

// One formula or constant.
struct TRec {
  std::string Identifier;       // name without brackets; empty for an unnamed formula
  std::string TypedIdentifier;  // as typed, blanks removed, brackets included
  std::string Phrase;           // expression (a constant's is empty when it is a number)
  std::string Comment = kNoComment;
  std::string IndexText = "0";
  std::string ValueText = "0";
  std::string UnitText = kNoUnit;
  int32_t IndexOffset = 0;  // formula: k of name[i+k]; constant: its index
  double ConstValue = 0.0;
  bool Indexed = false;
  bool NameValid = true;
  bool IndexValid = true;
  bool Brackets = false;  // the typed name carries brackets
  TCurve Curve;
  bool ShowExpression = false;
  TRecKind RecKind = rkFormula;
  std::vector<std::string> Dependencies;

  // The identifier typed, "=" and the phrase; the phrase alone without name.
  std::string FormulaText() const;
  // The unit typed, "" when none was.
  std::string Unit() const { return UnitText == kNoUnit ? std::string() : UnitText; }
  // The title of its uncertainty column: "u(E)", "u(2*x)" for an unnamed
  // formula.
  std::string UncertaintyTitle() const {
    return "u(" + (Identifier.empty() ? Phrase : Identifier) + ")";
  }
};

// Codes of CheckRecord.
enum TCheckCode : int32_t {
  ckOk = 0,
  ckHiddenName = 1,
  ckBadName = 2,
  ckNameUsed = 3,
  ckSamePhrase = 4,
  ckParser = 5,
  ckBadIndex = 6,
  ckBadNumber = 8,
  ckPredefined = 9,
  ckNoValue = 11,
};

// The settings the formulas follow.
struct TFormulaSettings {
  bool speeds = true;         // "CheckBox9Speed_Checked"
  bool accelerations = true;  // "CheckBox8Acceleration_Checked"
  bool polar = true;          // "CheckBox53PolarQuantities_Checked"
  bool startByZero = false;   // "CheckBox36StartByZero_Checked"
  bool radians = true;        // "CheckBox32AngleRadian_Checked"
};

class TFormules {
 public:
  TFormules();
  TFormules(const TFormules&) = delete;
  TFormules& operator=(const TFormules&) = delete;

  // Where results rows and messages come from.  Without a table there are
  // no rows; without a dialog the messages are not shown (CheckRecord still
  // returns its code and LastMessage holds the text).
  void SetTable(const IFormulaTable* table) { table_ = table; }
  const IFormulaTable* Table() const { return table_; }
  void SetDialog(TUserDlg* dlg) { dlg_ = dlg; }

  const TFormulaSettings& Settings() const { return settings_; }
  // Applies new settings; a change of angle unit recomputes everything.
  void SetSettings(const TFormulaSettings& s);
  // Called when a switch of speeds, accelerations or polar quantities
  // changes (the results of both marking modes are then stale).
  TSignal<> OnSwitchesChanged;
  // Raised at the end of every edit of the records (one added, deleted,
  // cleared or loaded; a name, phrase, value, index, unit or comment typed):
  // what the document holds of them may have changed.  The steps of one
  // edit, a refused text taken back included, raise it once.
  TSignal<> OnChange;
  // Makes the edits made during its life one edit: OnChange comes once,
  // when the outermost group ends.
  class TEditGroup {
   public:
    explicit TEditGroup(TFormules& f) : f_(f) { ++f_.editDepth_; }
    ~TEditGroup() {
      if (--f_.editDepth_ == 0) f_.OnChange();
    }
    TEditGroup(const TEditGroup&) = delete;
    TEditGroup& operator=(const TEditGroup&) = delete;

   private:
    TFormules& f_;
  };

  // ---- records
  int32_t FormulaCount() const { return static_cast<int32_t>(formulas_.size()); }
  int32_t ConstantCount() const { return static_cast<int32_t>(constants_.size()); }
  TRec& Formula(int32_t i) { return *formulas_.at(static_cast<size_t>(i)); }
  const TRec& Formula(int32_t i) const { return *formulas_.at(static_cast<size_t>(i)); }
  TRec& Constant(int32_t i) { return *constants_.at(static_cast<size_t>(i)); }
  const TRec& Constant(int32_t i) const { return *constants_.at(static_cast<size_t>(i)); }

  // Appends a constant: its typed name, its expression (empty for a
  // number), its unit and the text of its value.  Returns its index.
  int32_t AddConstant(std::string_view typedIdentifier, std::string_view expression,
                      std::string_view unit, std::string_view valueText);
  // Appends a formula from "name=phrase" or a bare phrase.  Returns its index.
  int32_t AddFormula(std::string_view text, std::string_view comment, std::string_view unit);
  void DeleteFormula(int32_t i);
  void DeleteConstant(int32_t i);
  void Clear();

  // Setters used by typing and loading.
  void SetFormulaText(TRec& r, std::string_view text);
  void SetIdentifier(TRec& r, std::string_view typed);
  void SetConstantValueText(TRec& r, std::string_view text);
  void SetConstantIndexText(TRec& r, std::string_view text);
  void SetComment(TRec& r, std::string_view text);
  void SetUnit(TRec& r, std::string_view text);

  // Validates a record and computes it; shows the message of the first
  // problem and returns its code.
  int32_t CheckRecord(TRec& r);
  const std::string& LastMessage() const { return lastMessage_; }
  static std::string CheckMessage(int32_t code, const std::string& argument);

  // Recompute one record, or all records of one list in dependency order.
  int32_t ComputeRecord(TRec& r);
  void ComputeConstants();
  void ComputeFormulas();
  void ComputeAll() {
    ComputeConstants();
    ComputeFormulas();
  }

  bool IsPredefinedName(std::string_view name) const;
  // The parser's variable answer.
  void ResolveVariable(TVariableQuery& q) const;

  // ---- formula columns
  int32_t PlottedCount() const;
  std::vector<int32_t> PlottedFormulas() const;
  int32_t AbscissaFormula() const { return abscissa_; }
  // Accepts only a formula whose column is valid; anything else gives -1 (time).
  void SetAbscissaFormula(int32_t i);
  // (abscissa, value) for every row where both exist.
  std::vector<std::pair<double, double>> FormulaPoints(int32_t i) const;
  // Their standard uncertainties (u(abscissa), u(value)), point for point;
  // empty when the values carry none.  The time is exact.
  std::vector<std::pair<double, double>> FormulaPointUncertainties(int32_t i) const;
  // Extremes of the plotted formulas: xmin, xmax, ymin, ymax (false when none).
  bool PlottedExtremes(double& xmin, double& xmax, double& ymin, double& ymax) const;

  // ---- document
  // Sections "Formules" and "Record".  Loading replaces every record;
  // saving replaces both sections.
  void Load(const IKeyReader& read);
  void Save(IKeyWriter& write) const;

  TParser& Parser() { return parser_; }

 private:
  int32_t ComputeFormula(TRec& r);
  int32_t ComputeConstant(TRec& r);
  void ComputeList(std::vector<std::unique_ptr<TRec>>& list, bool constants);
  int32_t Show(int32_t code, const std::string& argument);
  bool ResolveTable(TVariableQuery& q, int32_t row) const;
  int32_t StartIndex() const { return settings_.startByZero ? 0 : 1; }
  // The formula chosen as abscissa (null: the time), and the rows where
  // formula i and its abscissa both have a value.
  const TCurve* AbscissaCurve() const;
  std::vector<size_t> PlottedRows(int32_t i) const;

  std::vector<std::unique_ptr<TRec>> formulas_;
  std::vector<std::unique_ptr<TRec>> constants_;
  // While a whole list is computed: each formula by its lower-case name, so
  // that resolving a name costs the same with ten formulas or thousands.
  // Empty otherwise (names may be edited between computations).
  std::unordered_map<std::string, const TRec*> formulaByName_;
  static void ResolveFormula(const TRec& f, int32_t row, TVariableQuery& q);
  // The uncertainty of a row's value: the formula evaluated again with
  // each value it read moved by a small step either way gives its partial
  // derivative, u² = Σ (∂f/∂v)²·u(v)².
  double RowUncertainty();
  // One value a formula reads: a table quantity (formula null) or another
  // formula's row.
  struct TInput {
    const TRec* formula = nullptr;
    int32_t quantity = 0, system = 0, row = 0;
    double u = 0.0;
    bool operator==(const TInput& o) const {
      return formula == o.formula && quantity == o.quantity && system == o.system && row == o.row;
    }
  };
  // Records (while tracing) or moves (the input nudged) a value just read.
  void Input(TInput in, TVariableQuery& q) const;
  mutable std::vector<TInput> inputs_;
  mutable bool tracing_ = false;
  int nudged_ = -1;
  double nudge_ = 0.0;
  mutable int32_t lastQuantity_ = 0, lastSystem_ = 0;
  TParser parser_;
  const IFormulaTable* table_ = nullptr;
  TUserDlg* dlg_ = nullptr;
  TFormulaSettings settings_;
  int32_t currentRow_ = 0;
  bool constantsOnly_ = false;
  int32_t abscissa_ = -1;
  int editDepth_ = 0;
  std::string lastMessage_;
};

// Whether `name` plus an optional system number 1..n is one of the letters.
bool IsNameWithSystem(std::string_view name, std::string_view letters, int32_t systems,
                      int32_t* system = nullptr);

}  // namespace kinevo
