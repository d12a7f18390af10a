// kinevo-cli decode-all FILE [--backend vfw|ds|ffmpeg]: steps through every
// image in order at full size; prints the count and a checksum of all pixels
// (64-bit FNV-1a over the RGB bytes taken eight at a time, little-endian,
// image after image; the bytes left over at the end of an image one by one).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <iostream>

#include "cli/command.h"
#include "cli/video_open.h"

namespace {

uint64_t HashPicture(uint64_t hash, const kinevo::Image& picture) {
  const uint8_t* p = picture.Data();
  const std::size_t size = picture.ByteSize();
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    hash = (hash ^ word) * 1099511628211ull;
  }
  for (; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
  return hash;
}

int DecodeAll(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string backend;
  if (!kinevo::cli::TakeBackend(args, backend)) return 2;
  if (args.size() != 1) {
    std::cerr << "Usage : kinevo-cli decode-all FICHIER [--backend vfw|ds|ffmpeg]\n";
    return 2;
  }
  auto video = kinevo::cli::OpenVideo(args[0], backend);
  if (!video) return 1;
  kinevo::TFrameSource& s = video->Source();
  s.SetIsolatedReads(true);  // every image once, in order
  // Image n is checksummed on a second thread while image n + 1 is decoded
  // into the other picture.
  kinevo::Image pictures[2] = {kinevo::Image(s.ImageWidth(), s.ImageHeight()),
                               kinevo::Image(s.ImageWidth(), s.ImageHeight())};
  uint64_t hash = 14695981039346656037ull;
  std::future<uint64_t> hashing;
  int decoded = 0;
  for (int n = 0; n < s.ImagesNumber(); ++n) {
    kinevo::Image& picture = pictures[n % 2];
    s.GoToImage(n);
    const bool drawn = s.DrawImage(picture);
    if (hashing.valid()) hash = hashing.get();  // frees the other picture
    if (!drawn) {
      std::cerr << "kinevo-cli : impossible de décoder l'image " << n << "\n";
      return 1;
    }
    hashing = std::async(std::launch::async, HashPicture, hash, std::cref(picture));
    ++decoded;
  }
  if (hashing.valid()) hash = hashing.get();
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  std::cout << "images: " << decoded << "\nchecksum: " << hex << "\n";
  return 0;
}

kinevo::cli::Register reg("decode-all",
                          "decode-all FICHIER [--backend vfw|ds|ffmpeg]   décode toutes les images",
                          DecodeAll);

}  // namespace
