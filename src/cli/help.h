#pragma once
// The texts of `kinevo-cli --help`, of each command's --help and of the
// manual page, which is written from the same texts (`kinevo-cli --man`).
#include <ostream>
#include <string>
#include <vector>

namespace kinevo::cli {

struct HelpOption {
  std::string name;  // "--backend vfw|ds|ffmpeg"
  std::string text;
};

struct CommandHelp {
  std::string name;
  std::string synopsis;     // arguments after "kinevo-cli NAME"
  std::string description;  // paragraphs separated by "\n\n"
  std::vector<HelpOption> options;
};

// The detailed help of a command, nullptr for a command without one.
const CommandHelp* FindCommandHelp(const std::string& name);
const std::vector<CommandHelp>& AllCommandHelp();

// The list of commands (kinevo-cli --help).
void PrintUsage(std::ostream& out);
// A command's help (kinevo-cli CMD --help); false for an unknown command.
bool PrintCommandHelp(const std::string& name, std::ostream& out);
// The manual page kinevo-cli(1), in roff.
void PrintManPage(std::ostream& out);

// Text made safe for roff: backslashes doubled, hyphens escaped, and a dot
// or quote at the start of a line shielded.
std::string RoffEscape(const std::string& text);

}  // namespace kinevo::cli
