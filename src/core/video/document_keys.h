#pragma once
// The minimal key-value access that the view, the montage and the time base
// need to read and write their document sections.  The document object gives
// two functions over its INI file; tests give a map.
#include <functional>
#include <optional>
#include <string>

namespace kinevo {

// Value of `key` in `section`, or nothing when the key is missing.
using TKeyReader =
    std::function<std::optional<std::string>(const std::string& section, const std::string& key)>;
using TKeyWriter = std::function<void(const std::string& section, const std::string& key,
                                      const std::string& value)>;

// Integer of a key: the default when the key is missing or is not a whole
// number (as the private-profile services read integers).
long long ReadIntKey(const TKeyReader& read, const std::string& section, const std::string& key,
                     long long def);
// Boolean of a key: "1"/"0" in files, any non-zero integer reads as true.
bool ReadBoolKey(const TKeyReader& read, const std::string& section, const std::string& key,
                 bool def);

}  // namespace kinevo
