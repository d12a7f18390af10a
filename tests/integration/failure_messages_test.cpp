// Failures that reach the user name their cause.  Twelve ways of failing
// to open or save a document, each met in the real window (offscreen, its
// dialogs answered by a test script and written on stderr) and on the
// command line: each gives its own French message, and the message names
// what went wrong, not only that something did.
//
// The administrator reads and writes any file, so when the tests run as
// root both programs run as an ordinary user (nobody) over files that user
// owns.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/common/ini_file.h"
#include "support/program_instance.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace fs = std::filesystem;
using namespace kinevo;

namespace {

constexpr uid_t kNobody = 65534;

struct Case {
  std::string name;
  bool save;                  // a save of the good document's analysis; else an opening
  std::string path;           // the document opened, or the file saved
  std::string reason, cause;  // fragments the message must hold
};

class FailureMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::TwoSystems::Write(dir.Path());
    ASSERT_FALSE(doc.empty());
    video = dir.File("v.avi");
    const std::string reading = "Impossible d'ouvrir ce fichier de sauvegarde.";
    const std::string content = "Erreur de lecture dans le fichier.";
    const std::string videoFails = "Impossible d'ouvrir ce fichier vidéo.";
    const std::string notSaved = "La sauvegarde du fichier a échoué";
    const std::string refused = "n'a pas pu être enregistré";

    fs::create_directory(dir.File("dossier.kvo"));
    const std::string secret = Copy("secret.kvo", {});
    std::ofstream(dir.File("texte.kvo")) << "bonjour\nceci n'est pas une analyse\n";
    std::ofstream(dir.File("abime.avi")) << std::string(4096, 'x');
    fs::create_directory(dir.File("lecture"));
    fs::create_symlink("/dev/full", dir.File("plein.kvo"));
    fs::create_directory(dir.File("dossier2.kvo"));

    cases = {
        {"document introuvable", false, dir.File("absent.kvo"), reading, "fichier introuvable"},
        {"dossier", false, dir.File("dossier.kvo"), reading, "Ce n'est pas un fichier ordinaire"},
        {"lecture interdite", false, secret, reading, "Accès refusé"},
        {"pas un document", false, dir.File("texte.kvo"), content, "n'est pas un document Kinevo"},
        {"échelle", false, Copy("echelle.kvo", {"Data", "ScaleLength", "0.0000001"}), content,
         "longueur d'échelle hors limites (ScaleLength = 0.0000001"},
        {"durée", false, Copy("duree.kvo", {"Data", "RequiredDuration", "0"}), content,
         "durée entre deux images incorrecte (RequiredDuration = 0"},
        {"vidéo déplacée", false,
         Copy("deplace.kvo", {"Main", "VideoFileName", dir.File("parti.avi")}), videoFails,
         "parti.avi"},
        {"vidéo abîmée", false, Copy("abime.kvo", {"Main", "VideoFileName", dir.File("abime.avi")}),
         videoFails, "abime.avi : "},
        {"dossier absent", true, dir.File("absent/travail.kvo"), notSaved, "n'existe pas"},
        {"dossier protégé", true, dir.File("lecture/travail.kvo"), notSaved, "Accès refusé"},
        {"disque plein", true, dir.File("plein.kvo"), notSaved, "disque plein"},
        {"dossier à la place", true, dir.File("dossier2.kvo"), refused, "c'est un dossier"},
    };
    // The files belong to the user the programs run as.
    if (root) {
      for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
        ASSERT_EQ(lchown(e.path().c_str(), kNobody, kNobody), 0) << e.path();
      ASSERT_EQ(chown(dir.Path().c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(chmod(secret.c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.File("lecture").c_str(), 0555), 0);
  }

  struct Edit {
    std::string section, key, value;
  };
  // A copy of the good document with one key changed.
  std::string Copy(const std::string& name, const Edit& edit) const {
    const std::string path = dir.File(name);
    fs::copy_file(doc, path);
    if (edit.key.empty()) return path;
    TIniFile ini(path);
    ini.WriteString(edit.section, edit.key, edit.value);
    EXPECT_TRUE(ini.UpdateFile());
    return path;
  }

  std::vector<std::string> Launcher() const {
    if (!root) return {};
    return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }

  test::ProgramRun Cli(const Case& c) const {
    std::vector<std::string> args = c.save ? std::vector<std::string>{"new", video, "-o", c.path}
                                           : std::vector<std::string>{"dump", c.path};
    std::vector<std::string> launcher = Launcher();
    if (launcher.empty()) return test::RunProgram(KINEVO_CLI_PATH, args);
    launcher.push_back(KINEVO_CLI_PATH);
    launcher.insert(launcher.end(), args.begin(), args.end());
    const std::string program = launcher.front();
    launcher.erase(launcher.begin());
    return test::RunProgram(program, launcher);
  }

  const bool root = geteuid() == 0;
  test::TempDir dir{"kinevo-failures"};
  std::string doc, video;
  std::vector<Case> cases;
};

// Each message holds its reason and its cause, and no two are alike.
void ExpectDistinctMessages(const std::vector<Case>& cases,
                            const std::vector<std::string>& messages) {
  ASSERT_EQ(messages.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_NE(messages[i].find(cases[i].reason), std::string::npos)
        << cases[i].name << ": " << messages[i];
    EXPECT_NE(messages[i].find(cases[i].cause), std::string::npos)
        << cases[i].name << ": " << messages[i];
  }
  EXPECT_EQ(std::set<std::string>(messages.begin(), messages.end()).size(), cases.size());
}

TEST_F(FailureMessages, TheCommandLineNamesEachCauseOnStderr) {
  std::vector<std::string> messages;
  for (const Case& c : cases) {
    const test::ProgramRun r = Cli(c);
    EXPECT_EQ(r.status, 1) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.name;
    messages.push_back(r.err);
  }
  ExpectDistinctMessages(cases, messages);
  // Nothing was written where the saves failed.
  EXPECT_FALSE(fs::exists(dir.File("absent")));
  EXPECT_TRUE(fs::is_empty(dir.File("lecture")));
  EXPECT_TRUE(fs::is_directory(dir.File("dossier2.kvo")));
}

TEST_F(FailureMessages, TheWindowNamesEachCauseInItsMessages) {
  const std::string program = test::DesktopProgram();
  if (program.empty()) GTEST_SKIP() << "built without the desktop program";
  // Each failing command, then the good document between the openings and
  // the saves; the last dialog (closing) is answered "Quitter".
  std::string script = "answer Quitter\n";
  for (const Case& c : cases) {
    if (c.save && script.find("open " + doc + "\n") == std::string::npos)
      script += "open " + doc + "\n";
    script += (c.save ? "saveas " : "open ") + c.path + "\n";
  }
  script += "quit\n";
  test::ProgramInstance window(program, dir, "fenetre", script, {}, Launcher());
  ASSERT_TRUE(window.Started());
  ASSERT_EQ(window.Wait(120), 0) << window.Errors();

  // The dialog that follows each command.
  std::vector<std::string> messages;
  std::istringstream lines(window.Errors());
  std::string line;
  bool waiting = false;
  while (std::getline(lines, line)) {
    if (line.rfind("command: ", 0) == 0) {
      const std::string arg = line.substr(line.find(' ', 9) + 1);
      waiting = arg != doc && line.rfind("command: quit", 0) != 0;
    } else if (waiting && line.rfind("dialog: ", 0) == 0) {
      messages.push_back(line);
      waiting = false;
    }
  }
  ExpectDistinctMessages(cases, messages);
}

}  // namespace
