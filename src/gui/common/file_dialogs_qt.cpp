#include "gui/common/file_dialogs_qt.h"

#include <QFileDialog>
#include <QStandardPaths>
#include <QStringList>

#include "gui/common/dialog_owner.h"

namespace kinevo::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

QString StartFolder(const std::string& initialDir) {
  if (!initialDir.empty()) return Q(initialDir);
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString QtFileFilter(const std::string& filter, int index, QString* selected) {
  const QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    // Qt reads the patterns from the entry's last parentheses.  A caption
    // that already shows them ("Fichier vidéo (*.avi)") gets them in Qt's
    // spelling in place of its own, not a second time.
    QString caption = parts[i].trimmed();
    if (caption.endsWith(')') && caption.lastIndexOf('(') > 0)
      caption = caption.left(caption.lastIndexOf('(')).trimmed();
    const QString entry = caption + " (" + patterns + ")";
    out << entry;
    if (i / 2 + 1 == index && selected != nullptr) *selected = entry;
  }
  return out.join(";;");
}

std::string TQtFileDialogs::OpenFile(const TFileDialogRequest& r) {
  QString selected;
  const QString filter = QtFileFilter(r.filter, r.filterIndex, &selected);
  QString start = StartFolder(r.initialDir);
  if (!r.fileName.empty()) start = start.isEmpty() ? Q(r.fileName) : start + "/" + Q(r.fileName);
  return QFileDialog::getOpenFileName(DialogOwner(parent_), Q(r.title), start, filter, &selected)
      .toStdString();
}

std::string TQtFileDialogs::SaveFile(const TFileDialogRequest& r) {
  QString selected;
  const QString filter = QtFileFilter(r.filter, r.filterIndex, &selected);
  QFileDialog d(DialogOwner(parent_), Q(r.title), StartFolder(r.initialDir), filter);
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setDefaultSuffix(Q(r.defaultExt));
  d.setOption(QFileDialog::DontConfirmOverwrite);  // the workflow asks itself
  if (!r.fileName.empty()) d.selectFile(Q(r.fileName));
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return "";
  return d.selectedFiles().first().toStdString();
}

}  // namespace kinevo::gui
