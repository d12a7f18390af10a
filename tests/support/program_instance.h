#pragma once
// The real desktop program started offscreen with its own home, state,
// settings and data folders and a test script (KINEVO_TEST_SCRIPT, see
// src/gui/app/test_script.h); its standard error, where the script writes
// every dialog and command, goes to a file.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/common/ini_file.h"
#include "support/temp_dir.h"

extern char** environ;

namespace kinevo::test {

// The desktop program of this build; "" when it was built without one.
inline std::string DesktopProgram() {
#ifdef KINEVO_PROGRAM_PATH
  return KINEVO_PROGRAM_PATH;
#else
  return {};
#endif
}

class ProgramInstance {
 public:
  // `extra` adds or replaces environment variables (LC_ALL, PATH ...);
  // `launcher`, when given, is the command (found in PATH) that starts the
  // program, as in "setpriv --reuid=65534 ... PROGRAM".
  ProgramInstance(const std::string& program, const TempDir& dir, const std::string& name,
                  const std::string& script, const std::map<std::string, std::string>& extra = {},
                  const std::vector<std::string>& launcher = {})
      : errPath_(dir.File(name + ".err")) {
    const std::string scriptPath = dir.File(name + ".script");
    std::ofstream(scriptPath) << script;
    std::map<std::string, std::string> vars = {{"HOME", dir.Path()},
                                               {"XDG_STATE_HOME", dir.File("state")},
                                               {"XDG_CONFIG_HOME", dir.File("config")},
                                               {"XDG_DATA_HOME", dir.File("data")},
                                               {"QT_QPA_PLATFORM", "offscreen"},
                                               {"KINEVO_TEST_SCRIPT", scriptPath},
                                               {"ASAN_OPTIONS", "detect_leaks=0"}};
    for (const auto& [k, v] : extra) vars[k] = v;
    std::vector<std::string> env;
    for (const auto& [k, v] : vars) env.push_back(k + "=" + v);
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string v = *e;
      const std::string key = v.substr(0, v.find('='));
      if (vars.count(key) == 0 && key.rfind("XDG_", 0) != 0) env.push_back(v);
    }
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> words = launcher;
    words.push_back(program);
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ProgramInstance() {
    if (pid_ > 0) Kill();
  }
  ProgramInstance(const ProgramInstance&) = delete;
  ProgramInstance& operator=(const ProgramInstance&) = delete;

  bool Started() const { return pid_ > 0; }
  void Kill() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  // The exit code, or -1 when it did not end within `seconds` (or died of
  // a signal).
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
    text = ReadWholeFile(errPath_).value_or("");
    return text;
  }

 private:
  std::string errPath_;
  pid_t pid_ = -1;
};

// The demonstration analysis of the build folder `binaryDir` copied into
// `dir`, its document pointing at the copied video; answers the document.
inline std::string CopyDemo(const TempDir& dir, const std::string& binaryDir) {
  const std::string video = dir.File("lancer.avi"), doc = dir.File("lancer.kvo");
  std::filesystem::copy_file(binaryDir + "/demo/lancer.avi", video);
  std::filesystem::copy_file(binaryDir + "/demo/lancer.kvo", doc);
  TIniFile ini(doc);
  if (!ini.Load()) return {};
  ini.WriteString("Main", "VideoFileName", video);
  return ini.UpdateFile() ? doc : std::string();
}

// The files of `folder` whose names end with `ending`.
inline std::vector<std::string> Files(const std::string& folder, const std::string& ending) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    const std::string p = e.path().string();
    if (p.size() >= ending.size() &&
        p.compare(p.size() - ending.size(), ending.size(), ending) == 0)
      found.push_back(p);
  }
  return found;
}

}  // namespace kinevo::test
