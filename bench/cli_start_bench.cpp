// Start-up of kinevo-cli (target: --version answered in under 15 ms), in
// the same run as its anchor, ffprobe -version, and as a command that loads
// the commands' module (eval), each as a whole process: started, run,
// waited for.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs the program with its output thrown away; false when it failed.
bool Run(const std::vector<std::string>& words) {
  std::vector<std::string> copy = words;
  std::vector<char*> argv;
  for (auto& w : copy) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Measure(benchmark::State& state, const std::vector<std::string>& words) {
  for (auto _ : state)
    if (!Run(words)) {
      state.SkipWithError(("failed: " + words.front()).c_str());
      return;
    }
}

void BM_CliVersion(benchmark::State& state) { Measure(state, {KINEVO_CLI_PATH, "--version"}); }
void BM_FfprobeVersion(benchmark::State& state) { Measure(state, {"ffprobe", "-version"}); }
void BM_CliCommand(benchmark::State& state) { Measure(state, {KINEVO_CLI_PATH, "eval", "1+1"}); }

}  // namespace

BENCHMARK(BM_CliVersion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FfprobeVersion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
