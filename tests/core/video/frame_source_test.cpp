// The shared behaviour of frame sources (opening checks, bounds, drawing,
// events, re-entrance) and the choice of back-end, against fake back-ends.
#include "core/video/frame_source.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/video/frame_sources.h"

using namespace kinevo;

namespace {

// A back-end that "opens" the files it is told about; image i is a picture
// filled with the grey level i.
class FakeSource : public TBridgeFrameSource {
 public:
  explicit FakeSource(TVideoFramework fw) : TBridgeFrameSource(fw) {}
  ~FakeSource() override { Close(); }

  std::map<std::string, TStreamInfo> files;  // what this back-end can open
  std::map<std::string, std::string> comments;
  bool notifyWhenClosed = false;
  bool failFetch = false;
  std::function<void()> duringFetch;
  std::vector<std::string> log;

  bool LoadBridgeLibrary() override { return true; }
  std::string FileComment(const std::string& f) override {
    auto it = comments.find(f);
    return it == comments.end() ? "" : it->second;
  }

 protected:
  bool OpenFile(const std::string& f, TStreamInfo& info) override {
    log.push_back("open " + f);
    auto it = files.find(f);
    if (it == files.end()) return false;
    info = it->second;
    return true;
  }
  void CloseFile() override { log.push_back("close"); }
  bool FetchImage(int32_t index, Image& p) override {
    if (duringFetch) duringFetch();
    if (failFetch) return false;
    p.Resize(ImageWidth(), ImageHeight());
    p.Fill(RGBColor(static_cast<uint8_t>(index), static_cast<uint8_t>(index),
                    static_cast<uint8_t>(index)));
    return true;
  }
  bool CloseNotifiesWhenClosed() const override { return notifyWhenClosed; }
};

TStreamInfo Info(int images, double rate, int w = 8, int h = 6) {
  TStreamInfo i;
  i.width = w;
  i.height = h;
  i.imagesNumber = images;
  i.imageRate = rate;
  return i;
}

}  // namespace

TEST(FrameSource, OpensAndKeepsTheFileProperties) {
  FakeSource s(fwVfw);
  s.files["a.avi"] = Info(50, 25);
  int opens = 0;
  void* sender = nullptr;
  TConnection onOpenLink = s.OnOpen.Connect([&](void* p) { ++opens, sender = p; });
  s.Open("a.avi");
  ASSERT_TRUE(s.Opened());
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(sender, &s);
  EXPECT_EQ(s.FileName(), "a.avi");
  EXPECT_EQ(s.ImagesNumber(), 50);
  EXPECT_EQ(s.ImageIndex(), 0);
  EXPECT_DOUBLE_EQ(s.ImageDuration(), 0.04);
  EXPECT_EQ(s.ImageDurationMs(), 40);
  EXPECT_EQ(s.WorkBitmap().Width(), 8);  // the first image was decoded as a test

  s.files["b.avi"] = Info(10, 29.97);
  s.Open("b.avi");
  EXPECT_EQ(s.ImageDurationMs(), 33);
  EXPECT_EQ(s.ImagesNumber(), 10);
}

TEST(FrameSource, DurationToMsRoundsAndBounds) {
  uint16_t ms = 0;
  EXPECT_TRUE(TFrameSource::DurationToMs(65.535, ms));
  EXPECT_EQ(ms, 65535);
  EXPECT_FALSE(TFrameSource::DurationToMs(65.5355, ms));
  EXPECT_TRUE(TFrameSource::DurationToMs(0.0025, ms));  // 2.5 -> 2: halves to even
  EXPECT_EQ(ms, 2);
  EXPECT_FALSE(TFrameSource::DurationToMs(0.0, ms));
  EXPECT_FALSE(TFrameSource::DurationToMs(-1.0, ms));
  EXPECT_FALSE(TFrameSource::DurationToMs(1.0 / 0.0, ms));
}

TEST(FrameSource, RefusesFilesItCannotShow) {
  FakeSource s(fwDS);
  s.files["slow"] = Info(5, 1.0 / 70);  // 70 000 ms per image: beyond 16 bits
  s.files["zero-rate"] = Info(5, 0);
  s.files["tiny-rate"] = Info(5, 1e-200);
  s.files["no-image"] = Info(0, 25);
  s.files["no-size"] = Info(5, 25, 0, 6);
  s.files["ok"] = Info(5, 25);
  int opens = 0;
  TConnection onOpenLink = s.OnOpen.Connect([&](void*) { ++opens; });
  for (const char* f : {"slow", "zero-rate", "tiny-rate", "no-image", "no-size", "missing", ""}) {
    s.Open(f);
    EXPECT_FALSE(s.Opened()) << f;
    EXPECT_EQ(s.ImagesNumber(), 0) << f;
  }
  s.failFetch = true;  // the test image cannot be decoded
  s.Open("ok");
  EXPECT_FALSE(s.Opened());
  EXPECT_EQ(opens, 0);
  s.failFetch = false;
  s.Open("ok");
  EXPECT_TRUE(s.Opened());
  EXPECT_EQ(opens, 1);
}

TEST(FrameSource, CloseNotifiesAsTheBackEndSays) {
  FakeSource vfw(fwVfw), ds(fwDS);
  ds.notifyWhenClosed = true;
  int vfwCloses = 0, dsCloses = 0;
  TConnection vfwLink = vfw.OnClose.Connect([&](void*) { ++vfwCloses; });
  TConnection dsLink = ds.OnClose.Connect([&](void*) { ++dsCloses; });
  vfw.Close();
  ds.Close();
  EXPECT_EQ(vfwCloses, 0);  // nothing open: nothing to say
  EXPECT_EQ(dsCloses, 1);   // this one says it on every call
  vfw.files["f"] = Info(3, 25);
  vfw.Open("f");
  vfw.Open("");  // an empty name only closes
  EXPECT_EQ(vfwCloses, 1);
  EXPECT_FALSE(vfw.Opened());
  EXPECT_EQ(vfw.FileName(), "");
}

TEST(FrameSource, GoToImageIsBounded) {
  FakeSource s(fwVfw);
  s.GoToImage(3);  // nothing open
  EXPECT_EQ(s.ImageIndex(), 0);
  s.files["f"] = Info(20, 25);
  s.Open("f");
  s.GoToImage(7);
  EXPECT_EQ(s.ImageIndex(), 7);
  s.GoToImage(-5);
  EXPECT_EQ(s.ImageIndex(), 0);
  s.GoToImage(s.ImagesNumber() + 10);
  EXPECT_EQ(s.ImageIndex(), 19);
}

TEST(FrameSource, DrawImageStretchesTheRectangleAndInverts) {
  FakeSource s(fwVfw);
  Image dest(4, 4, colors::Red);
  EXPECT_FALSE(s.DrawImage(dest));  // nothing open: untouched
  EXPECT_EQ(dest, Image(4, 4, colors::Red));
  s.files["f"] = Info(20, 25);
  s.Open("f");
  s.GoToImage(9);
  ASSERT_TRUE(s.DrawImage(dest, {2, 2, 4, 4}));
  EXPECT_EQ(dest, Image(4, 4, RGBColor(9, 9, 9)));
  s.SetCopyMode(TRasterOp::ropNotSrcCopy);
  ASSERT_TRUE(s.DrawImage(dest));
  EXPECT_EQ(dest, Image(4, 4, RGBColor(246, 246, 246)));
  // The whole picture at its own size (the copy without stretching).
  Image full(8, 6);
  ASSERT_TRUE(s.DrawImage(full));
  EXPECT_EQ(full, Image(8, 6, RGBColor(246, 246, 246)));
  s.SetCopyMode(TRasterOp::ropSrcCopy);
  ASSERT_TRUE(s.DrawImage(full));
  EXPECT_EQ(full, Image(8, 6, RGBColor(9, 9, 9)));
  s.failFetch = true;
  EXPECT_FALSE(s.DrawImage(dest));
  EXPECT_EQ(dest, Image(4, 4, RGBColor(246, 246, 246)));
  EXPECT_FALSE(s.Drawing());
}

TEST(FrameSource, ASecondDrawDuringADrawIsRefused) {
  FakeSource s(fwVfw);
  s.files["f"] = Info(3, 25);
  s.Open("f");
  Image outer(2, 2), inner(2, 2, colors::Lime);
  bool innerResult = true, drawingSeen = false;
  s.duringFetch = [&] {
    drawingSeen = s.Drawing();
    innerResult = s.DrawImage(inner);
  };
  EXPECT_TRUE(s.DrawImage(outer));
  EXPECT_TRUE(drawingSeen);
  EXPECT_FALSE(innerResult);
  EXPECT_EQ(inner, Image(2, 2, colors::Lime));
  EXPECT_FALSE(s.Drawing());
}

TEST(FrameSource, ProgressCanCancel) {
  class Slow : public FakeSource {
   public:
    using FakeSource::FakeSource;
    bool OpenFile(const std::string& f, TStreamInfo& info) override {
      for (int i = 0; i <= 10; ++i)
        if (!ReportProgress(i / 10.0)) return false;
      return FakeSource::OpenFile(f, info);
    }
  } s(fwDS);
  s.files["f"] = Info(3, 25);
  std::vector<double> seen;
  s.OnProgress = [&](double f) {
    seen.push_back(f);
    return f < 0.5;
  };
  s.Open("f");
  EXPECT_FALSE(s.Opened());
  EXPECT_EQ(seen.size(), 6u);
  s.OnProgress = nullptr;
  s.Open("f");
  EXPECT_TRUE(s.Opened());
}

// The choice of back-end.
class Chain : public ::testing::Test {
 protected:
  FakeSource vfw{fwVfw}, ds{fwDS}, ff{fwFFMpeg};
  TFrameSources chain{vfw, ds, ff};
  std::vector<std::string> Tried() {
    std::vector<std::string> t;
    for (auto* s : {&vfw, &ds, &ff})
      for (const auto& l : s->log)
        if (l.rfind("open ", 0) == 0)
          t.push_back(std::to_string(s->Framework()) + ":" + l.substr(5));
    for (auto* s : {&vfw, &ds, &ff}) s->log.clear();
    return t;
  }
};

TEST_F(Chain, ExtensionSelectsTheFirstBackEnd) {
  EXPECT_EQ(TFrameSources::FrameworkForFile("a.AVI", fwDS), fwVfw);
  EXPECT_EQ(TFrameSources::FrameworkForFile("/x/a.Mpeg", fwVfw), fwDS);
  EXPECT_EQ(TFrameSources::FrameworkForFile("a.mpg", fwVfw), fwDS);
  EXPECT_EQ(TFrameSources::FrameworkForFile("a.WMV", fwVfw), fwDS);
  EXPECT_EQ(TFrameSources::FrameworkForFile("a.MOV", fwVfw), fwFFMpeg);
  EXPECT_EQ(TFrameSources::FrameworkForFile("a.mp4", fwDS), fwDS);
  EXPECT_EQ(TFrameSources::FrameworkForFile("dir.avi/file", fwFFMpeg), fwFFMpeg);
  EXPECT_EQ(TFrameSources::FrameworkForFile("", fwFFMpeg), fwFFMpeg);
}

TEST_F(Chain, UpperCaseAviOpensWithTheAviReader) {
  vfw.files["A.AVI"] = Info(5, 25);
  ds.files["A.AVI"] = Info(5, 25);
  EXPECT_EQ(&chain.Open("A.AVI"), &vfw);
  EXPECT_EQ(Tried(), std::vector<std::string>{"0:A.AVI"});
  EXPECT_TRUE(vfw.Opened());
}

TEST_F(Chain, UnknownExtensionKeepsThePreviousBackEnd) {
  ds.files["x.wmv"] = Info(5, 25);
  ds.files["y.mp4"] = Info(5, 25);
  ff.files["y.mp4"] = Info(5, 25);
  // As the first file of the run: AVI reader, then FFmpeg.
  EXPECT_EQ(&chain.Open("y.mp4"), &ds);
  EXPECT_EQ(Tried(), (std::vector<std::string>{"0:y.mp4", "1:y.mp4"}));
  // After a .wmv: FFmpeg at once.
  chain.Open("x.wmv");
  Tried();
  EXPECT_EQ(&chain.Open("y.mp4"), &ds);
  EXPECT_EQ(Tried(), std::vector<std::string>{"1:y.mp4"});
}

TEST_F(Chain, RefusedAviFallsThroughToTheBridge) {
  ff.files["odd.avi"] = Info(5, 25);
  TFrameSource& s = chain.Open("odd.avi");
  EXPECT_EQ(&s, &ff);
  EXPECT_TRUE(s.Opened());
  EXPECT_EQ(chain.Framework(), fwFFMpeg);
  EXPECT_EQ(Tried(), (std::vector<std::string>{"0:odd.avi", "1:odd.avi", "2:odd.avi"}));
}

TEST_F(Chain, NothingOpensAndTheMessageSaysSo) {
  TFrameSource& s = chain.Open("bad.avi");
  EXPECT_FALSE(s.Opened());
  EXPECT_FALSE(vfw.Opened() || ds.Opened() || ff.Opened());
  const auto lines = VideoOpenFailureLines(true, false);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Impossible d'ouvrir ce fichier vidéo. Problèmes possibles et suggestions :");
  EXPECT_NE(lines[2].find("FFmpeg"), std::string::npos);
  EXPECT_NE(lines[3].find("KvoDll"), std::string::npos);
  EXPECT_EQ(VideoOpenFailureLines(true, true).size(), 3u);
  EXPECT_EQ(VideoOpenFailureLines(false, false),
            (std::vector<std::string>{"Impossible d'ouvrir ce fichier vidéo.",
                                      "Vérifier qu'il n'a pas été déplacé."}));
}

TEST_F(Chain, OwnRecorderCommentSelectsTheBridge) {
  vfw.files["rec.avi"] = Info(5, 25);
  ff.files["rec.avi"] = Info(5, 25);
  ff.comments["rec.avi"] = "Kinevo video FFMpeg MPEG4 codec";
  EXPECT_EQ(&chain.Open("rec.avi"), &ff);
  EXPECT_EQ(Tried(), std::vector<std::string>{"2:rec.avi"});
}

TEST_F(Chain, OnlyTheSelectedSourceKeepsAFile) {
  vfw.files["a.avi"] = Info(5, 25);
  ds.files["b.wmv"] = Info(5, 25);
  int vfwCloses = 0;
  TConnection onCloseLink = vfw.OnClose.Connect([&](void*) { ++vfwCloses; });
  chain.Open("a.avi");
  chain.Open("b.wmv");
  EXPECT_TRUE(ds.Opened());
  EXPECT_FALSE(vfw.Opened());
  EXPECT_EQ(vfwCloses, 0);  // released quietly: the view listens to the selected source only
  // Closing with an empty name closes what the chain reaches.
  chain.Open("");
  EXPECT_FALSE(ds.Opened() || ff.Opened() || vfw.Opened());
}
