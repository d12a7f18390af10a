// kinevo-cli's video commands on damaged and hostile input: MPEG-2 and WMV
// files with flipped bits, FIFOs, folders and devices, a file without read
// permission, and the reasons of failures on stderr.  No command changes
// the file it reads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/damaged_files.h"
#include "support/fifo_watch.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"

namespace {

using kinevo::test::ProgramRun;

using kinevo::test::ReadBytes;
using kinevo::test::WriteBytes;

ProgramRun Cli(const std::vector<std::string>& args) {
  return kinevo::test::RunProgram(KINEVO_CLI_PATH, args);
}

// 64-bit FNV-1a of a file's bytes.
uint64_t Checksum(const std::string& path) {
  uint64_t h = 14695981039346656037ull;
  for (char c : ReadBytes(path)) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  return h;
}

// The number after "key: " in a command's output, -1 when missing.
long Field(const std::string& out, const std::string& key) {
  const auto at = out.find(key + ": ");
  if (at == std::string::npos) return -1;
  return std::strtol(out.c_str() + at + key.size() + 2, nullptr, 10);
}

// The images ffprobe decodes in the file.
long FfprobeDecodedFrames(const std::string& path) {
  const ProgramRun r = kinevo::test::RunProgram(
      "ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                  "stream=nb_read_frames", "-of", "csv=p=0", path});
  if (r.status != 0 || r.out.empty() || !std::isdigit(static_cast<unsigned char>(r.out[0])))
    return -1;
  return std::strtol(r.out.c_str(), nullptr, 10);
}

std::string ReasonLine(const std::string& err) {
  const auto at = err.find("Détail : ");
  if (at == std::string::npos) return {};
  return err.substr(at, err.find('\n', at) - at);
}

class DamagedVideoCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new kinevo::test::TempDir("kinevo-cli-damaged");
    ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(
        dir->File("v.mpg"), 160, 120, 300, 25,
        {"-c:v", "mpeg2video", "-g", "12", "-bf", "2", "-f", "vob"}));
    ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(dir->File("v.wmv"), 160, 120, 300, 25,
                                                   {"-c:v", "wmv2"}));
    ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(dir->File("raw.avi"), 64, 48, 20, 25,
                                                   {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  static kinevo::test::TempDir* dir;
};
kinevo::test::TempDir* DamagedVideoCli::dir = nullptr;

}  // namespace

// Files with bits flipped in their middle (fixed seeds), and an MPEG-2 file
// with absurd presentation times: probe counts within 2 % of the images
// ffprobe decodes, decode-all goes through every counted image, and no
// command changes the file.
TEST_F(DamagedVideoCli, DamagedFilesGiveHonestCounts) {
  std::vector<std::string> files;
  for (const char* name : {"v.mpg", "v.wmv"}) {
    const std::vector<char> original = ReadBytes(dir->File(name));
    for (unsigned seed = 1; seed <= 3; ++seed) {
      files.push_back(dir->File("d" + std::to_string(seed) + "-" + name));
      WriteBytes(files.back(), kinevo::test::WithFlippedBits(original, seed, 30));
    }
  }
  std::vector<char> times = ReadBytes(dir->File("v.mpg"));
  ASSERT_GT(kinevo::test::FlipMpegPresentationTimes(times, 3), 0);
  files.push_back(dir->File("times.mpg"));
  WriteBytes(files.back(), times);

  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    const long expected = FfprobeDecodedFrames(path);
    ASSERT_GT(expected, 0);
    const uint64_t before = Checksum(path);
    for (const std::string backend : {"ds", "ffmpeg"}) {
      const ProgramRun probe = Cli({"probe", path, "--backend", backend});
      ASSERT_EQ(probe.status, 0) << backend << ": " << probe.err;
      const long images = Field(probe.out, "images");
      EXPECT_LE(std::labs(images - expected) * 50, expected)
          << backend << ": " << images << " vs " << expected;
      const ProgramRun all = Cli({"decode-all", path, "--backend", backend});
      EXPECT_EQ(all.status, 0) << backend << ": " << all.err;
      EXPECT_EQ(Field(all.out, "images"), images) << backend;
    }
    if (path == files.front() || path == files.back()) {
      const ProgramRun frame = Cli({"frame", path, "150", "-o", dir->File("f.png")});
      EXPECT_EQ(frame.status, 0) << frame.err;
      const ProgramRun track = Cli({"track", path, "--contour", "10,10", "30,10", "30,30", "10,30",
                                    "--first", "0", "--last", "20"});
      EXPECT_EQ(track.status, 0) << track.err;
    }
    EXPECT_EQ(Checksum(path), before);
  }
}

// A FIFO with no writer, a folder and a device are refused at once by every
// video command and every back-end, with a message; the FIFO is never opened.
TEST_F(DamagedVideoCli, NonRegularFilesAreRefusedAtOnce) {
  kinevo::test::FifoWatch fifo(dir->File("tube.avi"));
  ASSERT_TRUE(fifo.Made());
  const std::string png = dir->File("out.png");
  std::vector<std::vector<std::string>> commands;
  // Every command and back-end on the FIFO; a folder and a device too.
  for (const std::string backend : {"", "vfw", "ds", "ffmpeg"}) {
    std::vector<std::vector<std::string>> forBackend = {{"probe", fifo.Path()},
                                                        {"frame", fifo.Path(), "0", "-o", png},
                                                        {"decode-all", fifo.Path()}};
    for (auto& c : forBackend) {
      if (!backend.empty()) c.insert(c.end(), {"--backend", backend});
      commands.push_back(c);
    }
  }
  for (const std::string& path : {fifo.Path(), dir->Path(), std::string("/dev/zero")})
    commands.push_back(
        {"track", path, "--contour", "1,1", "9,1", "9,9", "--first", "0", "--last", "3"});
  commands.push_back({"probe", dir->Path()});
  commands.push_back({"decode-all", "/dev/zero"});
  for (const auto& c : commands) {
    const ProgramRun r = Cli(c);
    SCOPED_TRACE(c[0] + " " + c[1] + (c.back() == c[1] ? "" : " ... " + c.back()));
    EXPECT_EQ(r.status, 1);
    const bool folder = c[1] == dir->Path();
    EXPECT_NE(r.err.find(folder ? "c'est un dossier" : "ce n'est pas un fichier ordinaire"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("codec"), std::string::npos) << r.err;
  }
  EXPECT_EQ(fifo.ReadersSeen(), 0);
}

// Two different damages give two different reasons; a file without read
// permission says so.
TEST_F(DamagedVideoCli, FailuresPrintTheirReason) {
  std::vector<char> noise(100000);
  std::mt19937 gen(5);
  for (char& c : noise) c = static_cast<char>(gen());
  const std::string random = dir->File("random.avi");
  WriteBytes(random, noise);
  const std::vector<char> raw = ReadBytes(dir->File("raw.avi"));
  const std::string truncated = dir->File("truncated.avi");
  const std::size_t movi = std::string(raw.begin(), raw.end()).find("movi");
  ASSERT_NE(movi, std::string::npos);
  WriteBytes(truncated,
             std::vector<char>(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(movi) + 4));

  const ProgramRun a = Cli({"probe", random});
  const ProgramRun b = Cli({"probe", truncated});
  EXPECT_EQ(a.status, 1);
  EXPECT_EQ(b.status, 1);
  // The specified lines stay; the reason comes last.
  for (const ProgramRun* r : {&a, &b}) {
    EXPECT_NE(
        r->err.find("Impossible d'ouvrir ce fichier vidéo. Problèmes possibles et suggestions :"),
        std::string::npos);
    EXPECT_NE(r->err.find("le fichier est abîmé ..."), std::string::npos);
  }
  EXPECT_EQ(ReasonLine(a.err), "Détail : ce n'est pas un fichier AVI");
  EXPECT_NE(ReasonLine(b.err).find("tronqué"), std::string::npos) << b.err;

  // Without read permission (as an ordinary user: the administrator reads
  // any file).
  const std::string locked = dir->File("locked.avi");
  std::filesystem::copy_file(dir->File("raw.avi"), locked);
  ASSERT_EQ(::chmod(dir->Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  std::vector<std::string> args = {"probe", locked};
  std::string program = KINEVO_CLI_PATH;
  if (::geteuid() == 0) {
    args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", program});
    program = "setpriv";
  }
  const ProgramRun c = kinevo::test::RunProgram(program, args);
  EXPECT_EQ(c.status, 1) << c.err;
  EXPECT_NE(c.err.find("Accès refusé"), std::string::npos) << c.err;
  EXPECT_EQ(c.err.find("abîmé"), std::string::npos) << c.err;
  EXPECT_EQ(c.err.find("codec"), std::string::npos) << c.err;
}

// An MP4 file whose durations are all 0: probe counts its images, gives the
// rate of its declared length and says its durations are incoherent; the
// file as written says nothing of the kind.
TEST_F(DamagedVideoCli, ProbeSaysWhenDurationsAreIncoherent) {
  const std::string good = dir->File("d.mp4"), bad = dir->File("d0.mp4");
  ASSERT_TRUE(kinevo::test::WriteVideoWithFfmpeg(good, 160, 120, 40, 25, {"-c:v", "mpeg4"}));
  std::vector<char> bytes = ReadBytes(good);
  ASSERT_TRUE(kinevo::test::SetSampleDurations(bytes, 0));
  WriteBytes(bad, bytes);
  const ProgramRun a = Cli({"probe", good});
  const ProgramRun b = Cli({"probe", bad});
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(a.out.find("incohérentes"), std::string::npos) << a.out;
  EXPECT_NE(b.out.find("warning: durées d'images incohérentes"), std::string::npos) << b.out;
  EXPECT_EQ(Field(b.out, "images"), 40);
  EXPECT_NE(b.out.find("rate: 25\n"), std::string::npos) << b.out;
}
