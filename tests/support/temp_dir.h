#pragma once
// A fresh folder in the temporary folder for one test, removed with its
// content (even read-only parts) when the object goes.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kinevo::test {

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "kinevo") {
    std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Creates an empty file and gives its path.
  std::string Touch(const std::string& name) const {
    std::ofstream(File(name)) << "";
    return File(name);
  }
  // Names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (auto& e : std::filesystem::directory_iterator(path_))
      n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  }

 private:
  std::string path_;
};

}  // namespace kinevo::test
