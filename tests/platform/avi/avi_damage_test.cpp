// Damaged and hostile AVI input for the built-in reader: an index in the
// header whose offsets wrap around, files that are not AVI or are cut short,
// and non-regular files, each refused with its own reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/avi/avi_format.h"
#include "platform/avi/avi_reader.h"
#include "support/fifo_watch.h"
#include "support/temp_dir.h"

using namespace kinevo;
using namespace kinevo::avi;

namespace {

// A small RIFF writer for hand-made files.
struct Riff {
  std::vector<uint8_t> bytes;
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U16(uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  // Starts a chunk or list; End fills in its size.
  std::size_t Begin(uint32_t id, uint32_t type = 0) {
    U32(id);
    const std::size_t at = bytes.size();
    U32(0);
    if (type) U32(type);
    return at;
  }
  void End(std::size_t at) {
    const uint32_t size = static_cast<uint32_t>(bytes.size() - at - 4);
    Put32(bytes.data() + at, size);
    if (bytes.size() & 1) bytes.push_back(0);
  }
};

constexpr int kSide = 4;  // 4 x 4 pictures, 24 bits: 48 bytes per image

// A one-image AVI whose stream header carries a standard index of chunks
// (an "indx" chunk) with the given base offset and one entry at
// `entryOffset` of `entrySize` bytes; the movi list holds one real image
// filled with `blue`.
std::vector<uint8_t> AviWithHeaderIndex(uint64_t base, uint32_t entryOffset, uint32_t entrySize,
                                        uint8_t blue) {
  Riff r;
  const auto riff = r.Begin(kRIFF, kAVI);
  const auto hdrl = r.Begin(kLIST, kHdrl);
  const auto avih = r.Begin(kAvih);
  for (int i = 0; i < 14; ++i) r.U32(i == 4 ? 1 : 0);  // dwTotalFrames = 1
  r.End(avih);
  const auto strl = r.Begin(kLIST, kStrl);
  const auto strh = r.Begin(kStrh);
  r.U32(kVids);
  for (int i = 0; i < 4; ++i) r.U32(0);  // handler, flags, priority+language, initial frames
  r.U32(1);                              // dwScale
  r.U32(25);                             // dwRate
  r.U32(0);                              // dwStart
  r.U32(1);                              // dwLength
  for (int i = 0; i < 5; ++i) r.U32(0);
  r.End(strh);
  const auto strf = r.Begin(kStrf);
  r.U32(40);
  r.U32(kSide);
  r.U32(kSide);
  r.U16(1);
  r.U16(24);
  r.U32(0);  // BI_RGB
  r.U32(kSide * kSide * 3);
  for (int i = 0; i < 4; ++i) r.U32(0);
  r.End(strf);
  const auto indx = r.Begin(kIndx);
  r.U16(2);              // longs per entry
  r.bytes.push_back(0);  // sub type
  r.bytes.push_back(kAviIndexOfChunks);
  r.U32(1);  // entries in use
  r.U32(StreamChunkId(0, false));
  r.U64(base);
  r.U32(0);  // reserved
  r.U32(entryOffset);
  r.U32(entrySize);
  r.End(indx);
  r.End(strl);
  r.End(hdrl);
  const auto movi = r.Begin(kLIST, kMovi);
  const auto chunk = r.Begin(StreamChunkId(0, false));
  for (int i = 0; i < kSide * kSide; ++i) {
    r.bytes.push_back(blue);  // B, G, R
    r.bytes.push_back(0);
    r.bytes.push_back(0);
  }
  r.End(chunk);
  r.End(movi);
  r.End(riff);
  return r.bytes;
}

// The same with an index that points at the image.
std::vector<uint8_t> SoundAvi(uint8_t blue) {
  // The layout does not depend on the values: a first build finds where the
  // image's data lie.
  const std::vector<uint8_t> probe = AviWithHeaderIndex(0, 0, 48, blue);
  const std::size_t movi = std::string(probe.begin(), probe.end()).find("movi");
  return AviWithHeaderIndex(movi + 4 + 8, 0, 48, blue);
}

}  // namespace

// An index in the header whose base plus offset wraps around to the start of
// the file is broken like a standard index chunk that does so: the reader
// falls back to the data it finds, instead of a black "image" at the wrapped
// offset.
TEST(AviDamage, HeaderIndexThatWrapsAroundIsNotTrusted) {
  const std::vector<uint8_t> wrapped = AviWithHeaderIndex(~uint64_t{0} - 15, 32, 0, 200);
  TAviReader r;
  ASSERT_TRUE(r.OpenMemory(wrapped.data(), wrapped.size())) << r.Error();
  ASSERT_EQ(r.FrameCount(), 1);
  EXPECT_FALSE(r.IsDropped(0));
  Image img;
  ASSERT_TRUE(r.ReadFrame(0, img));
  EXPECT_EQ(img.Pixel(1, 1), RGBColor(0, 0, 200));

  // The same index without the wrap-around is used as it is: its entry
  // points at the real image.
  const std::vector<uint8_t> sound = SoundAvi(120);
  ASSERT_TRUE(r.OpenMemory(sound.data(), sound.size())) << r.Error();
  EXPECT_TRUE(r.Info().openDml);
  ASSERT_EQ(r.FrameCount(), 1);
  ASSERT_TRUE(r.ReadFrame(0, img));
  EXPECT_EQ(img.Pixel(1, 1), RGBColor(0, 0, 120));
}

TEST(AviDamage, RefusalsSayWhatIsWrong) {
  kinevo::test::TempDir dir("kinevo-avi-damage");
  TAviReader r;
  const std::vector<uint8_t> good = SoundAvi(90);
  ASSERT_TRUE(r.OpenMemory(good.data(), good.size())) << r.Error();

  std::vector<uint8_t> noise(4096);
  std::mt19937 gen(11);
  for (auto& b : noise) b = static_cast<uint8_t>(gen());
  ASSERT_FALSE(r.OpenMemory(noise.data(), noise.size()));
  const std::string notAvi = r.Error();
  EXPECT_EQ(notAvi, "ce n'est pas un fichier AVI");

  // Cut inside the header: the stream list is lost.
  ASSERT_FALSE(r.OpenMemory(good.data(), 40));
  const std::string cutHeader = r.Error();
  EXPECT_NE(cutHeader.find("tronqué"), std::string::npos) << cutHeader;
  // Cut before the images: the header is whole, the data is missing.
  const std::size_t movi = std::string(good.begin(), good.end()).find("movi");
  ASSERT_FALSE(r.OpenMemory(good.data(), movi - 8));
  EXPECT_NE(r.Error().find("tronqué"), std::string::npos) << r.Error();
  EXPECT_NE(r.Error(), notAvi);

  ASSERT_FALSE(r.OpenMemory(good.data(), 0));
  EXPECT_EQ(r.Error(), "fichier vide");

  // Not regular files: refused with their reason, the FIFO never opened.
  kinevo::test::FifoWatch fifo(dir.File("tube.avi"));
  ASSERT_TRUE(fifo.Made());
  ASSERT_FALSE(r.Open(fifo.Path()));
  EXPECT_EQ(r.Error(), "ce n'est pas un fichier ordinaire (tube, périphérique ou socket)");
  ASSERT_FALSE(r.Open(dir.Path()));
  EXPECT_EQ(r.Error(), "c'est un dossier, pas un fichier vidéo");
  ASSERT_FALSE(r.Open(dir.File("none.avi")));
  EXPECT_EQ(r.Error(), "fichier introuvable");
  EXPECT_EQ(fifo.ReadersSeen(), 0);
}
