#include "core/video/document_keys.h"

#include "core/common/number_format.h"

namespace kinevo {

long long ReadIntKey(const TKeyReader& read, const std::string& section, const std::string& key,
                     long long def) {
  if (!read) return def;
  std::optional<std::string> text = read(section, key);
  long long v = 0;
  if (!text || !TextToInt(*text, v)) return def;
  return v;
}

bool ReadBoolKey(const TKeyReader& read, const std::string& section, const std::string& key,
                 bool def) {
  return ReadIntKey(read, section, key, def ? 1 : 0) != 0;
}

}  // namespace kinevo
