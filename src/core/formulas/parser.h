#pragma once
// The expression parser of the formulas, the constants and the calculator.
//
// A text is normalised, cut into tokens and built into a tree by splitting at
// the operator of lowest priority; the tree is then flattened into a small
// postfix program.  The program is kept, so one text is analysed once and
// evaluated for many table rows: only the variables are asked again, through
// `OnVariable`, at every evaluation.  A successful evaluation allocates
// nothing.
//
// Texts are UTF-8.  The division sign "÷" divides; the superscripts "²" and
// "³" are name characters.  Numbers use the program's decimal separator
// (number_format.h) and no other.
//
// Errors are a numeric code with a French message, an argument quoted by
// some messages, and the 1-based character position in the typed text where
// the problem lies (0 when none applies).
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/text_utils.h"
#include "core/formulas/native_code.h"

namespace kinevo {

// Token kinds; codes 1 to 6 are also the operator priorities.
enum TTokenKind : uint8_t {
  tkNone = 0,
  tkSemicolon = 1,
  tkPlus = 2,
  tkMinus = 3,
  tkDivide = 4,
  tkMultiply = 5,
  tkPower = 6,
  tkSin = 7,
  tkCos = 8,
  tkLn = 9,
  tkLog = 10,
  tkExp = 11,
  tkAbs = 12,
  tkTan = 13,
  tkSqrt = 14,
  tkArcSin = 15,
  tkArcCos = 16,
  tkArcTan = 17,
  tkNumber = 18,
  tkVariable = 19,
  tkOpen = 20,
  tkClose = 21,
};

// One token of an analysed text.
struct TElemPile {
  TTokenKind Kind = tkNone;
  int32_t Level = 0;                // parenthesis depth
  int32_t Index = 0;                // number between brackets (variables)
  std::string Text;                 // operator character or variable name (UTF-8)
  double Value = 0.0;               // number, or the value of a variable at analysis
  bool Absolute = false;            // x[3] rather than x[i+3]
  bool Negate = false;              // operator whose right operand has a leading minus
  bool Indexed = false;             // the name was followed by brackets
  int32_t Position = 0;             // 1-based character position in the typed text
  int32_t Tag = -1;                 // owner's tag for the variable (see TVariableQuery)
  const double* Address = nullptr;  // where its value is read (see TVariableQuery)
};

// The question asked to the owner about a variable, and its answer.
struct TVariableQuery {
  std::string_view Name;   // as typed, case preserved; valid during the call only
  bool Indexed = false;    // followed by brackets
  bool Absolute = false;   // x[3] (true) or x[i+3] (false)
  int32_t Index = 0;       // 3 for x[3] and x[i+3], 0 for x[i], -2 for x[i-2]
  bool Analysing = false;  // asked while the text is analysed (not evaluated)
  // Answer.
  bool IsConstant = false;
  bool Found = false;
  double Value = 0.0;
  // A number the owner may set while the text is analysed; it is given back
  // at every evaluation of that variable, so that the owner can answer
  // without looking the name up again.  -1 when not set.
  int32_t Tag = -1;
  // Where the value can be read, set by an owner that keeps it there while
  // the text is analysed: evaluations then read it without asking, which
  // matters to a formula evaluated millions of times (a model integrated
  // step by step).  The owner keeps the address valid while the text is kept.
  const double* Address = nullptr;
};

// Error codes of the parser.
enum TParserError : int32_t {
  peNone = 0,
  peUnclosed = 1,
  peUnopened = 2,
  peEmptyParentheses = 3,
  peBadNumber = 4,
  peCos = 5,
  peSin = 6,
  peTan = 7,
  peArcCos = 8,
  peArcSin = 9,
  peArcTan = 10,
  peLogarithm = 11,
  peSqrt = 13,
  peDivisionByZero = 14,
  peFractionalPower = 15,
  peExp = 16,
  pePower = 17,
  peEmptyString = 18,
  peOverflow = 19,
  peUnknownName = 20,
  peBadCharacter = 21,
  peBadIndex = 22,
  peNoArgument = 23,
  peMissingOperand = 24,
  peMissingOperator = 25,
  peEmptyFormula = 26,
  peBadToken = 27,
  peUnknownValue = 28,
  peMissingBracket = 29,
  peSemicolon = 30,
  peTooDeep = 31,
  peTooLong = 32,
};

class TParser {
 public:
  // Limits that keep hostile or accidental input harmless.
  static constexpr int32_t kMaxDepth = 100;     // nested parentheses
  static constexpr int32_t kMaxLength = 10000;  // characters of a text

  TParser();

  // Stores the text and forgets the previous analysis.
  void SetFormula(std::string_view text);
  const std::string& Formula() const { return formula_; }

  // Text -> tokens.  Returns true on success.
  bool Analyse();
  // Analyses and builds when needed, then evaluates with the current
  // variable values.  On success `LastValue` holds the value; after an error
  // it keeps the previous one.
  bool Evaluate();
  // The same, for a text evaluated very many times in a row (a model
  // integrated step by step): the value, or NaN after an error (then
  // `ErrorCode` says which).  The value stays in the processor's registers.
  double Value() {
    if (state_ == TState::Built) {
      const double v = RunQuick();
      if (!std::isnan(v)) {
        errorCode_ = 0;
        errorPosition_ = 0;
        lastValue_ = v;
        return v;
      }
    }
    return Evaluate() ? lastValue_ : std::numeric_limits<double>::quiet_NaN();
  }

  // Compiles the text to the processor's own instructions, the variables
  // read at `arguments` (at most six) being taken from NativeValue's
  // arguments instead.  False where this processor has no compiler, or for
  // a text with functions, powers other than squares, names asked at each
  // evaluation or too deep a nesting.
  bool CompileNative(std::span<const double* const> arguments);
  // The compiled code's value, the compiled variables' values passed in
  // registers; NaN where it doubts (or there is no compiled code): Value()
  // then answers, the variables read at their addresses.
  double NativeValue(double a0, double a1 = 0, double a2 = 0, double a3 = 0, double a4 = 0,
                     double a5 = 0) {
    if (!native_) return std::numeric_limits<double>::quiet_NaN();
    const double v = native_(a0, a1, a2, a3, a4, a5);
    if (!std::isnan(v)) {
      errorCode_ = 0;
      errorPosition_ = 0;
      lastValue_ = v;
    }
    return v;
  }

  double LastValue() const { return lastValue_; }
  // Whether the text itself is wrong (its analysis or its tree failed), as
  // opposed to a failure of one evaluation.
  bool TextFailed() const {
    return state_ == TState::AnalyseFailed || state_ == TState::BuildFailed;
  }

  bool Radians() const { return radians_; }
  void SetRadians(bool radians) { radians_ = radians; }

  int32_t ErrorCode() const { return errorCode_; }
  const std::string& ErrorArgument() const { return errorArgument_; }
  // 1-based character position of the problem in the text, 0 when none.
  int32_t ErrorPosition() const { return errorPosition_; }
  std::string ErrorMessage() const { return MessageOf(errorCode_, errorArgument_); }
  static std::string MessageOf(int32_t code, const std::string& argument);

  // Names of the variables met by the analysis (each once, first spelling).
  const std::vector<std::string>& UsedNames() const { return usedNames_; }
  bool UsesName(std::string_view name) const;

  const std::vector<TElemPile>& Tokens() const { return tokens_; }

  // Answers the questions about variables.  Unset: every name is unknown.
  std::function<void(const TParser&, TVariableQuery&)> OnVariable;

 private:
  enum class TState : uint8_t { Fresh, AnalyseFailed, Analysed, BuildFailed, Built };
  enum class TOp : uint8_t { Number, Variable, Add, Sub, Mul, Div, Pow, Atan2, Function };
  struct TInstr {
    TOp Op = TOp::Number;
    TTokenKind Function = tkNone;
    bool Negate = false;
    int32_t Position = 0;
    int32_t Variable = -1;  // token index of a variable
    // Where a variable's value is read, when its owner gave an address:
    // read there without a query (a model evaluates its formulas millions
    // of times).
    const double* Address = nullptr;
    double Value = 0.0;
  };

  // The program once more, for a machine with one accumulator: an operator
  // whose right operand is a number or a variable reads it directly
  // (x*vx/m is three instructions instead of five stack moves), and the
  // checks that cannot change the outcome are left out.  Only a failure
  // that a later operation could hide (a divisor, the argument of a
  // function) is checked on the way; anything else shows in the result.
  // Whatever it doubts, the checked program answers, so both always agree.
  enum class TQuickOp : uint8_t {
    Load,      // acc = operand
    PushLoad,  // push acc; acc = operand
    Query,     // push acc if asked; acc = the owner's answer
    Neg,
    AddL,  // acc = acc + operand (and so on)
    SubL,
    MulL,
    DivL,
    AddP,  // acc = popped + acc (and so on)
    SubP,
    MulP,
    DivP,
    Square,    // acc = acc · acc (a power of 2)
    Binary,    // acc = the checked operator on (popped, acc)
    Function,  // acc = the checked function of acc
    End,
  };
  struct TQuick {
    TQuickOp Op = TQuickOp::Load;
    bool Push = false;                // Query only
    int32_t Instr = 0;                // the instruction of the program it comes from
    const double* Operand = nullptr;  // a number of the program or a variable's value
  };
  // Its operands point into the program: a copied parser builds its own.
  struct TQuickCode {
    std::vector<TQuick> code;
    TQuickCode() = default;
    TQuickCode(const TQuickCode&) {}
    TQuickCode& operator=(const TQuickCode&) {
      code.clear();
      return *this;
    }
  };

  void Fail(int32_t code, std::string argument, int32_t position);
  bool Build();
  void BuildQuick();
  bool Run(double& result);
  // NaN when the checked program must answer: a value that is not a number
  // is never a result.
  double RunQuick();
  // The value of a variable without an address, asked of the owner.
  bool Query(const TInstr& in, double& value);
  bool ApplyFunction(TTokenKind f, double& v, int32_t position);
  bool ApplyBinary(const TInstr& in, double a, double b, double& out);

  std::string formula_;
  bool radians_ = true;
  TState state_ = TState::Fresh;
  int32_t errorCode_ = 0;
  std::string errorArgument_;
  int32_t errorPosition_ = 0;
  double lastValue_ = 0.0;
  std::vector<TElemPile> tokens_;
  std::vector<std::string> usedNames_;
  std::vector<TInstr> program_;
  TQuickCode quick_;
  TNativeCode native_;
  std::vector<double> stack_;
};

}  // namespace kinevo
