// The Qt side of the table exports: the clipboard's text and HTML, and the
// save dialog of the text export.
#include "gui/export/table_exporter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <filesystem>

#include "core/common/number_format.h"
#include "gui/common/message_dialog.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_export");

TExportTable Sample() {
  TExportTable t;
  t.axisAngle = 0.5;
  t.identifiers = {"t", "x"};
  t.units = {"s", "m"};
  t.descriptions = {"temps", "Abscisse balle"};
  t.rows = {{"0", "1,5"}, {"0,04", ""}};
  return t;
}

TEST(TableExporter, ClipboardHoldsTheLinesAndAnHtmlTable) {
  test::ScriptedDialog shown;
  TUserDlg dlg(&shown);
  TTableExporter exporter(dlg);
  ASSERT_TRUE(exporter.Copy(Sample()));
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  const QStringList lines = data->text().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 6 + 2 + 1);  // the last line break leaves an empty piece
  EXPECT_EQ(lines[0], QCoreApplication::applicationFilePath());
  EXPECT_FALSE(lines[1].isEmpty());  // the date
  EXPECT_EQ(lines[3], QStringLiteral("t\tx"));
  EXPECT_EQ(lines[6], QStringLiteral("0\t1,5"));
  EXPECT_EQ(lines[7], QStringLiteral("0,04\t"));
  ASSERT_TRUE(data->hasHtml());
  EXPECT_TRUE(data->html().contains(QStringLiteral("<td>Abscisse balle</td>")));
  EXPECT_TRUE(shown.Contains("Copie dans le presse-papier effectuée."));
}

TEST(TableExporter, SaveDialogProposesTheVideoNameAndTheFileGetsTxt) {
  test::ScriptedDialog shown;
  TUserDlg dlg(&shown);
  TTableExporter exporter(dlg);
  test::TempDir dir;
  QString title, proposed, filter;
  exporter.ChooseSaveFile = [&](QWidget*, const QString& t, const QString& p, const QString& f) {
    title = t;
    proposed = p;
    filter = f;
    return QString::fromStdString(dir.File("résultats.dat"));
  };
  ASSERT_TRUE(exporter.SaveAsText(Sample(), dir.File("chute.avi")));
  EXPECT_EQ(title, QStringLiteral("Exporter dans un fichier texte"));
  EXPECT_EQ(proposed, QString::fromStdString(dir.File("chute.txt")));
  EXPECT_EQ(filter, QStringLiteral("Texte séparé par des tabulations (*.txt);;"
                                   "Valeurs séparées pour tableur (*.csv)"));
  QFile file(QString::fromStdString(dir.File("résultats.txt")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("temps\tAbscisse balle\n"));
  EXPECT_TRUE(shown.Contains("Enregistrement dans un fichier texte effectué."));

  // A cancelled dialog writes nothing and says nothing.
  exporter.ChooseSaveFile = [](QWidget*, const QString&, const QString&, const QString&) {
    return QString();
  };
  const std::size_t before = shown.Count();
  EXPECT_FALSE(exporter.SaveAsText(Sample(), dir.File("chute.avi")));
  EXPECT_EQ(shown.Count(), before);
}

TEST(TableExporter, ACsvNameGivesACsvFileInTheProgramsDecimalSeparator) {
  test::ScriptedDialog shown;
  TUserDlg dlg(&shown);
  TTableExporter exporter(dlg);
  test::TempDir dir;
  const std::string path = dir.File("valeurs.CSV");
  exporter.ChooseSaveFile = [&](QWidget*, const QString&, const QString&, const QString&) {
    return QString::fromStdString(path);
  };
  auto read = [&] {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  {
    ScopedDecimalSeparator comma(',');
    ASSERT_TRUE(exporter.SaveAsText(Sample(), dir.File("chute.avi")));
    // French spreadsheets read ";" between fields when "," is the decimal.
    EXPECT_EQ(read(), QByteArray("t;x\r\n0;1,5\r\n0,04;\r\n"));
    EXPECT_TRUE(shown.Contains("Enregistrement dans un fichier CSV effectué."));
  }
  ScopedDecimalSeparator point('.');
  ASSERT_TRUE(exporter.SaveAsText(Sample(), dir.File("chute.avi")));
  EXPECT_EQ(read(), QByteArray("t,x\r\n0,1.5\r\n0.04,\r\n"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("valeurs.txt")));
}

struct NoProgramDesktop : IDesktop {
  TOpenResult OpenWithDefaultProgram(const std::string&) override { return orNoProgram; }
  bool CanStartProgram(const std::string&) override { return false; }
  bool StartProgram(const std::string&) override { return false; }
};

TEST(TableExporter, WithoutASpreadsheetProgramTheMessageSaysWhereTheFileIs) {
  TQtUserDlgPresenter presenter;
  TUserDlg dlg(&presenter);
  QImage shot;
  std::vector<std::string> lines;
  presenter.onShown = [&](TMessageDialog& w) {
    shot = w.grab().toImage();
    for (const auto& r : w.Memo()->Layout().rows) lines.push_back(r.text);
    w.Button(0)->click();
  };
  NoProgramDesktop desktop;
  TTableExporter exporter(dlg);
  exporter.Desktop = &desktop;
  test::TempDir dir;
  exporter.SpreadsheetFolder = dir.Path();
  std::string written;
  EXPECT_FALSE(exporter.SendToSpreadsheet(srOpenDocument, Sample(), "/films/chute.avi", &written));
  EXPECT_EQ(written, dir.File("chute.ods"));
  EXPECT_TRUE(std::filesystem::is_regular_file(written));
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(test::SaveShot(shot, "export_no_program"));
  std::string all;
  for (const auto& l : lines) all += l + " ";
  EXPECT_NE(all.find("enregistré dans le fichier"), std::string::npos) << all;
  EXPECT_NE(all.find("chute.ods"), std::string::npos) << all;
}

}  // namespace
