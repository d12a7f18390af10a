#include "core/formulas/parser.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/common/text_encoding.h"

namespace kinevo {

namespace {

// One character of the working copy: a code point and the 1-based character
// position it comes from in the typed text.  Bytes that are not valid UTF-8
// become code points above the Unicode range so that they can be reported.
struct TChar {
  char32_t c;
  int32_t pos;
};

constexpr char32_t kInvalidByte = 0x110000;
constexpr char32_t kDivisionSign = 0xF7;  // ÷
constexpr char32_t kSquare = 0xB2;        // ²
constexpr char32_t kCube = 0xB3;          // ³

// Invalid bytes kept as code points above the Unicode range go back as the
// bytes they were.
void AppendChar(std::string& out, char32_t c) {
  if (c >= kInvalidByte)
    out += static_cast<char>(c - kInvalidByte);
  else
    AppendUtf8(out, c);
}

// Strict UTF-8 decoding (no overlong forms, no surrogates); every byte of a
// broken sequence becomes one invalid character.
std::vector<TChar> Decode(std::string_view s) {
  std::vector<TChar> out;
  out.reserve(s.size());
  int32_t pos = 1;
  size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    char32_t cp = 0;
    size_t len = 0;
    if (b0 < 0x80) {
      cp = b0;
      len = 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      cp = b0 & 0x1F;
      len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      cp = b0 & 0x0F;
      len = 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      cp = b0 & 0x07;
      len = 4;
    }
    bool ok = len > 0 && i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (ok) {
      if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
          (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        ok = false;
    }
    if (ok) {
      out.push_back({cp, pos});
      i += len;
    } else {
      out.push_back({kInvalidByte + b0, pos});
      i += 1;
    }
    ++pos;
  }
  return out;
}

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Characters of a name, digits included (a name never starts with a digit,
// since a digit starts a number).
bool IsNameChar(char32_t c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c == kSquare || c == kCube;
}

// How a character is quoted in a message: itself when printable, its code
// otherwise.
std::string Quote(char32_t c) {
  char buf[32];
  if (c >= kInvalidByte) {
    std::snprintf(buf, sizeof buf, "octet non valide 0x%02X",
                  static_cast<unsigned>(c - kInvalidByte));
    return buf;
  }
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
  }
  std::string s;
  AppendChar(s, c);
  return s;
}

std::string ToUtf8(const std::vector<TChar>& w, size_t from, size_t to) {
  std::string s;
  for (size_t i = from; i < to && i < w.size(); ++i) AppendChar(s, w[i].c);
  return s;
}

bool EqualsAscii(const std::vector<TChar>& w, size_t from, size_t to, std::string_view lowerWord) {
  if (to - from != lowerWord.size()) return false;
  for (size_t i = 0; i < lowerWord.size(); ++i) {
    char32_t c = w[from + i].c;
    if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
    if (c != static_cast<unsigned char>(lowerWord[i])) return false;
  }
  return true;
}

// Replaces every non-overlapping pair (a, b), left to right, by r.
bool ReplacePairs(std::vector<TChar>& w, char32_t a, char32_t b, char32_t r) {
  bool changed = false;
  size_t out = 0;
  for (size_t i = 0; i < w.size();) {
    if (i + 1 < w.size() && w[i].c == a && w[i + 1].c == b) {
      w[out++] = {r, w[i].pos};
      i += 2;
      changed = true;
    } else {
      w[out++] = w[i++];
    }
  }
  w.resize(out);
  return changed;
}

struct TFunctionName {
  std::string_view name;
  TTokenKind kind;
};
constexpr TFunctionName kFunctions[] = {
    {"sin", tkSin},       {"cos", tkCos},       {"ln", tkLn},         {"log", tkLog},
    {"exp", tkExp},       {"abs", tkAbs},       {"tan", tkTan},       {"sqrt", tkSqrt},
    {"arcsin", tkArcSin}, {"arccos", tkArcCos}, {"arctan", tkArcTan},
};

bool IsOperator(TTokenKind k) { return k >= tkSemicolon && k <= tkPower; }
bool IsFunction(TTokenKind k) { return k >= tkSin && k <= tkArcTan; }

// Splitting priority: ";" first, then "+", then "-", then "*" and "/"
// together (so that a/b*c is (a/b)*c, as everyone reads it), then "^".
int Priority(TTokenKind k) {
  switch (k) {
    case tkSemicolon:
      return 1;
    case tkPlus:
      return 2;
    case tkMinus:
      return 3;
    case tkDivide:
    case tkMultiply:
      return 4;
    case tkPower:
      return 5;
    default:
      return 99;
  }
}

bool Finite(double v) { return std::isfinite(v); }

}  // namespace

TParser::TParser() {
  tokens_.reserve(128);
  usedNames_.reserve(16);
  program_.reserve(128);
}

void TParser::SetFormula(std::string_view text) {
  formula_.assign(text);
  usedNames_.clear();
  tokens_.clear();
  program_.clear();
  quick_.code.clear();
  native_.Release();
  state_ = TState::Fresh;
  errorCode_ = 0;
  errorArgument_.clear();
  errorPosition_ = 0;
}

bool TParser::UsesName(std::string_view name) const {
  for (const auto& n : usedNames_)
    if (SameName(n, name)) return true;
  return false;
}

void TParser::Fail(int32_t code, std::string argument, int32_t position) {
  errorCode_ = code;
  errorArgument_ = std::move(argument);
  errorPosition_ = position;
}

bool TParser::Analyse() {
  errorCode_ = 0;
  errorArgument_.clear();
  errorPosition_ = 0;
  tokens_.clear();
  usedNames_.clear();
  program_.clear();
  quick_.code.clear();
  native_.Release();
  state_ = TState::AnalyseFailed;

  std::vector<TChar> w = Decode(formula_);
  if (w.size() > static_cast<size_t>(kMaxLength)) {
    Fail(peTooLong, std::to_string(kMaxLength), kMaxLength + 1);
    return false;
  }

  // Signs that follow each other collapse, until nothing changes.
  static constexpr char32_t kPairs[][3] = {
      {';', '+', ';'}, {'+', '-', '-'}, {'-', '+', '-'}, {'-', '-', '+'},
      {'+', '+', '+'}, {'*', '+', '*'}, {'/', '+', '/'}, {kDivisionSign, '+', kDivisionSign},
      {'^', '+', '^'},
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& p : kPairs) changed |= ReplacePairs(w, p[0], p[1], p[2]);
  }
  // A leading sign, or a sign right after "(": "+" goes, "-x" becomes "0-x".
  for (size_t i = 0; i < w.size();) {
    const bool start = i == 0 || w[i - 1].c == '(';
    if (start && w[i].c == '+') {
      w.erase(w.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (start && w[i].c == '-') {
      w.insert(w.begin() + static_cast<std::ptrdiff_t>(i), TChar{'0', w[i].pos});
      i += 2;
      continue;
    }
    ++i;
  }

  const char32_t sep = static_cast<unsigned char>(DecimalSeparator());
  const size_t n = w.size();
  auto at = [&](size_t i) -> char32_t { return i < n ? w[i].c : 0; };
  int32_t depth = 0;
  std::vector<int32_t> openPositions;
  size_t p = 0;
  while (p < n) {
    const char32_t c = w[p].c;
    TElemPile t;
    t.Level = depth;
    t.Position = w[p].pos;
    if (IsDigit(c) || c == sep) {
      // A number: digits and separators, then an optional exponent.
      const size_t start = p;
      std::string text;
      bool lastSep = false;
      while (p < n && (IsDigit(w[p].c) || w[p].c == sep)) {
        if (w[p].c == sep) {
          if (lastSep) {
            Fail(peBadNumber, ToUtf8(w, start, p + 1), w[start].pos);
            return false;
          }
          lastSep = true;
          text += '.';
        } else {
          lastSep = false;
          text += static_cast<char>(w[p].c);
        }
        ++p;
      }
      if (at(p) == 'E' || at(p) == 'e') {
        text += 'e';
        ++p;
        if (at(p) == '+' || at(p) == '-') text += static_cast<char>(w[p++].c);
        if (!IsDigit(at(p))) {
          Fail(peBadNumber, ToUtf8(w, start, p), w[start].pos);
          return false;
        }
        while (IsDigit(at(p))) text += static_cast<char>(w[p++].c);
      }
      double v = 0;
      const char* b = text.data();
      const char* e = b + text.size();
      auto r = std::from_chars(b, e, v);
      if (r.ec != std::errc() || r.ptr != e || !Finite(v)) {
        Fail(peBadNumber, ToUtf8(w, start, p), w[start].pos);
        return false;
      }
      t.Kind = tkNumber;
      t.Value = v;
      tokens_.push_back(std::move(t));
      continue;
    }
    if (!IsNameChar(c)) {
      switch (c) {
        case '(':
          if (++depth > kMaxDepth) {
            Fail(peTooDeep, std::to_string(kMaxDepth), w[p].pos);
            return false;
          }
          openPositions.push_back(w[p].pos);
          t.Kind = tkOpen;
          t.Level = depth;
          break;
        case ')':
          if (depth == 0) {
            Fail(peUnopened, ")", w[p].pos);
            return false;
          }
          openPositions.pop_back();
          t.Kind = tkClose;
          --depth;
          break;
        case '+':
          t.Kind = tkPlus;
          break;
        case '-':
          t.Kind = tkMinus;
          break;
        case '*':
          t.Kind = tkMultiply;
          break;
        case '/':
        case kDivisionSign:
          t.Kind = tkDivide;
          break;
        case ';':
          t.Kind = tkSemicolon;
          break;
        case '^':
          t.Kind = tkPower;
          break;
        default:
          Fail(peBadCharacter, Quote(c), w[p].pos);
          return false;
      }
      AppendChar(t.Text, c);
      ++p;
      if ((t.Kind == tkMultiply || t.Kind == tkDivide || t.Kind == tkSemicolon ||
           t.Kind == tkPower) &&
          at(p) == '-') {
        t.Negate = true;
        ++p;
      }
      tokens_.push_back(std::move(t));
      continue;
    }
    // A name: pi, a function (when "(" follows) or a variable.
    size_t end = p;
    while (end < n && IsNameChar(w[end].c)) ++end;
    if (EqualsAscii(w, p, end, "pi")) {
      t.Kind = tkNumber;
      t.Value = std::numbers::pi;
      t.Text = ToUtf8(w, p, end);
      tokens_.push_back(std::move(t));
      p = end;
      continue;
    }
    TTokenKind f = tkNone;
    for (const auto& fn : kFunctions)
      if (EqualsAscii(w, p, end, fn.name)) f = fn.kind;
    if (f != tkNone && at(end) == '(') {
      t.Kind = f;
      t.Text = ToUtf8(w, p, end);
      tokens_.push_back(std::move(t));
      p = end;
      continue;
    }
    if (f != tkNone && end < n) {
      // A function name followed by something else than "(": "sin x" is
      // reported at the blank, where the argument should have started.
      const char32_t next = w[end].c;
      const bool fine = next == '[' || next == ')' || next == '+' || next == '-' || next == '*' ||
                        next == '/' || next == kDivisionSign || next == ';' || next == '^';
      if (!fine) {
        Fail(peBadCharacter, Quote(next), w[end].pos);
        return false;
      }
    }
    // A variable, maybe with an index in brackets.
    t.Kind = tkVariable;
    t.Text = ToUtf8(w, p, end);
    const size_t nameStart = p;
    p = end;
    if (at(p) == '[') {
      t.Indexed = true;
      t.Absolute = true;
      ++p;
      if (at(p) == 'i' || at(p) == 'I') {
        t.Absolute = false;
        ++p;
      }
      bool negative = false, sign = false;
      if (at(p) == '+' || at(p) == '-') {
        negative = at(p) == '-';
        sign = true;
        ++p;
      }
      std::string digits;
      while (IsDigit(at(p))) digits += static_cast<char>(w[p++].c);
      long long idx = 0;
      if (!digits.empty()) {
        auto r = std::from_chars(digits.data(), digits.data() + digits.size(), idx);
        if (r.ec != std::errc() || idx > 2147483647LL) {
          Fail(peBadIndex, ToUtf8(w, nameStart, p), w[nameStart].pos);
          return false;
        }
      } else if (sign) {
        Fail(peBadIndex, ToUtf8(w, nameStart, p), w[nameStart].pos);
        return false;
      }
      if (at(p) != ']') {
        Fail(peMissingBracket, ToUtf8(w, nameStart, p), w[nameStart].pos);
        return false;
      }
      ++p;
      if (t.Absolute && digits.empty()) {
        Fail(peBadIndex, ToUtf8(w, nameStart, p), w[nameStart].pos);
        return false;
      }
      t.Index = static_cast<int32_t>(negative ? -idx : idx);
    }
    TVariableQuery q;
    q.Name = t.Text;
    q.Indexed = t.Indexed;
    q.Absolute = t.Absolute;
    q.Index = t.Index;
    q.Analysing = true;
    if (OnVariable) OnVariable(*this, q);
    // A name the owner knows is accepted even when it has no value right
    // now (for example a system not marked in this row): the evaluation
    // then says so, row by row.
    if (!q.Found && !q.IsConstant) {
      Fail(peUnknownName, t.Text, t.Position);
      return false;
    }
    t.Value = q.Found ? q.Value : 0.0;
    t.Tag = q.Tag;
    t.Address = q.Address;
    if (!UsesName(t.Text)) usedNames_.push_back(t.Text);
    tokens_.push_back(std::move(t));
  }
  if (depth > 0) {
    Fail(peUnclosed, "(", openPositions.back());
    return false;
  }
  if (tokens_.empty()) {
    Fail(peEmptyFormula, "", 0);
    return false;
  }
  state_ = TState::Analysed;
  return true;
}

// Builds the tree of the tokens by splitting at the operator of lowest
// priority and writes it out as a postfix program.  The walk uses its own
// stack, so a long chain such as 1+1+...+1 cannot overflow the machine stack.
bool TParser::Build() {
  state_ = TState::BuildFailed;
  program_.clear();
  quick_.code.clear();
  native_.Release();
  struct TFrame {
    int32_t lo, hi;   // token range [lo, hi)
    int32_t op = -1;  // token index of the operator
    int32_t stage = 0;
    size_t funcBegin = 0;  // functions of this node in `funcs`, outermost first
  };
  std::vector<TFrame> frames;
  std::vector<int32_t> funcs;
  frames.push_back({0, static_cast<int32_t>(tokens_.size())});
  int32_t depth = 0, maxDepth = 0;
  auto emit = [&](TInstr in, int32_t delta) {
    program_.push_back(in);
    depth += delta;
    if (depth > maxDepth) maxDepth = depth;
  };
  auto emitFunctions = [&](size_t begin, size_t end) {
    // Innermost (last peeled) first.
    for (size_t k = end; k > begin; --k) {
      const TElemPile& f = tokens_[static_cast<size_t>(funcs[k - 1])];
      TInstr in;
      in.Op = TOp::Function;
      in.Function = f.Kind;
      in.Position = f.Position;
      emit(in, 0);
    }
  };
  while (!frames.empty()) {
    TFrame& fr = frames.back();
    if (fr.stage == 0) {
      fr.funcBegin = funcs.size();
      int32_t lo = fr.lo, hi = fr.hi;
      // Strip enclosing parentheses and peel functions, as long as either applies.
      for (bool changed = true; changed;) {
        changed = false;
        while (hi - lo >= 2 && tokens_[lo].Kind == tkOpen && tokens_[hi - 1].Kind == tkClose &&
               tokens_[lo].Level == tokens_[hi - 1].Level) {
          const int32_t level = tokens_[lo].Level;
          bool inside = true;
          for (int32_t k = lo + 1; k < hi - 1 && inside; ++k) inside = tokens_[k].Level >= level;
          if (!inside) break;
          const int32_t pos = tokens_[lo].Position;
          ++lo;
          --hi;
          changed = true;
          if (lo >= hi) {
            Fail(peEmptyParentheses, "()", pos);
            return false;
          }
        }
        while (hi - lo >= 3 && IsFunction(tokens_[lo].Kind) && tokens_[lo + 1].Kind == tkOpen &&
               tokens_[hi - 1].Kind == tkClose && tokens_[hi - 1].Level == tokens_[lo + 1].Level) {
          const int32_t level = tokens_[lo + 1].Level;
          bool inside = true;
          for (int32_t k = lo + 2; k < hi && inside; ++k) inside = tokens_[k].Level >= level;
          if (!inside) break;
          funcs.push_back(lo);
          const int32_t pos = tokens_[lo].Position;
          lo += 2;
          --hi;
          changed = true;
          if (lo >= hi) {
            Fail(peNoArgument, tokens_[funcs.back()].Text, pos);
            return false;
          }
        }
      }
      // The operator: lowest level, then lowest priority, then rightmost.
      int32_t best = -1, bestLevel = 0, bestPrio = 0;
      for (int32_t k = hi - 1; k >= lo; --k) {
        const TElemPile& t = tokens_[k];
        if (!IsOperator(t.Kind)) continue;
        const int prio = Priority(t.Kind);
        if (best < 0 || t.Level < bestLevel || (t.Level == bestLevel && prio < bestPrio)) {
          best = k;
          bestLevel = t.Level;
          bestPrio = prio;
        }
      }
      if (best < 0) {
        if (hi - lo != 1 || (tokens_[lo].Kind != tkNumber && tokens_[lo].Kind != tkVariable)) {
          Fail(peMissingOperator, "", tokens_[lo].Position);
          return false;
        }
        const TElemPile& t = tokens_[lo];
        TInstr in;
        in.Position = t.Position;
        if (t.Kind == tkNumber) {
          in.Op = TOp::Number;
          in.Value = t.Value;
        } else {
          in.Op = TOp::Variable;
          in.Variable = lo;
          in.Address = t.Address;
        }
        emit(in, 1);
        emitFunctions(fr.funcBegin, funcs.size());
        funcs.resize(fr.funcBegin);
        frames.pop_back();
        continue;
      }
      const TElemPile& op = tokens_[best];
      if (op.Kind == tkSemicolon &&
          (funcs.size() == fr.funcBegin || tokens_[funcs.back()].Kind != tkArcTan)) {
        Fail(peSemicolon, op.Text, op.Position);
        return false;
      }
      if (best == lo || best == hi - 1) {
        Fail(peMissingOperand, op.Text, op.Position);
        return false;
      }
      fr.lo = lo;
      fr.hi = hi;
      fr.op = best;
      fr.stage = 1;
      frames.push_back({lo, best});
      continue;
    }
    if (fr.stage == 1) {
      fr.stage = 2;
      const int32_t lo = fr.op + 1, hi = fr.hi;
      frames.push_back({lo, hi});
      continue;
    }
    // Both operands are written: the operator, then the functions.
    const TElemPile& op = tokens_[fr.op];
    TInstr in;
    in.Negate = op.Negate;
    in.Position = op.Position;
    size_t funcEnd = funcs.size();
    switch (op.Kind) {
      case tkPlus:
        in.Op = TOp::Add;
        break;
      case tkMinus:
        in.Op = TOp::Sub;
        break;
      case tkMultiply:
        in.Op = TOp::Mul;
        break;
      case tkDivide:
        in.Op = TOp::Div;
        break;
      case tkPower:
        in.Op = TOp::Pow;
        break;
      default:
        // ";": the ArcTan peeled last takes both operands.
        in.Op = TOp::Atan2;
        in.Position = tokens_[funcs.back()].Position;
        --funcEnd;
        break;
    }
    emit(in, -1);
    emitFunctions(fr.funcBegin, funcEnd);
    funcs.resize(fr.funcBegin);
    frames.pop_back();
  }
  stack_.assign(static_cast<size_t>(maxDepth) + 1, 0.0);
  BuildQuick();
  state_ = TState::Built;
  return true;
}

bool TParser::Evaluate() {
  if (state_ == TState::Fresh && !Analyse()) return false;
  if (state_ == TState::AnalyseFailed || state_ == TState::BuildFailed) return false;
  if (state_ == TState::Analysed && !Build()) return false;
  // The quick machine answers whenever nothing can go wrong; otherwise the
  // checked program says what did.
  double v = RunQuick();
  errorCode_ = 0;
  errorArgument_.clear();
  errorPosition_ = 0;
  if (std::isnan(v) && !Run(v)) return false;
  lastValue_ = v;
  return true;
}

bool TParser::ApplyFunction(TTokenKind f, double& v, int32_t position) {
  const double x = v;
  double r = 0.0;
  int32_t code = 0;
  switch (f) {
    case tkSin:
      r = std::sin(radians_ ? x : DegToRad(x));
      code = peSin;
      break;
    case tkCos:
      r = std::cos(radians_ ? x : DegToRad(x));
      code = peCos;
      break;
    case tkTan:
      r = std::tan(radians_ ? x : DegToRad(x));
      code = peTan;
      break;
    case tkArcSin:
      code = peArcSin;
      r = std::fabs(x) > 1.0 ? NAN : std::asin(x);
      if (!radians_) r = RadToDeg(r);
      break;
    case tkArcCos:
      code = peArcCos;
      r = std::fabs(x) > 1.0 ? NAN : std::acos(x);
      if (!radians_) r = RadToDeg(r);
      break;
    case tkArcTan:
      code = peArcTan;
      r = std::atan(x);
      if (!radians_) r = RadToDeg(r);
      break;
    case tkLn:
      code = peLogarithm;
      r = x <= 0.0 ? NAN : std::log(x);
      break;
    case tkLog:
      code = peLogarithm;
      r = x <= 0.0 ? NAN : std::log10(x);
      break;
    case tkExp:
      code = peExp;
      r = std::exp(x);
      break;
    case tkAbs:
      r = std::fabs(x);
      break;
    case tkSqrt:
      code = peSqrt;
      r = x < 0.0 ? NAN : std::sqrt(x);
      break;
    default:
      code = peBadToken;
      r = NAN;
      break;
  }
  if (!Finite(r)) {
    Fail(code, "", position);
    return false;
  }
  v = r;
  return true;
}

bool TParser::ApplyBinary(const TInstr& in, double a, double b, double& out) {
  if (in.Negate) b = -b;
  double r = 0.0;
  int32_t code = peOverflow;
  switch (in.Op) {
    case TOp::Add:
      r = a + b;
      break;
    case TOp::Sub:
      r = a - b;
      break;
    case TOp::Mul:
      r = a * b;
      break;
    case TOp::Div:
      if (IsZero(b)) {
        Fail(peDivisionByZero, "", in.Position);
        return false;
      }
      r = a / b;
      break;
    case TOp::Pow:
      code = pePower;
      if (IsZero(b)) {
        r = 1.0;
      } else if (b == 2.0) {
        r = a * a;  // the common square, exact and without a call to pow
      } else if (a > 0.0) {
        r = std::pow(a, b);
      } else if (a == 0.0) {
        // 0 raised to a negative power would be a division by zero.
        r = b > 0.0 ? 0.0 : NAN;
      } else {
        const double whole = std::trunc(b);
        if (!IsZero(b - whole)) {
          Fail(peFractionalPower, "", in.Position);
          return false;
        }
        r = std::fabs(whole) > 2147483647.0 ? NAN : std::pow(a, whole);
      }
      break;
    case TOp::Atan2:
      code = peArcTan;
      r = std::atan2(a, b);
      if (!radians_) r = RadToDeg(r);
      break;
    default:
      code = peBadToken;
      r = NAN;
      break;
  }
  if (!Finite(r)) {
    Fail(code, "", in.Position);
    return false;
  }
  out = r;
  return true;
}

bool TParser::Query(const TInstr& in, double& value) {
  const TElemPile& t = tokens_[static_cast<size_t>(in.Variable)];
  TVariableQuery q;
  q.Name = t.Text;
  q.Indexed = t.Indexed;
  q.Absolute = t.Absolute;
  q.Index = t.Index;
  q.Tag = t.Tag;
  if (OnVariable) OnVariable(*this, q);
  if (!q.Found) {
    Fail(peUnknownValue, t.Text, t.Position);
    return false;
  }
  value = q.Value;
  return true;
}

bool TParser::Run(double& result) {
  double* const base = stack_.data();
  double* sp = base;
  for (const TInstr& in : program_) {
    switch (in.Op) {
      case TOp::Number:
        *sp++ = in.Value;
        break;
      case TOp::Variable: {
        double value = 0.0;
        if (in.Address != nullptr)
          value = *in.Address;
        else if (!Query(in, value))
          return false;
        if (!Finite(value)) {
          const TElemPile& t = tokens_[static_cast<size_t>(in.Variable)];
          Fail(std::isnan(value) ? peUnknownValue : peOverflow, t.Text, t.Position);
          return false;
        }
        *sp++ = value;
        break;
      }
      case TOp::Function:
        if (!ApplyFunction(in.Function, sp[-1], in.Position)) return false;
        break;
      case TOp::Add:
      case TOp::Sub:
      case TOp::Mul: {
        // The common operations in place; a result beyond the doubles is
        // the overflow ApplyBinary reports.
        const double b = in.Negate ? -sp[-1] : sp[-1];
        const double a = sp[-2];
        const double r = in.Op == TOp::Add ? a + b : in.Op == TOp::Sub ? a - b : a * b;
        if (!Finite(r)) {
          Fail(peOverflow, "", in.Position);
          return false;
        }
        --sp;
        sp[-1] = r;
        break;
      }
      default: {
        const double b = *--sp;
        const double a = *--sp;
        if (!ApplyBinary(in, a, b, *sp)) return false;
        ++sp;
        break;
      }
    }
  }
  result = sp > base ? sp[-1] : 0.0;
  return true;
}

std::string TParser::MessageOf(int32_t code, const std::string& arg) {
  switch (code) {
    case 0:
      return "";
    case 1:
      return "Une parenthèse ouverte n'a pas été fermée.";
    case 2:
      return "Une parenthèse fermée n'a pas été ouverte.";
    case 3:
      return "Paranthèses vides.";
    case 4:
      return "Nombre incorrect : " + arg;
    case 5:
      return "Le calcul d'un cosinus a échoué.";
    case 6:
      return "Le calcul d'un sinus a échoué.";
    case 7:
      return "Le calcul d'une tangente a échoué.";
    case 8:
      return "Le calcul d'un arc cosinus a échoué.";
    case 9:
      return "Le calcul d'un arc sinus a échoué.";
    case 10:
      return "Le calcul d'une arc tangente a échoué.";
    case 11:
      return "Calcul du logarithme d'un nombre négatif ou nul.";
    case 13:
      return "Calcul de la racine carrée d'un nombre négatif.";
    case 14:
      return "Division par zéro.";
    case 15:
      return "Calcul de la puissance fractionnaire d'un nombre négatif.";
    case 16:
      return "Le calcul d'une exponentielle a échoué.";
    case 17:
      return "Le calcul d'une puissance a échoué.";
    case 18:
      return "Chaîne de caractères vide";
    case 19:
      return "Le résultat d'un calcul est un nombre trop grand ou trop petit.";
    case 20:
      return "La formule contient une variable ou une constante inconnue : " + arg;
    case 21:
      return "La formule contient un caractère non autorisé ou inapproprié : " + arg;
    case 22:
      return "L'indice d'une variable ou d'une constante est placée entre crochets. L'indice entre "
             "crochets "
             "n'est pas reconnu. Variable ou constante d'indice incorrect : " +
             arg;
    case 23:
      return "Fonction sans argument.";
    case 24:
      return "Opérateur sans opérande(s) : " + arg;
    case 25:
      return "Opérandes sans opérateur.";
    case 26:
      return "La formule est vide.";
    case 28:
      return "Variable dont la valeur est inconnue : " + arg +
             ". Vérifier que la valeur initiale (" + arg + "[0] ou " + arg +
             "[1]) est déclarée dans le tableau des constantes.";
    case 29:
      return "L'indice d'une variable ou d'une constante est placé entre crochets. Le crochet "
             "fermant est "
             "absent ou mal placé. Variable ou constante concernée : " +
             arg;
    case 30:
      return "Utiliser le point virgule pour séparer les deux variables d'une fonction. Exemple : "
             "ArcTan(x;y).";
    case 31:
      return "Trop de parenthèses imbriquées (" + arg + " niveaux au plus).";
    case 32:
      return "La formule est trop longue (" + arg + " caractères au plus).";
    default:
      return "Erreur non répertoriée.";
  }
}

}  // namespace kinevo
