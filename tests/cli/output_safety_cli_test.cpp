// Every command that writes a file, against the outputs that used to lose
// data: one of its own inputs (under its name, through a link), a folder,
// a full disk (a file-size limit makes the writes fail as ENOSPC does), a
// device, a protected file, a link; and values the readers would refuse.
// The inputs and the old files must come out byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace fs = std::filesystem;
using namespace kinevo;

namespace {

constexpr const char* kOld = "ancien contenu, à garder";

class OutputSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::TwoSystems::Write(dir.Path());
    ASSERT_FALSE(doc.empty());
    video = dir.File("v.avi");
    // Pictures for join: p_01.bmp ... p_12.bmp.
    ASSERT_EQ(Cli({"split", video, "-o", dir.File("p.bmp")}).status, 0);
    for (const auto& name : dir.Names()) before[name] = test::ReadFileBytes(dir.File(name));
  }
  static test::ProgramRun Cli(const std::vector<std::string>& args) {
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  // The files present at the start are all still there, unchanged.
  void ExpectInputsUnchanged(const std::string& what) {
    for (const auto& [name, bytes] : before) {
      EXPECT_TRUE(fs::is_regular_file(dir.File(name))) << what << ": " << name;
      EXPECT_EQ(test::ReadFileBytes(dir.File(name)), bytes) << what << ": " << name;
    }
  }
  std::vector<std::string> Track(const std::string& out) const {
    return {"track", doc,       "--system", "1",      "--contour", "8,8", "14,8", "14,14",
            "8,14",  "--first", "0",        "--last", "9",         "-o",  out};
  }

  test::TempDir dir{"kinevo-outputs"};
  std::string doc, video;
  std::map<std::string, std::string> before;
};

TEST_F(OutputSafety, AnOutputThatIsAnInputOrAFolderIsRefusedByEveryWritingCommand) {
  fs::create_symlink("doc.kvo", dir.File("lien.svg"));
  fs::create_symlink("v.avi", dir.File("lien.kvo"));
  fs::create_directory(dir.File("vide.avi"));
  const std::vector<std::vector<std::string>> runs = {
      {"new", video, "-o", video},
      {"new", video, "-o", dir.File("lien.kvo")},
      {"frame", video, "3", "-o", video},
      {"export", doc, "--format", "csv", "-o", doc},
      {"export", doc, "--format", "txt", "-o", video},
      {"montage", doc, "-o", doc},
      {"montage", doc, "-o", video},
      {"montage", doc, "-o", dir.File("vide.avi")},
      {"join", dir.File("p_01.bmp"), dir.File("p_02.bmp"), "--rate", "25", "-o",
       dir.File("p_01.bmp")},
      {"graph", doc, "--view", "time", "-o", dir.File("lien.svg")},
      {"strobe", doc, "-o", dir.File("lien.svg")},
      Track(doc),
  };
  for (const auto& args : runs) {
    std::string what;
    for (const auto& a : args) what += a + " ";
    const auto r = Cli(args);
    EXPECT_NE(r.status, 0) << what;
    const bool named = r.err.find("est lu par cette opération : il ne peut pas être remplacé.") !=
                           std::string::npos ||
                       r.err.find("Détail : c'est un dossier") != std::string::npos;
    EXPECT_TRUE(named) << what << "\n" << r.err;
    ExpectInputsUnchanged(what);
  }
  EXPECT_TRUE(fs::is_directory(dir.File("vide.avi")));
  EXPECT_TRUE(fs::is_symlink(dir.File("lien.svg")));
}

TEST_F(OutputSafety, AFullDiskFailsNamingTheCauseAndKeepsTheOldFile) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
      {"g.svg", {"graph", doc, "--view", "time", "-o"}},
      {"g.png", {"graph", doc, "--view", "time", "-o"}},
      {"g.pdf", {"graph", doc, "--view", "time", "-o"}},
      {"c.png", {"strobe", doc, "-o"}},
      {"t.txt", {"export", doc, "--format", "txt", "-o"}},
      {"t.csv", {"export", doc, "--format", "csv", "-o"}},
      {"t.xlsx", {"export", doc, "--format", "xlsx", "-o"}},
      {"t.ods", {"export", doc, "--format", "ods", "-o"}},
      {"f.ppm", {"frame", video, "2", "-o"}},
      {"n.kvo", {"new", video, "-o"}},
      {"m.avi", {"montage", doc, "-o"}},
      {"j.avi", {"join", dir.File("p_01.bmp"), dir.File("p_02.bmp"), "--rate", "25", "-o"}},
      {"s.kvo", Track("")},
      // The first picture of a split is s_01.bmp.
      {"s_01.bmp", {"split", video, "-o", dir.File("s.bmp")}},
  };
  for (const auto& [name, command] : runs) {
    const std::string out = dir.File(name);
    std::ofstream(out, std::ios::binary) << kOld;
    before[name] = kOld;
    std::vector<std::string> args = command;
    if (args.back().empty())
      args.back() = out;
    else if (args[0] != "split")
      args.push_back(out);
    // 1 KiB: more than any message, less than any of these files.
    const auto r = test::RunProgramWithFileLimit(KINEVO_CLI_PATH, args, 2);
    EXPECT_NE(r.status, 0) << name;
    EXPECT_NE(r.err.find(out), std::string::npos) << name << "\n" << r.err;
    EXPECT_NE(r.err.find("Détail : "), std::string::npos) << name << "\n" << r.err;
    ExpectInputsUnchanged(name);
  }
  // No temporary file is left behind.
  EXPECT_EQ(dir.Names().size(), before.size());
}

TEST_F(OutputSafety, DevicesAreWrittenProtectedFilesRefusedLinksWrittenThrough) {
  ASSERT_EQ(Cli({"export", doc, "--format", "csv", "-o", "/dev/null"}).status, 0);
  ASSERT_EQ(Cli({"montage", doc, "-o", "/dev/null"}).status, 0);
  struct stat st {};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  if (fs::exists("/dev/full")) {
    const auto full = Cli({"export", doc, "--format", "csv", "-o", "/dev/full"});
    EXPECT_NE(full.status, 0);
    EXPECT_NE(full.err.find("Détail : disque plein"), std::string::npos) << full.err;
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }

  // Protected against writing: refused, even to the superuser.
  const std::string locked = dir.File("garde");
  for (const auto& [ext, command] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {".txt", {"export", doc, "--format", "txt", "-o"}},
           {".csv", {"export", doc, "--format", "csv", "-o"}},
           {".ods", {"export", doc, "--format", "ods", "-o"}},
           {".kvo", {"new", video, "-o"}},
           {"-suivi.kvo", Track("")}}) {
    const std::string out = locked + ext;
    std::ofstream(out) << kOld;
    chmod(out.c_str(), 0444);
    std::vector<std::string> args = command;
    if (args.back().empty())
      args.back() = out;
    else
      args.push_back(out);
    const auto r = Cli(args);
    EXPECT_NE(r.status, 0) << ext;
    EXPECT_NE(r.err.find("Détail : le fichier existant est protégé en écriture"), std::string::npos)
        << ext << "\n"
        << r.err;
    EXPECT_EQ(test::ReadFileBytes(out), kOld) << ext;
  }

  // Links: the link stays, its target is replaced.
  const test::TempDir other{"kinevo-outputs-target"};
  for (const auto& [name, command] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"t.ods", {"export", doc, "--format", "ods", "-o"}},
           {"m.avi", {"montage", doc, "-o"}},
           {"j.avi", {"join", dir.File("p_01.bmp"), dir.File("p_02.bmp"), "--rate", "25", "-o"}}}) {
    const std::string target = other.File(name), link = dir.File("lien-" + name);
    std::ofstream(target) << kOld;
    fs::create_symlink(target, link);
    std::vector<std::string> args = command;
    args.push_back(link);
    const auto r = Cli(args);
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    EXPECT_TRUE(fs::is_symlink(link)) << name;
    EXPECT_NE(test::ReadFileBytes(target), kOld) << name;
    EXPECT_GT(fs::file_size(target), 1000u) << name;
  }
  ExpectInputsUnchanged("links");
}

TEST_F(OutputSafety, ValuesTheReadersWouldRefuseAreRefusedBeforeWriting) {
  const std::string out = dir.File("refus.kvo"), avi = dir.File("refus.avi");
  const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
      {{"new", video, "-o", out, "--duration", "1e-9"}, "--duration : 1e-9 s"},
      {{"new", video, "-o", out, "--duration", "1e9"}, "--duration : 1e9 s"},
      {{"new", video, "-o", out, "--scale", "0,0,10,10,1e308"}, "la longueur 1e308 m"},
      {{"new", video, "-o", out, "--origin", "250,20"}, "le point 250,20"},
      {{"join", dir.File("p_01.bmp"), "--rate", "0.01", "-o", avi}, "La cadence de 0.01 images"},
      {{"montage", doc, "--rate", "0.01", "-o", avi}, "La cadence de 0.01 images"},
  };
  for (const auto& [args, named] : runs) {
    const auto r = Cli(args);
    EXPECT_NE(r.status, 0) << args[0] << " " << named;
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(avi));
  }
}

}  // namespace
