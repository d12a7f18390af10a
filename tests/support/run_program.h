#pragma once
// Runs a program (kinevo-cli in the tests) with its arguments and collects
// its exit status, standard output and standard error.
#include <string>
#include <vector>

namespace kinevo::test {

struct ProgramRun {
  int status = -1;  // exit code, -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Each argument is passed as it is (no shell word splitting).
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args);
// The same with the size of the files the program writes limited to
// `blocks` x 512 bytes: writes beyond fail as on a full disk.  The limit
// covers its standard error file too, which stays far smaller.
ProgramRun RunProgramWithFileLimit(const std::string& program, const std::vector<std::string>& args,
                                   long blocks);
// Splits a command line at blanks, keeping what single quotes enclose
// together (the quotes are removed).
std::vector<std::string> SplitWords(const std::string& line);
// kinevo-cli of this build (KINEVO_CLI_PATH of the test programs).
ProgramRun RunCli(const std::string& cliPath, const std::vector<std::string>& args);

}  // namespace kinevo::test
