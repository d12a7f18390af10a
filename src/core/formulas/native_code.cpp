#include "core/formulas/native_code.h"

#include <cstring>
#include <limits>

#if defined(__x86_64__) && defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#define KINEVO_NATIVE_CODE 1
#else
#define KINEVO_NATIVE_CODE 0
#endif

namespace kinevo {
namespace {

#if KINEVO_NATIVE_CODE
std::size_t PageRounded(std::size_t n) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (n + page - 1) / page * page;
}

bool Map(std::size_t size, void*& at, std::size_t& mapped) {
  mapped = PageRounded(size);
  at = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (at == MAP_FAILED) at = nullptr;
  return at != nullptr;
}
#endif

// Prefixes and opcodes of the SSE2 instructions written.
constexpr uint8_t kF2 = 0xF2, k66 = 0x66;
constexpr uint8_t kMovsd = 0x10, kMovapd = 0x28, kAndpd = 0x54, kXorpd = 0x57, kUcomisd = 0x2E;
// Conditions of the jumps (0F 8x): below (or unordered), above, parity (unordered).
constexpr uint8_t kBelow = 0x82, kAbove = 0x87, kParity = 0x8A;

}  // namespace

bool TNativeCode::Supported() { return KINEVO_NATIVE_CODE != 0; }

void TNativeCode::Free(TPages& pages) {
#if KINEVO_NATIVE_CODE
  if (pages.at != nullptr) munmap(pages.at, pages.size);
#endif
  pages = {};
}

void TNativeCode::Release() {
  Free(code_);
  Free(pool_);
  function_ = nullptr;
}

TNativeWriter::TNativeWriter(std::size_t constants) {
  room_ = kFixed + constants;
#if KINEVO_NATIVE_CODE
  good_ = Map(room_ * sizeof(double), pool_.at, pool_.size);
#else
  good_ = false;
#endif
  if (!good_) return;
  // mmap gives page-aligned memory: the masks are aligned as the packed
  // instructions that read them want (16 bytes).
  numbers_ = static_cast<double*>(pool_.at);
  const uint64_t abs = 0x7FFFFFFFFFFFFFFFull, sign = 0x8000000000000000ull;
  for (std::size_t k = 0; k < 2; ++k) {
    std::memcpy(&numbers_[kAbsMask + k], &abs, sizeof abs);
    std::memcpy(&numbers_[kSignMask + k], &sign, sizeof sign);
  }
  numbers_[kTiny] = 1e-100;
  numbers_[kLargest] = std::numeric_limits<double>::max();
  numbers_[kNaN] = std::numeric_limits<double>::quiet_NaN();
  used_ = kFixed;
}

const double* TNativeWriter::Constant(double value) {
  if (!good_ || used_ >= room_) {
    good_ = false;
    return nullptr;
  }
  numbers_[used_] = value;
  return &numbers_[used_++];
}

// [prefix] [REX] 0F op ModRM: a register and either a register or [rax].
void TNativeWriter::Sse(uint8_t prefix, uint8_t op, int reg, int rm, bool memory) {
  Byte(prefix);
  const uint8_t rex =
      static_cast<uint8_t>(0x40 | (reg >= 8 ? 4 : 0) | (!memory && rm >= 8 ? 1 : 0));
  if (rex != 0x40) Byte(rex);
  Byte(0x0F);
  Byte(op);
  Byte(static_cast<uint8_t>((memory ? 0x00 : 0xC0) | (reg & 7) << 3 | (memory ? 0 : rm & 7)));
}

void TNativeWriter::AddressInRax(const void* at) {
  Byte(0x48);  // movabs rax, imm64
  Byte(0xB8);
  const auto value = reinterpret_cast<uint64_t>(at);
  for (int k = 0; k < 8; ++k) Byte(static_cast<uint8_t>(value >> (8 * k)));
}

void TNativeWriter::Move(int to, int from) {
  if (to != from) Sse(k66, kMovapd, to, from, false);
}

void TNativeWriter::Load(int to, const double* at) {
  AddressInRax(at);
  Sse(kF2, kMovsd, to, 0, true);
}

void TNativeWriter::Arith(TArith op, int to, int from) {
  Sse(kF2, static_cast<uint8_t>(op), to, from, false);
}

void TNativeWriter::Arith(TArith op, int to, const double* at) {
  AddressInRax(at);
  Sse(kF2, static_cast<uint8_t>(op), to, 0, true);
}

void TNativeWriter::Negate(int reg) {
  AddressInRax(&numbers_[kSignMask]);
  Sse(k66, kXorpd, reg, 0, true);
}

void TNativeWriter::BailIf(uint8_t condition) {
  Byte(0x0F);
  Byte(condition);
  bailFixups_.push_back(code_.size());
  for (int k = 0; k < 4; ++k) Byte(0);
}

void TNativeWriter::BailUnlessDivisor(int reg) {
  BailUnlessFinite(reg);  // leaves |reg| in xmm15
  AddressInRax(&numbers_[kTiny]);
  Sse(k66, kUcomisd, 15, 0, true);
  BailIf(kBelow);  // smaller than 1e-100, or NaN
}

void TNativeWriter::BailUnlessFinite(int reg) {
  Move(15, reg);
  AddressInRax(&numbers_[kAbsMask]);
  Sse(k66, kAndpd, 15, 0, true);
  AddressInRax(&numbers_[kLargest]);
  Sse(k66, kUcomisd, 15, 0, true);
  BailIf(kAbove);
  BailIf(kParity);
}

void TNativeWriter::Return(int reg) {
  Move(0, reg);
  Byte(0xC3);
}

TNativeCode TNativeWriter::Finish() {
  TNativeCode out;
#if KINEVO_NATIVE_CODE
  if (!good_) return out;
  // The bail-out: NaN, for the checked evaluator to say why.
  const std::size_t bail = code_.size();
  Load(0, &numbers_[kNaN]);
  Byte(0xC3);
  for (std::size_t at : bailFixups_) {
    const auto offset =
        static_cast<int32_t>(static_cast<int64_t>(bail) - static_cast<int64_t>(at + 4));
    std::memcpy(&code_[at], &offset, sizeof offset);
  }
  void* code = nullptr;
  std::size_t size = 0;
  if (!Map(code_.size(), code, size)) return out;
  std::memcpy(code, code_.data(), code_.size());
  out.code_ = {code, size};
  out.pool_ = pool_;
  pool_ = {};
  // Written, then executable: never both.
  if (mprotect(code, size, PROT_READ | PROT_EXEC) != 0 ||
      mprotect(out.pool_.at, out.pool_.size, PROT_READ) != 0) {
    out.Release();
    return out;
  }
  out.function_ = reinterpret_cast<TNativeCode::TFunction>(code);
#endif
  return out;
}

}  // namespace kinevo
