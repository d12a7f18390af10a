// kinevo-cli: headless commands for scripting, batch work and tests.
//
// This program is only a launcher: it answers --version itself and loads
// the commands (video decoding, documents, spreadsheets, graph pictures)
// from their module when a command runs.  So asking the version, as scripts
// and package tools do, loads none of the video or picture libraries and
// answers at once.
#include <dlfcn.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <string>

#include "cli/commands_module.h"
#include "core/common/install_layout.h"
#include "kinevo_version.h"

namespace {
// The module that holds a command: the video commands have a lighter one.
const char* ModuleFor(int argc, char** argv) {
  if (argc < 2) return kCliCommandsModule;
  const std::string command = argv[1];
  const bool video = std::any_of(std::begin(kCliVideoCommands), std::end(kCliVideoCommands),
                                 [&](const char* name) { return command == name; });
  return video ? kCliVideoModule : kCliCommandsModule;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--version" || std::string(argv[1]) == "version")) {
    std::cout << "Kinevo " << KINEVO_VERSION_STRING << "\n";
    return 0;
  }
  const std::string module = kinevo::LibraryFileFor(kinevo::ProgramFolder(), ModuleFor(argc, argv));
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::cerr << "kinevo-cli : le module des commandes n'a pas pu être chargé : " << module
              << "\nDétail : " << dlerror() << "\n";
    return 1;
  }
  using Entry = int (*)(int, char**);
  auto run = reinterpret_cast<Entry>(dlsym(handle, kCliEntryPoint));
  if (run == nullptr) {
    std::cerr << "kinevo-cli : le module « " << module << " » n'a pas d'entrée " << kCliEntryPoint
              << "\n";
    return 1;
  }
  // The module stays loaded until the process ends: its objects may be
  // destroyed at exit.
  return run(argc, argv);
}
