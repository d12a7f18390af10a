// The tracking arguments of the document form checked as the video form
// checks them, and failures that name their cause instead of changing
// something silently.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/common/ini_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"
#include "support/text_checks.h"
#include "support/two_systems_document.h"

namespace fs = std::filesystem;
using namespace kinevo;

namespace {

class CliMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::TwoSystems::Write(dir.Path());
    ASSERT_FALSE(doc.empty());
  }
  static test::ProgramRun Cli(const std::vector<std::string>& args) {
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  std::vector<std::string> Track(std::vector<std::string> more) const {
    std::vector<std::string> args{"track", doc, "--system", "1", "--last", "9"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  // The document with one key changed.
  std::string Edited(const std::string& name, const std::string& section, const std::string& key,
                     const std::string& value) const {
    const std::string path = dir.File(name);
    fs::copy_file(doc, path, fs::copy_options::overwrite_existing);
    TIniFile ini(path);
    ini.WriteString(section, key, value);
    EXPECT_TRUE(ini.UpdateFile());
    return path;
  }

  test::TempDir dir{"kinevo-messages"};
  std::string doc;
  const std::vector<std::string> contour{"--contour", "8,8", "14,8", "14,14", "8,14"};
};

TEST_F(CliMessages, DocumentTrackingRefusesTheArgumentsTheVideoFormRefuses) {
  const std::string out = dir.File("suivi.kvo");
  for (const char* first : {"-1", "12", "36", "2147483647"}) {
    auto args = Track({"--first", first, "-o", out});
    args.insert(args.end(), contour.begin(), contour.end());
    const auto r = Cli(args);
    EXPECT_EQ(r.status, 2) << first;
    EXPECT_NE(r.err.find("Le numéro de la première image du suivi est incorrect (" +
                         std::string(first) + " ; les images vont de 0 à 11)."),
              std::string::npos)
        << r.err;
  }
  auto last = Track({"--first", "11", "-o", out});
  last.insert(last.end(), contour.begin(), contour.end());
  EXPECT_NE(Cli(last).err.find("La séquence débute avec la dernière image"), std::string::npos);
  for (const char* radius : {"0", "-5"}) {
    auto args = Track({"--first", "0", "--radius", radius, "-o", out});
    args.insert(args.end(), contour.begin(), contour.end());
    const auto r = Cli(args);
    EXPECT_EQ(r.status, 2) << radius;
    EXPECT_NE(r.err.find("--radius attend un nombre de pixels positif"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(out));

  // A point list ends at any option, "-o" included; a point may be negative.
  auto args = Track({"--first", "0"});
  args.insert(args.end(), contour.begin(), contour.end());
  args.insert(args.end(), {"-o", out, "--ban", "-5,-5", "1,-5", "1,1"});
  const auto r = Cli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(out));
}

TEST_F(CliMessages, AnObjectHiddenByBanZonesStopsAtOnceAsUncertain) {
  auto args = Track({"--first", "0", "-o", dir.File("suivi.kvo")});
  args.insert(args.end(), contour.begin(), contour.end());
  args.insert(args.end(), {"--ban", "0,0", "200,0", "200,100", "0,100"});
  const auto r = Cli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = test::Split(r.out, '\n');
  ASSERT_EQ(lines.size(), 2u) << r.out;
  EXPECT_EQ(lines[1], "uncertain: 0");
}

TEST_F(CliMessages, FailuresNameTheirCause) {
  // A document whose video is missing, or a folder.
  fs::create_directory(dir.File("dossier.avi"));
  for (const auto& [video, detail] : std::vector<std::pair<std::string, std::string>>{
           {dir.File("partie.avi"), "fichier introuvable"},
           {dir.File("dossier.avi"), "c'est un dossier, pas un fichier vidéo"}}) {
    const auto r = Cli({"dump", Edited("sans-video.kvo", "Main", "VideoFileName", video)});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Détail : " + video + " : " + detail), std::string::npos) << r.err;
  }

  // A truncated MP4 is not called "not an AVI file".
  const std::string mp4 = dir.File("coupee.mp4");
  ASSERT_TRUE(test::WriteVideoWithFfmpeg(mp4, 64, 48, 25, 25, {"-c:v", "mpeg4"}));
  fs::resize_file(mp4, fs::file_size(mp4) / 2);
  const auto probe = Cli({"probe", mp4});
  EXPECT_NE(probe.status, 0);
  EXPECT_EQ(probe.err.find("AVI"), std::string::npos) << probe.err;
  EXPECT_NE(probe.err.find("Détail : "), std::string::npos) << probe.err;

  // A document that cannot be saved says why.
  const auto save = Cli({"new", dir.File("v.avi"), "-o", dir.File("absent/n.kvo")});
  EXPECT_EQ(save.status, 1);
  EXPECT_NE(save.err.find("Détail : le dossier « " + dir.File("absent") + " » n'existe pas"),
            std::string::npos)
      << save.err;
}

TEST_F(CliMessages, NothingChangesSilentlyWhenADocumentIsRead) {
  // Marks whose position is not a number are counted.
  const std::string nan = Edited("nan.kvo", "Data", "MarkXCoordinate_Grid_3_0", "nan");
  TIniFile ini(nan);
  ini.WriteString("Data", "MarkYCoordinate_Grid_5_1", "inf");
  ASSERT_TRUE(ini.UpdateFile());
  const auto dump = Cli({"dump", nan});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_NE(dump.err.find("2 marques dont la position n'est pas un nombre ont été écartées."),
            std::string::npos)
      << dump.err;

  // A relative video name is taken from the document's folder, wherever the
  // command runs.
  const auto relative = Cli({"dump", Edited("relatif.kvo", "Main", "VideoFileName", "v.avi")});
  ASSERT_EQ(relative.status, 0) << relative.err;
  EXPECT_NE(relative.out.find("video: " + dir.File("v.avi")), std::string::npos) << relative.out;
}

}  // namespace
