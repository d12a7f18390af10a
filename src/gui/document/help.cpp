#include "gui/document/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "core/common/install_layout.h"
#include "core/document/options.h"

namespace kinevo::gui {

std::string HelpFolder() {
  return HelpFolderFor(QCoreApplication::applicationDirPath().toStdString());
}

bool OpenHelp(TUserDlg& dialog) {
  return ShowHelp(
      HelpFolder(),
      [](const std::string& file) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file)));
      },
      dialog);
}

}  // namespace kinevo::gui
