// The accumulator machine of the formulas (see TParser::TQuick).
#include <cmath>
#include <iterator>
#include <limits>

#include "core/formulas/parser.h"

namespace kinevo {

void TParser::BuildQuick() {
  std::vector<TQuick>& code = quick_.code;
  code.clear();
  bool busy = false;  // the accumulator holds a value
  for (std::size_t i = 0; i < program_.size(); ++i) {
    const TInstr& in = program_[i];
    const auto at = static_cast<int32_t>(i);
    switch (in.Op) {
      case TOp::Number:
      case TOp::Variable:
        if (in.Op == TOp::Variable && in.Address == nullptr)
          code.push_back({TQuickOp::Query, busy, at, nullptr});
        else
          code.push_back({busy ? TQuickOp::PushLoad : TQuickOp::Load, false, at,
                          in.Op == TOp::Number ? &in.Value : in.Address});
        busy = true;
        break;
      case TOp::Function:
        code.push_back({TQuickOp::Function, false, at, nullptr});
        break;
      case TOp::Add:
      case TOp::Sub:
      case TOp::Mul:
      case TOp::Div: {
        // A negated right operand moves into the operator: a + (−b) is
        // a − b, a · (−b) is −(a · b), exactly.
        TOp op = in.Op;
        if (in.Negate && op == TOp::Add)
          op = TOp::Sub;
        else if (in.Negate && op == TOp::Sub)
          op = TOp::Add;
        const int k = op == TOp::Add ? 0 : op == TOp::Sub ? 1 : op == TOp::Mul ? 2 : 3;
        // A right operand read directly was the last instruction written.
        if (code.back().Op == TQuickOp::PushLoad) {
          code.back().Op = static_cast<TQuickOp>(static_cast<int>(TQuickOp::AddL) + k);
        } else {
          code.push_back(
              {static_cast<TQuickOp>(static_cast<int>(TQuickOp::AddP) + k), false, at, nullptr});
        }
        if (in.Negate && (op == TOp::Mul || op == TOp::Div))
          code.push_back({TQuickOp::Neg, false, at, nullptr});
        break;
      }
      default: {
        // The common square: exactly a · a, as the checked program does it.
        const TQuick& right = code.back();
        if (in.Op == TOp::Pow && !in.Negate && right.Op == TQuickOp::PushLoad &&
            program_[static_cast<std::size_t>(right.Instr)].Op == TOp::Number &&
            *right.Operand == 2.0) {
          code.back() = {TQuickOp::Square, false, at, nullptr};
          break;
        }
        code.push_back({TQuickOp::Binary, false, at, nullptr});
        break;
      }
    }
  }
  code.push_back({TQuickOp::End, false, 0, nullptr});
}

namespace {

// A divisor the checked program accepts: neither zero (see IsZero) nor
// beyond the doubles, where a quotient would hide it.
bool GoodDivisor(double b) {
  const double m = std::fabs(b);
  return m >= 1e-100 && m <= std::numeric_limits<double>::max();
}

}  // namespace

// Each instruction jumps straight to the next one's code ("threaded"
// code): one indirect jump per instruction, each with its own history for
// the processor to predict, and no loop around them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
double TParser::RunQuick() {
  constexpr double kAsk = std::numeric_limits<double>::quiet_NaN();
  if (quick_.code.empty()) BuildQuick();
  static constexpr void* kCode[] = {&&Load,   &&PushLoad, &&Query,    &&Neg,  &&AddL, &&SubL,
                                    &&MulL,   &&DivL,     &&AddP,     &&SubP, &&MulP, &&DivP,
                                    &&Square, &&Binary,   &&Function, &&End};
  static_assert(std::size(kCode) == static_cast<std::size_t>(TQuickOp::End) + 1);
  double* sp = stack_.data();
  double acc = 0.0;
  const TQuick* q = quick_.code.data();
#define KINEVO_NEXT goto* kCode[static_cast<int>((++q)->Op)]
  goto* kCode[static_cast<int>(q->Op)];
Load:
  acc = *q->Operand;
  KINEVO_NEXT;
PushLoad:
  *sp++ = acc;
  acc = *q->Operand;
  KINEVO_NEXT;
Query : {
  double value = 0.0;
  if (!Query(program_[static_cast<std::size_t>(q->Instr)], value) || !std::isfinite(value))
    return kAsk;
  if (q->Push) *sp++ = acc;
  acc = value;
  KINEVO_NEXT;
}
Neg:
  acc = -acc;
  KINEVO_NEXT;
AddL:
  acc = acc + *q->Operand;
  KINEVO_NEXT;
SubL:
  acc = acc - *q->Operand;
  KINEVO_NEXT;
MulL:
  acc = acc * *q->Operand;
  KINEVO_NEXT;
DivL:
  if (!GoodDivisor(*q->Operand)) return kAsk;
  acc = acc / *q->Operand;
  KINEVO_NEXT;
AddP:
  acc = *--sp + acc;
  KINEVO_NEXT;
SubP:
  acc = *--sp - acc;
  KINEVO_NEXT;
MulP:
  acc = *--sp * acc;
  KINEVO_NEXT;
DivP:
  if (!GoodDivisor(acc)) return kAsk;
  acc = *--sp / acc;
  KINEVO_NEXT;
Square:
  acc = acc * acc;
  KINEVO_NEXT;
// The accumulator's address is never taken, so that it stays in a
// register.
Binary : {
  const double a = *--sp;
  double r = 0.0;
  if (!std::isfinite(a) || !std::isfinite(acc) ||
      !ApplyBinary(program_[static_cast<std::size_t>(q->Instr)], a, acc, r))
    return kAsk;
  acc = r;
  KINEVO_NEXT;
}
Function : {
  const TInstr& in = program_[static_cast<std::size_t>(q->Instr)];
  double r = acc;
  if (!std::isfinite(acc) || !ApplyFunction(in.Function, r, in.Position)) return kAsk;
  acc = r;
  KINEVO_NEXT;
}
#undef KINEVO_NEXT
End:
  // Sums, differences and products carry a value beyond the doubles to
  // the end; what could hide one was checked on the way.
  return std::isfinite(acc) ? acc : kAsk;
}
#pragma GCC diagnostic pop

}  // namespace kinevo

namespace kinevo {

bool TParser::CompileNative(std::span<const double* const> arguments) {
  native_.Release();
  if (!TNativeCode::Supported() || arguments.size() > TNativeWriter::kArguments) return false;
  if (state_ == TState::Fresh && !Analyse()) return false;
  if (state_ == TState::Analysed && !Build()) return false;
  if (state_ != TState::Built) return false;
  if (quick_.code.empty()) BuildQuick();
  using W = TNativeWriter;
  W w(program_.size());
  constexpr int acc = W::kAccumulator;
  int top = acc;  // the register of the stack's top value (acc: empty)
  // An operand: an argument's register (>= 0), or else an address.
  auto operand = [&](const TQuick& q, const double*& at) {
    const TInstr& in = program_[static_cast<std::size_t>(q.Instr)];
    if (in.Op == TOp::Number) {
      at = w.Constant(in.Value);
      return -1;
    }
    for (std::size_t k = 0; k < arguments.size(); ++k)
      if (arguments[k] == q.Operand) return static_cast<int>(k);
    at = q.Operand;
    return -1;
  };
  auto load = [&](const TQuick& q, int to) {
    const double* at = nullptr;
    const int reg = operand(q, at);
    if (reg >= 0)
      w.Move(to, reg);
    else
      w.Load(to, at);
  };
  auto arith = [&](W::TArith op, const TQuick& q) {
    const double* at = nullptr;
    const int reg = operand(q, at);
    if (op == W::TArith::Div) {
      // The divisor into a register, checked there.
      if (reg >= 0)
        w.Move(14, reg);
      else
        w.Load(14, at);
      w.BailUnlessDivisor(14);
      w.Arith(op, acc, 14);
    } else if (reg >= 0) {
      w.Arith(op, acc, reg);
    } else {
      w.Arith(op, acc, at);
    }
  };
  auto popped = [&](W::TArith op) {
    if (op == W::TArith::Div) w.BailUnlessDivisor(acc);
    w.Arith(op, top, acc);  // top = popped op acc, in that order
    w.Move(acc, top);
    --top;
  };
  for (const TQuick& q : quick_.code) {
    switch (q.Op) {
      case TQuickOp::PushLoad:
        if (++top > W::kStackTop) return false;
        w.Move(top, acc);
        [[fallthrough]];
      case TQuickOp::Load:
        load(q, acc);
        break;
      case TQuickOp::Neg:
        w.Negate(acc);
        break;
      case TQuickOp::AddL:
        arith(W::TArith::Add, q);
        break;
      case TQuickOp::SubL:
        arith(W::TArith::Sub, q);
        break;
      case TQuickOp::MulL:
        arith(W::TArith::Mul, q);
        break;
      case TQuickOp::DivL:
        arith(W::TArith::Div, q);
        break;
      case TQuickOp::AddP:
        popped(W::TArith::Add);
        break;
      case TQuickOp::SubP:
        popped(W::TArith::Sub);
        break;
      case TQuickOp::MulP:
        popped(W::TArith::Mul);
        break;
      case TQuickOp::DivP:
        popped(W::TArith::Div);
        break;
      case TQuickOp::Square:
        w.Arith(W::TArith::Mul, acc, acc);
        break;
      case TQuickOp::End:
        w.BailUnlessFinite(acc);
        w.Return(acc);
        break;
      default:  // asked names, functions, powers: the interpreter's
        return false;
    }
  }
  if (!w.Good()) return false;
  native_ = w.Finish();
  return static_cast<bool>(native_);
}

}  // namespace kinevo
