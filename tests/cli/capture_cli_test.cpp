// kinevo-cli capture with the test-pattern camera: the device list, a timed
// recording with a countdown, and the refusals of bad requests.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/text_checks.h"

namespace {

using kinevo::test::RunCli;

using kinevo::test::Keys;

TEST(CaptureCli, ListsTheTestPatternFirst) {
  const auto r = RunCli(KINEVO_CLI_PATH, {"capture", "--list"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("0: Mire de test\n", 0), 0u) << r.out;
}

TEST(CaptureCli, RecordsThreeSecondsAfterTheCountdownAndKinevoOpensThem) {
  kinevo::test::TempDir dir;
  const auto r = RunCli(KINEVO_CLI_PATH, {"capture", "--device", "Mire de test", "--format",
                                          "320x240", "--rate", "25", "--codec", "none", "--delay",
                                          "1", "--seconds", "3", "-o", dir.File("mire")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto keys = Keys(r.out);
  ASSERT_TRUE(keys.count("captured") && keys.count("dropped")) << r.out;
  const int captured = std::stoi(keys.at("captured"));
  EXPECT_NEAR(captured, 75, 2);
  EXPECT_EQ(keys.at("dropped"), "0");
  // The countdown's second is not recorded; nothing is left in the folder
  // but the file asked for.
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"mire.avi"});

  const auto probe = RunCli(KINEVO_CLI_PATH, {"probe", dir.File("mire.avi")});
  ASSERT_EQ(probe.status, 0) << probe.err;
  const auto p = Keys(probe.out);
  ASSERT_TRUE(p.count("images")) << probe.out;
  EXPECT_EQ(std::stoi(p.at("images")), captured);
}

TEST(CaptureCli, RefusesAnUnknownDeviceACodecOrATakenName) {
  kinevo::test::TempDir dir;
  auto r = RunCli(KINEVO_CLI_PATH,
                  {"capture", "--device", "7", "--seconds", "1", "-o", dir.File("a.avi")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("introuvable"), std::string::npos) << r.err;
  r = RunCli(KINEVO_CLI_PATH, {"capture", "--device", "0", "--codec", "divx", "--seconds", "1",
                               "-o", dir.File("a")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Codeur indisponible"), std::string::npos) << r.err;
  const std::string taken = dir.Touch("pris.avi");
  r = RunCli(KINEVO_CLI_PATH, {"capture", "--device", "0", "--seconds", "1", "-o", taken});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::filesystem::file_size(taken), 0u);
  r = RunCli(KINEVO_CLI_PATH, {"capture", "--device", "0", "--seconds", "0", "-o", taken});
  EXPECT_EQ(r.status, 2);
}

}  // namespace
