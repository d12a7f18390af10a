#pragma once
// Hand-over of a table to the physics data program Regressi: the program is
// located through its settings entry (or searched for), the table goes to
// the clipboard without its date line, and the program is started; the user
// then pastes the table into it.
#include <functional>
#include <string>
#include <vector>

#include "core/common/settings_store.h"
#include "core/common/user_dialog.h"
#include "core/export/export_services.h"

namespace kinevo {

inline constexpr const char* kDataProgramSection = "ResultsForm";
inline constexpr const char* kDataProgramKey = "Regressi";
inline constexpr const char* kDataProgramSearchMask = "Regressi.exe|Regressi.exe";
// More columns than this are not reliably received.
inline constexpr int kDataProgramMaxColumns = 16;

// The program named by the settings entry when that file exists and is
// called "Regressi.exe" (in any case); empty otherwise.
std::string LocateDataProgram(const ISettingsStore& settings);
// Stores the program the user found with the file search.
TStatus RememberDataProgram(ISettingsStore& settings, const std::string& path);

// Whether a tab-separated line has an empty field (between two tabs, or at
// either end), and the line with every such field replaced by "0".
bool HasUndefinedValue(const std::string& line);
std::string WithUndefinedAsZero(const std::string& line);

enum THandOverResult { hoStarted, hoNotFound, hoCancelled, hoFailed };

// `lines` is the TableText of the table, `columns` its number of exported
// columns.  When the program is not found, the settings entry is cleared
// and, if the user agrees, `openSearch` opens the file search window on
// kDataProgramSearchMask; the file chosen there is to be stored with
// RememberDataProgram.
THandOverResult HandToDataProgram(std::vector<std::string> lines, int columns,
                                  ISettingsStore& settings, IClipboard& clipboard,
                                  IDesktop& desktop, TUserDlg& dlg,
                                  const std::function<void(const std::string& mask)>& openSearch);

}  // namespace kinevo
