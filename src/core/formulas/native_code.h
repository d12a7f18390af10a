#pragma once
// Machine code for the formulas a model evaluates hundreds of thousands of
// times: straight-line x86-64 instructions on doubles (SSE2), written into
// memory that is made executable once written (never both at once).
//
// The function takes six doubles (in the processor's registers, as the
// system's calling convention passes them) and returns one; NaN means "ask
// the checked evaluator" (see TParser).  Registers: 0 to 5 hold the
// arguments, 6 the accumulator, 7 to 13 a stack of 7 values, 14 and 15 are
// scratch.  Where there is no such processor, nothing is compiled and the
// interpreter serves.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kinevo {

class TNativeCode {
 public:
  using TFunction = double (*)(double, double, double, double, double, double);

  TNativeCode() = default;
  ~TNativeCode() { Release(); }
  // Copies hold no code (their owner compiles again if it wants); moves
  // take it.
  TNativeCode(const TNativeCode&) {}
  TNativeCode& operator=(const TNativeCode&) {
    Release();
    return *this;
  }
  TNativeCode(TNativeCode&& other) noexcept { Take(other); }
  TNativeCode& operator=(TNativeCode&& other) noexcept {
    if (this != &other) {
      Release();
      Take(other);
    }
    return *this;
  }

  explicit operator bool() const { return function_ != nullptr; }
  double operator()(double a0, double a1, double a2, double a3, double a4, double a5) const {
    return function_(a0, a1, a2, a3, a4, a5);
  }
  void Release();

  // Whether this build can write machine code at all.
  static bool Supported();

 private:
  friend class TNativeWriter;
  struct TPages {
    void* at = nullptr;
    std::size_t size = 0;
  };
  static void Free(TPages& pages);
  void Take(TNativeCode& other) {
    function_ = other.function_;
    code_ = other.code_;
    pool_ = other.pool_;
    other.function_ = nullptr;
    other.code_ = {};
    other.pool_ = {};
  }
  TFunction function_ = nullptr;
  TPages code_;  // the instructions, executable
  TPages pool_;  // the numbers they read, read-only
};

// Writes one function, instruction by instruction, then makes it
// executable.  Operands are registers (0 to 15) or the address of a double.
class TNativeWriter {
 public:
  static constexpr int kArguments = 6;
  static constexpr int kAccumulator = 6;
  static constexpr int kStackBottom = 7;
  static constexpr int kStackTop = 13;

  enum class TArith : uint8_t { Add = 0x58, Mul = 0x59, Sub = 0x5C, Div = 0x5E };

  // Room for `constants` numbers kept with the code.
  explicit TNativeWriter(std::size_t constants);
  ~TNativeWriter() { TNativeCode::Free(pool_); }
  TNativeWriter(const TNativeWriter&) = delete;
  TNativeWriter& operator=(const TNativeWriter&) = delete;

  // False once anything failed (no memory, no more room for numbers):
  // Finish then gives no code.
  bool Good() const { return good_; }

  // A number kept with the code: the address to read it at (nullptr when
  // there is no more room).
  const double* Constant(double value);

  void Move(int to, int from);                      // to = from
  void Load(int to, const double* at);              // to = *at
  void Arith(TArith op, int to, int from);          // to = to op from
  void Arith(TArith op, int to, const double* at);  // to = to op *at
  void Negate(int reg);                             // reg = −reg
  // The function returns NaN unless 1e-100 ≤ |reg| ≤ the largest double.
  void BailUnlessDivisor(int reg);
  // The function returns NaN unless reg is finite.
  void BailUnlessFinite(int reg);
  void Return(int reg);

  // The written function, or none where memory could not be made
  // executable.
  TNativeCode Finish();

 private:
  // The fixed numbers at the start of the pool.
  enum : std::size_t { kAbsMask = 0, kSignMask = 2, kTiny = 4, kLargest = 5, kNaN = 6, kFixed = 8 };

  void Byte(uint8_t b) { code_.push_back(b); }
  void Sse(uint8_t prefix, uint8_t op, int reg, int rm, bool memory);
  void AddressInRax(const void* at);
  void BailIf(uint8_t condition);

  bool good_ = true;
  std::vector<uint8_t> code_;
  TNativeCode::TPages pool_;
  double* numbers_ = nullptr;  // pool_'s numbers: the fixed ones, then the constants
  std::size_t used_ = 0, room_ = 0;
  std::vector<std::size_t> bailFixups_;  // 32-bit jump offsets to the bail-out
};

}  // namespace kinevo
