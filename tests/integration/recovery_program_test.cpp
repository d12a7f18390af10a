// The crash recovery of the real program, offscreen: a program marks a
// document and is killed; a second instance started meanwhile offers
// nothing; the next start reports a damaged recovery document, offers the
// killed program's work, and that work (marks, scale, origin) is back and
// saved under the name of the document it came from.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "core/common/ini_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos_avi.h"

extern char** environ;

namespace fs = std::filesystem;
using kinevo::TIniFile;

namespace {

#ifdef KINEVO_PROGRAM_PATH
constexpr const char* kProgram = KINEVO_PROGRAM_PATH;
#else
constexpr const char* kProgram = "";
#endif

// The program running with its own home, state and settings folders and a
// script; its standard error goes to a file.
class Instance {
 public:
  Instance(const kinevo::test::TempDir& dir, const std::string& name, const std::string& script)
      : errPath_(dir.File(name + ".err")) {
    const std::string scriptPath = dir.File(name + ".script");
    std::ofstream(scriptPath) << script;
    std::vector<std::string> env = {"HOME=" + dir.Path(),
                                    "XDG_STATE_HOME=" + dir.File("state"),
                                    "XDG_CONFIG_HOME=" + dir.File("config"),
                                    "XDG_DATA_HOME=" + dir.File("data"),
                                    "QT_QPA_PLATFORM=offscreen",
                                    "KINEVO_TEST_SCRIPT=" + scriptPath,
                                    "ASAN_OPTIONS=detect_leaks=0"};
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string v = *e;
      const std::string key = v.substr(0, v.find('='));
      if (key != "HOME" && key.rfind("XDG_", 0) != 0 && key != "QT_QPA_PLATFORM" &&
          key != "ASAN_OPTIONS")
        env.push_back(v);
    }
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string program = kProgram;
    char* argv[] = {program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Instance() {
    if (pid_ > 0) Kill();
  }
  bool Started() const { return pid_ > 0; }
  void Kill() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  // The exit code, or -1 when it did not end within `seconds`.
  int Wait(int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }
  std::string Errors() const {
    std::string text;
    kinevo::ReadWholeFile(errPath_, text);
    return text;
  }

 private:
  std::string errPath_;
  pid_t pid_ = -1;
};

std::vector<std::string> Files(const std::string& folder, const std::string& ending) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const std::string p = e.path().string();
    if (p.size() >= ending.size() &&
        p.compare(p.size() - ending.size(), ending.size(), ending) == 0)
      found.push_back(p);
  }
  return found;
}

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
  if (std::string(kProgram).empty()) GTEST_SKIP() << "built without the program";
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
    ASSERT_TRUE(kinevo::ReadWholeFile(copy, text));
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
