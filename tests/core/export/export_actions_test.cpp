// The export commands: clipboard, text file, spreadsheet files and the
// hand-over to the data program, with scripted dialogs and fake services.
#include "core/export/export_actions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/atomic_file.h"
#include "core/common/ini_file.h"
#include "core/common/settings_file.h"
#include "core/export/data_program.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

namespace fs = std::filesystem;

struct FakeClipboard : IClipboard {
  bool works = true;
  int sets = 0;
  std::string text, html;
  bool SetTable(const std::string& t, const std::string& h) override {
    if (!works) return false;
    ++sets;
    text = t;
    html = h;
    return true;
  }
};

struct FakeDesktop : IDesktop {
  TOpenResult openAnswer = orOpened;
  bool canStart = true, startWorks = true;
  std::vector<std::string> opened, started;
  TOpenResult OpenWithDefaultProgram(const std::string& path) override {
    opened.push_back(path);
    return openAnswer;
  }
  bool CanStartProgram(const std::string&) override { return canStart; }
  bool StartProgram(const std::string& p) override {
    started.push_back(p);
    return startWorks;
  }
};

struct FakeWriter : ISpreadsheetWriter {
  bool works = true;
  TTableMatrix last;
  std::string Extension() const override { return "xlsx"; }
  // A failure leaves nothing, as the real writers' atomic writes do.
  TStatus Write(const TTableMatrix& m, const std::string& path) override {
    last = m;
    if (!works) return Fail(WriteFailureReason(path), "disque plein");
    std::ofstream(path) << "xlsx";
    return {};
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ExportActions : public ::testing::Test {
 protected:
  test::ScriptedDialog shown;
  TUserDlg dlg{&shown};
  FakeClipboard clipboard;
  FakeDesktop desktop;
  test::TempDir dir{"kinevo-export"};
  const std::vector<std::string> lines{"/usr/bin/kinevo", "date",
                                       "Angle",           "t\tx\tx2",
                                       "s\tm\tm",         "temps\tAbscisse\tAbscisse 2",
                                       "0\t1.5\t2",       "0.04\t1.6\t",
                                       "0.08\t\t\t",      "0.12\t1.8\t2"};
};

TEST_F(ExportActions, ClipboardGetsTextAndHtmlThenTheUserIsTold) {
  const TTableMatrix m{{"", ""}, {"t", "x"}, {"s", "m"}, {"temps", "Abscisse"}, {"0", "1,5"}};
  ASSERT_TRUE(CopyTableToClipboard(lines, m, clipboard, dlg));
  EXPECT_EQ(clipboard.text, LinesText(lines));
  EXPECT_EQ(clipboard.text.back(), '\n');
  EXPECT_NE(clipboard.html.find("<td>1,5</td>"), std::string::npos);
  ASSERT_EQ(shown.Count(), 1u);
  EXPECT_EQ(shown.shown[0].icon, icInformation);
  EXPECT_TRUE(shown.Contains("Copie dans le presse-papier effectuée."));

  clipboard.works = false;
  EXPECT_FALSE(CopyTableToClipboard(lines, m, clipboard, dlg));
  EXPECT_EQ(shown.shown.back().icon, icError);
  EXPECT_EQ(shown.LastText(), kExportErrorText);
}

TEST_F(ExportActions, TextFileGetsTheTxtExtensionAndAFailureSaysSo) {
  EXPECT_EQ(TextFileDialog("/films/chute libre.avi").fileName, "chute libre.txt");
  EXPECT_EQ(TextFileDialog("/films/chute libre.avi").title, "Exporter dans un fichier texte");
  ASSERT_TRUE(WriteTableTextFile(lines, dir.File("mesures.csv"), dlg));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"mesures.txt"});
  EXPECT_EQ(ReadFile(dir.File("mesures.txt")), LinesText(lines));
  EXPECT_TRUE(shown.Contains("Le fichier porte l'extension TXT."));
  ASSERT_TRUE(WriteTableTextFile(lines, dir.File("sans"), dlg));
  EXPECT_TRUE(fs::exists(dir.File("sans.txt")));

  EXPECT_FALSE(WriteTableTextFile(lines, dir.File("absent/mesures.txt"), dlg));
  EXPECT_EQ(shown.shown.back().icon, icError);
  EXPECT_EQ(shown.LastText(), std::string(kExportErrorText) + "\n" +
                                  WriteFailureReason(dir.File("absent/mesures.txt")) +
                                  "\nDétail : le dossier « " + dir.File("absent") +
                                  " » n'existe pas");

  // A name that leads to the video through a link is refused; the video stays.
  const std::string video = dir.File("chute.avi");
  std::ofstream(video) << "vidéo";
  fs::create_symlink(video, dir.File("lien.txt"));
  EXPECT_FALSE(WriteTableTextFile(lines, dir.File("lien.txt"), dlg, {video}));
  EXPECT_EQ(shown.shown.back().icon, icError);
  EXPECT_NE(shown.LastText().find("est lu par cette opération"), std::string::npos)
      << shown.LastText();
  EXPECT_EQ(ReadFile(video), "vidéo");
}

TEST_F(ExportActions, SpreadsheetFilesAreNamedAfterTheVideoAndNeverOverwritten) {
  FakeWriter writer;
  const TTableMatrix m{{"a"}};
  std::string first, second;
  ASSERT_TRUE(SendToSpreadsheet(srWorkbook, m, "/films/chute.avi", writer, desktop, dlg, &first,
                                dir.Path()));
  ASSERT_TRUE(SendToSpreadsheet(srWorkbook, m, "/films/chute.avi", writer, desktop, dlg, &second,
                                dir.Path()));
  EXPECT_EQ(first, dir.File("chute.xlsx"));
  EXPECT_EQ(second, dir.File("chute (2).xlsx"));
  EXPECT_EQ(desktop.opened, (std::vector<std::string>{first, second}));
  EXPECT_EQ(shown.Count(), 0u);
  EXPECT_EQ(writer.last, m);
}

TEST_F(ExportActions, SpreadsheetFailuresMapOntoTheirMessages) {
  FakeWriter writer;
  const TTableMatrix m{{"a"}};
  std::string written;
  // No program for the type: the user learns where the file is.
  desktop.openAnswer = orNoProgram;
  EXPECT_FALSE(
      SendToSpreadsheet(srOpenDocument, m, "", writer, desktop, dlg, &written, dir.Path()));
  EXPECT_EQ(written, dir.File("Kinevo.xlsx"));
  EXPECT_TRUE(fs::exists(written));
  EXPECT_TRUE(shown.Contains(written));
  EXPECT_EQ(shown.shown.back().icon, icWarning);

  desktop.openAnswer = orFailed;
  EXPECT_FALSE(
      SendToSpreadsheet(srOpenDocument, m, "", writer, desktop, dlg, &written, dir.Path()));
  EXPECT_TRUE(shown.Contains("Le tableur n'a pas pu être ouvert."));

  // A failed write says why.
  writer.works = false;
  EXPECT_FALSE(
      SendToSpreadsheet(srOpenDocument, m, "v.avi", writer, desktop, dlg, &written, dir.Path()));
  EXPECT_TRUE(shown.Contains("L'écriture dans une cellule a échouée."));
  EXPECT_TRUE(shown.Contains("Détail : disque plein"));
  EXPECT_TRUE(written.empty());
  EXPECT_FALSE(fs::exists(dir.File("v.xlsx")));
  EXPECT_FALSE(
      SendToSpreadsheet(srWorkbook, m, "v.avi", writer, desktop, dlg, &written, dir.Path()));
  EXPECT_TRUE(shown.Contains("La connection avec Excel n'a pas été établie."));
  EXPECT_EQ(shown.shown.back().icon, icError);
}

TEST_F(ExportActions, ALinkInPlaceOfTheExportFolderIsRefused) {
  FakeWriter writer;
  test::TempDir elsewhere{"kinevo-elsewhere"};
  const std::string link = dir.File("lien");
  fs::create_directory_symlink(elsewhere.Path(), link);
  std::string written;
  EXPECT_FALSE(
      SendToSpreadsheet(srWorkbook, {{"a"}}, "v.avi", writer, desktop, dlg, &written, link));
  EXPECT_TRUE(elsewhere.Names().empty());
  EXPECT_TRUE(desktop.opened.empty());
  EXPECT_EQ(shown.shown.back().icon, icError);
}

class DataProgram : public ExportActions {
 protected:
  void SetUp() override {
    program = dir.Touch("REGRESSI.EXE");
    ASSERT_TRUE(RememberDataProgram(settings, program));
  }
  THandOverResult Hand(int columns, std::function<void(const std::string&)> search = {}) {
    return HandToDataProgram(lines, columns, settings, clipboard, desktop, dlg, search);
  }
  TSettingsFile settings{dir.File("Kinevo.ini")};
  std::string program;
};

TEST_F(DataProgram, NotFoundClearsTheEntryAndOffersTheSearch) {
  fs::remove(program);
  std::string mask;
  shown.AnswerCaption("Ok");
  EXPECT_EQ(Hand(3, [&](const std::string& m) { mask = m; }), hoNotFound);
  EXPECT_EQ(mask, "Regressi.exe|Regressi.exe");
  EXPECT_EQ(TIniFile(dir.File("Kinevo.ini")).ReadString("ResultsForm", "Regressi", "?"), "");
  EXPECT_TRUE(shown.Contains("La copie a été annulée car Regressi est introuvable."));
  EXPECT_EQ(clipboard.sets, 0);

  // A file of another name is not taken for the program.
  ASSERT_TRUE(RememberDataProgram(settings, dir.Touch("autre.exe")));
  mask.clear();
  shown.AnswerCaption("Annuler");
  EXPECT_EQ(Hand(3, [&](const std::string& m) { mask = m; }), hoNotFound);
  EXPECT_TRUE(mask.empty());
}

TEST_F(DataProgram, AProgramThatCannotBeRememberedSaysWhy) {
  // The settings folder has gone: the found program cannot be kept, and the
  // failure names the file and the system's reason.
  const std::string ini = dir.File("parti") + "/Kinevo.ini";
  TSettingsFile gone{ini};
  const TStatus kept = RememberDataProgram(gone, program);
  ASSERT_FALSE(kept);
  EXPECT_NE(kept.error().reason.find(ini), std::string::npos) << kept.error().Text();
  EXPECT_FALSE(kept.error().cause.empty());
}

TEST_F(DataProgram, SeventeenColumnsWarnBeforeAnythingIsSent) {
  shown.AnswerCaption("Annuler");
  EXPECT_EQ(Hand(17), hoCancelled);
  ASSERT_EQ(shown.Count(), 1u);
  EXPECT_TRUE(shown.Contains("Regressi n'accepte pas un nombre élevé de variables (> 16)."));
  EXPECT_EQ(clipboard.sets, 0);
  EXPECT_TRUE(desktop.started.empty());
  // Sixteen columns go without the warning.
  shown.AnswerCaption("Continuer");
  shown.AnswerCaption("Continuer");
  EXPECT_EQ(Hand(16), hoStarted);
  EXPECT_FALSE(shown.AllText(1).find("(> 16)") != std::string::npos);
}

TEST_F(DataProgram, UndefinedValuesAreAskedAboutAndSubstitutedEverywhere) {
  shown.AnswerCaption("Substituer");
  EXPECT_EQ(Hand(3), hoStarted);
  // One question: after "Substituer" the following lines are substituted too.
  ASSERT_EQ(shown.Count(), 2u);
  EXPECT_TRUE(shown.AllText(0).find("Le tableau contient des valeurs non définies.") !=
              std::string::npos);
  std::vector<std::string> want = lines;
  want[1] = "";
  want[7] = "0.04\t1.6\t0";
  want[8] = "0.08\t0\t0\t0";
  EXPECT_EQ(clipboard.text, LinesText(want));
  EXPECT_TRUE(clipboard.html.empty());
  EXPECT_EQ(desktop.started, std::vector<std::string>{program});
  EXPECT_TRUE(shown.Contains("Ctrl + V"));
}

TEST_F(DataProgram, ContinuingKeepsTheLinesAndAsksAgainOnTheNextOne) {
  shown.AnswerCaption("Continuer");
  shown.AnswerCaption("Continuer");
  EXPECT_EQ(Hand(3), hoStarted);
  EXPECT_EQ(shown.Count(), 3u);  // two questions, then the paste advice
  std::vector<std::string> want = lines;
  want[1] = "";
  EXPECT_EQ(clipboard.text, LinesText(want));
}

TEST_F(DataProgram, AProgramThatCannotStartIsReported) {
  desktop.canStart = false;
  EXPECT_EQ(Hand(3), hoFailed);
  EXPECT_EQ(shown.LastText(), "Une erreur a été détectée. Impossible de lancer Regressi.");
  EXPECT_EQ(clipboard.sets, 0);

  desktop.canStart = true;
  desktop.startWorks = false;
  shown.AnswerCaption("Substituer");
  EXPECT_EQ(Hand(3), hoFailed);
  EXPECT_EQ(shown.LastText(), "Une erreur a été détectée. Impossible de lancer Regressi.");
}

}  // namespace
}  // namespace kinevo
