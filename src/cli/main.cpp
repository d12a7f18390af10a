// kinevo-cli: headless commands for scripting, batch work and tests.
// Output is plain text; errors go to stderr with a non-zero exit code.
#include <algorithm>
#include <iostream>

#include "cli/command.h"
#include "kinevo_version.h"

namespace kinevo::cli {
std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}
}  // namespace kinevo::cli

static void Usage(std::ostream& out) {
  out << "Usage : kinevo-cli COMMANDE [ARGUMENTS]\n\n"
      << "  --version   affiche la version\n";
  auto cmds = kinevo::cli::Registry();
  std::sort(cmds.begin(), cmds.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const auto& c : cmds) out << "  " << c.usage << "\n";
}

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage(std::cerr);
    return 2;
  }
  std::string cmd = argv[1];
  if (cmd == "--version" || cmd == "version") {
    std::cout << "Kinevo " << KINEVO_VERSION_STRING << "\n";
    return 0;
  }
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    Usage(std::cout);
    return 0;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& c : kinevo::cli::Registry()) {
    if (c.name == cmd) {
      try {
        return c.run(args);
      } catch (const std::exception& e) {
        std::cerr << "kinevo-cli : " << e.what() << "\n";
        return 1;
      }
    }
  }
  std::cerr << "kinevo-cli : commande inconnue « " << cmd << " »\n";
  Usage(std::cerr);
  return 2;
}
