#pragma once
// The table exports as the windows call them: the values table of the
// results window and the table of the formulas dialog go to the clipboard
// (text and HTML), to a text file, to a spreadsheet program or to the data
// program.  The steps and messages live in core/export; this object brings
// the Qt services (clipboard, save dialog, desktop) and the program path and
// date of the exported text.
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/user_dialog.h"
#include "core/export/data_program.h"
#include "core/export/export_actions.h"
#include "core/export/export_services.h"
#include "core/export/table_export.h"

class QWidget;

namespace kinevo {}

namespace kinevo::gui {

// The system clipboard: plain text plus the HTML table.
class TQtClipboard : public IClipboard {
 public:
  bool SetTable(const std::string& text, const std::string& html) override;
};

// Files opened with the desktop's default program (a type without one is
// told apart with xdg-mime), programs started detached; a Windows program
// is started through wine when wine is installed.
class TQtDesktop : public IDesktop {
 public:
  TOpenResult OpenWithDefaultProgram(const std::string& path) override;
  bool CanStartProgram(const std::string& program) override;
  bool StartProgram(const std::string& program) override;
};

class TTableExporter {
 public:
  explicit TTableExporter(TUserDlg& dlg, QWidget* parent = nullptr);

  // The message dialog every step reports through.
  void SetDialog(TUserDlg& dlg) { dlg_ = &dlg; }

  // Services, replaceable by tests; by default the real ones.
  IClipboard* Clipboard;
  IDesktop* Desktop;
  // The save dialog: answers the chosen path, empty when cancelled.
  std::function<QString(QWidget* parent, const QString& title, const QString& proposed,
                        const QString& filter)>
      ChooseSaveFile;
  // Where spreadsheet files go; empty for the program's folder under the
  // temporary folder.
  std::string SpreadsheetFolder;

  // The seven kinds of lines, with this program's path and the date.
  std::vector<std::string> TextOf(const TExportTable& table) const;

  // "Copier le tableau dans le presse-papier".
  bool Copy(const TExportTable& table);
  // "Exporter": the save dialog, then the ".txt" file, or the ".csv" file
  // when that is the name chosen.
  bool SaveAsText(const TExportTable& table, const std::string& videoFileName);
  // "Copier et lancer" → "Excel" / "OpenOffice".  `written` receives the
  // path of the file written, if any.
  bool SendToSpreadsheet(TSpreadsheetRoute route, const TExportTable& table,
                         const std::string& videoFileName, std::string* written = nullptr);
  // "Copier et lancer" → "Regressi".  `openSearch` opens the file search
  // window on the mask it is given; the file chosen there is to be stored
  // with RememberDataProgram.
  THandOverResult SendToDataProgram(const TExportTable& table, ISettingsStore& settings,
                                    const std::function<void(const std::string& mask)>& openSearch);

 private:
  TUserDlg* dlg_;
  QWidget* parent_;
  TQtClipboard clipboard_;
  TQtDesktop desktop_;
};

}  // namespace kinevo::gui
