// kinevo-cli decode-all FILE [--backend vfw|ds|ffmpeg]: steps through every
// image in order at full size; prints the count and a checksum of all pixels
// (a Fletcher sum in four lanes: the RGB bytes taken eight at a time,
// little-endian, word k of each 32 bytes into lane k, image after image, the
// bytes left over at the end of an image one by one into lane 0; each lane's
// sum and sum of sums, modulo 2^64, then hashed in order by 64-bit FNV-1a).
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cli/command.h"
#include "cli/video_open.h"

namespace {

constexpr uint64_t kHashStart = 14695981039346656037ull;
constexpr uint64_t kHashPrime = 1099511628211ull;

// Sums rather than products: a chain of multiplications took an eighth of
// the processor's time of the whole command.  Two running sums per lane (a
// Fletcher sum over 64-bit words) see every word and its place; four lanes
// let the processor add them at once.
struct TChecksum {
  uint64_t sum[4] = {0, 0, 0, 0}, sumOfSums[4] = {0, 0, 0, 0};
  uint64_t Value() const {
    uint64_t hash = kHashStart;
    for (int k = 0; k < 4; ++k) {
      hash = (hash ^ sum[k]) * kHashPrime;
      hash = (hash ^ sumOfSums[k]) * kHashPrime;
    }
    return hash;
  }
};

// The two running sums of each lane, added 32 bytes at a time.  SSE2 holds
// two lanes in a register; written as plain C++ the compiler kept the sums
// in memory, and the checksum took a twentieth of the command's time.
void HashBlocks(TChecksum& c, const uint8_t* p, std::size_t blocks) {
#if defined(__SSE2__)
  const auto load = [](const void* a) { return _mm_loadu_si128(static_cast<const __m128i*>(a)); };
  __m128i s01 = load(c.sum), s23 = load(c.sum + 2);
  __m128i t01 = load(c.sumOfSums), t23 = load(c.sumOfSums + 2);
  for (std::size_t b = 0; b < blocks; ++b, p += 32) {
    s01 = _mm_add_epi64(s01, load(p));
    s23 = _mm_add_epi64(s23, load(p + 16));
    t01 = _mm_add_epi64(t01, s01);
    t23 = _mm_add_epi64(t23, s23);
  }
  const auto store = [](uint64_t* a, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a), v);
  };
  store(c.sum, s01), store(c.sum + 2, s23);
  store(c.sumOfSums, t01), store(c.sumOfSums + 2, t23);
#else
  for (std::size_t b = 0; b < blocks; ++b, p += 32) {
    uint64_t w[4];
    std::memcpy(w, p, 32);
    for (int k = 0; k < 4; ++k) {
      c.sum[k] += w[k];
      c.sumOfSums[k] += c.sum[k];
    }
  }
#endif
}

void HashPicture(TChecksum& c, const kinevo::Image& picture) {
  const uint8_t* p = picture.Data();
  const std::size_t size = picture.ByteSize();
  HashBlocks(c, p, size / 32);
  for (std::size_t i = size / 32 * 32; i < size; ++i) {
    c.sum[0] += p[i];
    c.sumOfSums[0] += c.sum[0];
  }
}

// Decodes every image in order: image n + 1 decodes into one picture while
// image n is checksummed on a second thread from the other.  The count of
// images checksummed goes to `decoded`; -1 when all were, the image that
// could not be decoded otherwise.
int32_t HashDrawn(kinevo::TFrameSource& s, TChecksum& hash, int32_t& decoded) {
  kinevo::Image pictures[2] = {kinevo::Image(s.ImageWidth(), s.ImageHeight()),
                               kinevo::Image(s.ImageWidth(), s.ImageHeight())};
  std::future<void> hashing;
  for (int32_t n = 0; n < s.ImagesNumber(); ++n) {
    kinevo::Image& picture = pictures[n % 2];
    s.GoToImage(n);
    const bool drawn = s.DrawImage(picture);
    if (hashing.valid()) hashing.get();  // frees the other picture
    if (!drawn) return n;
    hashing = std::async(std::launch::async, HashPicture, std::ref(hash), std::cref(picture));
    ++decoded;
  }
  if (hashing.valid()) hashing.get();
  return -1;
}

// The same for a source that decodes apart: this thread only decodes, and a
// second one converts each picture to RGB and checksums it, up to kAhead
// images behind.  The decoder's threads then never wait for a conversion,
// and the converting thread fills the moments they wait for each other.
int32_t HashDecodedApart(kinevo::TFrameSource& s, TChecksum& hash, int32_t& decoded) {
  constexpr std::size_t kAhead = 4;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<int32_t, std::unique_ptr<kinevo::TDecodedImage>>> queue;
  bool finished = false;     // nothing more will be queued
  int32_t unconverted = -1;  // the first image that could not be converted
  std::thread converter([&] {
    kinevo::Image picture;  // the same memory for every image
    while (true) {
      std::pair<int32_t, std::unique_ptr<kinevo::TDecodedImage>> item;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return !queue.empty() || finished; });
        if (queue.empty()) return;
        item = std::move(queue.front());
        queue.pop_front();
      }
      changed.notify_all();
      const bool converted = item.second->ConvertInto(picture);
      item.second.reset();  // the decoder may reuse the picture's memory
      if (!converted) {
        std::lock_guard<std::mutex> lock(mutex);
        unconverted = item.first;
        queue.clear();
        finished = true;
        changed.notify_all();
        return;
      }
      HashPicture(hash, picture);
      ++decoded;
    }
  });
  int32_t undecoded = -1;
  for (int32_t n = 0; n < s.ImagesNumber(); ++n) {
    std::unique_ptr<kinevo::TDecodedImage> image = s.DecodeImage(n);
    std::unique_lock<std::mutex> lock(mutex);
    if (finished) break;  // the converting thread stopped on an image before
    if (!image) {
      undecoded = n;
      break;
    }
    changed.wait(lock, [&] { return queue.size() < kAhead || finished; });
    if (finished) break;
    queue.emplace_back(n, std::move(image));
    changed.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
  }
  changed.notify_all();
  converter.join();
  // Every image before the first failure was checksummed in order.
  return unconverted >= 0 ? unconverted : undecoded;
}

int DecodeAll(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  std::string backend;
  if (!kinevo::cli::TakeBackend(args, backend)) return 2;
  if (args.size() != 1) {
    std::cerr << "Usage : kinevo-cli decode-all FICHIER [--backend vfw|ds|ffmpeg]\n";
    return 2;
  }
  auto video = kinevo::cli::OpenVideo(args[0], backend, /*inOrder=*/true);
  if (!video) return 1;
  kinevo::TFrameSource& s = video->Source();
  TChecksum hash;
  int32_t decoded = 0;
  const int32_t failed =
      s.DecodesApart() ? HashDecodedApart(s, hash, decoded) : HashDrawn(s, hash, decoded);
  if (failed >= 0) {
    std::cerr << "kinevo-cli : impossible de décoder l'image " << failed << "\n";
    return 1;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash.Value()));
  std::cout << "images: " << decoded << "\nchecksum: " << hex << "\n";
  return 0;
}

kinevo::cli::Register reg("decode-all",
                          "decode-all FICHIER [--backend vfw|ds|ffmpeg]   décode toutes les images",
                          DecodeAll);

}  // namespace
