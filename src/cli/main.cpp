// kinevo-cli: headless commands for scripting, batch work and tests.
//
// This program is only a launcher: it answers --version itself and loads
// the commands (video decoding, documents, spreadsheets, graph pictures)
// from their module when a command runs.  So asking the version, as scripts
// and package tools do, loads none of the video or picture libraries and
// answers at once.
#include <dlfcn.h>

#include <iostream>
#include <string>

#include "cli/commands_module.h"
#include "core/common/install_layout.h"
#include "kinevo_version.h"

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--version" || std::string(argv[1]) == "version")) {
    std::cout << "Kinevo " << KINEVO_VERSION_STRING << "\n";
    return 0;
  }
  const std::string module = kinevo::LibraryFileFor(kinevo::ProgramFolder(), kCliCommandsModule);
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
