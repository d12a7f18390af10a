// Where the programs look for their plugins and their help, in a build
// folder and under an installation prefix.
#include "core/common/install_layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace kinevo {
namespace {

namespace fs = std::filesystem;

TEST(InstallLayout, BuildFolderFilesBesideTheProgramComeFirst) {
  test::TempDir prefix("layout");
  fs::create_directories(prefix.File("bin/KvoDll"));
  fs::create_directories(prefix.File("bin/Help"));
  // An installed layout around it must not win over the folders beside it.
  fs::create_directories(prefix.File("lib/kinevo/KvoDll"));
  fs::create_directories(prefix.File("share/kinevo/help"));
  EXPECT_EQ(PluginFolderFor(prefix.File("bin")), prefix.Path() + "/bin/KvoDll/");
  EXPECT_EQ(HelpFolderFor(prefix.File("bin")), prefix.Path() + "/bin/Help/");
}

TEST(InstallLayout, InstalledProgramFindsItsFilesUnderThePrefix) {
  test::TempDir prefix("prefix");
  fs::create_directories(prefix.File("bin"));
  fs::create_directories(prefix.File("lib/kinevo/KvoDll"));
  fs::create_directories(prefix.File("share/kinevo/help"));
  EXPECT_EQ(PluginFolderFor(prefix.File("bin")), prefix.Path() + "/lib/kinevo/KvoDll/");
  EXPECT_EQ(HelpFolderFor(prefix.File("bin")), prefix.Path() + "/share/kinevo/help/");
}

TEST(InstallLayout, MissingFilesNameTheFolderBesideTheProgram) {
  test::TempDir prefix("bare");
  fs::create_directories(prefix.File("bin"));
  EXPECT_EQ(PluginFolderFor(prefix.File("bin")), prefix.Path() + "/bin/KvoDll/");
  EXPECT_EQ(HelpFolderFor(prefix.File("bin")), prefix.Path() + "/bin/Help/");
  EXPECT_EQ(PluginFolderFor(""), "KvoDll/");
}

TEST(InstallLayout, ProgramFolderIsTheFolderOfThisTestProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::exists(fs::path(folder) / "test_core_common"));
}

}  // namespace
}  // namespace kinevo
