#pragma once
// The [Formules] and [Record] sections of a document, through the INI file
// engine.
#include "core/common/ini_file.h"
#include "core/formulas/user_formulas.h"

namespace kinevo {

inline void SaveFormulas(const TFormules& f, TIniFile& ini) {
  ini.EraseSection("Formules");
  ini.EraseSection("Record");
  f.Save([&ini](const std::string& s, const std::string& k, const std::string& v) {
    ini.WriteString(s, k, v);
  });
}

inline void LoadFormulas(TFormules& f, const TIniFile& ini) {
  f.Load([&ini](const std::string& s, const std::string& k) { return ini.ReadString(s, k, ""); });
}

}  // namespace kinevo
