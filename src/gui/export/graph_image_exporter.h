#pragma once
// "Exporter" and "Copier l'image dans le presse-papier" of the graph views:
// the graph goes to an SVG, PNG or BMP file, or to the clipboard as PNG and
// SVG at once (a drawing program takes the SVG and can take it apart).
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "core/common/user_dialog.h"
#include "core/export/graph_image_export.h"

class QWidget;

namespace kinevo {

class TGraphModel;

namespace gui {

class TGraphImageExporter {
 public:
  explicit TGraphImageExporter(TUserDlg& dlg, QWidget* parent = nullptr);

  // The save dialog: answers the chosen path, empty when cancelled, and
  // sets `filterIndex` to the filter chosen (from 0).  By default the Qt
  // file dialog.
  std::function<QString(QWidget* parent, const QString& title, const QString& proposed,
                        const QStringList& filters, int& filterIndex)>
      ChooseSaveFile;

  // `scaleBar`: the vector view's arrow scale is drawn into the picture.
  bool SaveAs(TGraphModel& model, const std::string& videoFileName, bool scaleBar);
  bool Copy(TGraphModel& model, bool scaleBar);

 private:
  TUserDlg& dlg_;
  QWidget* parent_;
};

}  // namespace gui
}  // namespace kinevo
