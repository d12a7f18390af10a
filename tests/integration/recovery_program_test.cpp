// The crash recovery of the real program, offscreen: a program marks a
// document and is killed; a second instance started meanwhile offers
// nothing; the next start reports a damaged recovery document, offers the
// killed program's work, and that work (marks, scale, origin) is back and
// saved under the name of the document it came from.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "support/program_instance.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos_avi.h"

namespace fs = std::filesystem;
using kinevo::TIniFile;

namespace {

const std::string kProgram = kinevo::test::DesktopProgram();

// The program with its own home, state and settings folders and a script.
class Instance : public kinevo::test::ProgramInstance {
 public:
  Instance(const kinevo::test::TempDir& dir, const std::string& name, const std::string& script)
      : ProgramInstance(kProgram, dir, name, script) {}
};

using kinevo::test::Files;

constexpr int kImages = 12;

// Every key of the analysis that marking, the scale and the origin wrote.
std::map<std::string, std::string> Analysis(const std::string& path) {
  TIniFile ini(path);
  ini.Load();
  std::map<std::string, std::string> keys;
  for (const auto& [key, value] : ini.ReadSectionValues("Data"))
    if (key.rfind("Mark", 0) == 0 || key.rfind("Scale", 0) == 0 || key.rfind("Origine", 0) == 0 ||
        key.rfind("XAxis", 0) == 0)
      keys[key] = value;
  return keys;
}

}  // namespace

TEST(RecoveryProgram, KilledWorkIsOfferedAtTheNextStartAndComesBackWhole) {
  if (kProgram.empty()) GTEST_SKIP() << "built without the program";
  kinevo::test::TempDir dir("kinevo-recovery-program");
  const std::string video = dir.File("chute.avi");
  ASSERT_TRUE(kinevo::test::WriteIndexedAvi(video, 160, 120, 30));
  const std::string document = dir.File("chute_1_01122025.kvo");
  const auto made = kinevo::test::RunCli(KINEVO_CLI_PATH, {"new", video, "-o", document});
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string folder = dir.File("state") + "/kinevo/recovery";

  // The first program: scale, origin, two systems on twelve images.
  std::string marking =
      "value 0.8\nopen " + document +
      "\ntool echelle\nclick 0.1 0.9\nclick 0.9 0.9\ntool origine\nclick 0.2 0.8\n"
      "systems 2\ntool marque\n";
  for (int i = 0; i < kImages; ++i) {
    const std::string x = std::to_string(0.25 + 0.05 * i);
    marking += "click " + x + " 0.3\nclick " + x + " 0.6\n";
  }
  Instance first(dir, "first", marking);
  ASSERT_TRUE(first.Started());
  // Its recovery document, once it holds every mark (the last ones come
  // with the 30-second clock).
  std::string copy;
  for (int i = 0; i < 900 && copy.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (const std::string& doc : Files(folder, ".kvo")) {
      TIniFile ini(doc);
      ini.Load();
      if (ini.ReadInteger("Data", "MarksContainersNumber_Grid", 0) == kImages &&
          ini.ValueExists("Data", "MarkOrderNumber_Grid_11_1"))
        copy = doc;
    }
  }
  ASSERT_FALSE(copy.empty()) << first.Errors();
  const auto marked = Analysis(copy);
  EXPECT_EQ(marked.at("ScalePointsNumber"), "2");
  EXPECT_TRUE(marked.at("ScaleLength") == "0.8" || marked.at("ScaleLength") == "0,8");
  EXPECT_EQ(marked.at("OriginePointsNumber_Grid"), "1");

  // A second instance while the first runs: nothing is offered, nothing touched.
  Instance second(dir, "second", "answer Quitter\nquit\n");
  EXPECT_EQ(second.Wait(60), 0) << second.Errors();
  EXPECT_EQ(second.Errors().find("ne s'est pas fermé correctement"), std::string::npos)
      << second.Errors();
  EXPECT_TRUE(fs::exists(copy));

  // The first dies; a damaged document lies beside its own.
  first.Kill();
  ASSERT_TRUE(fs::exists(copy));
  {
    std::string text;
    text = kinevo::ReadWholeFile(copy).value_or("");
    ASSERT_FALSE(text.empty());
    std::ofstream(folder + "/kinevo-1-1-0.kvo") << text.substr(0, text.size() / 2);
  }

  const std::string saved = dir.File("repris.kvo");
  Instance third(dir, "third", "answer Récupérer\nanswer Quitter\nsaveas " + saved + "\nquit\n");
  EXPECT_EQ(third.Wait(120), 0) << third.Errors();
  const std::string log = third.Errors();
  EXPECT_NE(log.find("est abîmé"), std::string::npos) << log;
  EXPECT_NE(log.find("Kinevo ne s'est pas fermé correctement. Récupérer l'analyse non "
                     "enregistrée de « chute_1_01122025.kvo » ("),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[Récupérer]"), std::string::npos);
  EXPECT_NE(log.find("save proposed: chute_1_01122025.kvo"), std::string::npos) << log;
  // Every mark, the scale and the origin are back.
  ASSERT_TRUE(fs::exists(saved)) << log;
  EXPECT_EQ(Analysis(saved), marked);
  // The recovered document went, the damaged one is aside, and the clean
  // end left nothing else.
  EXPECT_TRUE(Files(folder, ".kvo").empty());
  EXPECT_TRUE(Files(folder, ".lock").empty());
  EXPECT_EQ(Files(folder, ".damaged").size(), 1u);
}

// The work that used to go unnoticed: a tracking run kept when tracking
// mode is left, and a formula typed in the formulas dialog of the results.  Both count as
// changes, so the recovery copy of a program killed afterwards holds them.
TEST(RecoveryProgram, ACopyHoldsAKeptTrackingRunAndANewFormula) {
  if (kProgram.empty()) GTEST_SKIP() << "built without the program";
  kinevo::test::TempDir dir("kinevo-recovery-tracking");
  const std::string document = kinevo::test::CopyDemo(dir, KINEVO_BINARY_DIR);
  ASSERT_FALSE(document.empty());
  const std::string folder = dir.File("state") + "/kinevo/recovery";
  // The demonstration's ball is marked on images 0 to 9; on image 10 it is
  // at (260, 185) of 640 x 480 pixels, 10 pixels wide.  Twenty changes
  // more make the program write its copy at once.
  std::string script = "open " + document +
                       "\naction ButtonModeTracking\nimage 10\ncontour 0.40625 0.3853 0.0125\n"
                       "track 20\nanswer Enregistrer\naction ButtonModeRepereFixe\n"
                       "action ButtonMenuTableau\nformula d=2*x\n";
  for (int i = 0; i < 20; ++i) script += "action MenuMesuresInverserAxeY\n";
  Instance program(dir, "killed", script);
  ASSERT_TRUE(program.Started());
  std::string copy;
  for (int i = 0; i < 600 && copy.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (const std::string& doc : Files(folder, ".kvo")) {
      TIniFile ini(doc);
      if (ini.Load() && ini.ReadInteger("Formules", "FormulesNumber", 0) == 1 &&
          ini.ReadInteger("Data", "MarksContainersNumber_Grid", 0) == 21)
        copy = doc;
    }
  }
  program.Kill();
  ASSERT_FALSE(copy.empty()) << program.Errors();
  TIniFile ini(copy);
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadString("Record", "RecordFormulePhrase_0"), "2*x");
  EXPECT_EQ(ini.ReadString("Record", "RecordFormuleIdentifier_0"), "d");
  // The tracked marks follow the ball: on image 20 it is at (460, 264) pixels.
  bool found = false;
  for (int i = 0; i < 21; ++i) {
    const std::string c = "_Grid_" + std::to_string(i);
    if (ini.ReadInteger("Data", "MarksContainerFrameNumber" + c, -1) != 20) continue;
    found = true;
    double x = 0, y = 0;
    ASSERT_TRUE(kinevo::TextToFloat(ini.ReadString("Data", "MarkXCoordinate" + c + "_0"), x));
    ASSERT_TRUE(kinevo::TextToFloat(ini.ReadString("Data", "MarkYCoordinate" + c + "_0"), y));
    EXPECT_NEAR(x * 640, 460, 3);
    EXPECT_NEAR(y * 480, 264, 3);
  }
  EXPECT_TRUE(found);
}
