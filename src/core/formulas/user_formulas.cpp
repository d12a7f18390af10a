#include "core/formulas/user_formulas.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/common/text_utils.h"
#include "core/common/user_dialog.h"
#include "core/results/quantity.h"

namespace kinevo {

namespace {

constexpr int32_t kFarAway = -1073741823;  // a row no relative index can reach
constexpr int32_t kMaxRecords = 4096;      // records read from a document

std::string WithoutBlanks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
  return out;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the name character at s[i] (letters, digits, "_", "²", "³"), 0 if none.
size_t NameCharAt(const std::string& s, size_t i) {
  const char c = s[i];
  if (IsLetter(c) || IsDigit(c) || c == '_') return 1;
  if (static_cast<unsigned char>(c) == 0xC2 && i + 1 < s.size() &&
      (static_cast<unsigned char>(s[i + 1]) == 0xB2 ||
       static_cast<unsigned char>(s[i + 1]) == 0xB3))
    return 2;
  return 0;
}

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
}

// The parts of a typed identifier.
struct TIdentifierParts {
  std::string name;
  bool nameValid = false;
  bool brackets = false;
  bool bracketsValid = false;
  bool relative = false;  // i, i+k, i-k
  bool plainI = false;    // [i]
  int32_t k = 0;
};

TIdentifierParts ParseIdentifier(const std::string& typed) {
  TIdentifierParts r;
  std::string s = typed;
  for (size_t len = 0; len != s.size();) {
    len = s.size();
    ReplaceAll(s, "+-", "-");
    ReplaceAll(s, "-+", "-");
    ReplaceAll(s, "--", "+");
    ReplaceAll(s, "++", "+");
  }
  const size_t close = s.find(']');
  r.nameValid = !s.empty() && IsLetter(s[0]) &&
                (close == std::string::npos || close == s.size() - 1) &&
                s.find("[]") == std::string::npos;
  size_t i = 0;
  while (i < s.size()) {
    const size_t n = NameCharAt(s, i);
    if (n == 0) break;
    i += n;
  }
  r.name = s.substr(0, i);
  if (i == s.size()) return r;
  if (s[i] != '[') {
    r.nameValid = false;
    return r;
  }
  r.brackets = true;
  size_t p = i + 1;
  auto digitsThenClose = [&](size_t from, bool negative) {
    size_t q = from;
    while (q < s.size() && IsDigit(s[q])) ++q;
    if (q == from || q + 1 != s.size() || s[q] != ']') return false;
    long long v = 0;
    if (!TextToInt(std::string_view(s).substr(from, q - from), v) || v > 2147483647LL) return false;
    r.k = static_cast<int32_t>(negative ? -v : v);
    return true;
  };
  if (p < s.size() && (s[p] == 'i' || s[p] == 'I')) {
    r.relative = true;
    ++p;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
      r.bracketsValid = digitsThenClose(p + 1, s[p] == '-');
    } else if (p + 1 == s.size() && s[p] == ']') {
      r.plainI = true;
      r.bracketsValid = true;
    }
  } else {
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
    r.bracketsValid = digitsThenClose(p, negative);
  }
  return r;
}

bool ContainsName(const std::vector<std::string>& names, std::string_view n) {
  for (const auto& s : names)
    if (SameName(s, n)) return true;
  return false;
}

struct TTableName {
  const char* letters;
  int32_t quantity;
};
constexpr TTableName kPositionNames[] = {{"x", qtX}, {"y", qtY}};
constexpr TTableName kSpeedNames[] = {{"vx", qtVx}, {"vy", qtVy}, {"v", qtV}};
constexpr TTableName kAccelerationNames[] = {{"ax", qtAx}, {"ay", qtAy}, {"a", qtA}};
constexpr TTableName kPolarNames[] = {{"O", qtTheta}, {"R", qtR}, {"w", qtOmega}};

}  // namespace

bool IsNameWithSystem(std::string_view name, std::string_view letters, int32_t systems,
                      int32_t* system) {
  if (name.size() < letters.size() || !SameName(name.substr(0, letters.size()), letters))
    return false;
  const std::string_view rest = name.substr(letters.size());
  int32_t s = 1;
  if (!rest.empty()) {
    if (rest[0] == '0' || rest.size() > 9) return false;
    s = 0;
    for (char c : rest) {
      if (!IsDigit(c)) return false;
      s = s * 10 + (c - '0');
    }
    if (s < 1 || s > systems) return false;
  }
  if (system) *system = s - 1;
  return true;
}

std::string TRec::FormulaText() const {
  return TypedIdentifier.empty() ? Phrase : TypedIdentifier + "=" + Phrase;
}

TFormules::TFormules() {
  formulas_.reserve(128);
  constants_.reserve(128);
  parser_.OnVariable = [this](const TParser&, TVariableQuery& q) { ResolveVariable(q); };
  parser_.SetRadians(settings_.radians);
}

void TFormules::SetSettings(const TFormulaSettings& s) {
  const bool switches = s.speeds != settings_.speeds ||
                        s.accelerations != settings_.accelerations || s.polar != settings_.polar;
  const bool recompute =
      switches || s.radians != settings_.radians || s.startByZero != settings_.startByZero;
  settings_ = s;
  parser_.SetRadians(s.radians);
  if (switches) OnSwitchesChanged();
  if (recompute) ComputeAll();
}

// ---------------------------------------------------------------- records

void TFormules::SetIdentifier(TRec& r, std::string_view typed) {
  TEditGroup edit(*this);
  r.TypedIdentifier = WithoutBlanks(typed);
  r.Indexed = false;
  r.IndexOffset = 0;
  r.Brackets = false;
  r.IndexValid = true;
  if (r.TypedIdentifier.empty()) {
    r.Identifier.clear();
    r.NameValid = r.RecKind == rkFormula;
    if (r.RecKind == rkConstant) r.IndexText = "0";
    return;
  }
  const TIdentifierParts p = ParseIdentifier(r.TypedIdentifier);
  r.Identifier = p.name;
  r.NameValid = p.nameValid;
  r.Brackets = p.brackets;
  if (!p.brackets) {
    if (r.RecKind == rkConstant) r.IndexText = "0";
    return;
  }
  if (r.RecKind == rkFormula) {
    r.IndexValid = p.bracketsValid && p.relative;
    r.Indexed = r.IndexValid && !p.plainI;
    r.IndexOffset = r.Indexed ? p.k : 0;
  } else {
    r.IndexValid = p.bracketsValid && !p.relative;
    r.Indexed = r.IndexValid;
    r.IndexOffset = r.Indexed ? p.k : 0;
    r.IndexText = std::to_string(r.IndexOffset);
  }
}

void TFormules::SetFormulaText(TRec& r, std::string_view text) {
  TEditGroup edit(*this);
  const std::string s = WithoutBlanks(text);
  const size_t eq = s.find('=');
  if (eq == std::string::npos) {
    SetIdentifier(r, "");
    r.Phrase = s;
  } else {
    SetIdentifier(r, s.substr(0, eq));
    r.Phrase = s.substr(eq + 1);
  }
}

void TFormules::SetConstantValueText(TRec& r, std::string_view text) {
  TEditGroup edit(*this);
  std::string s = NormaliseDecimal(WithoutBlanks(text));
  double v = 0;
  if (TextToFloat(s, v) && std::isfinite(v)) {
    r.ConstValue = v;
    r.ValueText = s;
  } else {
    r.ConstValue = std::numeric_limits<double>::quiet_NaN();
    r.ValueText = kNotANumber;
  }
}

void TFormules::SetConstantIndexText(TRec& r, std::string_view text) {
  TEditGroup edit(*this);
  long long v = 0;
  const std::string s = WithoutBlanks(text);
  if (TextToInt(s, v) && v >= -2147483647LL && v <= 2147483647LL) {
    r.IndexOffset = static_cast<int32_t>(v);
    r.IndexText = std::to_string(v);
  } else {
    r.IndexOffset = 0;
    r.IndexText = "0";
    r.IndexValid = false;
  }
}

void TFormules::SetComment(TRec& r, std::string_view text) {
  TEditGroup edit(*this);
  const std::string s = std::string(TrimBlanks(text));
  r.Comment = s.empty() ? kNoComment : s;
}

void TFormules::SetUnit(TRec& r, std::string_view text) {
  TEditGroup edit(*this);
  const std::string s = std::string(TrimBlanks(text));
  r.UnitText = s.empty() ? kNoUnit : s;
}

int32_t TFormules::AddConstant(std::string_view typedIdentifier, std::string_view expression,
                               std::string_view unit, std::string_view valueText) {
  TEditGroup edit(*this);
  auto r = std::make_unique<TRec>();
  r->RecKind = rkConstant;
  SetIdentifier(*r, typedIdentifier);
  r->Phrase = WithoutBlanks(expression);
  SetUnit(*r, unit);
  if (r->Phrase.empty())
    SetConstantValueText(*r, valueText.empty() ? std::string_view("0") : valueText);
  r->ShowExpression = !r->Phrase.empty();
  constants_.push_back(std::move(r));
  return ConstantCount() - 1;
}

int32_t TFormules::AddFormula(std::string_view text, std::string_view comment,
                              std::string_view unit) {
  TEditGroup edit(*this);
  auto r = std::make_unique<TRec>();
  r->RecKind = rkFormula;
  SetFormulaText(*r, text);
  SetComment(*r, comment);
  SetUnit(*r, unit);
  r->Curve.Plotted = true;
  formulas_.push_back(std::move(r));
  return FormulaCount() - 1;
}

void TFormules::DeleteFormula(int32_t i) {
  TEditGroup edit(*this);
  if (i < 0 || i >= FormulaCount()) return;
  formulas_.erase(formulas_.begin() + i);
  if (abscissa_ == i)
    abscissa_ = -1;
  else if (abscissa_ > i)
    --abscissa_;
}

void TFormules::DeleteConstant(int32_t i) {
  TEditGroup edit(*this);
  if (i < 0 || i >= ConstantCount()) return;
  constants_.erase(constants_.begin() + i);
}

void TFormules::Clear() {
  TEditGroup edit(*this);
  formulas_.clear();
  constants_.clear();
  abscissa_ = -1;
}

// ---------------------------------------------------------------- names

bool TFormules::IsPredefinedName(std::string_view name) const {
  if (SameName(name, "t")) return true;
  const int32_t n = table_ ? table_->SystemsCount() : 1;
  auto any = [&](const auto& list) {
    for (const auto& e : list)
      if (IsNameWithSystem(name, e.letters, std::max(n, 1))) return true;
    return false;
  };
  return any(kPositionNames) || (settings_.speeds && any(kSpeedNames)) ||
         (settings_.accelerations && any(kAccelerationNames)) ||
         (settings_.polar && any(kPolarNames));
}

bool TFormules::ResolveTable(TVariableQuery& q, int32_t row) const {
  const int32_t rows = table_ ? table_->RowCount() : 0;
  const bool rowExists = row >= 0 && row < rows;
  if (SameName(q.Name, "t")) {
    q.IsConstant = true;
    if (rowExists) {
      q.Found = true;
      q.Value = table_->RowTime(row);
    }
    return true;
  }
  const int32_t n = table_ ? std::max(table_->SystemsCount(), 1) : 1;
  auto tryList = [&](const auto& list) {
    for (const auto& e : list) {
      int32_t s = 0;
      if (!IsNameWithSystem(q.Name, e.letters, n, &s)) continue;
      q.IsConstant = true;
      if (rowExists && s < table_->SystemsCount() && table_->HasValue(e.quantity, s, row)) {
        double v = table_->Value(e.quantity, s, row);
        if (e.quantity == qtTheta && !settings_.radians) v = RadToDeg(v);
        q.Found = true;
        q.Value = v;
        lastQuantity_ = e.quantity;
        lastSystem_ = s;
      }
      return true;
    }
    return false;
  };
  return tryList(kPositionNames) || (settings_.speeds && tryList(kSpeedNames)) ||
         (settings_.accelerations && tryList(kAccelerationNames)) ||
         (settings_.polar && tryList(kPolarNames));
}

void TFormules::ResolveVariable(TVariableQuery& q) const {
  const int32_t s = StartIndex();
  bool known = false;
  for (const auto& c : constants_) {
    if (c->Identifier.empty() || !SameName(c->Identifier, q.Name)) continue;
    known = true;
    bool match = false;
    if (!q.Indexed && !c->Indexed)
      match = true;
    else if (q.Indexed && c->Indexed && q.Absolute)
      match = q.Index == c->IndexOffset;
    else if (q.Indexed && c->Indexed)
      match = static_cast<int64_t>(currentRow_) + q.Index + s == c->IndexOffset;
    if (match) {
      q.Found = true;
      q.IsConstant = true;
      q.Value = c->ConstValue;
      return;
    }
  }
  // A name that only exists as indexed constants is known: the rows it
  // does not reach have no value.
  q.IsConstant = known;
  if (constantsOnly_) return;
  if (SameName(q.Name, "B")) {
    const double b = table_ ? table_->AxisAngle() : 0.0;
    q.Found = true;
    q.IsConstant = true;
    q.Value = settings_.radians ? b : RadToDeg(b);
    return;
  }
  const int64_t row64 = q.Indexed && q.Absolute
                            ? static_cast<int64_t>(q.Index) - s
                            : static_cast<int64_t>(currentRow_) + (q.Indexed ? q.Index : 0);
  const int32_t row = row64 < 0 || row64 > 2147483647 ? -1 : static_cast<int32_t>(row64);
  lastQuantity_ = qtTime;  // the time, exact, unless a quantity is read
  if (ResolveTable(q, row)) {
    if (lastQuantity_ != qtTime) Input({nullptr, lastQuantity_, lastSystem_, row}, q);
    return;
  }
  if (!formulaByName_.empty()) {
    auto it = formulaByName_.find(LowerAscii(q.Name));
    if (it != formulaByName_.end()) {
      ResolveFormula(*it->second, row, q);
      Input({it->second, 0, 0, row}, q);
    }
    return;
  }
  for (const auto& f : formulas_) {
    if (f->Identifier.empty() || !SameName(f->Identifier, q.Name)) continue;
    ResolveFormula(*f, row, q);
    Input({f.get(), 0, 0, row}, q);
    return;
  }
}

void TFormules::Input(TInput in, TVariableQuery& q) const {
  if (!q.Found || (!tracing_ && nudged_ < 0)) return;
  if (tracing_) {
    if (std::find(inputs_.begin(), inputs_.end(), in) != inputs_.end()) return;
    if (in.formula != nullptr) {
      const auto& u = in.formula->Curve.RowUncertainties;
      in.u = in.row >= 0 && in.row < static_cast<int32_t>(u.size()) ? u[in.row] : 0.0;
    } else {
      in.u = table_->Uncertainty(in.quantity, in.system, in.row);
      if (in.quantity == qtTheta && !settings_.radians) in.u = RadToDeg(in.u);
    }
    inputs_.push_back(in);
  } else if (inputs_[static_cast<size_t>(nudged_)] == in) {
    q.Value += nudge_;
  }
}

double TFormules::RowUncertainty() {
  inputs_.clear();
  tracing_ = true;
  parser_.Evaluate();
  tracing_ = false;
  double variance = 0.0;
  for (size_t k = 0; k < inputs_.size(); ++k) {
    const double u = inputs_[k].u;
    if (!(u > 0.0) || !std::isfinite(u)) continue;
    // A step small beside the uncertainty: the first-order slope.
    const double h = 1e-4 * u;
    nudged_ = static_cast<int>(k);
    nudge_ = h;
    const bool up = parser_.Evaluate();
    const double fUp = parser_.LastValue();
    nudge_ = -h;
    const bool down = parser_.Evaluate();
    const double fDown = parser_.LastValue();
    nudged_ = -1;
    if (!up || !down) return std::numeric_limits<double>::quiet_NaN();
    const double slope = (fUp - fDown) / (2.0 * h);
    variance += slope * slope * u * u;
  }
  return std::sqrt(variance);
}

// A formula's name is known even on the rows where it has no value.
void TFormules::ResolveFormula(const TRec& f, int32_t row, TVariableQuery& q) {
  q.IsConstant = true;
  const auto& c = f.Curve;
  if (row >= 0 && row < static_cast<int32_t>(c.RowValid.size()) &&
      c.RowValid[static_cast<size_t>(row)] == 0) {
    q.Found = true;
    q.Value = c.RowValues[static_cast<size_t>(row)];
  }
}

// ---------------------------------------------------------------- computing

int32_t TFormules::ComputeRecord(TRec& r) {
  return r.RecKind == rkConstant ? ComputeConstant(r) : ComputeFormula(r);
}

int32_t TFormules::ComputeFormula(TRec& r) {
  TCurve& c = r.Curve;
  parser_.SetFormula(r.Phrase);
  const int32_t rows = table_ ? table_->RowCount() : 0;
  c.RowValues.assign(static_cast<size_t>(rows), 0.0);
  c.RowValid.assign(static_cast<size_t>(rows), -1);
  const bool withU = table_ != nullptr && table_->HasUncertainties();
  c.RowUncertainties.assign(withU ? static_cast<size_t>(rows) : 0, 0.0);
  c.FirstRow = c.LastRow = -1;
  r.Dependencies.clear();
  const int32_t s = StartIndex();
  int32_t computed = 0;
  int32_t code = ckOk;
  if (rows - 1 < r.IndexOffset) {
    code = ckNoValue;
  } else {
    for (int32_t row = 0; row < rows; ++row) {
      currentRow_ = row - r.IndexOffset;
      if (!r.Identifier.empty()) {
        // An initial value given by an indexed constant fills the row.
        TVariableQuery q;
        q.Name = r.Identifier;
        q.Indexed = true;
        q.Absolute = true;
        q.Index = row + s;
        ResolveVariable(q);
        if (q.Found) {
          c.RowValues[static_cast<size_t>(row)] = q.Value;
          c.RowValid[static_cast<size_t>(row)] = std::isfinite(q.Value) ? 0 : -1;
          continue;
        }
      }
      if (parser_.Evaluate()) {
        c.RowValues[static_cast<size_t>(row)] = parser_.LastValue();
        c.RowValid[static_cast<size_t>(row)] = 0;
        if (withU) c.RowUncertainties[static_cast<size_t>(row)] = RowUncertainty();
        ++computed;
      } else if (parser_.TextFailed()) {
        break;
      }
    }
  }
  r.Dependencies = parser_.UsedNames();
  if (computed > 0) {
    c.Invalid = false;
    const int32_t n = 1 << 20;
    auto uses = [&](const TTableName* list, size_t count) {
      for (const auto& name : r.Dependencies)
        for (size_t k = 0; k < count; ++k)
          if (IsNameWithSystem(name, list[k].letters, n)) return true;
      return false;
    };
    c.UsesSpeed = uses(kSpeedNames, std::size(kSpeedNames));
    c.UsesAcceleration = uses(kAccelerationNames, std::size(kAccelerationNames));
    auto inherit = [&](const TRec& f) {
      c.UsesSpeed |= f.Curve.UsesSpeed;
      c.UsesAcceleration |= f.Curve.UsesAcceleration;
    };
    if (!formulaByName_.empty()) {
      for (const auto& name : r.Dependencies) {
        auto it = formulaByName_.find(LowerAscii(name));
        if (it != formulaByName_.end() && it->second != &r) inherit(*it->second);
      }
    } else {
      for (const auto& f : formulas_)
        if (f.get() != &r && !f->Identifier.empty() && ContainsName(r.Dependencies, f->Identifier))
          inherit(*f);
    }
    for (int32_t row = 0; row < rows; ++row) {
      if (c.RowValid[static_cast<size_t>(row)] != 0) continue;
      if (c.FirstRow < 0) c.FirstRow = row;
      c.LastRow = row;
    }
    lastMessage_.clear();
    return ckOk;
  }
  c.Invalid = true;
  c.Plotted = false;
  if (code == ckOk) code = ckParser;
  lastMessage_ = code == ckParser ? parser_.ErrorMessage() : CheckMessage(code, r.TypedIdentifier);
  return code;
}

int32_t TFormules::ComputeConstant(TRec& r) {
  if (r.Phrase.empty()) {
    r.Dependencies.clear();
    return r.ValueText == kNotANumber ? ckBadNumber : ckOk;
  }
  constantsOnly_ = true;
  currentRow_ = kFarAway;
  parser_.SetFormula(r.Phrase);
  const bool ok = parser_.Evaluate();
  constantsOnly_ = false;
  r.Dependencies = parser_.UsedNames();
  if (!ok) {
    r.ConstValue = std::numeric_limits<double>::quiet_NaN();
    r.ValueText = kNotANumber;
    lastMessage_ = parser_.ErrorMessage();
    return ckParser;
  }
  r.ConstValue = parser_.LastValue();
  r.ValueText = FormatNumber(0, r.ConstValue);
  return ckOk;
}

namespace {

// The order in which records are computed: a record after every record it
// uses.  Records that no cycle reaches go by depth, the most used first
// (then in list order); records in a cycle, and what they use, go before
// them, each after what it uses.  Linear in the records and their uses, so
// that thousands of formulas in one cycle cost no more than a list.
std::vector<size_t> ComputationOrder(const std::vector<std::string>& names,
                                     const std::vector<std::vector<std::string>>& deps) {
  const size_t n = names.size();
  std::unordered_map<std::string, size_t> byName;
  for (size_t k = 0; k < n; ++k) byName.emplace(LowerAscii(names[k]), k);
  std::vector<std::vector<size_t>> uses(n);  // uses[p]: the records p reads
  std::vector<size_t> users(n, 0);           // how many records read k
  for (size_t p = 0; p < n; ++p)
    for (const auto& d : deps[p]) {
      auto it = byName.find(LowerAscii(d));
      if (it == byName.end() || it->second == p) continue;
      if (std::find(uses[p].begin(), uses[p].end(), it->second) != uses[p].end()) continue;
      uses[p].push_back(it->second);
      ++users[it->second];
    }
  // From the records nobody reads down to what they use: depth = longest
  // chain of users above.
  std::vector<int32_t> depth(n, 0);
  std::vector<bool> placed(n, false);
  std::vector<size_t> ready;
  for (size_t k = 0; k < n; ++k)
    if (users[k] == 0) ready.push_back(k);
  while (!ready.empty()) {
    const size_t p = ready.back();
    ready.pop_back();
    placed[p] = true;
    for (size_t k : uses[p]) {
      depth[k] = std::max(depth[k], depth[p] + 1);
      if (--users[k] == 0) ready.push_back(k);
    }
  }
  // What is left is in a cycle or used by one: each after what it uses.
  std::vector<size_t> order;
  std::vector<uint8_t> state(n, 0);  // 0 new, 1 on the path, 2 done
  for (size_t root = 0; root < n; ++root) {
    if (placed[root] || state[root] != 0) continue;
    std::vector<std::pair<size_t, size_t>> path{{root, 0}};
    state[root] = 1;
    while (!path.empty()) {
      auto& [k, next] = path.back();
      if (next < uses[k].size()) {
        const size_t u = uses[k][next++];
        if (!placed[u] && state[u] == 0) {
          state[u] = 1;
          path.emplace_back(u, 0);
        }
        continue;
      }
      state[k] = 2;
      order.push_back(k);
      path.pop_back();
    }
  }
  std::vector<size_t> rest;
  for (size_t k = 0; k < n; ++k)
    if (placed[k]) rest.push_back(k);
  std::stable_sort(rest.begin(), rest.end(),
                   [&](size_t a, size_t b) { return depth[a] > depth[b]; });
  order.insert(order.end(), rest.begin(), rest.end());
  return order;
}

}  // namespace

void TFormules::ComputeList(std::vector<std::unique_ptr<TRec>>& list, bool constants) {
  const size_t n = list.size();
  if (!constants)
    for (const auto& f : formulas_)
      if (!f->Identifier.empty()) formulaByName_.emplace(LowerAscii(f->Identifier), f.get());
  std::vector<std::string> names(n);
  std::vector<std::vector<std::string>> deps(n);
  for (size_t k = 0; k < n; ++k) {
    TRec& r = *list[k];
    names[k] = r.Identifier.empty() ? "$" + std::to_string(k) : r.Identifier;
    if (r.Phrase.empty()) continue;
    constantsOnly_ = constants;
    currentRow_ = constants ? kFarAway : 0;
    parser_.SetFormula(r.Phrase);
    parser_.Evaluate();
    constantsOnly_ = false;
    deps[k] = parser_.UsedNames();
  }
  // Every record of the list is computed afresh: none may read a value left
  // from an earlier computation (formulas in a cycle then get no value
  // instead of each other's old ones).
  for (auto& r : list) {
    if (constants && !r->Phrase.empty()) {
      r->ConstValue = std::numeric_limits<double>::quiet_NaN();
      r->ValueText = kNotANumber;
    } else if (!constants) {
      std::fill(r->Curve.RowValid.begin(), r->Curve.RowValid.end(), -1);
    }
  }
  for (size_t k : ComputationOrder(names, deps)) ComputeRecord(*list[k]);
  formulaByName_.clear();
}

void TFormules::ComputeConstants() { ComputeList(constants_, true); }
void TFormules::ComputeFormulas() { ComputeList(formulas_, false); }

// ---------------------------------------------------------------- checks

std::string TFormules::CheckMessage(int32_t code, const std::string& a) {
  switch (code) {
    case ckOk:
      return "";
    case ckHiddenName:
      return "Nom de variable déjà utilisé dans une colonne cachée : " + a;
    case ckBadName:
      return "Un nom ne doit pas commencer par un chiffre et ne contient que des lettres ou des "
             "chiffres. "
             "Variable ou constante incorrecte : " +
             a;
    case ckNameUsed:
      return "Nom déjà utilisé (la comparaison ne tient pas compte de la casse). Variable ou "
             "constante répétée : " +
             a;
    case ckSamePhrase:
      return "Formules identiques détectées (la comparaison ne tient pas compte de la casse) : " +
             a + ".";
    case ckParser:
      return a;
    case ckBadIndex:
      return "L'indice d'une variable ou d'une constante est placée entre crochets. L'indice entre "
             "crochets n'est "
             "pas reconnu. Variable ou constante d'indice incorrect : " +
             a;
    case ckBadNumber:
      return "La chaîne de caractères doit être constituée d'un signe (facultatif), de chiffres, "
             "d'un séparateur "
             "décimal (facultatif), puis d'une mantisse (facultative).\nLa mantisse comprend « E » "
             "ou « e » suivi "
             "d'un signe (facultatif) et d'un nombre entier.";
    case ckPredefined:
      return "Nom identique à celui d'une variable prédéfinie (la comparaison ne tient pas compte "
             "de la casse). "
             "Variable concernée : " +
             a;
    case ckNoValue:
      return "Aucune valeur calculable (l'indice est probablement trop grand). Variable non "
             "calculable : " +
             a;
    default:
      return "Erreur non répertoriée.";
  }
}

int32_t TFormules::Show(int32_t code, const std::string& argument) {
  if (code == ckOk) return code;
  lastMessage_ = CheckMessage(code, argument);
  if (dlg_) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p = lastMessage_.find('\n'); p != std::string::npos;
         p = lastMessage_.find('\n', start)) {
      lines.push_back(lastMessage_.substr(start, p - start));
      start = p + 1;
    }
    lines.push_back(lastMessage_.substr(start));
    dlg_->Show(icError, {{"Ok", btOk}}, lines);
  }
  return code;
}

int32_t TFormules::CheckRecord(TRec& r) {
  lastMessage_.clear();
  const bool named = !r.TypedIdentifier.empty();
  if (named && !r.NameValid) return Show(ckBadName, r.TypedIdentifier);
  if (named && r.Brackets && !r.IndexValid) return Show(ckBadIndex, r.TypedIdentifier);
  if (named && IsPredefinedName(r.Identifier)) return Show(ckPredefined, r.TypedIdentifier);
  auto samePhrase = [&]() {
    if (r.Phrase.empty()) return false;
    for (const auto& f : formulas_)
      if (f.get() != &r && SameName(f->Phrase, r.Phrase)) return true;
    for (const auto& c : constants_)
      if (c.get() != &r && SameName(c->Phrase, r.Phrase)) return true;
    return false;
  };
  if (r.RecKind == rkFormula) {
    if (named) {
      for (const auto& f : formulas_)
        if (f.get() != &r && !f->Identifier.empty() && SameName(f->Identifier, r.Identifier))
          return Show(f->Curve.Expanded ? ckNameUsed : ckHiddenName, r.TypedIdentifier);
      for (const auto& c : constants_)
        if (SameName(c->TypedIdentifier, r.Identifier)) return Show(ckNameUsed, r.TypedIdentifier);
    }
    if (samePhrase()) return Show(ckSamePhrase, r.Phrase);
    const int32_t code = ComputeFormula(r);
    return Show(code, code == ckParser ? parser_.ErrorMessage() : r.TypedIdentifier);
  }
  for (const auto& f : formulas_)
    if (!f->Identifier.empty() && SameName(f->Identifier, r.TypedIdentifier))
      return Show(ckNameUsed, r.TypedIdentifier);
  for (const auto& c : constants_)
    if (c.get() != &r && SameName(c->TypedIdentifier, r.TypedIdentifier))
      return Show(ckNameUsed, r.TypedIdentifier);
  if (!r.Phrase.empty()) {
    if (samePhrase()) return Show(ckSamePhrase, r.Phrase);
    const int32_t code = ComputeConstant(r);
    return Show(code, code == ckParser ? parser_.ErrorMessage() : r.TypedIdentifier);
  }
  double v = 0;
  if (r.ValueText == kNotANumber || !TextToFloat(r.ValueText, v))
    return Show(ckBadNumber, r.ValueText);
  return ckOk;
}

// ---------------------------------------------------------------- columns

int32_t TFormules::PlottedCount() const { return static_cast<int32_t>(PlottedFormulas().size()); }

std::vector<int32_t> TFormules::PlottedFormulas() const {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < FormulaCount(); ++i)
    if (formulas_[static_cast<size_t>(i)]->Curve.Plotted &&
        !formulas_[static_cast<size_t>(i)]->Curve.Invalid)
      out.push_back(i);
  return out;
}

void TFormules::SetAbscissaFormula(int32_t i) {
  abscissa_ = (i >= 0 && i < FormulaCount() && !Formula(i).Curve.Invalid) ? i : -1;
}

const TCurve* TFormules::AbscissaCurve() const {
  return abscissa_ >= 0 && abscissa_ < FormulaCount() ? &Formula(abscissa_).Curve : nullptr;
}

std::vector<size_t> TFormules::PlottedRows(int32_t i) const {
  std::vector<size_t> rows;
  if (i < 0 || i >= FormulaCount()) return rows;
  const TCurve& c = Formula(i).Curve;
  const TCurve* ax = AbscissaCurve();
  for (size_t row = 0; row < c.RowValid.size(); ++row) {
    if (c.RowValid[row] != 0) continue;
    if (ax ? row >= ax->RowValid.size() || ax->RowValid[row] != 0
           : !table_ || static_cast<int32_t>(row) >= table_->RowCount())
      continue;
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::pair<double, double>> TFormules::FormulaPoints(int32_t i) const {
  std::vector<std::pair<double, double>> out;
  const TCurve* ax = AbscissaCurve();
  for (size_t row : PlottedRows(i)) {
    const double x = ax ? ax->RowValues[row] : table_->RowTime(static_cast<int32_t>(row));
    out.emplace_back(x, Formula(i).Curve.RowValues[row]);
  }
  return out;
}

std::vector<std::pair<double, double>> TFormules::FormulaPointUncertainties(int32_t i) const {
  std::vector<std::pair<double, double>> out;
  if (i < 0 || i >= FormulaCount()) return out;
  const std::vector<double>& uy = Formula(i).Curve.RowUncertainties;
  if (uy.empty()) return out;
  const TCurve* ax = AbscissaCurve();
  auto at = [](const std::vector<double>& u, size_t row) { return row < u.size() ? u[row] : 0.0; };
  for (size_t row : PlottedRows(i))
    out.emplace_back(ax ? at(ax->RowUncertainties, row) : 0.0, at(uy, row));
  return out;
}

bool TFormules::PlottedExtremes(double& xmin, double& xmax, double& ymin, double& ymax) const {
  bool any = false;
  xmin = ymin = 1e100;
  xmax = ymax = -1e100;
  for (int32_t i : PlottedFormulas()) {
    for (const auto& [x, y] : FormulaPoints(i)) {
      any = true;
      xmin = std::min(xmin, x);
      xmax = std::max(xmax, x);
      ymin = std::min(ymin, y);
      ymax = std::max(ymax, y);
    }
  }
  return any;
}

// ---------------------------------------------------------------- document

void TFormules::Save(IKeyWriter& write) const {
  // The sections are written whole: no record of a longer list is left behind.
  write.EraseSection("Formules");
  write.EraseSection("Record");
  write.WriteInteger("Formules", "FormulesNumber", static_cast<int64_t>(formulas_.size()));
  write.WriteInteger("Formules", "ConstantesNumber", static_cast<int64_t>(constants_.size()));
  for (size_t n = 0; n < formulas_.size(); ++n) {
    const TRec& r = *formulas_[n];
    const std::string k = "_" + std::to_string(n);
    write.WriteString("Record", "RecordFormuleIdentifier" + k, r.TypedIdentifier);
    write.WriteString("Record", "RecordFormulePhrase" + k, r.Phrase);
    write.WriteString("Record", "RecordFormuleComment" + k, r.Comment);
    write.WriteString("Record", "RecordFormuleUnit" + k, r.UnitText);
  }
  for (size_t n = 0; n < constants_.size(); ++n) {
    const TRec& r = *constants_[n];
    const std::string k = "_" + std::to_string(n);
    write.WriteString("Record", "RecordConstIdentifier" + k, r.TypedIdentifier);
    write.WriteString("Record", "RecordConstIndex" + k, r.IndexText);
    write.WriteString("Record", "RecordConstValue" + k,
                      r.Phrase.empty() ? r.ValueText : "=" + r.Phrase);
    write.WriteString("Record", "RecordConstUnit" + k, r.UnitText);
  }
}

void TFormules::Load(const IKeyReader& read) {
  TEditGroup edit(*this);
  Clear();
  auto count = [&](const char* key) {
    const int64_t v = read.ReadInt64("Formules", key, 0);
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kMaxRecords));
  };
  const int32_t nf = count("FormulesNumber");
  const int32_t nc = count("ConstantesNumber");
  for (int32_t n = 0; n < nc; ++n) {
    const std::string k = "_" + std::to_string(n);
    const std::string id = NormaliseDecimal(
        std::string(TrimBlanks(read.ReadString("Record", "RecordConstIdentifier" + k))));
    const std::string value =
        std::string(TrimBlanks(read.ReadString("Record", "RecordConstValue" + k)));
    const std::string unit =
        std::string(TrimBlanks(read.ReadString("Record", "RecordConstUnit" + k)));
    if (id.empty()) continue;
    if (!value.empty() && value[0] == '=')
      AddConstant(id, NormaliseDecimal(value.substr(1)), unit, "");
    else
      AddConstant(id, "", unit, NormaliseDecimal(value));
  }
  for (int32_t n = 0; n < nf; ++n) {
    const std::string k = "_" + std::to_string(n);
    const std::string id = NormaliseDecimal(
        std::string(TrimBlanks(read.ReadString("Record", "RecordFormuleIdentifier" + k))));
    const std::string phrase = NormaliseDecimal(
        std::string(TrimBlanks(read.ReadString("Record", "RecordFormulePhrase" + k))));
    if (phrase.empty()) continue;
    const std::string comment =
        std::string(TrimBlanks(read.ReadString("Record", "RecordFormuleComment" + k)));
    const std::string unit =
        std::string(TrimBlanks(read.ReadString("Record", "RecordFormuleUnit" + k)));
    AddFormula(id.empty() ? phrase : id + "=" + phrase, comment, unit);
  }
  ComputeAll();
}

}  // namespace kinevo
