// The real desktop program, offscreen, driven by its test script: quitting
// with a secondary window open ends the process cleanly, and a French
// desktop exports the demonstration's table as spreadsheets that read back
// as the command line's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/program_instance.h"
#include "support/run_program.h"
#include "support/spreadsheet_readers.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = kinevo::test::DesktopProgram();

}  // namespace

// Each secondary window open (modal or not) while the user quits: the offer
// to save comes first since the work changed, then the process ends with
// status 0 and leaves no recovery copy behind.
TEST(DesktopProgram, QuittingWithASecondaryWindowOpenEndsTheProgram) {
  if (kProgram.empty()) GTEST_SKIP() << "built without the program";
  kinevo::test::TempDir dir("kinevo-quit");
  const std::string doc = kinevo::test::CopyDemo(dir, KINEVO_BINARY_DIR);
  ASSERT_FALSE(doc.empty());
  const std::string folder = dir.File("state") + "/kinevo/recovery";
  const std::vector<std::pair<const char*, const char*>> windows = {
      {"results", "action ButtonMenuTableau"},
      {"formulas", "action ButtonMenuTableau\naction MenuFormules"},
      {"calculator", "action MenuMesuresCalculatrice"},
      {"keyboard", "keyboard"},
      {"capture", "action ButtonCapDevice"}};
  for (const auto& [name, opening] : windows) {
    SCOPED_TRACE(name);
    kinevo::test::ProgramInstance program(kProgram, dir, name,
                                          "open " + doc + "\naction MenuMesuresInverserAxeX\n" +
                                              opening + "\nanswer Quitter\nquit\n");
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Wait(60), 0) << program.Errors();
    const std::string log = program.Errors();
    EXPECT_NE(log.find("dialog: Enregistrer le travail dans un fichier / Annuler la fermeture / "
                       "Quitter immédiatement le logiciel [Quitter]"),
              std::string::npos)
        << log;
    EXPECT_TRUE(kinevo::test::Files(folder, ".kvo").empty());
    EXPECT_TRUE(kinevo::test::Files(folder, ".lock").empty());
  }
}

// A French desktop (decimal comma in the C library) sends the values table
// to both spreadsheet programs; with no program to open them the files stay
// where they were written, and every cell reads back as in the files of
// `kinevo-cli export`.
TEST(DesktopProgram, FrenchDesktopSpreadsheetsReadBackAsTheCommandLineOnes) {
  if (kProgram.empty()) GTEST_SKIP() << "built without the program";
  kinevo::test::TempDir dir("kinevo-french-export");
  const std::string doc = kinevo::test::CopyDemo(dir, KINEVO_BINARY_DIR);
  ASSERT_FALSE(doc.empty());
  const std::string tmp = dir.File("tmp");
  fs::create_directories(tmp);
  kinevo::test::ProgramInstance program(
      kProgram, dir, "export",
      "open " + doc +
          "\naction ButtonMenuTableau\naction MenuExcel\naction MenuOpenOffice\nanswer "
          "Quitter\nquit\n",
      {{"LC_ALL", "fr_FR.UTF-8"},
       {"LANG", "fr_FR.UTF-8"},
       {"TMP", tmp},
       {"TEMP", tmp},
       {"TMPDIR", tmp},
       {"PATH", "/nonexistent"}});
  ASSERT_TRUE(program.Started());
  ASSERT_EQ(program.Wait(60), 0) << program.Errors();
  const auto workbooks = kinevo::test::Files(tmp + "/Kinevo", ".xlsx");
  const auto documents = kinevo::test::Files(tmp + "/Kinevo", ".ods");
  ASSERT_EQ(workbooks.size(), 1u) << program.Errors();
  ASSERT_EQ(documents.size(), 1u) << program.Errors();

  for (const auto& [format, written, script] :
       {std::tuple{"xlsx", workbooks[0], kinevo::test::kReadXlsx},
        std::tuple{"ods", documents[0], kinevo::test::kReadOds}}) {
    SCOPED_TRACE(format);
    const std::string cli = dir.File(std::string("cli.") + format);
    const auto run = kinevo::test::RunCli(
        KINEVO_CLI_PATH, {"export", doc, "--format", format, "-o", cli, "--decimal", ","});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto desktop = kinevo::test::ReadSpreadsheet(script, written);
    EXPECT_GT(desktop.size(), 100u);
    EXPECT_EQ(desktop, kinevo::test::ReadSpreadsheet(script, cli));
  }
}
