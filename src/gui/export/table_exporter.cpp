#include "gui/export/table_exporter.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMimeData>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "platform/spreadsheet/ods_writer.h"
#include "platform/spreadsheet/xlsx_writer.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

bool IsWindowsProgram(const QString& program) {
  return program.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
}

QString DefaultSaveDialog(QWidget* parent, const QString& title, const QString& proposed,
                          const QString& filter) {
  QFileDialog dialog(parent, title, proposed, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  // A name typed without extension takes the one of the type chosen.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    const QString suffix = f.section(QStringLiteral("*."), 1).section(QLatin1Char(')'), 0, 0);
    if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace

bool TQtClipboard::SetTable(const std::string& text, const std::string& html) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  auto* data = new QMimeData;
  data->setText(Q(text));
  if (!html.empty()) data->setHtml(Q(html));
  clipboard->setMimeData(data);
  return true;
}

TOpenResult TQtDesktop::OpenWithDefaultProgram(const std::string& path) {
  const QString file = Q(path);
  // The desktop opener starts even when no program handles the type, so the
  // handler is looked up first.
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  // Without the desktop's tools nothing can open the file.
  if (xdgMime.isEmpty() && QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
    return orNoProgram;
  if (!xdgMime.isEmpty()) {
    const QString type = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (query.waitForFinished(5000) && query.exitStatus() == QProcess::NormalExit &&
        query.readAllStandardOutput().trimmed().isEmpty())
      return orNoProgram;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file)) ? orOpened : orFailed;
}

bool TQtDesktop::CanStartProgram(const std::string& program) {
  const QString p = Q(program);
  if (IsWindowsProgram(p))
    return !QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty() &&
           QFileInfo(p).isFile();
  return QFileInfo(p).isExecutable();
}

bool TQtDesktop::StartProgram(const std::string& program) {
  const QString p = Q(program);
  const QString dir = QFileInfo(p).absolutePath();
  if (IsWindowsProgram(p)) {
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    return !wine.isEmpty() && QProcess::startDetached(wine, {p}, dir);
  }
  return QProcess::startDetached(p, {}, dir);
}

TTableExporter::TTableExporter(TUserDlg& dlg, QWidget* parent)
    : Clipboard(&clipboard_),
      Desktop(&desktop_),
      ChooseSaveFile(DefaultSaveDialog),
      dlg_(&dlg),
      parent_(parent) {}

std::vector<std::string> TTableExporter::TextOf(const TExportTable& table) const {
  const QString now = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
  return TableText(table, S(QDir::toNativeSeparators(QCoreApplication::applicationFilePath())),
                   S(now));
}

bool TTableExporter::Copy(const TExportTable& table) {
  return CopyTableToClipboard(TextOf(table), TableMatrix(table), *Clipboard, *dlg_);
}

bool TTableExporter::SaveAsText(const TExportTable& table, const std::string& videoFileName) {
  const std::vector<std::string> lines = TextOf(table);
  const TTextFileDialog d = TextFileDialog(videoFileName);
  QString proposed = Q(d.fileName);
  if (!videoFileName.empty() && !proposed.isEmpty())
    proposed = QFileInfo(Q(videoFileName)).dir().filePath(proposed);
  // Each filter's caption holds its pattern already.
  const QString filter = Q(d.filter).section(QLatin1Char('|'), 0, 0) + QStringLiteral(";;") +
                         Q(d.csvFilter).section(QLatin1Char('|'), 0, 0);
  const QString chosen = ChooseSaveFile(parent_, Q(d.title), proposed, filter);
  if (chosen.isEmpty()) return false;
  if (IsCsvPath(S(chosen))) return WriteTableCsvFile(table, S(chosen), *dlg_, {videoFileName});
  return WriteTableTextFile(lines, S(chosen), *dlg_, {videoFileName});
}

bool TTableExporter::SendToSpreadsheet(TSpreadsheetRoute route, const TExportTable& table,
                                       const std::string& videoFileName, std::string* written) {
  TXlsxWriter workbook;
  TOdsWriter openDocument;
  ISpreadsheetWriter& writer =
      route == srWorkbook ? static_cast<ISpreadsheetWriter&>(workbook) : openDocument;
  return kinevo::SendToSpreadsheet(route, TableMatrix(table), videoFileName, writer, *Desktop,
                                   *dlg_, written, SpreadsheetFolder);
}

THandOverResult TTableExporter::SendToDataProgram(
    const TExportTable& table, ISettingsStore& settings,
    const std::function<void(const std::string& mask)>& openSearch) {
  return HandToDataProgram(TextOf(table), table.ColumnCount(), settings, *Clipboard, *Desktop,
                           *dlg_, openSearch);
}

}  // namespace kinevo::gui
