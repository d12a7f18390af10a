#include "core/common/text_utils.h"

namespace kinevo {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the usual case, compared word by word
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = Lower(c);
  return out;
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = Upper(c);
  return out;
}

std::string FolderOf(std::string_view path) {
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string LowerExtension(std::string_view path) {
  const std::string name = FileNameOf(path);
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return {};
  return LowerAscii(std::string_view(name).substr(dot));
}

}  // namespace kinevo
