#include "core/export/export_actions.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/common/atomic_file.h"
#include "core/common/number_format.h"
#include "core/common/text_utils.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

// File names in the messages are blue, as in the file workflow's.
constexpr TColor kPathColor = 0xFF0000;

void ShowError(TUserDlg& dlg, const std::vector<std::string>& lines) {
  dlg.Show(icError, {{"Ok", btOk}}, lines);
}

// The program's own folder under the temporary folder, made private to the
// user; a link or a file in its place is refused.
TStatus MakeExportFolder(const std::string& folder) {
  std::error_code made;
  if (fs::create_directory(folder, made))
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, made);
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(folder, ec);
  if (ec || !fs::is_directory(st))
    return TError{"Le dossier " + folder + " n'a pas pu être créé.",
                  made ? made.message()
                  : ec ? ec.message()
                       : "un fichier ou un lien occupe sa place"};
  return {};
}

}  // namespace

bool CopyTableToClipboard(const std::vector<std::string>& lines, const TTableMatrix& matrix,
                          IClipboard& clipboard, TUserDlg& dlg) {
  if (!clipboard.SetTable(LinesText(lines), HtmlTable(matrix))) {
    ShowError(dlg, {kExportErrorText});
    return false;
  }
  dlg.Show(icInformation, {{"Ok", btOk}},
           {"Copie dans le presse-papier effectuée.",
            "Après avoir fermé cette fenêtre, ouvrir un logiciel et frapper au clavier "
            "simultanément Ctrl + V (ou menu Edition > Coller).",
            "Les éléments des colonnes sont séparés par des tabulations"});
  return true;
}

TTextFileDialog TextFileDialog(const std::string& videoFileName) {
  TTextFileDialog d;
  if (!videoFileName.empty())
    d.fileName = fs::path(videoFileName).filename().replace_extension("txt").string();
  return d;
}

std::string WithTxtExtension(const std::string& path) {
  return fs::path(path).replace_extension(".txt").string();
}

namespace {

// Written beside and renamed over, so that a failed save leaves an earlier
// file of that name as it was.
bool WriteExportFile(const std::string& path, const std::string& text,
                     const std::vector<std::string>& inputs, TUserDlg& dlg,
                     const std::vector<std::string>& done) {
  TStatus written = CheckOutputFile(path, inputs);
  if (written) written = WriteFileAtomically(path, text);
  if (!written) {
    std::vector<std::string> lines{kExportErrorText};
    for (auto& line : written.error().Lines()) lines.push_back(std::move(line));
    ShowError(dlg, lines);
    return false;
  }
  dlg.Show(icInformation, {{"Ok", btOk}}, done);
  return true;
}

}  // namespace

bool WriteTableTextFile(const std::vector<std::string>& lines, const std::string& chosen,
                        TUserDlg& dlg, const std::vector<std::string>& inputs) {
  return WriteExportFile(
      WithTxtExtension(chosen), LinesText(lines), inputs, dlg,
      {"Enregistrement dans un fichier texte effectué.", "Le fichier porte l'extension TXT."});
}

bool IsCsvPath(const std::string& path) {
  return LowerAscii(fs::path(path).extension().string()) == ".csv";
}

bool WriteTableCsvFile(const TExportTable& table, const std::string& path, TUserDlg& dlg,
                       const std::vector<std::string>& inputs) {
  return WriteExportFile(path, CsvText(table, DecimalSeparator()), inputs, dlg,
                         {"Enregistrement dans un fichier CSV effectué."});
}

std::string TemporaryFolder() {
  for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
    const char* v = std::getenv(name);
    std::error_code ec;
    if (v != nullptr && *v != '\0' && fs::is_directory(v, ec)) return v;
  }
  return "/tmp";
}

std::string UniqueFilePath(const std::string& folder, const std::string& stem,
                           const std::string& ext) {
  std::error_code ec;
  fs::path p = fs::path(folder) / (stem + "." + ext);
  for (int n = 2; fs::exists(fs::symlink_status(p, ec)) && n < 10000; ++n)
    p = fs::path(folder) / (stem + " (" + std::to_string(n) + ")." + ext);
  return p.string();
}

bool SendToSpreadsheet(TSpreadsheetRoute route, const TTableMatrix& matrix,
                       const std::string& videoFileName, ISpreadsheetWriter& writer,
                       IDesktop& desktop, TUserDlg& dlg, std::string* written,
                       const std::string& exportFolder) {
  if (written) written->clear();
  const bool workbook = route == srWorkbook;
  auto fail = [&](const std::string& message, const std::vector<std::string>& details) {
    std::vector<std::string> lines;
    if (workbook)
      lines = {"Une erreur a été détectée.", "La connection avec Excel n'a pas été établie."};
    else
      lines = {message};
    for (const auto& detail : details)
      if (!detail.empty()) lines.push_back(detail);
    ShowError(dlg, lines);
    return false;
  };
  const std::string folder =
      exportFolder.empty() ? (fs::path(TemporaryFolder()) / "Kinevo").string() : exportFolder;
  if (const TStatus made = MakeExportFolder(folder); !made)
    return fail("L'écriture dans une cellule a échouée.", made.error().Lines());
  std::string stem = fs::path(videoFileName).stem().string();
  if (stem.empty()) stem = "Kinevo";
  const std::string path = UniqueFilePath(folder, stem, writer.Extension());
  if (const TStatus saved = writer.Write(matrix, path); !saved)
    return fail("L'écriture dans une cellule a échouée.", saved.error().Lines());
  if (written) *written = path;
  switch (desktop.OpenWithDefaultProgram(path)) {
    case orOpened:
      return true;
    case orNoProgram:
      dlg.Icon = icWarning;
      dlg.ClearButtons();
      dlg.AddButton("Ok", btOk);
      dlg.AddLine("Aucun programme n'est associé à ce type de fichier sur cet ordinateur.");
      dlg.AddLine("Le tableau a été enregistré dans le fichier :");
      dlg.AddLine(path, lkKeepStart, kPathColor);
      dlg.Execute();
      return false;
    case orFailed:
    default:
      return fail("Le tableur n'a pas pu être ouvert.", {path});
  }
}

}  // namespace kinevo
