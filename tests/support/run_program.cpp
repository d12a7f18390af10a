#include "support/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace kinevo::test {

namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
  return RunProgramWithFileLimit(program, args, 0);
}

ProgramRun RunProgramWithFileLimit(const std::string& program, const std::vector<std::string>& args,
                                   long blocks) {
  ProgramRun r;
  char errName[] = "/tmp/kinevo_stderr_XXXXXX";
  const int fd = mkstemp(errName);
  if (fd < 0) return r;
  close(fd);
  std::string cmd = Quote(program);
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>" + Quote(errName) + " </dev/null";
  // The program inherits the ignored SIGXFSZ, so that a write past the limit
  // fails with EFBIG instead of killing it.
  if (blocks > 0) cmd = "ulimit -f " + std::to_string(blocks) + "; exec " + cmd;
  void (*oldHandler)(int) = blocks > 0 ? signal(SIGXFSZ, SIG_IGN) : nullptr;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  if (blocks > 0) signal(SIGXFSZ, oldHandler);
  if (FILE* e = std::fopen(errName, "r")) {
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), e)) > 0) r.err.append(buf.data(), n);
    std::fclose(e);
  }
  std::remove(errName);
  return r;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : line) {
    if (quoted) {
      if (c == '\'')
        quoted = false;
      else
        word += c;
    } else if (c == '\'') {
      quoted = inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

ProgramRun RunCli(const std::string& cliPath, const std::vector<std::string>& args) {
  return RunProgram(cliPath, args);
}

}  // namespace kinevo::test
