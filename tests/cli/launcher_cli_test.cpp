// kinevo-cli is a launcher: asking its version loads none of the video,
// spreadsheet or picture libraries, and its commands' module draws graph
// pictures without the widgets library.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.h"

namespace {

const std::string kCli = KINEVO_CLI_PATH;

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('/')); }

// The shared libraries a file needs, as the dynamic loader lists them.
std::string Needed(const std::string& file) {
  const kinevo::test::ProgramRun r = kinevo::test::RunProgram("ldd", {file});
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

TEST(CliLauncher, TheProgramLinksNoVideoSpreadsheetOrQtLibrary) {
  const std::string needed = Needed(kCli);
  for (const char* library : {"libQt6", "libavcodec", "libavformat", "libavdevice", "libxlsxwriter",
                              "libzip", "libturbojpeg"})
    EXPECT_EQ(needed.find(library), std::string::npos) << library << "\n" << needed;
}

TEST(CliLauncher, TheVersionIsAnsweredWithoutLoadingTheCommands) {
  // The loader names every object it opens when asked to.
  const kinevo::test::ProgramRun r =
      kinevo::test::RunProgram("/usr/bin/env", {"LD_DEBUG=files", kCli, "--version"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Kinevo ", 0), 0u) << r.out;
  EXPECT_NE(r.err.find("file=libc.so"), std::string::npos) << "no loader trace:\n" << r.err;
  for (const char* object : {"kinevo-cli-commands", "libQt6", "libav"})
    EXPECT_EQ(r.err.find(object), std::string::npos) << object;
}

TEST(CliLauncher, VideoCommandsLoadNoQtSpreadsheetOrCaptureLibrary) {
  const std::string video = Folder(kCli) + "/kinevo-cli-video.so";
  const std::string needed = Needed(video);
  EXPECT_NE(needed.find("libavcodec"), std::string::npos) << needed;
  for (const char* library : {"libQt6", "libxlsxwriter", "libzip", "libavdevice"})
    EXPECT_EQ(needed.find(library), std::string::npos) << library << "\n" << needed;
  // A probe goes through that module and answers; its help is there too.
  const std::string file = std::string(KINEVO_BINARY_DIR) + "/demo/lancer.avi";
  kinevo::test::ProgramRun r =
      kinevo::test::RunProgram("/usr/bin/env", {"LD_DEBUG=files", kCli, "probe", file});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("images: "), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("kinevo-cli-video.so"), std::string::npos) << r.err.substr(0, 2000);
  for (const char* object : {"kinevo-cli-commands", "libQt6"})
    EXPECT_EQ(r.err.find(object), std::string::npos) << object;
  r = kinevo::test::RunProgram(kCli, {"frame", "--help"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("frame"), std::string::npos) << r.out;
}

TEST(CliLauncher, TheCommandsModuleDrawsWithoutWidgets) {
  const std::string needed = Needed(Folder(kCli) + "/kinevo-cli-commands.so");
  EXPECT_NE(needed.find("libavformat"), std::string::npos) << needed;
  EXPECT_EQ(needed.find("libQt6Widgets"), std::string::npos) << needed;
  EXPECT_EQ(needed.find("libQt6PrintSupport"), std::string::npos) << needed;
  // A command goes through the module.
  const kinevo::test::ProgramRun r = kinevo::test::RunProgram(kCli, {"eval", "2*3"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "6\n");
}

}  // namespace
