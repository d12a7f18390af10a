#include "platform/desktop/freedesktop_association.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/common/ini_file.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

class TempDir : public test::TempDir {
 public:
  TempDir() : test::TempDir("kinevo-assoc") {}
};

std::string Program(const TempDir& dir) {
  const std::string p = dir.Path() + "/bin/kinevo";
  fs::create_directories(dir.Path() + "/bin");
  std::ofstream(p) << "#!/bin/sh\n";
  chmod(p.c_str(), 0755);
  return p;
}

// Records the tools started; answers "not installed" for xdg-mime so that
// the association is written by the program itself.
struct RecordingRunner {
  std::vector<std::vector<std::string>> calls;
  int xdgMimeCode = 127;
  int mimeDbCode = 0;
  int operator()(const std::vector<std::string>& argv) {
    calls.push_back(argv);
    if (argv[0] == "xdg-mime") return xdgMimeCode;
    if (argv[0] == "update-mime-database") return mimeDbCode;
    return 127;
  }
};

}  // namespace

TEST(FileAssociation, AssociateWritesTheFreedesktopFilesAndDissociateRemovesThem) {
  TempDir dir;
  const auto data = dir.Path() + "/data", config = dir.Path() + "/config";
  TFreedesktopAssociation assoc(data, config);
  RecordingRunner runner;
  assoc.SetRunner(std::ref(runner));
  // A handler the user already had for another type must survive.
  fs::create_directories(config);
  std::ofstream(config + "/mimeapps.list") << "[Default Applications]\ntext/plain=gedit.desktop\n";

  EXPECT_FALSE(assoc.IsAssociated());
  const TStatus associated = assoc.Associate(Program(dir));
  ASSERT_TRUE(associated) << associated.error().Text();
  EXPECT_TRUE(assoc.IsAssociated());
  ASSERT_GE(runner.calls.size(), 1u);
  EXPECT_EQ(runner.calls[0], (std::vector<std::string>{"update-mime-database", data + "/mime"}));

  std::string desktop;
  desktop = ReadWholeFile(assoc.DesktopFilePath()).value_or("");
  ASSERT_FALSE(desktop.empty());
  EXPECT_NE(desktop.find("Exec=\"" + dir.Path() + "/bin/kinevo\" %f\n"), std::string::npos)
      << desktop;
  EXPECT_NE(desktop.find("MimeType=application/x-kinevo;\n"), std::string::npos);
  TIniFile apps(assoc.MimeAppsListPath());
  EXPECT_EQ(apps.ReadString("Default Applications", "application/x-kinevo"), "kinevo.desktop");
  EXPECT_EQ(apps.ReadString("Default Applications", "text/plain"), "gedit.desktop");

  const TStatus dissociated = assoc.Dissociate();
  ASSERT_TRUE(dissociated) << dissociated.error().Text();
  EXPECT_FALSE(assoc.IsAssociated());
  EXPECT_FALSE(fs::exists(assoc.DesktopFilePath()));
  EXPECT_FALSE(fs::exists(assoc.MimePackagePath()));
  TIniFile after(assoc.MimeAppsListPath());
  EXPECT_FALSE(after.ValueExists("Default Applications", "application/x-kinevo"));
  EXPECT_FALSE(after.ValueExists("Added Associations", "application/x-kinevo"));
  EXPECT_EQ(after.ReadString("Default Applications", "text/plain"), "gedit.desktop");
}

TEST(FileAssociation, RealMimeDatabaseIsBuiltWhenTheToolExists) {
  if (TFreedesktopAssociation::RunProgram({"update-mime-database", "-v"}) == 127)
    GTEST_SKIP() << "update-mime-database is not installed";
  TempDir dir;
  TFreedesktopAssociation assoc(dir.Path() + "/data", dir.Path() + "/config");
  const TStatus associated = assoc.Associate(Program(dir));
  ASSERT_TRUE(associated) << associated.error().Text();
  EXPECT_TRUE(assoc.IsAssociated());
  // The compiled glob list names our type for "*.kvo".
  std::string globs;
  globs = ReadWholeFile(dir.Path() + "/data/mime/globs2").value_or("");
  ASSERT_FALSE(globs.empty());
  EXPECT_NE(globs.find("application/x-kinevo:*.kvo"), std::string::npos) << globs;
}

TEST(FileAssociation, ExecLineIsQuotedForOddPaths) {
  const auto text = TFreedesktopAssociation::DesktopEntryText("/opt/my $app/ki\"nevo 100%");
  EXPECT_NE(text.find("Exec=\"/opt/my \\\\$app/ki\\\\\"nevo 100%%\" %f\n"), std::string::npos)
      << text;
  TempDir dir;
  TFreedesktopAssociation assoc(dir.Path() + "/d", dir.Path() + "/c");
  assoc.SetRunner([](const std::vector<std::string>&) { return 0; });
  EXPECT_FALSE(assoc.Associate("/bin/evil\nExec=rm"));
  EXPECT_FALSE(fs::exists(assoc.DesktopFilePath()));
}

TEST(FileAssociation, FailuresAreReportedToTheUser) {
  TempDir dir;
  const auto data = dir.Path() + "/data";
  fs::create_directories(data);
  std::ofstream(data + "/applications") << "a file where a folder is needed";
  TFreedesktopAssociation assoc(data, dir.Path() + "/config");
  RecordingRunner runner;
  assoc.SetRunner(std::ref(runner));
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  EXPECT_FALSE(ApplyAssociationChoice(assoc, true, Program(dir), dlg));
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  EXPECT_TRUE(presenter.Contains("Erreur d'écriture"));
  // The detail names the folder that could not be made.
  EXPECT_TRUE(presenter.Contains("Détail : le dossier " + data + "/applications"))
      << presenter.LastText();
  EXPECT_FALSE(assoc.IsAssociated());

  // A failing type-database tool is a failure too.
  TempDir dir2;
  TFreedesktopAssociation assoc2(dir2.Path() + "/data", dir2.Path() + "/config");
  RecordingRunner failing;
  failing.mimeDbCode = 2;
  assoc2.SetRunner(std::ref(failing));
  EXPECT_FALSE(ApplyAssociationChoice(assoc2, true, Program(dir2), dlg));
  EXPECT_EQ(presenter.Count(), 2u);
  EXPECT_TRUE(presenter.Contains("Détail : update-mime-database a échoué (code 2)"))
      << presenter.LastText();
}

TEST(FileAssociation, ApplyChoiceOnlyActsOnAChange) {
  TempDir dir;
  TFreedesktopAssociation assoc(dir.Path() + "/data", dir.Path() + "/config");
  RecordingRunner runner;
  assoc.SetRunner(std::ref(runner));
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  // No program file: nothing is associated, nothing reported.
  EXPECT_TRUE(ApplyAssociationChoice(assoc, true, dir.Path() + "/nowhere/kinevo", dlg));
  EXPECT_FALSE(assoc.IsAssociated());
  EXPECT_TRUE(runner.calls.empty());

  EXPECT_TRUE(ApplyAssociationChoice(assoc, true, Program(dir), dlg));
  EXPECT_TRUE(assoc.IsAssociated());
  const auto calls = runner.calls.size();
  EXPECT_TRUE(ApplyAssociationChoice(assoc, true, Program(dir), dlg));  // already in place
  EXPECT_EQ(runner.calls.size(), calls);
  EXPECT_TRUE(ApplyAssociationChoice(assoc, false, Program(dir), dlg));
  EXPECT_FALSE(assoc.IsAssociated());
  EXPECT_EQ(presenter.Count(), 0u);
}
