#include "core/export/data_program.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "core/common/text_utils.h"
#include "core/export/table_export.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFirstDataLine = 6;
constexpr const char* kCannotStart = "Une erreur a été détectée. Impossible de lancer Regressi.";

bool IsProgramName(const std::string& name) { return SameName(name, "Regressi.exe"); }

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return out;
    start = tab + 1;
  }
}

void AskForSearch(ISettingsStore& settings, TUserDlg& dlg,
                  const std::function<void(const std::string&)>& openSearch) {
  // Forgetting a path that no longer works: the message below says what to do
  // whether or not the file could be written.
  (void)settings.Update(
      [](IKeyWriter& keys) { keys.WriteString(kDataProgramSection, kDataProgramKey, ""); });
  dlg.Icon = icWarning;
  dlg.ClearButtons();
  dlg.AddButton("Ok", btOk);
  dlg.AddButton("Annuler", btAnnuler);
  dlg.AddLine("La copie a été annulée car Regressi est introuvable.");
  dlg.AddLine("Veuillez suivre la procédure suivante :");
  dlg.AddLine("utilisez le bouton « Rechercher » dans la prochaine fenêtre", lkWrapIndent);
  dlg.AddLine("si la recherche est fructueuse, utilisez le bouton « Ouvrir »", lkWrapIndent);
  dlg.AddLine("Enfin, relancez la copie annulée (Edition > copier et lancer > Regressi).");
  if (dlg.Execute() == 0 && openSearch) openSearch(kDataProgramSearchMask);
}

}  // namespace

std::string LocateDataProgram(const ISettingsStore& settings) {
  std::string path;
  settings.Read([&path](const IKeyReader& keys) {
    path = keys.ReadString(kDataProgramSection, kDataProgramKey);
  });
  if (path.empty() || !IsProgramName(fs::path(path).filename().string())) return {};
  std::error_code ec;
  return fs::is_regular_file(path, ec) ? path : std::string();
}

TStatus RememberDataProgram(ISettingsStore& settings, const std::string& path) {
  return settings.Update(
      [&path](IKeyWriter& keys) { keys.WriteString(kDataProgramSection, kDataProgramKey, path); });
}

bool HasUndefinedValue(const std::string& line) {
  if (line.find('\t') == std::string::npos) return false;
  return line.front() == '\t' || line.back() == '\t' || line.find("\t\t") != std::string::npos;
}

std::string WithUndefinedAsZero(const std::string& line) {
  if (line.find('\t') == std::string::npos) return line;
  std::string out;
  const std::vector<std::string> fields = Fields(line);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += '\t';
    out += fields[i].empty() ? "0" : fields[i];
  }
  return out;
}

THandOverResult HandToDataProgram(std::vector<std::string> lines, int columns,
                                  ISettingsStore& settings, IClipboard& clipboard,
                                  IDesktop& desktop, TUserDlg& dlg,
                                  const std::function<void(const std::string& mask)>& openSearch) {
  const std::string program = LocateDataProgram(settings);
  if (program.empty()) {
    AskForSearch(settings, dlg, openSearch);
    return hoNotFound;
  }
  if (columns > kDataProgramMaxColumns &&
      dlg.Show(icWarning, {{"Annuler", btAnnuler}, {"Ok", btOk}},
               {"Regressi n'accepte pas un nombre élevé de variables (> 16).",
                "Le résultat du copier-coller risque d'être aléatoire."}) == 0)
    return hoCancelled;
  if (!desktop.CanStartProgram(program)) {
    dlg.Show(icError, {{"Ok", btOk}}, {kCannotStart});
    return hoFailed;
  }
  // Each line with an undefined value asks, until the user chooses to
  // substitute: from then on every following line is substituted too.
  bool substitute = false;
  for (std::size_t i = kFirstDataLine; i < lines.size(); ++i) {
    if (!substitute && HasUndefinedValue(lines[i]))
      substitute = dlg.Show(icConfirmation, {{"Continuer", btOk}, {"Substituer", btCustom}},
                            {"Le tableau contient des valeurs non définies.",
                             "Une version ancienne de Regressi risque de mal interpréter une de "
                             "ces valeurs.",
                             "Substituer les valeurs non définies par des zéros ?"}) == 1;
    if (substitute) lines[i] = WithUndefinedAsZero(lines[i]);
  }
  if (lines.size() > 1) lines[1].clear();
  const bool copied = clipboard.SetTable(LinesText(lines), {});
  if (!copied)
    dlg.Show(icError, {{"Ok", btOk}},
             {"Une erreur a été détectée. Regressi sera lancé sans les données."});
  if (!desktop.StartProgram(program)) {
    dlg.Show(icError, {{"Ok", btOk}}, {kCannotStart});
    return hoFailed;
  }
  // No channel tells the program to take the clipboard: the user pastes.
  if (copied)
    dlg.Show(icInformation, {{"Ok", btOk}},
             {"Regressi est lancé ; le tableau est dans le presse-papier.",
              "Dans Regressi, frapper au clavier simultanément Ctrl + V (ou menu Edition > "
              "Coller) pour y ajouter les données."});
  return hoStarted;
}

}  // namespace kinevo
