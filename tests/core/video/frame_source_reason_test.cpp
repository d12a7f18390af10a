// Why a frame source refused a file: the reason of each refusal, the one the
// choice of back-end keeps, the failure message that carries it, the check
// of non-regular files, and faults of a back-end that are not hidden.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <stdexcept>

#include "core/common/atomic_file.h"
#include "core/video/frame_source.h"
#include "core/video/frame_sources.h"
#include "support/temp_dir.h"

using namespace kinevo;

namespace {

// A back-end that refuses with a given reason, or opens with given
// properties; it can fail its first image or throw from its hooks.
class ReasonSource : public TBridgeFrameSource {
 public:
  explicit ReasonSource(TVideoFramework fw) : TBridgeFrameSource(fw) {}
  ~ReasonSource() override { Close(); }

  std::string refusal;  // non-empty: OpenFile refuses with it
  TOpenFailure kind = TOpenFailure::Undecodable;
  TStreamInfo info{8, 6, 10, 25.0, 0.4, 0};
  bool failFetch = false;
  bool throwOnOpen = false;

  bool LoadBridgeLibrary() override { return false; }
  std::string FileComment(const std::string&) override { return {}; }

 protected:
  bool OpenFile(const std::string&, TStreamInfo& out) override {
    if (throwOnOpen) throw std::logic_error("fault in the back-end");
    if (!refusal.empty()) {
      SetError(refusal, kind);
      return false;
    }
    out = info;
    return true;
  }
  void CloseFile() override {}
  bool FetchImage(int32_t, Image& p) override {
    if (failFetch) return false;
    p.Resize(ImageWidth(), ImageHeight());
    return true;
  }
};

}  // namespace

TEST(FrameSourceReason, EachRefusalKeepsItsReasonAndASuccessClearsIt) {
  ReasonSource s(fwVfw);
  s.refusal = "ce n'est pas un fichier AVI";
  s.Open("a.avi");
  EXPECT_FALSE(s.Opened());
  EXPECT_EQ(s.Error(), "ce n'est pas un fichier AVI");

  // Properties the back-end read but the source refuses, each with its own
  // reason.
  s.refusal.clear();
  std::map<std::string, TStreamInfo> refused = {
      {"taille d'image nulle", {0, 6, 10, 25.0, 0.4, 0}},
      {"aucune image dans le fichier", {8, 6, 0, 25.0, 0.4, 0}},
      {"cadence d'images inconnue ou nulle", {8, 6, 10, 0.0, 0.4, 0}},
      {"durée d'une image trop longue (plus de 65535 ms)", {8, 6, 10, 1.0 / 70.0, 0.4, 0}},
  };
  for (const auto& [reason, info] : refused) {
    s.info = info;
    s.Open("a.avi");
    EXPECT_FALSE(s.Opened()) << reason;
    EXPECT_EQ(s.Error(), reason);
  }
  s.info = {8, 6, 10, 25.0, 0.4, 0};
  s.failFetch = true;
  s.Open("a.avi");
  EXPECT_FALSE(s.Opened());
  EXPECT_EQ(s.Error(), "la première image ne peut pas être décodée");

  s.failFetch = false;
  s.Open("a.avi");
  EXPECT_TRUE(s.Opened());
  EXPECT_EQ(s.Error(), "");
}

TEST(FrameSourceReason, ChainKeepsTheReasonOfTheBackEndTheFileWasMeantFor) {
  ReasonSource vfw(fwVfw), ds(fwDS), bridge(fwFFMpeg);
  vfw.refusal = "fichier AVI sans données d'images (fichier tronqué ?)";
  ds.refusal = "format de fichier non reconnu";
  bridge.refusal = "greffon absent";
  TFrameSources chain(vfw, ds, bridge);
  chain.Open("cut.avi");
  EXPECT_FALSE(chain.Selected().Opened());
  EXPECT_EQ(chain.Error(), vfw.refusal);
  EXPECT_EQ(chain.Failure(), TOpenFailure::Undecodable);
  vfw.kind = TOpenFailure::Unreadable;
  chain.Open("cut.avi");
  EXPECT_EQ(chain.Failure(), TOpenFailure::Unreadable);

  // A ".mpg" name starts with the time-addressed back-end.
  chain.Open("cut.mpg");
  EXPECT_EQ(chain.Error(), ds.refusal);

  // A back-end further down the chain opens it: no reason is left.
  bridge.refusal.clear();
  chain.Open("cut.avi");
  EXPECT_TRUE(chain.Selected().Opened());
  EXPECT_EQ(chain.Error(), "");
  EXPECT_EQ(chain.Failure(), TOpenFailure::None);
  // Closing (an empty name) leaves no reason either.
  chain.Open("");
  EXPECT_EQ(chain.Error(), "");
}

TEST(FrameSourceReason, FailureMessageKeepsItsLinesAndAddsTheReasonLast) {
  const auto plain = VideoOpenFailureLines(true, true);
  const auto detailed = VideoOpenFailureLines(true, true, "Accès refusé");
  ASSERT_EQ(detailed.size(), plain.size() + 1);
  for (std::size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(detailed[i], plain[i]);
  EXPECT_EQ(detailed.back(), "Détail : Accès refusé");
  // Without the bridge the plugin line stays before the reason.
  const auto noBridge = VideoOpenFailureLines(true, false, "Accès refusé");
  EXPECT_EQ(noBridge.size(), plain.size() + 2);
  EXPECT_NE(noBridge[noBridge.size() - 2].find("KvoDll"), std::string::npos);
  // A missing file keeps its own two lines.
  EXPECT_EQ(VideoOpenFailureLines(TOpenFailure::Missing, true, "fichier introuvable"),
            VideoOpenFailureLines(false, true));
  EXPECT_EQ(VideoOpenFailureLines(TOpenFailure::Undecodable, false, "Accès refusé"), noBridge);
  // A file that cannot be read at all gets no advice about damaged files or
  // codecs: the first line and the reason.
  EXPECT_EQ(
      VideoOpenFailureLines(TOpenFailure::Unreadable, false, "Accès refusé"),
      (std::vector<std::string>{"Impossible d'ouvrir ce fichier vidéo.", "Détail : Accès refusé"}));
}

TEST(FrameSourceReason, OnlyRegularFilesPassTheCheck) {
  kinevo::test::TempDir dir("kinevo-check");
  const std::string file = dir.Touch("a.avi");
  const std::string fifo = dir.File("tube.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_TRUE(TFrameSource::CheckRegularFile(file).Passed());
  const std::string notRegular = "ce n'est pas un fichier ordinaire (tube, périphérique ou socket)";
  const std::map<std::string, std::pair<TOpenFailure, std::string>> refused = {
      {fifo, {TOpenFailure::Unreadable, notRegular}},
      {"/dev/null", {TOpenFailure::Unreadable, notRegular}},
      {dir.Path(), {TOpenFailure::Unreadable, "c'est un dossier, pas un fichier vidéo"}},
      {dir.File("none.avi"), {TOpenFailure::Missing, "fichier introuvable"}},
  };
  for (const auto& [path, expected] : refused) {
    const TFileCheck c = TFrameSource::CheckRegularFile(path);
    EXPECT_EQ(c.failure, expected.first) << path;
    EXPECT_EQ(c.reason, expected.second) << path;
  }
  EXPECT_EQ(FileErrorReason(EACCES), "Accès refusé");
}

// A fault inside a back-end is a programming error: it reaches the caller
// instead of passing for a file that cannot be opened.
TEST(FrameSourceReason, FaultOfABackEndIsNotTakenForARefusal) {
  ReasonSource s(fwDS);
  s.throwOnOpen = true;
  EXPECT_THROW(s.Open("a.mpg"), std::logic_error);
}
