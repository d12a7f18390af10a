// Fuzzes the conversion of the old line-per-value documents.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/ini_file.h"
#include "core/document/kvo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(data[i]));
    }
  }
  lines.push_back(line);
  kinevo::TIniFile ini;
  kinevo::ConvertOldLayoutLines(lines, ini);
  (void)ini.Text();
  return 0;
}
