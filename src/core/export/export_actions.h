#pragma once
// The export commands of the results window and of the formulas dialog:
// copy to the clipboard, save as a text file, send to a spreadsheet
// program.  Each reports to the user through the message dialog and
// changes nothing in the results.
#include <string>
#include <vector>

#include "core/common/user_dialog.h"
#include "core/export/export_services.h"
#include "core/export/table_export.h"

namespace kinevo {

inline constexpr const char* kExportErrorText =
    "L'unité de calcul a détecté une erreur. L'opération en cours est annulée.";

// Sets the text lines (and the HTML table of the matrix) as the clipboard's
// content, then tells how to paste them.
bool CopyTableToClipboard(const std::vector<std::string>& lines, const TTableMatrix& matrix,
                          IClipboard& clipboard, TUserDlg& dlg);

// What the save dialog of the text export shows.
struct TTextFileDialog {
  std::string title = "Exporter dans un fichier texte";
  std::string filter = "Texte séparé par des tabulations (*.txt)|.txt";
  // The same values for a spreadsheet, in one line per image.
  std::string csvFilter = "Valeurs séparées pour tableur (*.csv)|.csv";
  std::string fileName;  // the video's file name with the extension "txt"
  std::string defaultExt = "txt";
};
TTextFileDialog TextFileDialog(const std::string& videoFileName);
// The chosen name with its extension replaced by (or given) ".txt".
std::string WithTxtExtension(const std::string& path);
// Writes the lines to the chosen file (extension forced to ".txt") and
// reports success or failure.  A file that is one of `inputs` (the video,
// perhaps through a link of that name) is refused.
bool WriteTableTextFile(const std::vector<std::string>& lines, const std::string& chosen,
                        TUserDlg& dlg, const std::vector<std::string>& inputs = {});
// True when the chosen name asks for a CSV file (extension ".csv", any case).
bool IsCsvPath(const std::string& path);
// Writes the table as CSV (";" between fields when the decimal separator is
// ",", as French spreadsheets read it) and reports success or failure; the
// same refusals as the text file.
bool WriteTableCsvFile(const TExportTable& table, const std::string& path, TUserDlg& dlg,
                       const std::vector<std::string>& inputs = {});

// The temporary folder: $TMP, $TEMP, $TMPDIR, then /tmp.
std::string TemporaryFolder();
// A name for a new file in `folder`: `stem`.`ext`, or `stem` (2).`ext` ...
// when taken, so that a spreadsheet still open from an earlier export is
// never overwritten.
std::string UniqueFilePath(const std::string& folder, const std::string& stem,
                           const std::string& ext);

enum TSpreadsheetRoute { srWorkbook, srOpenDocument };

// Writes the matrix to a new file in the program's own folder under the
// temporary folder, named after the video, and opens it with the desktop's
// default program.  `exportFolder` empty means that folder.  The path
// written is returned in `written` (empty when nothing was written).
bool SendToSpreadsheet(TSpreadsheetRoute route, const TTableMatrix& matrix,
                       const std::string& videoFileName, ISpreadsheetWriter& writer,
                       IDesktop& desktop, TUserDlg& dlg, std::string* written = nullptr,
                       const std::string& exportFolder = {});

}  // namespace kinevo
