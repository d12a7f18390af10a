// kinevo-cli eval EXPR [NAME=VALUE ...]: evaluates an expression as the
// formulas do and prints its value, or the parser's message with the
// position of the problem.  Numbers use "." as decimal separator, both in
// the expression and in the output.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/common/number_format.h"
#include "core/formulas/parser.h"

namespace {

struct TNamedValue {
  std::string name;
  double value;
};

int Eval(const std::vector<std::string>& args) {
  bool degrees = false;
  std::vector<std::string> rest;
  for (const auto& a : args) {
    if (a == "--degres" || a == "--degrees")
      degrees = true;
    else
      rest.push_back(a);
  }
  if (rest.empty()) {
    std::cerr << "Usage : kinevo-cli eval EXPRESSION [NOM=VALEUR ...]\n";
    return 2;
  }
  std::vector<TNamedValue> values;
  for (size_t i = 1; i < rest.size(); ++i) {
    const auto eq = rest[i].find('=');
    double v = 0;
    if (eq == std::string::npos || eq == 0 || !kinevo::TextToFloat(rest[i].substr(eq + 1), v)) {
      std::cerr << "kinevo-cli eval : affectation incorrecte « " << rest[i]
                << " » (attendu NOM=VALEUR)\n";
      return 2;
    }
    values.push_back({rest[i].substr(0, eq), v});
  }
  kinevo::ScopedDecimalSeparator sep('.');
  kinevo::TParser parser;
  parser.SetRadians(!degrees);
  parser.OnVariable = [&values](const kinevo::TParser&, kinevo::TVariableQuery& q) {
    // The last assignment of a name wins.
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
      if (kinevo::SameName(it->name, q.Name)) {
        q.Found = true;
        q.IsConstant = true;
        q.Value = it->value;
        return;
      }
    }
  };
  parser.SetFormula(rest[0]);
  if (!parser.Evaluate()) {
    std::cerr << "Erreur " << parser.ErrorCode();
    if (parser.ErrorPosition() > 0) std::cerr << " à la position " << parser.ErrorPosition();
    std::cerr << " : " << parser.ErrorMessage() << "\n";
    return 1;
  }
  std::cout << kinevo::FloatToText(parser.LastValue(), 17, '.') << "\n";
  return 0;
}

kinevo::cli::Register reg("eval",
                          "eval EXPRESSION [NOM=VALEUR ...] [--degres]   calcule une expression",
                          Eval);

}  // namespace
