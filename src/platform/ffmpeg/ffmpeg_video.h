#pragma once
// Random access to the images of a video file through the FFmpeg libraries,
// shared by the time-addressed source (fwDS) and the bridge plugin
// (fwFFMpeg).
//
// Opening reads every packet of the video stream once, without decoding, and
// builds an index: the images are the stream's packets (the count is what
// the file holds, not a header field), image n is the n-th in presentation
// order.  Timestamps that do not follow from the packets before them (a
// damaged file) are put back in line, and images at the end that cannot be
// decoded (a truncated file) are not counted.  Going to image n seeks to the nearest keyframe at or
// before it and decodes forward; a following image continues the decoding; decoded pictures are
// kept in a cache bounded in bytes, so stepping back within a group of pictures is served without
// decoding again. The decoder runs on FFmpeg's frame threads; the conversion of a picture to RGB is
// split into bands converted on as many threads as there are processors, straight into the caller's
// memory. A picture may also be held apart and converted later, on another thread, while the
// decoder goes on (a reader of every image in turn).
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/common/image.h"
#include "core/video/frame_source.h"

struct AVFormatContext;
struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace kinevo::ff {

struct TMp4Durations;
class TRgbConverter;

// Default size of the cache of decoded pictures.
constexpr std::size_t kDefaultCacheBytes = std::size_t{256} << 20;

class TFfmpegVideo {
 public:
  TFfmpegVideo();
  ~TFfmpegVideo();
  TFfmpegVideo(const TFfmpegVideo&) = delete;
  TFfmpegVideo& operator=(const TFfmpegVideo&) = delete;

  // Opens the first video stream of a file and builds its index.  `progress`
  // (may be empty) receives the fraction read and may cancel.
  bool Open(const std::string& path, const TOpenProgress& progress = {});
  void Close();
  bool IsOpen() const { return open_; }
  // Why the last Open failed, in French.
  const std::string& Error() const { return error_; }

  // Size of the picture as shown, upright (see Rotation).
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Degrees the stored picture is turned clockwise to show it upright, as
  // the stream's display matrix asks (0, 90, 180 or 270).
  int32_t Rotation() const { return rotation_; }
  // The images' durations are irregular (a phone's variable rate): one
  // differs from the mean by more than 10 %.  FrameRate() is then the
  // inverse of the mean interval between images.
  bool VariableRate() const { return variable_; }
  // The file's image durations mean nothing (all 0, time going back, or
  // times that repeat): the images are then spread evenly over the length
  // the file declares, and FrameRate() follows.
  bool IncoherentDurations() const { return incoherent_; }
  // The rate the file says it was filmed at (a phone's slow motion), 0 when
  // it does not say.
  double CaptureRate() const { return captureRate_; }
  // Images whose picture is stored exactly as the image before it (two
  // identical key packets in a row), by index.
  std::vector<int32_t> SamePictures() const;
  // FrameTime of every image.
  std::vector<double> FrameTimes() const;
  int32_t FrameCount() const { return static_cast<int32_t>(byPts_.size()); }
  // Images per second (the stream's average rate; count / duration when the
  // file does not give one).
  double FrameRate() const { return rate_; }
  // From the first image's start to the last image's end, in seconds.
  double Duration() const { return duration_; }
  // Presentation time of image n from the first image, in seconds.
  double FrameTime(int32_t n) const;
  // The image displayed at `seconds` after the first one's start (the last
  // whose time is not after it), bounded to the images.
  int32_t FrameAtTime(double seconds) const;
  // Number of keyframes in the index.
  int32_t KeyframeCount() const;

  // Decodes image n (presentation order) into `out`, resized when its size
  // differs.  False when it cannot be decoded.
  bool ReadFrame(int32_t n, Image& out);
  // The same into caller-owned memory of Height() rows of `stride` bytes
  // (at least 3 x Width()), 24-bit RGB, top row first; left untouched when
  // the image cannot be decoded.
  bool ReadFrame(int32_t n, uint8_t* pixels, std::size_t stride);

  // Decodes image n (as ReadFrame does) and returns it unconverted, holding
  // its own reference to the decoded picture, to be converted on another
  // thread while the next images decode.  The pictures held apart share one
  // converter of their own (they convert one at a time, never at the same
  // time as ReadFrame's), which outlives the reader.  Pictures held are not
  // counted in the cache budget.  Null when the image cannot be decoded.
  std::unique_ptr<TDecodedImage> DecodeApart(int32_t n);

  // Bytes of decoded pictures kept for stepping back (at least a few images
  // are always kept).
  void SetCacheBudget(std::size_t bytes) { cacheBudget_ = bytes; }
  std::size_t CacheBudget() const { return cacheBudget_; }
  std::size_t CacheBytes() const { return cacheBytes_; }
  // Images read one by one, far apart or in order, never stepped back from
  // (a command that writes a few images, or reads every image once): a jump
  // then decodes only the pictures the target needs, and the pictures
  // before the one asked for are not kept.
  void SetIsolatedReads(bool on) { isolatedReads_ = on; }
  // Frames decoded since opening (for tests and benchmarks); the check of
  // the last images made while opening is not counted.
  int64_t FramesDecoded() const { return framesDecoded_; }
  // Whether image n can be shown, decoded but not converted (the test of
  // an opening, which needs no picture).
  bool CanShow(int32_t n) { return Shown(n) != nullptr; }

  // The file's "comment" tag (empty when missing or unreadable).
  static std::string ReadComment(const std::string& path);

 private:
  struct Packet {
    int64_t pts;  // filled in when the file did not give it
    int64_t dts;  // put back in line when the file's was damaged
    int64_t pos;  // byte position, -1 when unknown
    bool key;
    bool junk = false;    // not a picture: neither shown nor sent to the decoder
    bool hidden = false;  // sent to the decoder, never shown (pts then stays "none")
    int64_t fileDts = 0;  // the decoding time as the file gives it (seeking)
    int64_t delay = 0;    // presentation minus decoding time, as the file gives them
    int8_t type = 0;      // MPEG-1/2 picture coding type (3: bidirectional), 0 unknown
    bool same = false;    // a key packet identical to the key packet before it
    bool whole = true;    // read in full, within the file, not marked corrupt
  };
  bool OpenContainer();
  double ReadCaptureRate() const;
  // The library's interrupt check: stops reading after about `bytes` more
  // bytes (0: no limit).
  static int Interrupt(void* self);
  void LimitReads(int64_t bytes) {
    readLimit_ = bytes / kReadBufferBytes;
    reads_ = 0;
  }
  static constexpr int64_t kReadBufferBytes = 32 * 1024;  // the library's
  bool BuildIndex(const TOpenProgress& progress);
  // Puts damaged timestamps back in line; true when presentation times were
  // dropped and must be worked out again.
  bool RepairTimes();
  // Gives MPEG-1/2 pictures without a presentation time their place after
  // the picture shown before them; false when the picture types do not
  // allow it.
  bool FillTimesFromPictureTypes();
  // Gives the images even times (see IncoherentDurations); returns the
  // duration of one image in time-base units.
  double SpreadTimes(const TMp4Durations* table);
  bool DropUndecodableTail();
  bool TailIsWhole() const;
  void DropLastImage();
  bool SeekToKey(int32_t decodeIndex);
  // Decodes until image `target` is in the cache.  With `fromKey` (a decode
  // index) decoding starts from that keyframe whatever the decoder's state,
  // and `target` may be FrameCount(): decoding then goes to the end.
  bool DecodeUntil(int32_t target, int32_t fromKey = -1);
  int32_t DecodeIndexOf(const AVPacket& pkt);
  // The decode index of the packet shown as image `rank`, searched from
  // decode index `from`; -1 when none is.
  int32_t DecodeIndexOfRank(int32_t rank, int32_t from) const;
  int32_t RankOf(int64_t pts) const;
  bool Fail(const std::string& why);
  void CacheFrame(int32_t rank, AVFrame* frame);
  void DropCachedBefore(int32_t rank);
  AVCodecContext* NewDecoder(int threads) const;
  void UseThreads();
  AVFrame* Cached(int32_t rank);
  void ClearCache();
  bool Convert(const AVFrame* frame, uint8_t* pixels, std::size_t stride);
  // The converter of ReadFrame, or the one of the pictures held apart; made
  // when first needed.
  std::shared_ptr<TRgbConverter> Converter(bool held);
  bool Decoded(int32_t n);
  // The picture shown for image n: its own, or a neighbour's when the
  // decoder dropped it; null when nothing can be shown.
  const AVFrame* Shown(int32_t n);
  void ResetDecoder();

  std::string path_;
  std::string error_;
  bool open_ = false;
  AVFormatContext* fmt_ = nullptr;
  const AVCodec* codec_ = nullptr;
  AVCodecContext* dec_ = nullptr;
  bool threaded_ = false;  // the decoder runs on several threads
  AVPacket* pkt_ = nullptr;
  AVFrame* frame_ = nullptr;
  std::shared_ptr<TRgbConverter> converter_;      // ReadFrame's
  std::shared_ptr<TRgbConverter> heldConverter_;  // the pictures held apart
  int stream_ = -1;
  int32_t width_ = 0, height_ = 0;              // upright
  int32_t storedWidth_ = 0, storedHeight_ = 0;  // as decoded
  int32_t rotation_ = 0;
  bool variable_ = false;
  bool incoherent_ = false;
  double captureRate_ = 0.0;
  int64_t readLimit_ = 0;  // buffer reads allowed, 0 for no limit
  int64_t reads_ = 0;
  double rate_ = 0.0, duration_ = 0.0, timeBase_ = 0.0;
  int64_t firstPts_ = 0;

  std::vector<Packet> packets_;        // decode order
  std::vector<uint8_t> palette_;       // palette of 8-bit pictures, when the file has one
  std::vector<int64_t> byPts_;         // presentation times, sorted
  std::vector<int32_t> keyForRank_;    // decode index of the keyframe to start from, per image
  std::vector<int32_t> rankOfDecode_;  // presentation rank of each packet
  std::vector<std::pair<int64_t, int32_t>>
      byFileDts_;  // (file's decoding time, decode index), sorted

  // Decoding state: the next packet to read (decode order), the last image
  // output, and whether the decoder can go on from there.
  int32_t nextDecode_ = 0;
  int32_t lastOutput_ = -1;
  int32_t startRank_ = 0;  // rank of the keyframe decoding started from
  bool decoderLive_ = false;
  bool lost_ = false;            // the last decoding passed its target by
  int32_t seekKey_ = 0;          // decode index decoding last started from
  bool pending_ = false;         // the seek left a packet to use in pkt_
  bool containerFresh_ = false;  // nothing read since the file was opened

  // Cache of decoded pictures (references to the decoder's frames), least
  // recently used first.
  std::size_t cacheBudget_ = kDefaultCacheBytes;
  bool isolatedReads_ = false;
  std::size_t cacheBytes_ = 0;
  std::list<std::pair<int32_t, AVFrame*>> lru_;
  std::unordered_map<int32_t, std::list<std::pair<int32_t, AVFrame*>>::iterator> cache_;
  int64_t framesDecoded_ = 0;
};

}  // namespace kinevo::ff
