#pragma once
// Commands of kinevo-cli register themselves here, one file per command.
#include <functional>
#include <string>
#include <vector>

namespace kinevo::cli {

using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct Command {
  std::string name;
  std::string usage;  // one line, shown by --help
  CommandFn run;
};

std::vector<Command>& Registry();

struct Register {
  Register(std::string name, std::string usage, CommandFn fn) {
    Registry().push_back({std::move(name), std::move(usage), std::move(fn)});
  }
};

}  // namespace kinevo::cli
