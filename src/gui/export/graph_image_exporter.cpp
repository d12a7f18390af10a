#include "gui/export/graph_image_exporter.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include "core/common/atomic_file.h"
#include "core/graph/graph_model.h"
#include "platform/qt/graph_image.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QString DefaultSaveDialog(QWidget* parent, const QString& title, const QString& proposed,
                          const QStringList& filters, int& filterIndex) {
  QFileDialog dialog(parent, title, proposed);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.value(0));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  filterIndex = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return dialog.selectedFiles().first();
}

// "caption (*.ext)|*.ext|..." as Qt's name filters: the captions.
QStringList NameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i < parts.size(); i += 2) out << parts[i];
  return out;
}

TGraphFileKind KindOf(TImageFormat f) { return f == ifPng ? gfPng : f == ifBmp ? gfBmp : gfSvg; }

}  // namespace

TGraphImageExporter::TGraphImageExporter(TUserDlg& dlg, QWidget* parent)
    : ChooseSaveFile(DefaultSaveDialog), dlg_(dlg), parent_(parent) {}

bool TGraphImageExporter::SaveAs(TGraphModel& model, const std::string& videoFileName,
                                 bool scaleBar) {
  const TImageFileDialog d = ImageFileDialog(videoFileName);
  QString proposed = Q(d.fileName);
  if (!videoFileName.empty()) proposed = QFileInfo(Q(videoFileName)).dir().filePath(proposed);
  int filterIndex = 0;
  const QString chosen =
      ChooseSaveFile(parent_, Q(d.title), proposed, NameFilters(d.filter), filterIndex);
  if (chosen.isEmpty()) return false;
  const std::string name = chosen.toUtf8().toStdString();
  const TImageFormat format = ChosenImageFormat(name, filterIndex);
  const QString path = Q(WithImageExtension(name, format));
  // The picture never replaces the video it is drawn from.
  TStatus written = CheckOutputFile(path.toStdString(), {videoFileName});
  if (written) {
    const TGraphOutputLook look(model, scaleBar, false);
    written = WriteGraphFile(model, path, KindOf(format));
  }
  ReportImageSaved(dlg_, written, format);
  return written.ok();
}

bool TGraphImageExporter::Copy(TGraphModel& model, bool scaleBar) {
  QByteArray svg, png;
  QImage image;
  {
    const TGraphOutputLook look(model, scaleBar, false);
    svg = GraphSvg(model);
    image = GraphImage(model);
  }
  QBuffer buffer(&png);
  const bool drawn = !svg.isEmpty() && !image.isNull() && buffer.open(QIODevice::WriteOnly) &&
                     image.save(&buffer, "PNG");
  QClipboard* clipboard = QGuiApplication::clipboard();
  const bool ok = drawn && clipboard != nullptr;
  if (ok) {
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setData(QStringLiteral("image/png"), png);
    data->setData(QStringLiteral("image/svg+xml"), svg);
    clipboard->setMimeData(data);
  }
  ReportImageCopied(dlg_, ok);
  return ok;
}

}  // namespace kinevo::gui
