// libFuzzer target for the expression parser: any bytes, as typed text, with
// both decimal separators, both angle units and a few known names.  The
// parser must answer with a value or an error code, never crash or hang.
#include "core/formulas/parser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/common/number_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  kinevo::ScopedDecimalSeparator sep((flags & 1) ? ',' : '.');
  kinevo::TParser p;
  p.SetRadians((flags & 2) != 0);
  p.OnVariable = [](const kinevo::TParser&, kinevo::TVariableQuery& q) {
    if (kinevo::SameName(q.Name, "x") || kinevo::SameName(q.Name, "v²")) {
      q.Found = true;
      q.IsConstant = true;
      q.Value = q.Indexed ? q.Index * 0.5 : 1.25;
    } else if (kinevo::SameName(q.Name, "y")) {
      q.IsConstant = true;  // known, but without a value
    }
  };
  p.SetFormula(text);
  for (int i = 0; i < 2; ++i) {
    const bool ok = p.Evaluate();
    if (ok != (p.ErrorCode() == 0)) std::abort();
    if (ok && !std::isfinite(p.LastValue())) std::abort();
    if (!ok && p.ErrorMessage().empty()) std::abort();
  }
  return 0;
}
