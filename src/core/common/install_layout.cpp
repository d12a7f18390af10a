#include "core/common/install_layout.h"

#include <filesystem>
#include <system_error>

namespace kinevo {

namespace fs = std::filesystem;

namespace {

// The first of the two folders that exists, else the first; with a final '/'.
std::string FirstExisting(const fs::path& beside, const fs::path& installed) {
  std::error_code ec;
  fs::path chosen = beside;
  if (!fs::is_directory(beside, ec) && fs::is_directory(installed, ec)) chosen = installed;
  std::string s = chosen.lexically_normal().string();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

fs::path Base(const std::string& programFolder) {
  return programFolder.empty() ? fs::path(".") : fs::path(programFolder);
}

}  // namespace

std::string ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().string();
}

std::string PluginFolderFor(const std::string& programFolder) {
  const fs::path base = Base(programFolder);
  return FirstExisting(base / "KvoDll", base / ".." / "lib" / "kinevo" / "KvoDll");
}

std::string LibraryFileFor(const std::string& programFolder, const std::string& name) {
  const fs::path base = Base(programFolder);
  std::error_code ec;
  if (fs::exists(base / name, ec)) return (base / name).string();
  return (base / ".." / "lib" / "kinevo" / name).lexically_normal().string();
}

std::string HelpFolderFor(const std::string& programFolder) {
  const fs::path base = Base(programFolder);
  return FirstExisting(base / "Help", base / ".." / "share" / "kinevo" / "help");
}

}  // namespace kinevo
