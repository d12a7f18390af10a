// The built-in AVI reader and writer: every supported layout written and read
// back, OpenDML segments, dropped images, files without index, and broken
// input that must be refused without crashing or allocating without bound.
#include "platform/avi/avi_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/avi/avi_format.h"
#include "platform/avi/avi_writer.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

namespace fs = std::filesystem;
using namespace kinevo;
using namespace kinevo::avi;
using kinevo::test::IndexedImage;
using kinevo::test::ReadIndexPattern;
using kinevo::test::WriteIndexedAvi;

namespace {

class AviFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = kinevo::test::MakeTempDir("kinevo-avi"); }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<int> Shuffled(int n, unsigned seed = 7) {
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(seed));
  return order;
}

struct Layout {
  const char* name;
  TAviWriterOptions options;
  bool exact;  // lossless: pixels compare equal
};

TAviWriterOptions Raw(int bits, bool topDown) {
  TAviWriterOptions o;
  o.bitCount = bits;
  o.topDown = topDown;
  if (bits == 8) o.palette = kinevo::test::IndexPalette();
  return o;
}
TAviWriterOptions Mjpeg() {
  TAviWriterOptions o;
  o.codec = TAviCodec::MJPEG;
  return o;
}

}  // namespace

class AviLayouts : public AviFiles, public ::testing::WithParamInterface<Layout> {};

TEST_P(AviLayouts, ImagesReadBackInAnyOrder) {
  const Layout& l = GetParam();
  // 162 x 122: 24-bit rows of 486 bytes need 2 bytes of padding, 8-bit rows 2.
  const int w = 162, h = 122, n = 40;
  const std::string path = Path("v.avi");
  ASSERT_TRUE(WriteIndexedAvi(path, w, h, n, l.options));

  TAviReader r;
  ASSERT_TRUE(r.Open(path)) << r.Error();
  EXPECT_EQ(r.FrameCount(), n);
  EXPECT_EQ(r.Info().width, w);
  EXPECT_EQ(r.Info().height, h);
  EXPECT_EQ(r.Info().topDown, l.options.topDown);
  EXPECT_EQ(r.Info().rate, 25u);
  EXPECT_EQ(r.Info().scale, 1u);
  Image img;
  for (int i : Shuffled(n)) {
    ASSERT_TRUE(r.ReadFrame(i, img)) << i;
    if (l.exact)
      EXPECT_EQ(img, IndexedImage(w, h, i)) << "image " << i;
    else
      EXPECT_EQ(ReadIndexPattern(img), i);
  }
  EXPECT_FALSE(r.ReadFrame(-1, img));
  EXPECT_FALSE(r.ReadFrame(n, img));
}

INSTANTIATE_TEST_SUITE_P(All, AviLayouts,
                         ::testing::Values(Layout{"rgb24_bottom_up", Raw(24, false), true},
                                           Layout{"rgb24_top_down", Raw(24, true), true},
                                           Layout{"rgb32", Raw(32, false), true},
                                           Layout{"palette8", Raw(8, false), true},
                                           Layout{"palette8_top_down", Raw(8, true), true},
                                           Layout{"mjpeg", Mjpeg(), false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviFiles, OwnFilesAreReadByFfmpegToo) {
  // An independent reader agrees on the count, also across OpenDML segments.
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe missing";
  for (uint64_t limit : {uint64_t{1} << 30, uint64_t{300000}}) {
    TAviWriterOptions o;
    o.segmentLimit = limit;
    const std::string path = Path("probe.avi");
    ASSERT_TRUE(WriteIndexedAvi(path, 160, 120, 23, o));
    const std::string cmd =
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=nb_read_frames -of csv=p=0 '" +
        path + "' > '" + path + ".txt'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(path + ".txt");
    int count = 0;
    f >> count;
    EXPECT_EQ(count, 23) << "segment limit " << limit;
  }
}

TEST_F(AviFiles, OpenDmlSegmentsCarryEveryImage) {
  TAviWriterOptions o;
  o.segmentLimit = 200000;  // about three images of 57 600 bytes per segment
  const std::string path = Path("odml.avi");
  avi::TAviWriter w;
  ASSERT_TRUE(w.Open(path, 160, 120, 30000, 1001, o));
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(w.WriteFrame(IndexedImage(160, 120, i)));
  ASSERT_TRUE(w.Close());
  EXPECT_GE(w.SegmentsWritten(), 9);

  TAviReader r;
  ASSERT_TRUE(r.Open(path)) << r.Error();
  EXPECT_TRUE(r.Info().openDml);
  EXPECT_EQ(r.FrameCount(), 30);
  EXPECT_EQ(r.Info().rate, 30000u);
  EXPECT_EQ(r.Info().scale, 1001u);
  Image img;
  for (int i : Shuffled(30)) {
    ASSERT_TRUE(r.ReadFrame(i, img));
    EXPECT_EQ(ReadIndexPattern(img), i);
  }

  // Without the super index (made JUNK) the reader falls back to idx1 and
  // sees the first segment only, as an AVI 1.0 reader would.
  auto bytes = ReadAll(path);
  const uint8_t indx[4] = {'i', 'n', 'd', 'x'};
  auto it = std::search(bytes.begin(), bytes.end(), indx, indx + 4);
  ASSERT_NE(it, bytes.end());
  std::copy_n("JUNK", 4, it);
  WriteAll(path, bytes);
  ASSERT_TRUE(r.Open(path));
  EXPECT_FALSE(r.Info().openDml);
  EXPECT_GT(r.FrameCount(), 0);
  EXPECT_LT(r.FrameCount(), 30);
  ASSERT_TRUE(r.ReadFrame(r.FrameCount() - 1, img));
  EXPECT_EQ(ReadIndexPattern(img), r.FrameCount() - 1);
}

TEST_F(AviFiles, DroppedImagesShowThePreviousOne) {
  const std::string path = Path("drop.avi");
  ASSERT_TRUE(WriteIndexedAvi(path, 64, 48, 10, {}, 25, 1, {0, 4, 5, 9}));
  TAviReader r;
  ASSERT_TRUE(r.Open(path));
  ASSERT_EQ(r.FrameCount(), 10);
  EXPECT_TRUE(r.IsDropped(4));
  EXPECT_FALSE(r.IsDropped(3));
  Image img;
  ASSERT_TRUE(r.ReadFrame(0, img));  // nothing before: black
  EXPECT_EQ(img, Image(64, 48, colors::Black));
  const int expected[10] = {-1, 1, 2, 3, 3, 3, 6, 7, 8, 8};
  for (int i = 1; i < 10; ++i) {
    ASSERT_TRUE(r.ReadFrame(i, img));
    EXPECT_EQ(ReadIndexPattern(img), expected[i]) << i;
  }
}

TEST_F(AviFiles, FileWithoutIndexIsScanned) {
  const std::string path = Path("noidx.avi");
  ASSERT_TRUE(WriteIndexedAvi(path, 64, 48, 12));
  auto bytes = ReadAll(path);
  const uint8_t idx1[4] = {'i', 'd', 'x', '1'};
  auto it = std::search(bytes.begin(), bytes.end(), idx1, idx1 + 4);
  ASSERT_NE(it, bytes.end());
  bytes.erase(it, bytes.end());  // the RIFF size now points past the end
  WriteAll(path, bytes);
  TAviReader r;
  ASSERT_TRUE(r.Open(path)) << r.Error();
  EXPECT_EQ(r.FrameCount(), 12);
  Image img;
  ASSERT_TRUE(r.ReadFrame(11, img));
  EXPECT_EQ(img, IndexedImage(64, 48, 11));
}

namespace {
// Builds an AVI by hand: chunks are appended and list sizes patched.
struct RiffBuilder {
  std::vector<uint8_t> b;
  std::vector<std::size_t> open;
  void Id(const char* s) { b.insert(b.end(), s, s + 4); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U16(uint16_t v) {
    b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Begin(const char* list, const char* type) {
    Id(list);
    open.push_back(b.size());
    U32(0);
    Id(type);
  }
  void End() {
    const std::size_t at = open.back();
    open.pop_back();
    Put32(b.data() + at, static_cast<uint32_t>(b.size() - at - 4));
  }
  void Chunk(const char* id, const std::vector<uint8_t>& data) {
    Id(id);
    U32(static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
  }
  // Headers of one stream.
  void Strl(const char* type, int w, int h, uint16_t bits, uint32_t compression,
            uint32_t length = 0) {
    Begin("LIST", "strl");
    std::vector<uint8_t> strh(56, 0);
    std::copy_n(type, 4, strh.begin());
    Put32(strh.data() + 20, 1);
    Put32(strh.data() + 24, 25);
    Put32(strh.data() + 32, length);
    Chunk("strh", strh);
    std::vector<uint8_t> strf(40, 0);
    Put32(strf.data(), 40);
    Put32(strf.data() + 4, static_cast<uint32_t>(w));
    Put32(strf.data() + 8, static_cast<uint32_t>(h));
    Put16(strf.data() + 12, 1);
    Put16(strf.data() + 14, bits);
    Put32(strf.data() + 16, compression);
    Chunk("strf", strf);
    End();
  }
};

std::vector<uint8_t> RawPixels(int w, int h, int index) {
  const Image img = IndexedImage(w, h, index);
  const uint64_t stride = DibStride(w, 24);
  std::vector<uint8_t> px(stride * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* s = img.Row(y) + x * 3;
      uint8_t* d = px.data() + stride * (h - 1 - y) + x * 3;
      d[0] = s[2], d[1] = s[1], d[2] = s[0];
    }
  return px;
}
}  // namespace

TEST_F(AviFiles, RecListsAndASecondStreamAreHandled) {
  // An audio stream first, then the video stream (chunks "01db"), with the
  // data grouped in "rec " lists and no index.
  RiffBuilder a;
  a.Begin("RIFF", "AVI ");
  a.Begin("LIST", "hdrl");
  a.Chunk("avih", std::vector<uint8_t>(56, 0));
  a.Strl("auds", 0, 0, 0, 0);
  a.Strl("vids", 32, 32, 24, 0);
  a.End();
  a.Begin("LIST", "movi");
  for (int i = 0; i < 6; ++i) {
    a.Begin("LIST", "rec ");
    a.Chunk("00wb", std::vector<uint8_t>(11, 0x55));
    a.Chunk("01db", RawPixels(32, 32, i));
    a.End();
  }
  a.End();
  a.End();
  const std::string path = Path("rec.avi");
  WriteAll(path, a.b);
  TAviReader r;
  ASSERT_TRUE(r.Open(path)) << r.Error();
  EXPECT_EQ(r.Info().streamNumber, 1);
  ASSERT_EQ(r.FrameCount(), 6);
  Image img;
  for (int i : {5, 0, 3}) {
    ASSERT_TRUE(r.ReadFrame(i, img));
    EXPECT_EQ(img, IndexedImage(32, 32, i));
  }
}

TEST_F(AviFiles, UnsupportedOrMissingVideoIsRefused) {
  struct Case {
    const char* name;
    const char* type;
    uint16_t bits;
    uint32_t compression;
    int w, h;
  };
  const Case cases[] = {
      {"audio only", "auds", 0, 0, 0, 0},           {"16 bits", "vids", 16, 0, 32, 32},
      {"xvid", "vids", 24, FourCC("XVID"), 32, 32}, {"huge picture", "vids", 24, 0, 100000, 100000},
      {"zero width", "vids", 24, 0, 0, 32},
  };
  for (const Case& c : cases) {
    RiffBuilder a;
    a.Begin("RIFF", "AVI ");
    a.Begin("LIST", "hdrl");
    a.Chunk("avih", std::vector<uint8_t>(56, 0));
    a.Strl(c.type, c.w, c.h, c.bits, c.compression);
    a.End();
    a.Begin("LIST", "movi");
    a.Chunk("00db", std::vector<uint8_t>(64, 1));
    a.End();
    a.End();
    TAviReader r;
    EXPECT_FALSE(r.OpenMemory(a.b.data(), a.b.size())) << c.name;
    EXPECT_FALSE(r.Error().empty()) << c.name;
    EXPECT_EQ(r.FrameCount(), 0) << c.name;
  }
}

TEST_F(AviFiles, HeaderLengthIsNotTrusted) {
  // The header claims 2^31 - 1 images; the file holds 3.
  RiffBuilder a;
  a.Begin("RIFF", "AVI ");
  a.Begin("LIST", "hdrl");
  std::vector<uint8_t> avih(56, 0);
  Put32(avih.data() + 16, 0x7FFFFFFF);
  a.Chunk("avih", avih);
  a.Strl("vids", 16, 16, 24, 0, 0x7FFFFFFF);
  a.End();
  a.Begin("LIST", "movi");
  for (int i = 0; i < 3; ++i) a.Chunk("00db", RawPixels(16, 16, i));
  a.End();
  a.End();
  TAviReader r;
  ASSERT_TRUE(r.OpenMemory(a.b.data(), a.b.size()));
  EXPECT_EQ(r.Info().headerLength, 0x7FFFFFFFu);
  EXPECT_EQ(r.FrameCount(), 3);
}

TEST_F(AviFiles, BrokenFilesNeverCrash) {
  const std::string path = Path("whole.avi");
  TAviWriterOptions o;
  o.segmentLimit = 40000;
  ASSERT_TRUE(WriteIndexedAvi(path, 48, 36, 16, o));  // several OpenDML segments
  const auto whole = ReadAll(path);
  ASSERT_GT(whole.size(), 1000u);
  Image img;
  // Truncated at many lengths: either refused, or every image it still
  // counts reads back right.
  for (std::size_t len = 0; len < whole.size(); len += 97) {
    TAviReader r;
    if (!r.OpenMemory(whole.data(), len)) continue;
    EXPECT_LE(r.FrameCount(), 16);
    for (int i = 0; i < r.FrameCount(); ++i) {
      ASSERT_TRUE(r.ReadFrame(i, img)) << "length " << len << " image " << i;
      EXPECT_EQ(ReadIndexPattern(img), i) << "length " << len;
    }
  }
  // Random bytes, and random bytes behind a valid start.
  std::mt19937 rng(1234);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bytes(whole.begin(), whole.end());
    const int flips = 1 + static_cast<int>(rng() % 20);
    for (int k = 0; k < flips; ++k) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    if (round % 4 == 0)
      std::generate(bytes.begin() + 12, bytes.end(), [&] { return static_cast<uint8_t>(rng()); });
    TAviReader r;
    if (r.OpenMemory(bytes.data(), bytes.size()))
      for (int i = 0; i < r.FrameCount(); ++i) r.ReadFrame(i, img);
  }
  // Files on disk: empty, and random bytes with an .avi extension.
  WriteAll(Path("empty.avi"), {});
  TAviReader r;
  EXPECT_FALSE(r.Open(Path("empty.avi")));
  std::vector<uint8_t> noise(5000);
  std::generate(noise.begin(), noise.end(), [&] { return static_cast<uint8_t>(rng()); });
  WriteAll(Path("noise.avi"), noise);
  EXPECT_FALSE(r.Open(Path("noise.avi")));
  EXPECT_FALSE(r.Open(Path("missing.avi")));
  EXPECT_FALSE(r.Open(dir_));  // a folder
}

TEST_F(AviFiles, WriterRefusesBadArguments) {
  avi::TAviWriter w;
  EXPECT_FALSE(w.Open(Path("a.avi"), 0, 10, 25, 1));
  EXPECT_FALSE(w.Open(Path("a.avi"), 10, 10, 0, 1));
  TAviWriterOptions o;
  o.bitCount = 8;  // no palette
  EXPECT_FALSE(w.Open(Path("a.avi"), 10, 10, 25, 1, o));
  ASSERT_TRUE(w.Open(Path("a.avi"), 10, 10, 25, 1));
  EXPECT_FALSE(w.WriteFrame(Image(11, 10)));
  EXPECT_FALSE(w.Close());  // the failure is reported at the end too
  EXPECT_FALSE(w.Open(dir_ + "/no/such/folder/a.avi", 10, 10, 25, 1));
}
