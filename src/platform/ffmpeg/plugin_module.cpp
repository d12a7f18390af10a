#include "platform/ffmpeg/plugin_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace kinevo {

TPluginModule::~TPluginModule() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool TPluginModule::Load(const std::string& path) {
  if (handle_ != nullptr) return true;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle_ != nullptr;
}

void* TPluginModule::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

}  // namespace kinevo
