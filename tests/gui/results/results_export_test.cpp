// The results window's exports over a real document: the table commands of
// the "Edition" and "Fichier" menus hand the table shown (with its hidden
// columns) to the clipboard, a text file, the spreadsheet files and the
// data program; the graph views offer their own commands instead.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "core/common/ini_file.h"
#include "core/common/settings_file.h"
#include "core/export/data_program.h"
#include "gui/graph/graph_widget.h"
#include "gui/print/print_dialog.h"
#include "gui/results/results_form.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

// Opens nothing; remembers what it was asked to open.
struct RecordingDesktop : IDesktop {
  std::vector<std::string> opened;
  TOpenResult OpenWithDefaultProgram(const std::string& path) override {
    opened.push_back(path);
    return orOpened;
  }
  bool CanStartProgram(const std::string&) override { return false; }
  bool StartProgram(const std::string&) override { return false; }
};

class ResultsExport : public test::ResultsWindowTest {
 protected:
  void SetUp() override {
    ResultsWindowTest::SetUp();
    if (HasFatalFailure()) return;
    form->Exporter().Desktop = &desktop;
    form->Exporter().SpreadsheetFolder = dir.File("export");
    std::filesystem::create_directory(dir.File("export"));
  }
  // The window goes before the desktop it was given.
  void TearDown() override { form.reset(); }
  void Trigger(const char* name) {
    QAction* a = form->Action(name);
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }
  QStringList ClipboardLines() {
    return QGuiApplication::clipboard()->mimeData()->text().split(QLatin1Char('\n'));
  }

  RecordingDesktop desktop;
};

TEST_F(ResultsExport, TableCommandsBelongToTheTableViewAndImageCommandsToTheGraphs) {
  ASSERT_TRUE(form->ShowView(rvTable));
  EXPECT_TRUE(form->Action("MenuCopierTableau")->isVisible());
  EXPECT_TRUE(form->Action("MenuCopierLancer")->isVisible());
  EXPECT_FALSE(form->Action("MenuCopierImage")->isVisible());
  EXPECT_FALSE(form->Action("MenuImprimer")->isVisible());
  ASSERT_TRUE(form->ShowView(rvTime));
  EXPECT_FALSE(form->Action("MenuCopierTableau")->isVisible());
  EXPECT_FALSE(form->Action("MenuCopierLancer")->isVisible());
  EXPECT_TRUE(form->Action("MenuCopierImage")->isVisible());
  EXPECT_TRUE(form->Action("MenuExporter")->isVisible());
}

TEST_F(ResultsExport, CopiedTableHoldsOnlyTheShownColumnsWithTimeFirst) {
  ASSERT_TRUE(form->ShowView(rvTable));
  form->Action("MenuVitesse")->setChecked(false);
  Trigger("MenuCopierTableau");
  const QStringList lines = ClipboardLines();
  // Seven kinds of lines: path, date, angle, identifiers, units,
  // descriptions, then one per row (and the break after the last).
  ASSERT_EQ(lines.size(), 6 + test::TwoSystems::kMarks + 1);
  const QStringList ids = lines[3].split(QLatin1Char('\t'));
  EXPECT_EQ(ids.size(), 1 + 2 * 8);  // t, then x y ax ay a O R w of both systems
  EXPECT_EQ(ids.first(), "t");
  EXPECT_FALSE(ids.contains("vx"));
  EXPECT_TRUE(ids.contains("ax"));
  for (int row = 6; row < lines.size() - 1; ++row)
    EXPECT_EQ(lines[row].split(QLatin1Char('\t')).size(), ids.size()) << row;
  EXPECT_TRUE(dialogs.Contains("Copie dans le presse-papier effectuée."));
}

TEST_F(ResultsExport, ExportWritesTheTableBesideTheVideoAsText) {
  ASSERT_TRUE(form->ShowView(rvTable));
  QString proposed;
  form->Exporter().ChooseSaveFile = [&](QWidget*, const QString&, const QString& p,
                                        const QString&) {
    proposed = p;
    return QString::fromStdString(dir.File("mesures"));
  };
  Trigger("MenuExporter");
  EXPECT_EQ(proposed, QString::fromStdString(dir.File("v.txt")));
  QFile file(QString::fromStdString(dir.File("mesures.txt")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_GT(lines.size(), 6);
  EXPECT_TRUE(lines[3].startsWith("t\tx\ty\t"));
  EXPECT_TRUE(dialogs.Contains("Le fichier porte l'extension TXT."));
}

TEST_F(ResultsExport, SpreadsheetRoutesWriteTheirFilesAndOpenThem) {
  ASSERT_TRUE(form->ShowView(rvTable));
  Trigger("MenuExcel");
  Trigger("MenuOpenOffice");
  ASSERT_EQ(desktop.opened.size(), 2u);
  EXPECT_EQ(std::filesystem::path(desktop.opened[0]).extension(), ".xlsx");
  EXPECT_EQ(std::filesystem::path(desktop.opened[1]).extension(), ".ods");
  for (const std::string& f : desktop.opened) {
    EXPECT_GT(std::filesystem::file_size(f), 0u) << f;
    EXPECT_EQ(std::filesystem::path(f).stem(), "v");
  }
}

TEST_F(ResultsExport, DataProgramNotFoundOpensTheSearchAndKeepsTheFileChosen) {
  ASSERT_TRUE(form->ShowView(rvTable));
  QString mask;
  std::function<void(const QString&)> chosen;
  form->SearchFile = [&](const QString& m, std::function<void(const QString&)> c) {
    mask = m;
    chosen = std::move(c);
  };
  dialogs.AnswerCaption("Ok");
  Trigger("MenuRegressi");
  EXPECT_TRUE(dialogs.Contains("La copie a été annulée car Regressi est introuvable."));
  EXPECT_EQ(mask, QString::fromUtf8(kDataProgramSearchMask));
  ASSERT_TRUE(chosen);
  const std::string program = dir.Touch("Regressi.exe");
  chosen(QString::fromStdString(program));
  EXPECT_EQ(LocateDataProgram(TSettingsFile(dir.File("Kinevo.ini"))), program);
}

TEST_F(ResultsExport, VectorViewImageCarriesItsArrowScale) {
  ASSERT_TRUE(form->ShowView(rvVectors));
  TGraph* graph = form->CurrentGraph();
  TGraphModel& model = graph->Model();
  const bool shown = model.IsDessinerEchelle;
  form->ImageExporter().ChooseSaveFile = [&](QWidget*, const QString&, const QString&,
                                             const QStringList&, int& filter) {
    filter = 1;
    return QString::fromStdString(dir.File("vecteurs"));
  };
  Trigger("MenuExporter");
  const QImage png(QString::fromStdString(dir.File("vecteurs.png")));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.size(), graph->size());
  // The bracket: a black line along y = 20 from x = 20, as long as the bar
  // (smoothed over the rows beside it).
  const int bar = model.ScaleBarPixels();
  for (int x = 22; x < 20 + bar - 2; x += 4) {
    int darkest = 255;
    for (int y = 18; y <= 21; ++y) darkest = std::min(darkest, qGray(png.pixel(x, y)));
    EXPECT_LT(darkest, 150) << x;
  }
  EXPECT_GT(qGray(png.pixel(20 + bar + 20, 20)), 200);  // and no further
  EXPECT_EQ(model.IsDessinerEchelle, shown);
}

TEST_F(ResultsExport, PrintedPictureIsWhiteBehindTheCurvesAndGoesToThePrintDialog) {
  ASSERT_TRUE(form->ShowView(rvTime));
  TGraph* graph = form->CurrentGraph();
  const QImage screen = graph->Grab();
  const QImage paper = form->PrintedPicture();
  ASSERT_FALSE(paper.isNull());
  EXPECT_EQ(paper.deviceIndependentSize().toSize(), graph->size());
  EXPECT_GT(paper.width(), graph->width());  // finer than the screen
  // The axis margin (left edge) is grey on the screen and white on paper.
  const QPoint margin(4, graph->height() / 2);
  EXPECT_NE(screen.pixelColor(margin), QColor(Qt::white));
  EXPECT_EQ(paper.pixelColor(margin * paper.devicePixelRatio()), QColor(Qt::white));
  EXPECT_EQ(graph->Grab().pixelColor(margin), screen.pixelColor(margin));

  // "Imprimer" shows the dialog with that picture; closing it keeps it.
  QTimer::singleShot(0, form.get(), [this] { form->PrintDialog().reject(); });
  Trigger("MenuImprimer");
  EXPECT_EQ(form->PrintDialog().Layout().Picture().PixelWidth(), graph->width());
  EXPECT_EQ(form->PrintDialog().Layout().Picture().PixelHeight(), graph->height());
}

}  // namespace
}  // namespace kinevo
