#pragma once
// The open and save dialogs of the file workflow, as Qt file dialogs.
#include <QString>
#include <string>

#include "core/app/file_workflow.h"

class QWidget;

namespace kinevo::gui {

// The workflow's filter "caption|patterns|caption|patterns" (patterns
// separated by ";") as Qt writes it: "caption (p1 p2);;caption (p)".
// `selected`, when given, receives the entry of `index` (counted from 1).
QString QtFileFilter(const std::string& filter, int index = 1, QString* selected = nullptr);

// Where a file dialog starts: the folder asked for, or without one the
// user's documents folder (from the XDG user directories).
QString StartFolder(const std::string& initialDir);

class TQtFileDialogs : public IFileDialogs {
 public:
  explicit TQtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::string OpenFile(const TFileDialogRequest& r) override;
  std::string SaveFile(const TFileDialogRequest& r) override;

 private:
  QWidget* parent_;
};

}  // namespace kinevo::gui
