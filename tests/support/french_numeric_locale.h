#pragma once
// The process's numeric locale set to French ("," as decimal point) for the
// life of the object, as a French desktop sets it, then put back: the file
// writers must give the same bytes under it.  scripts/install-deps generates
// fr_FR.UTF-8; a machine without it fails the test rather than skip it.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace kinevo::test {

class FrenchNumericLocale {
 public:
  FrenchNumericLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
    active_ = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
    if (!active_)
      ADD_FAILURE() << "the locale fr_FR.UTF-8 is missing (scripts/install-deps generates it)";
  }
  ~FrenchNumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  FrenchNumericLocale(const FrenchNumericLocale&) = delete;
  FrenchNumericLocale& operator=(const FrenchNumericLocale&) = delete;

  // The locale is in force and prints numbers with a decimal comma.
  bool Active() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 0.5);
    return active_ && std::string(buf) == "0,5";
  }

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace kinevo::test
