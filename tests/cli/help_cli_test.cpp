// kinevo-cli --help, each command's --help and the manual page written from
// the same texts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

using kinevo::test::ProgramRun;

ProgramRun Cli(const std::vector<std::string>& args) {
  return kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
}

struct Listed {
  std::string name;
  std::vector<std::string> options;  // "--backend", "-o" ...
};

// The commands of the --help listing with the options of their usage line.
std::vector<Listed> ListedCommands(const std::string& usage) {
  std::vector<Listed> out;
  std::istringstream lines(usage.substr(usage.find("Commandes :")));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line) && line.rfind("  ", 0) == 0) {
    std::istringstream words(line);
    Listed c;
    words >> c.name;
    std::string w;
    while (words >> w) {
      const auto at = w.find_first_not_of("[");
      if (at == std::string::npos || w[at] != '-') continue;
      const auto end = w.find_first_of("]| ", at);
      c.options.push_back(w.substr(at, end == std::string::npos ? end : end - at));
    }
    out.push_back(c);
  }
  return out;
}

TEST(HelpCliTest, ListsTheCommandsOnStdoutAndUsageErrorsOnStderr) {
  const ProgramRun help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  const auto commands = ListedCommands(help.out);
  std::vector<std::string> names;
  for (const auto& c : commands) names.push_back(c.name);
  for (const char* expected :
       {"decode-all", "dump", "eval", "export", "frame", "new", "probe", "results", "track"})
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;

  const ProgramRun none = Cli({});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, help.out);

  const ProgramRun unknown = Cli({"help", "nothing"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("commande inconnue « nothing »"), std::string::npos) << unknown.err;
}

TEST(HelpCliTest, EveryCommandExplainsEachOptionOfItsUsageLine) {
  const auto commands = ListedCommands(Cli({"--help"}).out);
  ASSERT_GE(commands.size(), 9u);
  for (const auto& c : commands) {
    SCOPED_TRACE(c.name);
    const ProgramRun help = Cli({c.name, "--help"});
    // Asking for help runs nothing: no file is needed, nothing is written.
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("Usage : kinevo-cli " + c.name + " ", 0), 0u) << help.out;
    EXPECT_EQ(Cli({"help", c.name}).out, help.out);
    const auto options = help.out.find("\nOptions :\n");
    if (c.options.empty()) continue;
    ASSERT_NE(options, std::string::npos) << "no option described (src/cli/help.cpp):\n"
                                          << help.out;
    for (const auto& o : c.options)
      EXPECT_NE(help.out.find("\n  " + o, options), std::string::npos) << o << " not described";
  }
}

TEST(HelpCliTest, HelpLinesFitATerminal) {
  for (const char* cmd : {"track", "graph", "export"}) {
    std::istringstream lines(Cli({cmd, "--help"}).out);
    std::string line;
    while (std::getline(lines, line)) {
      std::size_t chars = 0;
      for (char ch : line) chars += (ch & 0xC0) != 0x80;
      EXPECT_LE(chars, 80u) << cmd << ": " << line;
    }
  }
}

TEST(HelpCliTest, ManualPageCarriesEveryCommandInValidRoff) {
  const ProgramRun man = Cli({"--man"});
  ASSERT_EQ(man.status, 0) << man.err;
  EXPECT_EQ(man.out.rfind(".\\\"", 0), 0u);
  EXPECT_NE(man.out.find("\n.TH KINEVO-CLI 1 "), std::string::npos);
  for (const auto& c : ListedCommands(Cli({"--help"}).out)) {
    std::string roffName;  // hyphens escaped
    for (char ch : c.name) roffName += ch == '-' ? std::string("\\-") : std::string(1, ch);
    EXPECT_NE(man.out.find("\n.SS " + roffName + "\n"), std::string::npos) << c.name;
  }
  // Options are escaped hyphens; a text line starting with a dot would be
  // taken as a request and vanish.
  EXPECT_NE(man.out.find(".B \\-\\-backend vfw|ds|ffmpeg\n"), std::string::npos);
  EXPECT_EQ(man.out.find("\n--"), std::string::npos);
  std::istringstream lines(man.out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] != '.') continue;
    const std::string request = line.substr(0, line.find(' '));
    static const std::vector<std::string> known = {".\\\"", ".TH", ".SH", ".SS", ".B", ".I",
                                                   ".BR",   ".br", ".PP", ".TP", ".nh"};
    EXPECT_NE(std::find(known.begin(), known.end(), request), known.end()) << line;
  }
}

}  // namespace
