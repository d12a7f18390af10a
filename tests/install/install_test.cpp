// The installed programs: `cmake --install` into a temporary prefix, the
// installed kinevo-cli on the demo analysis (its video plugin found under the
// prefix, not beside the build's programs), and the Debian package built from
// the same rules, inspected with dpkg-deb.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "kinevo_version.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kinevo::test {
namespace {

namespace fs = std::filesystem;

const std::string kBuild = KINEVO_BINARY_DIR;

// The files every installation holds, relative to the prefix.
std::vector<std::string> InstalledFiles() {
  std::vector<std::string> files = {"bin/kinevo-cli",
                                    "lib/kinevo/kinevo-cli-commands.so",
                                    "lib/kinevo/kinevo-cli-video.so",
                                    "lib/kinevo/KvoDll/KvoVff.so",
                                    "share/kinevo/help/Help_fr.html",
                                    "share/doc/kinevo/copyright",
                                    "share/doc/kinevo/changelog.gz",
                                    "share/man/man1/kinevo.1.gz",
                                    "share/metainfo/org.kinevo.Kinevo.metainfo.xml",
                                    "share/applications/kinevo.desktop",
                                    "share/mime/packages/kinevo-kvo.xml",
                                    "share/icons/hicolor/scalable/apps/kinevo.svg",
                                    "share/man/man1/kinevo-cli.1.gz"};
  if (KINEVO_HAS_GUI) files.push_back("bin/kinevo");
  return files;
}

bool OnPath(const std::string& program) {
  return RunProgram("/bin/sh", {"-c", "command -v " + program}).status == 0;
}

class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix_ = new TempDir("kinevo-prefix");
    install_ = RunProgram(KINEVO_CMAKE_COMMAND, {"--install", kBuild, "--prefix", prefix_->Path()});
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  static TempDir* prefix_;
  static ProgramRun install_;
};
TempDir* InstallTest::prefix_ = nullptr;
ProgramRun InstallTest::install_;

TEST_F(InstallTest, PutsEveryFileInItsPlace) {
  ASSERT_EQ(install_.status, 0) << install_.out << install_.err;
  for (const auto& f : InstalledFiles())
    EXPECT_TRUE(fs::is_regular_file(prefix_->File(f))) << f << " absent";
  // Nothing of the build's own layout leaks into bin/.
  EXPECT_FALSE(fs::exists(prefix_->File("bin/KvoDll")));
  EXPECT_FALSE(fs::exists(prefix_->File("bin/Help")));
  // The guide's pictures come with it.
  EXPECT_TRUE(
      fs::is_regular_file(prefix_->File("share/kinevo/help/images/fenetre_principale.png")));
}

TEST_F(InstallTest, InstalledCliReadsTheDemoThroughTheInstalledPlugin) {
  ASSERT_EQ(install_.status, 0) << install_.err;
  const std::string cli = prefix_->File("bin/kinevo-cli");
  // The FFmpeg back-end works only when the program finds its plugin under
  // the prefix: there is no KvoDll beside the installed program.
  const ProgramRun probe =
      RunProgram(cli, {"probe", kBuild + "/demo/lancer.avi", "--backend", "ffmpeg"});
  ASSERT_EQ(probe.status, 0) << probe.err;
  EXPECT_NE(probe.out.find("backend: ffmpeg"), std::string::npos) << probe.out;
  EXPECT_NE(probe.out.find("width: 640"), std::string::npos) << probe.out;

  const ProgramRun results = RunProgram(cli, {"results", kBuild + "/demo/lancer.kvo"});
  ASSERT_EQ(results.status, 0) << results.err;
  // Identifiers, units and descriptions, then a row per marked image (ten
  // in the demonstration).
  EXPECT_EQ(results.out.rfind("t\t", 0), 0u) << results.out;
  EXPECT_GE(std::count(results.out.begin(), results.out.end(), '\n'), 13) << results.out;
  const ProgramRun version = RunProgram(cli, {"--version"});
  EXPECT_EQ(version.out, std::string("Kinevo ") + KINEVO_VERSION_STRING + "\n");
}

TEST_F(InstallTest, DesktopFileStartsTheInstalledProgramOnKvoDocuments) {
  ASSERT_EQ(install_.status, 0) << install_.err;
  const ProgramRun desktop =
      RunProgram("/bin/cat", {prefix_->File("share/applications/kinevo.desktop")});
  EXPECT_NE(desktop.out.find("Exec=kinevo %f"), std::string::npos);
  EXPECT_NE(desktop.out.find("Icon=kinevo\n"), std::string::npos);
  EXPECT_NE(desktop.out.find("MimeType=application/x-kinevo;"), std::string::npos);
  if (OnPath("desktop-file-validate")) {
    const ProgramRun v =
        RunProgram("desktop-file-validate", {prefix_->File("share/applications/kinevo.desktop")});
    EXPECT_EQ(v.status, 0) << v.out << v.err;
  }
}

// The page rendered by man, its layout warnings checked: only layout notes
// on long option lists, no unknown request or escape.
std::string RenderedManualPage(const std::string& path) {
  const ProgramRun man =
      RunProgram("/bin/sh", {"-c", "MANWIDTH=80 man --warnings -E UTF-8 -l -P cat \"$0\"", path});
  EXPECT_EQ(man.status, 0) << man.err;
  std::istringstream warnings(man.err);
  for (std::string line; std::getline(warnings, line);)
    EXPECT_TRUE(line.find("break line") != std::string::npos ||
                line.find("adjust line") != std::string::npos)
        << path << ": " << line;
  return man.out;
}

TEST_F(InstallTest, ManualPagesRenderWithoutWarnings) {
  ASSERT_EQ(install_.status, 0) << install_.err;
  if (!OnPath("man")) GTEST_SKIP() << "man absent: the pages are not rendered";
  const std::string cli = RenderedManualPage(prefix_->File("share/man/man1/kinevo-cli.1.gz"));
  EXPECT_NE(cli.find("kinevo-cli probe FICHIER"), std::string::npos) << cli;
  EXPECT_NE(cli.find("--backend vfw|ds|ffmpeg"), std::string::npos);
  EXPECT_NE(cli.find("CODE DE RETOUR"), std::string::npos);
  // The guide is named where the package puts it.
  EXPECT_NE(cli.find("/usr/share/kinevo/help/Help_fr.html"), std::string::npos);

  const std::string gui = RenderedManualPage(prefix_->File("share/man/man1/kinevo.1.gz"));
  EXPECT_NE(gui.find("kinevo [FICHIER]"), std::string::npos) << gui;
  EXPECT_NE(gui.find("/usr/share/kinevo/help/Help_fr.html"), std::string::npos) << gui;
}

TEST_F(InstallTest, TheDocFolderLeadsToTheGuideTheProgramReads) {
  ASSERT_EQ(install_.status, 0) << install_.err;
  const fs::path link = prefix_->File("share/doc/kinevo/guide");
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::equivalent(link, prefix_->File("share/kinevo/help")));
  EXPECT_TRUE(fs::is_regular_file(link / "Help_fr.html"));
}

TEST_F(InstallTest, SoftwareCentresAcceptTheAppStreamDescription) {
  ASSERT_EQ(install_.status, 0) << install_.err;
  if (!OnPath("appstreamcli")) GTEST_SKIP() << "appstreamcli absent (scripts/install-deps)";
  const std::string metainfo = prefix_->File("share/metainfo/org.kinevo.Kinevo.metainfo.xml");
  // Without the network: the screenshots' addresses are not fetched here.
  const ProgramRun v = RunProgram("appstreamcli", {"validate", "--no-net", metainfo});
  EXPECT_EQ(v.status, 0) << v.out << v.err;
  const ProgramRun text = RunProgram("/bin/cat", {metainfo});
  EXPECT_NE(text.out.find("<launchable type=\"desktop-id\">kinevo.desktop</launchable>"),
            std::string::npos);
  EXPECT_NE(text.out.find(std::string("<release version=\"") + KINEVO_VERSION_STRING),
            std::string::npos)
      << text.out;
}

// Building the package takes minutes (stripping and compressing the
// programs), so the test inspects the one scripts/package built, when there is one.
TEST(DebianPackage, HoldsTheProgramsAndDependsOnTheLibrariesTheyLink) {
  const std::string deb = std::string(KINEVO_SOURCE_DIR) + "/build-package/packages/kinevo_" +
                          KINEVO_VERSION_STRING + "_amd64.deb";
  if (!fs::is_regular_file(deb))
    GTEST_SKIP() << deb << " absent: run scripts/package to build and check the package";
  if (!OnPath("dpkg-deb")) GTEST_SKIP() << "dpkg-deb absent (scripts/install-deps installs it)";

  const ProgramRun list = RunProgram("dpkg-deb", {"--contents", deb});
  ASSERT_EQ(list.status, 0) << list.err;
  for (const auto& f : InstalledFiles())
    EXPECT_NE(list.out.find("./usr/" + f + "\n"), std::string::npos) << f << " absent:\n"
                                                                     << list.out;

  const ProgramRun fields =
      RunProgram("dpkg-deb", {"--field", deb, "Package", "Architecture", "Depends"});
  ASSERT_EQ(fields.status, 0) << fields.err;
  EXPECT_NE(fields.out.find("Package: kinevo\n"), std::string::npos) << fields.out;
  EXPECT_NE(fields.out.find("Architecture: amd64\n"), std::string::npos) << fields.out;
  // Computed from the linked libraries, with their versions.
  for (const char* lib :
       {"libc6 (>=", "libavcodec", "libavformat", "libturbojpeg0", "libstdc++6"}) {
    EXPECT_NE(fields.out.find(lib), std::string::npos) << lib << " not in\n" << fields.out;
  }
  if (KINEVO_HAS_GUI) {
    EXPECT_NE(fields.out.find("libqt6widgets6"), std::string::npos) << fields.out;
  }
}

TEST(DebianPackage, LintianFindsNoError) {
  const std::string deb = std::string(KINEVO_SOURCE_DIR) + "/build-package/packages/kinevo_" +
                          KINEVO_VERSION_STRING + "_amd64.deb";
  if (!fs::is_regular_file(deb))
    GTEST_SKIP() << deb << " absent: run scripts/package to build and check the package";
  if (!OnPath("lintian")) GTEST_SKIP() << "lintian absent (scripts/install-deps installs it)";
  const ProgramRun lint = RunProgram("lintian", {"--tag-display-limit", "0", deb});
  std::istringstream lines(lint.out);
  for (std::string line; std::getline(lines, line);) EXPECT_NE(line.rfind("E: ", 0), 0u) << line;
  EXPECT_EQ(lint.out.find("no-manual-page"), std::string::npos) << lint.out;
}

}  // namespace
}  // namespace kinevo::test
