#pragma once
// A bridge plugin (a shared library of the plugins folder) loaded once and
// unloaded with its owner, with its entry points looked up by name.
#include <string>

namespace kinevo {

class TPluginModule {
 public:
  TPluginModule() = default;
  ~TPluginModule();
  TPluginModule(const TPluginModule&) = delete;
  TPluginModule& operator=(const TPluginModule&) = delete;

  // Loads `path` unless a module is loaded already; only a regular file is
  // tried, so that a folder or a device never reaches the loader.
  bool Load(const std::string& path);
  bool Loaded() const { return handle_ != nullptr; }
  explicit operator bool() const { return Loaded(); }

  // The entry point `name` as a pointer of `fn`'s type (null when missing).
  template <class Fn>
  void Resolve(Fn& fn, const char* name) const {
    fn = reinterpret_cast<Fn>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;

  void* handle_ = nullptr;
};

}  // namespace kinevo
