#include "platform/ffmpeg/ffmpeg_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/cpu.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "core/common/atomic_file.h"
#include "core/video/file_times.h"
#include "core/video/picture_rotation.h"
#include "platform/avi/video_file_check.h"
#include "platform/ffmpeg/mp4_durations.h"

namespace kinevo::ff {

namespace {
constexpr int32_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t{8192} * 8192;
// Pictures always kept, whatever the budget: the one asked for and a few
// around it.
constexpr std::size_t kMinCachedFrames = 4;
// Most decoding threads asked for: the library advises against more.
constexpr int kMostDecodingThreads = 16;

void QuietLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!std::getenv("KINEVO_FFMPEG_LOG")) av_log_set_level(AV_LOG_QUIET);
  });
}

// Largest jump between the decoding times of two packets that follow each
// other, in typical steps, still taken as the file's own timing.  A larger
// one (a damaged timestamp, a clock that wrapped) is replaced by one step.
constexpr int64_t kMaxTimeJumpSteps = 16;
// Images decoded past a target before it counts as dropped by the decoder.
constexpr int32_t kLostMargin = 16;
// Images at the end of the file checked for being decodable on opening, and
// how many such windows are tried when none of them decodes.
constexpr int32_t kTailImages = 32;
constexpr int kTailWindows = 4;

// The reason of a failed library call on the file, in French.
std::string LibraryErrorReason(int err) {
  if (err == AVERROR_INVALIDDATA)
    return "format de fichier non reconnu (fichier abîmé ou qui n'est pas une vidéo)";
  if (err == AVERROR_EOF) return "fichier vide ou tronqué";
  if (err == AVERROR(ENOMEM)) return "mémoire insuffisante";
  if (err < 0 && err > -4096) return FileErrorReason(-err);  // AVERROR(errno)
  return "le fichier ne peut pas être lu (erreur " + std::to_string(err) + ")";
}

// The clockwise turn, in degrees, that the stream's display matrix asks
// for to show its pictures upright (to the nearest quarter turn), 0 when
// there is none.
int32_t DisplayRotation(const AVStream* st) {
  const int32_t* matrix = nullptr;
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 31, 102)
  const AVCodecParameters* par = st->codecpar;
  if (const AVPacketSideData* sd = av_packet_side_data_get(
          par->coded_side_data, par->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX))
    if (sd->size >= 9 * sizeof(int32_t)) matrix = reinterpret_cast<const int32_t*>(sd->data);
#else
  std::size_t size = 0;
  if (const uint8_t* data = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size))
    if (size >= 9 * sizeof(int32_t)) matrix = reinterpret_cast<const int32_t*>(data);
#endif
  if (!matrix) return 0;
  // The matrix gives the turn anticlockwise.
  const double theta = av_display_rotation_get(matrix);
  if (!std::isfinite(theta)) return 0;
  int32_t quarter = static_cast<int32_t>(std::lround(-theta / 90.0)) % 4;
  if (quarter < 0) quarter += 4;
  return quarter * 90;
}

// The coding type of the picture an MPEG-1 or MPEG-2 packet holds, read from
// its picture header: 1 intra, 2 predicted, 3 bidirectional (shown before
// the reference pictures decoded ahead of it), 0 when no header is found.
int MpegPictureType(const uint8_t* data, int size) {
  for (int i = 0; i + 5 < size; ++i)
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0)
      return (data[i + 5] >> 3) & 7;
  return 0;
}

std::size_t FrameBytes(const AVFrame* f) {
  std::size_t n = 0;
  for (AVBufferRef* b : f->buf)
    if (b) n += static_cast<std::size_t>(b->size);
  return n ? n : static_cast<std::size_t>(f->width) * f->height * 3 / 2;
}
}  // namespace

TFfmpegVideo::TFfmpegVideo() { QuietLibraries(); }

int TFfmpegVideo::Interrupt(void* self) {
  // The library asks before each read of its buffer: the count of those
  // reads measures how far it went.
  auto* v = static_cast<TFfmpegVideo*>(self);
  return v->readLimit_ > 0 && ++v->reads_ > v->readLimit_;
}

TFfmpegVideo::~TFfmpegVideo() { Close(); }

bool TFfmpegVideo::Fail(const std::string& why) {
  error_ = why;
  Close();
  return false;
}

void TFfmpegVideo::ClearCache() {
  for (auto& [rank, f] : lru_) av_frame_free(&f);
  lru_.clear();
  cache_.clear();
  cacheBytes_ = 0;
}

void TFfmpegVideo::Close() {
  ClearCache();
  if (dec_) avcodec_free_context(&dec_);
  if (fmt_) avformat_close_input(&fmt_);
  if (pkt_) av_packet_free(&pkt_);
  if (frame_) av_frame_free(&frame_);
  converter_.reset();
  heldConverter_.reset();
  open_ = false;
  stream_ = -1;
  width_ = height_ = 0;
  storedWidth_ = storedHeight_ = 0;
  rotation_ = 0;
  variable_ = false;
  incoherent_ = false;
  captureRate_ = 0.0;
  LimitReads(0);
  rate_ = duration_ = timeBase_ = 0.0;
  packets_.clear();
  packets_.shrink_to_fit();
  palette_.clear();
  byPts_.clear();
  byPts_.shrink_to_fit();
  keyForRank_.clear();
  keyForRank_.shrink_to_fit();
  rankOfDecode_.clear();
  rankOfDecode_.shrink_to_fit();
  byFileDts_.clear();
  byFileDts_.shrink_to_fit();
  decoderLive_ = false;
  nextDecode_ = 0;
  lastOutput_ = -1;
  framesDecoded_ = 0;
}

bool TFfmpegVideo::OpenContainer() {
  if (fmt_) avformat_close_input(&fmt_);
  // Checked first: the library would open a FIFO and wait for a writer.
  if (const TFileCheck check = CheckVideoFile(path_); !check.Passed()) {
    error_ = check.reason;
    return false;
  }
  fmt_ = avformat_alloc_context();
  if (!fmt_) {
    error_ = LibraryErrorReason(AVERROR(ENOMEM));
    return false;
  }
  fmt_->interrupt_callback = {&TFfmpegVideo::Interrupt, this};
  // Reading the header and the first pictures takes a few megabytes; a
  // demuxer that goes on for far more is stepping through a camera's
  // pre-allocated zeros.
  LimitReads(int64_t{256} << 20);
  if (const int err = avformat_open_input(&fmt_, path_.c_str(), nullptr, nullptr); err < 0) {
    fmt_ = nullptr;
    error_ = LibraryErrorReason(err);
    return false;
  }
  // The stream information sets up the parsers that split the data into
  // pictures; without it packets would not match the index.
  const int found = avformat_find_stream_info(fmt_, nullptr);
  LimitReads(0);
  if (found < 0) {
    avformat_close_input(&fmt_);
    error_ = "les flux du fichier ne peuvent pas être analysés (fichier abîmé)";
    return false;
  }
  if (stream_ >= 0 && (stream_ >= static_cast<int>(fmt_->nb_streams) ||
                       fmt_->streams[stream_]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)) {
    avformat_close_input(&fmt_);
    error_ = "le fichier a changé depuis son ouverture";
    return false;
  }
  return true;
}

bool TFfmpegVideo::Open(const std::string& path, const TOpenProgress& progress) {
  Close();
  error_.clear();
  path_ = path;
  if (path.empty()) return Fail("aucun fichier");
  if (!OpenContainer()) return Fail(error_);
  stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (stream_ < 0) return Fail("aucun flux vidéo dans le fichier");
  AVStream* st = fmt_->streams[stream_];
  if (st->disposition & AV_DISPOSITION_ATTACHED_PIC)
    return Fail("aucun flux vidéo (seulement une image fixe)");
  const AVCodecParameters* par = st->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (!codec)
    return Fail(std::string("aucun décodeur pour le codec « ") + avcodec_get_name(par->codec_id) +
                " »");
  if (par->width <= 0 || par->height <= 0 || par->width > kMaxSide || par->height > kMaxSide ||
      int64_t{par->width} * par->height > kMaxPixels)
    return Fail("taille d'image incorrecte (" + std::to_string(par->width) + " × " +
                std::to_string(par->height) + ")");
  storedWidth_ = width_ = par->width;
  storedHeight_ = height_ = par->height;
  rotation_ = DisplayRotation(st);
  captureRate_ = ReadCaptureRate();
  RotatedSize(rotation_, width_, height_);
  timeBase_ = av_q2d(st->time_base);
  if (!(timeBase_ > 0)) return Fail("base de temps du flux vidéo incorrecte");

  codec_ = codec;
  // One thread to begin with: each decoding thread holds pictures of its
  // own, fresh memory that costs more than decoding one picture.
  threaded_ = false;
  dec_ = NewDecoder(1);
  if (!dec_)
    return Fail(std::string("le décodeur « ") + codec->name + " » ne peut pas être ouvert");
  pkt_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (!pkt_ || !frame_) return Fail("mémoire insuffisante");

  if (!BuildIndex(progress)) return false;

  AVRational r = st->avg_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = st->r_frame_rate;
  rate_ = (r.num > 0 && r.den > 0) ? av_q2d(r) : 0.0;
  if (!(rate_ > 0) || !std::isfinite(rate_) || incoherent_)
    rate_ = duration_ > 0 ? FrameCount() / duration_ : 0.0;
  if (!(rate_ > 0)) return Fail("cadence d'images inconnue");
  // The context stays where the index left it (at the end): the first image
  // asked for seeks.  Its demuxer keeps the positions of the keyframes it
  // has seen, which makes seeking exact in files without an index of their own.
  containerFresh_ = false;
  nextDecode_ = 0;
  decoderLive_ = false;
  open_ = true;
  if (!DropUndecodableTail()) return Fail("aucune image décodable dans le fichier");
  // The pictures of that check are let go (the first image shown is
  // usually far from them), and what users of the reader decode is counted
  // from here.
  ClearCache();
  framesDecoded_ = 0;
  // A variable rate is told by the images themselves, whatever rate the
  // header gives; the mean interval then stands for the rate.
  const std::vector<double> times = FrameTimes();
  variable_ = IsVariableRate(times);
  if (variable_) rate_ = 1.0 / MeanInterval(times);
  return true;
}

AVCodecContext* TFfmpegVideo::NewDecoder(int threads) const {
  AVCodecContext* dec = avcodec_alloc_context3(codec_);
  const AVStream* st = fmt_->streams[stream_];
  if (!dec || avcodec_parameters_to_context(dec, st->codecpar) < 0) {
    avcodec_free_context(&dec);
    return nullptr;
  }
  dec->thread_count = threads;  // 0: as many as the machine has
  dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  dec->pkt_timebase = st->time_base;
  if (avcodec_open2(dec, codec_, nullptr) < 0) avcodec_free_context(&dec);
  return dec;
}

void TFfmpegVideo::UseThreads() {
  if (threaded_) return;
  threaded_ = true;
  // The library decodes as many pictures at once as the machine has
  // processors, and one more.  A command going through the file converts
  // on a thread of its own besides: one more picture in flight keeps both
  // processors busy while a decoding thread waits for the rows of the
  // picture it refers to (3 % faster through 1080p H.264 on 2 cores).
  const int threads = isolatedReads_ ? std::min(av_cpu_count() + 2, kMostDecodingThreads) : 0;
  AVCodecContext* dec = NewDecoder(threads);
  if (!dec) return;  // the single-threaded decoder goes on
  avcodec_free_context(&dec_);
  dec_ = dec;
  decoderLive_ = false;  // the new decoder starts from a keyframe
}

bool TFfmpegVideo::DropUndecodableTail() {
  // A truncated file, or one whose index was read as data, ends with
  // packets that decode to nothing; they are not counted, so that the count
  // is the number of images that can be shown.  The last images are decoded
  // once, to the end of the file; the images after the last one that came
  // out are dropped.  When none came out, the images before are tried, a few
  // windows at most.
  // Only which images come out matters: the cache keeps its minimum.
  if (TailIsWhole()) return FrameCount() > 0;
  UseThreads();
  const std::size_t budget = cacheBudget_;
  cacheBudget_ = 0;
  // Every picture that comes out counts, those a reader of isolated images
  // would skip or let go too.
  const bool isolated = isolatedReads_;
  isolatedReads_ = false;
  bool found = false;
  for (int window = 0; window < kTailWindows && FrameCount() > 0 && !found; ++window) {
    const int32_t count = FrameCount();
    const int32_t from = std::max(count - kTailImages, 0);
    DecodeUntil(count, keyForRank_[static_cast<std::size_t>(from)]);
    const int32_t last = lastOutput_ >= from ? lastOutput_ : from - 1;
    while (FrameCount() - 1 > last) DropLastImage();
    found = last >= from;
  }
  cacheBudget_ = budget;
  isolatedReads_ = isolated;
  return FrameCount() > 0;
}

bool TFfmpegVideo::TailIsWhole() const {
  // An MP4 or MOV file gives the size and place of every picture in its
  // tables: when all the last pictures are there in full, none is cut, and
  // decoding them (a large share of the time to open a phone video) would
  // drop nothing.  Other containers find their pictures by reading the data
  // and are checked by decoding.
  if (!fmt_->iformat || !std::strstr(fmt_->iformat->name, "mov") || FrameCount() == 0) return false;
  const int32_t from = std::max(FrameCount() - kTailImages, 0);
  for (std::size_t d = static_cast<std::size_t>(keyForRank_[static_cast<std::size_t>(from)]);
       d < packets_.size(); ++d)
    if (!packets_[d].whole || packets_[d].junk) return false;
  return true;
}

void TFfmpegVideo::DropLastImage() {
  const int32_t last = FrameCount() - 1;
  for (std::size_t d = 0; d < packets_.size(); ++d)
    if (rankOfDecode_[d] == last) {
      rankOfDecode_[d] = -1;
      packets_[d].pts = INT64_MIN;  // still decoded, no longer shown
    }
  if (auto it = cache_.find(last); it != cache_.end()) {
    cacheBytes_ -= std::min(cacheBytes_, FrameBytes(it->second->second));
    av_frame_free(&it->second->second);
    lru_.erase(it->second);
    cache_.erase(it);
  }
  const int64_t removed = byPts_.back();
  byPts_.pop_back();
  keyForRank_.pop_back();
  if (!byPts_.empty())
    duration_ = std::max(duration_ - static_cast<double>(removed - byPts_.back()) * timeBase_, 0.0);
  lastOutput_ = std::min(lastOutput_, FrameCount() - 1);
}

bool TFfmpegVideo::BuildIndex(const TOpenProgress& progress) {
  const int64_t fileSize = fmt_->pb ? avio_size(fmt_->pb) : -1;
  int64_t lastReport = -1;
  // A file that goes on with no packet for long (a camera's pre-allocated
  // zeros, which the demuxer would search byte by byte) ends there; the
  // distance allows a few uncompressed pictures.
  const int64_t scanLimit = std::max<int64_t>(int64_t{32} << 20, int64_t{8} * width_ * height_);
  LimitReads(scanLimit);
  bool missingPts = false;
  // Uncompressed pictures have a known size: a shorter packet (the last one
  // of a truncated file, or an index read as data) is no picture.
  int64_t rawPictureBytes = 0;
  const AVCodecID codecId = fmt_->streams[stream_]->codecpar->codec_id;
  const bool mpegVideo = codecId == AV_CODEC_ID_MPEG1VIDEO || codecId == AV_CODEC_ID_MPEG2VIDEO;
  if (const AVCodecParameters* par = fmt_->streams[stream_]->codecpar;
      par->codec_id == AV_CODEC_ID_RAWVIDEO) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(par->format));
    const int bits = desc ? av_get_bits_per_pixel(desc) : par->bits_per_coded_sample;
    if (bits > 0) rawPictureBytes = int64_t{width_} * height_ * bits / 8;
  }
  // The durations of an MP4 or MOV file as its table gives them, before the
  // library mends them.
  std::optional<TMp4Durations> mp4;
  if (fmt_->iformat && std::strstr(fmt_->iformat->name, "mov"))
    mp4 = ReadMp4Durations(path_, static_cast<uint32_t>(fmt_->streams[stream_]->id));
  incoherent_ = mp4 && mp4->Incoherent();
  // The last key packet, to find pictures stored twice (see SamePictures).
  std::unique_ptr<AVPacket, void (*)(AVPacket*)> lastKey(av_packet_alloc(),
                                                         [](AVPacket* k) { av_packet_free(&k); });
  while (true) {
    const int ret = av_read_frame(fmt_, pkt_);
    if (ret == AVERROR(EAGAIN)) continue;
    if (ret < 0) break;
    LimitReads(scanLimit);
    if (pkt_->stream_index == stream_) {
      // A palette sent once with the first packet (8-bit pictures) is kept
      // to be sent again after every seek.
      std::size_t palSize = 0;
      if (const uint8_t* pal = av_packet_get_side_data(pkt_, AV_PKT_DATA_PALETTE, &palSize);
          pal && palette_.empty())
        palette_.assign(pal, pal + palSize);
      Packet p{pkt_->pts, pkt_->dts, pkt_->pos, (pkt_->flags & AV_PKT_FLAG_KEY) != 0};
      p.junk = pkt_->size < rawPictureBytes;
      p.whole = (pkt_->flags & AV_PKT_FLAG_CORRUPT) == 0 && pkt_->size > 0 &&
                (fileSize <= 0 || pkt_->pos < 0 || pkt_->pos + pkt_->size <= fileSize);
      if (mpegVideo) p.type = static_cast<int8_t>(MpegPictureType(pkt_->data, pkt_->size));
      if (p.key && lastKey) {
        p.same = !packets_.empty() && packets_.back().key && lastKey->size == pkt_->size &&
                 std::memcmp(lastKey->data, pkt_->data, static_cast<std::size_t>(pkt_->size)) == 0;
        av_packet_unref(lastKey.get());
        if (av_packet_ref(lastKey.get(), pkt_) < 0) lastKey.reset();
      }
      // (An edit list worked out from durations that mean nothing hides
      // images at random: every image the file holds is then shown.)
      const bool discard = ((pkt_->flags & AV_PKT_FLAG_DISCARD) != 0 && !incoherent_) || p.junk;
      if (p.dts == AV_NOPTS_VALUE) {
        // Follows the previous packet.
        p.dts = packets_.empty() ? (p.pts != AV_NOPTS_VALUE ? p.pts : 0)
                                 : packets_.back().dts + std::max<int64_t>(pkt_->duration, 1);
      }
      p.fileDts = p.dts;
      if (p.pts != AV_NOPTS_VALUE) p.delay = p.pts - p.dts;
      if (p.pts == AV_NOPTS_VALUE) missingPts = true;
      // A packet the container marks as not shown still feeds the decoder,
      // but is no image: it is kept with pts "none".
      if (discard) p.pts = INT64_MIN, p.hidden = true;
      packets_.push_back(p);
      if (pkt_->duration > 0 && !discard) duration_ = static_cast<double>(pkt_->duration);
    }
    if (progress && fileSize > 0 && pkt_->pos >= 0) {
      const int64_t step = pkt_->pos * 100 / fileSize;
      if (step != lastReport) {
        lastReport = step;
        if (!progress(static_cast<double>(pkt_->pos) / static_cast<double>(fileSize))) {
          av_packet_unref(pkt_);
          return Fail("ouverture annulée");
        }
      }
    }
    av_packet_unref(pkt_);
  }
  LimitReads(0);
  double lastDuration = duration_;  // in time-base units, 0 when unknown
  if (packets_.empty()) return Fail("aucune image dans le fichier");
  if (RepairTimes()) missingPts = true;

  if (missingPts && !(mpegVideo && FillTimesFromPictureTypes())) {
    // Some containers (MPEG program streams, AVI with B-frames) leave out the
    // presentation time of reference pictures.  B-pictures carry pts = dts + c;
    // a reference picture is shown when the next reference picture is decoded,
    // at that one's dts + c.
    int64_t c = INT64_MAX;
    for (const Packet& p : packets_)
      if (p.pts != AV_NOPTS_VALUE && p.pts != INT64_MIN) c = std::min(c, p.pts - p.dts);
    if (c == INT64_MAX) {
      for (Packet& p : packets_)
        if (p.pts == AV_NOPTS_VALUE && !p.hidden) p.pts = p.dts;
    } else {
      const std::size_t n = packets_.size();
      std::vector<bool> isRef(n);
      for (std::size_t i = 0; i < n; ++i)
        isRef[i] = !packets_[i].hidden &&
                   (packets_[i].pts == AV_NOPTS_VALUE || packets_[i].pts != packets_[i].dts + c);
      const int64_t step =
          n > 1 ? std::max<int64_t>(
                      (packets_.back().dts - packets_.front().dts) / static_cast<int64_t>(n - 1), 1)
                : 1;
      int64_t nextRefDts = packets_.back().dts + step;
      for (std::size_t k = n; k-- > 0;) {
        if (packets_[k].pts == AV_NOPTS_VALUE && !packets_[k].hidden)
          packets_[k].pts = nextRefDts + c;
        if (isRef[k]) nextRefDts = packets_[k].dts;
      }
    }
  }

  // Presentation order.
  for (const Packet& p : packets_)
    if (p.pts != INT64_MIN) byPts_.push_back(p.pts);
  if (byPts_.empty()) return Fail("aucune image dans le fichier");
  std::sort(byPts_.begin(), byPts_.end());
  if (!incoherent_ && std::adjacent_find(byPts_.begin(), byPts_.end()) != byPts_.end()) {
    // Times that repeat cannot tell the images apart: the decode order is
    // then taken as the presentation order.
    byPts_.clear();
    for (Packet& p : packets_)
      if (p.pts != INT64_MIN) p.pts = p.dts, byPts_.push_back(p.dts);
    std::sort(byPts_.begin(), byPts_.end());
    // Decoding times that repeat too tell nothing: every image is kept all
    // the same, at times of its own.
    incoherent_ = std::adjacent_find(byPts_.begin(), byPts_.end()) != byPts_.end();
  }
  if (incoherent_) lastDuration = SpreadTimes(mp4 ? &*mp4 : nullptr);
  firstPts_ = byPts_.front();
  // Packets read after a seek are found by the decoding time the file gives.
  byFileDts_.reserve(packets_.size());
  for (std::size_t d = 0; d < packets_.size(); ++d)
    byFileDts_.emplace_back(packets_[d].fileDts, static_cast<int32_t>(d));
  std::sort(byFileDts_.begin(), byFileDts_.end());
  const int64_t span = byPts_.back() - firstPts_;
  const double lastDur =
      lastDuration > 0
          ? lastDuration
          : (byPts_.size() > 1 ? static_cast<double>(span) / (byPts_.size() - 1) : 0.0);
  duration_ = (static_cast<double>(span) + lastDur) * timeBase_;

  // Rank of each packet, and the keyframe each image is decoded from: the
  // last keyframe shown at or before the image and decoded at or before it.
  rankOfDecode_.assign(packets_.size(), -1);
  std::vector<int32_t> keys;  // decode indexes
  std::vector<int64_t> keyPts;
  for (std::size_t d = 0; d < packets_.size(); ++d) {
    if (packets_[d].pts != INT64_MIN) rankOfDecode_[d] = RankOf(packets_[d].pts);
    if (packets_[d].key && (keyPts.empty() || packets_[d].pts > keyPts.back()) &&
        packets_[d].pts != INT64_MIN) {
      keys.push_back(static_cast<int32_t>(d));
      keyPts.push_back(packets_[d].pts);
    }
  }
  if (keys.empty() || keys.front() != 0) {
    // Decoding can always start from the beginning of the file.
    keys.insert(keys.begin(), 0);
    keyPts.insert(keyPts.begin(), INT64_MIN);
  }
  keyForRank_.assign(byPts_.size(), 0);
  for (std::size_t d = 0; d < packets_.size(); ++d) {
    const int32_t r = rankOfDecode_[d];
    if (r < 0) continue;
    const std::size_t byTime = static_cast<std::size_t>(
        std::upper_bound(keyPts.begin(), keyPts.end(), packets_[d].pts) - keyPts.begin());
    const std::size_t byDecode = static_cast<std::size_t>(
        std::upper_bound(keys.begin(), keys.end(), static_cast<int32_t>(d)) - keys.begin());
    const std::size_t k = std::min(byTime, byDecode);
    keyForRank_[static_cast<std::size_t>(r)] = k ? keys[k - 1] : 0;
  }
  return true;
}

bool TFfmpegVideo::RepairTimes() {
  // The images are the packets read; their times only put them in order.  A
  // damaged timestamp (one flipped bit of an MPEG clock is hours) would
  // otherwise stretch the file's duration and misplace the images after it,
  // so the times are kept only where they follow from the packets before.
  std::vector<int64_t> steps;
  for (std::size_t i = 1; i < packets_.size(); ++i)
    if (packets_[i].dts > packets_[i - 1].dts)
      steps.push_back(packets_[i].dts - packets_[i - 1].dts);
  if (steps.empty()) return false;
  std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                   steps.end());
  const int64_t step = steps[steps.size() / 2];
  const int64_t maxJump =
      step > INT64_MAX / kMaxTimeJumpSteps ? INT64_MAX : step * kMaxTimeJumpSteps;

  bool missingPts = false;
  int64_t previousRaw = packets_.front().dts;
  int64_t previous = previousRaw;
  for (std::size_t i = 1; i < packets_.size(); ++i) {
    Packet& p = packets_[i];
    const int64_t raw = p.dts;
    // Differences of far-apart clock values would overflow: such values are
    // a jump anyway.
    const bool far =
        (raw > 0 && previousRaw < raw - INT64_MAX) || (raw < 0 && previousRaw > raw + INT64_MAX);
    const int64_t jump = far ? INT64_MAX : raw - previousRaw;
    const bool consistent = !far && jump <= maxJump && jump >= -maxJump;
    const int64_t dts = consistent ? previous + jump : previous + step;
    if (p.pts != AV_NOPTS_VALUE && p.pts != INT64_MIN) {
      // The presentation time keeps its distance to the decoding time when
      // that distance is a plausible reordering delay; otherwise it is
      // worked out like a missing one.
      const bool farPts =
          (p.pts > 0 && raw < p.pts - INT64_MAX) || (p.pts < 0 && raw > p.pts + INT64_MAX);
      const int64_t delay = farPts ? INT64_MAX : p.pts - raw;
      if (!farPts && delay <= maxJump && delay >= -maxJump) {
        p.pts = dts + delay;
      } else {
        p.pts = AV_NOPTS_VALUE;
        missingPts = true;
      }
    }
    p.dts = dts;
    previousRaw = raw;
    previous = dts;
  }
  // The first packet's presentation time, against its own decoding time.
  Packet& first = packets_.front();
  if (first.pts != AV_NOPTS_VALUE && first.pts != INT64_MIN) {
    const bool farPts = (first.pts > 0 && first.dts < first.pts - INT64_MAX) ||
                        (first.pts < 0 && first.dts > first.pts + INT64_MAX);
    if (farPts || first.pts - first.dts > maxJump || first.pts - first.dts < -maxJump) {
      first.pts = AV_NOPTS_VALUE;
      missingPts = true;
    }
  }
  return missingPts;
}

double TFfmpegVideo::SpreadTimes(const TMp4Durations* table) {
  // The images share out the length the file declares evenly (without one,
  // they are taken at 25 images/s).  They are decoded one step apart and
  // shown as long after that as the file says (the reordering of
  // B-pictures), which puts them in order.
  std::vector<std::size_t> order;
  for (std::size_t d = 0; d < packets_.size(); ++d)
    if (packets_[d].pts != INT64_MIN) order.push_back(d);
  const double count = static_cast<double>(order.size());
  double length = 0.0;
  if (table && table->timescale > 0 && table->mediaDuration > 0)
    length = static_cast<double>(table->mediaDuration) / table->timescale;
  else if (fmt_->duration > 0)
    length = static_cast<double>(fmt_->duration) / AV_TIME_BASE;
  double step = length / count / timeBase_;
  if (!(step >= 1.0) || !std::isfinite(step) || length / count > 10.0)
    step = std::max(1.0, std::round(1.0 / 25.0 / timeBase_));
  const auto ticks = static_cast<int64_t>(std::llround(step));
  std::vector<std::pair<double, std::size_t>> shown;
  for (std::size_t k = 0; k < order.size(); ++k)
    shown.emplace_back(
        static_cast<double>(k) * step + static_cast<double>(packets_[order[k]].delay), order[k]);
  std::stable_sort(shown.begin(), shown.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t k = 0; k < shown.size(); ++k) order[k] = shown[k].second;
  byPts_.clear();
  for (std::size_t k = 0; k < order.size(); ++k) {
    packets_[order[k]].pts = static_cast<int64_t>(k) * ticks;
    byPts_.push_back(static_cast<int64_t>(k) * ticks);
  }
  return static_cast<double>(ticks);
}

bool TFfmpegVideo::FillTimesFromPictureTypes() {
  // An MPEG program stream gives a time only to the pictures that begin a
  // packet of the stream, of any type.  The types give the order in which
  // pictures are shown: a bidirectional picture at once, a reference
  // picture when the next reference picture is decoded.  A picture without
  // a time then follows the one shown before it by one step.
  std::vector<std::size_t> shown;
  shown.reserve(packets_.size());
  std::size_t held = SIZE_MAX;
  for (std::size_t d = 0; d < packets_.size(); ++d) {
    if (packets_[d].hidden) continue;
    if (packets_[d].type == 0) return false;  // damaged: the order is not known
    if (packets_[d].type == 3) {
      shown.push_back(d);
      continue;
    }
    if (held != SIZE_MAX) shown.push_back(held);
    held = d;
  }
  if (held != SIZE_MAX) shown.push_back(held);
  std::vector<int64_t> steps;
  for (std::size_t i = 1; i < packets_.size(); ++i)
    if (packets_[i].dts > packets_[i - 1].dts)
      steps.push_back(packets_[i].dts - packets_[i - 1].dts);
  if (shown.empty() || steps.empty()) return false;
  std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                   steps.end());
  const int64_t step = steps[steps.size() / 2];

  std::vector<int64_t> times(shown.size(), AV_NOPTS_VALUE);
  for (std::size_t j = 0; j < shown.size(); ++j) times[j] = packets_[shown[j]].pts;
  const auto known =
      std::find_if(times.begin(), times.end(), [](int64_t t) { return t != AV_NOPTS_VALUE; });
  std::size_t first = static_cast<std::size_t>(known - times.begin());
  if (first == times.size()) {  // no time at all: the decoding times, in order
    first = 0;
    times[0] = packets_[shown[0]].dts;
  }
  for (std::size_t j = first; j-- > 0;) times[j] = times[j + 1] - step;
  for (std::size_t j = first + 1; j < times.size(); ++j)
    if (times[j] == AV_NOPTS_VALUE) times[j] = times[j - 1] + step;
  // Types that contradict the times the file gives (damaged data) leave the
  // work to the general rule.
  if (std::adjacent_find(times.begin(), times.end(), std::greater_equal<>()) != times.end())
    return false;
  for (std::size_t j = 0; j < shown.size(); ++j) packets_[shown[j]].pts = times[j];
  return true;
}

int32_t TFfmpegVideo::KeyframeCount() const {
  int32_t n = 0;
  for (const Packet& p : packets_) n += p.key;
  return n;
}

int32_t TFfmpegVideo::RankOf(int64_t pts) const {
  auto it = std::lower_bound(byPts_.begin(), byPts_.end(), pts);
  if (it == byPts_.end() || *it != pts) return -1;
  return static_cast<int32_t>(it - byPts_.begin());
}

double TFfmpegVideo::FrameTime(int32_t n) const {
  if (byPts_.empty()) return 0.0;
  n = std::clamp<int32_t>(n, 0, FrameCount() - 1);
  return static_cast<double>(byPts_[static_cast<std::size_t>(n)] - firstPts_) * timeBase_;
}

std::vector<double> TFfmpegVideo::FrameTimes() const {
  std::vector<double> times(byPts_.size());
  for (std::size_t i = 0; i < byPts_.size(); ++i)
    times[i] = static_cast<double>(byPts_[i] - firstPts_) * timeBase_;
  return times;
}

int32_t TFfmpegVideo::FrameAtTime(double seconds) const {
  if (byPts_.empty()) return 0;
  // A tiny margin so that a time computed from the image's own timestamp
  // does not fall just before it by rounding.
  const double ticks = seconds / timeBase_ + 1e-6;
  const double limit = static_cast<double>(byPts_.back() - firstPts_);
  const int64_t t = firstPts_ + static_cast<int64_t>(std::floor(std::clamp(ticks, 0.0, limit)));
  const auto it = std::upper_bound(byPts_.begin(), byPts_.end(), t);
  return std::max<int32_t>(static_cast<int32_t>(it - byPts_.begin()) - 1, 0);
}

void TFfmpegVideo::CacheFrame(int32_t rank, AVFrame* frame) {
  if (cache_.count(rank)) return;
  AVFrame* ref = av_frame_clone(frame);
  if (!ref) return;
  lru_.emplace_back(rank, ref);
  cache_[rank] = std::prev(lru_.end());
  const std::size_t bytes = FrameBytes(ref);
  cacheBytes_ += bytes;
  // The budget covers every decoded picture the reader holds: the decoder
  // keeps its reference pictures and one picture per decoding thread besides
  // the cache, so those are counted against the budget first.
  const std::size_t held =
      static_cast<std::size_t>(std::max(dec_->refs, 1) + std::max(dec_->thread_count, 1) + 2) *
      bytes;
  const std::size_t limit = cacheBudget_ > held ? cacheBudget_ - held : 0;
  while (cacheBytes_ > limit && lru_.size() > kMinCachedFrames) {
    auto& [r, f] = lru_.front();
    cacheBytes_ -= std::min(cacheBytes_, FrameBytes(f));
    av_frame_free(&f);
    cache_.erase(r);
    lru_.pop_front();
  }
}

void TFfmpegVideo::DropCachedBefore(int32_t rank) {
  for (auto it = lru_.begin(); it != lru_.end();) {
    if (it->first >= rank) {
      ++it;
      continue;
    }
    cacheBytes_ -= std::min(cacheBytes_, FrameBytes(it->second));
    av_frame_free(&it->second);
    cache_.erase(it->first);
    it = lru_.erase(it);
  }
}

AVFrame* TFfmpegVideo::Cached(int32_t rank) {
  auto it = cache_.find(rank);
  if (it == cache_.end()) return nullptr;
  lru_.splice(lru_.end(), lru_, it->second);  // most recently used
  return it->second->second;
}

int32_t TFfmpegVideo::DecodeIndexOf(const AVPacket& pkt) {
  // Where a packet read after a seek lies in the index: by decode time,
  // checked with the byte position when both are known; by position alone
  // otherwise.
  if (pkt.dts != AV_NOPTS_VALUE) {
    auto it = std::lower_bound(byFileDts_.begin(), byFileDts_.end(),
                               std::pair<int64_t, int32_t>{pkt.dts, INT32_MIN});
    for (; it != byFileDts_.end() && it->first == pkt.dts; ++it) {
      const Packet& p = packets_[static_cast<std::size_t>(it->second)];
      if (pkt.pos < 0 || p.pos < 0 || p.pos == pkt.pos) return it->second;
    }
  }
  if (pkt.pos >= 0)
    for (std::size_t d = 0; d < packets_.size(); ++d)
      if (packets_[d].pos == pkt.pos) return static_cast<int32_t>(d);
  return -1;
}

int32_t TFfmpegVideo::DecodeIndexOfRank(int32_t rank, int32_t from) const {
  for (std::size_t d = static_cast<std::size_t>(std::max(from, 0)); d < rankOfDecode_.size(); ++d)
    if (rankOfDecode_[d] == rank) return static_cast<int32_t>(d);
  return -1;
}

void TFfmpegVideo::ResetDecoder() {
  avcodec_flush_buffers(dec_);
  lastOutput_ = -1;
  decoderLive_ = true;
}

bool TFfmpegVideo::SeekToKey(int32_t key) {
  ResetDecoder();
  seekKey_ = key;
  pending_ = false;
  startRank_ = std::max(rankOfDecode_[static_cast<std::size_t>(key)], 0);
  if (!(key == 0 && containerFresh_)) {
    containerFresh_ = false;
    const Packet& p = packets_[static_cast<std::size_t>(key)];
    if (av_seek_frame(fmt_, stream_, p.fileDts, AVSEEK_FLAG_BACKWARD) >= 0) {
      // Where did it land?  At or before the keyframe is fine (the packets
      // before it are skipped); after it, or somewhere unknown, is not.
      while (av_read_frame(fmt_, pkt_) >= 0) {
        if (pkt_->stream_index != stream_) {
          av_packet_unref(pkt_);
          continue;
        }
        // Only a keyframe is a safe place to count from: elsewhere some
        // demuxers make up timestamps that differ from the first reading.
        const int32_t d = (pkt_->flags & AV_PKT_FLAG_KEY) ? DecodeIndexOf(*pkt_) : -1;
        if (d >= 0 && d <= key && packets_[static_cast<std::size_t>(d)].key) {
          nextDecode_ = d;
          pending_ = true;  // pkt_ holds the first packet to consider
          return true;
        }
        av_packet_unref(pkt_);
        break;
      }
    }
  }
  // From the beginning of the file.
  if (!containerFresh_ && !OpenContainer()) return false;
  containerFresh_ = false;
  nextDecode_ = 0;
  return true;
}

bool TFfmpegVideo::DecodeUntil(int32_t target, int32_t fromKey) {
  if (isolatedReads_) DropCachedBefore(target);
  if (fromKey < 0 && Cached(target)) return true;
  // The first picture (the test of the opening, often all a caller wants)
  // is decoded alone; more pictures are worth the threads.  A reader of
  // isolated images (a command going through the file) wants more from the
  // start, and would otherwise decode its first picture twice.
  if (!threaded_ && (framesDecoded_ > 0 || isolatedReads_)) UseThreads();
  const int32_t key = fromKey >= 0 ? fromKey : keyForRank_[static_cast<std::size_t>(target)];
  // Go on from where the decoder is when the image lies ahead and its
  // keyframe has already been sent (or is the next packet); seek otherwise.
  const bool goOn =
      fromKey < 0 && decoderLive_ && target > lastOutput_ && key <= nextDecode_ && key >= seekKey_;
  bool pending = false;  // pkt_ already holds a packet read by the seek
  if (!goOn) {
    if (!SeekToKey(key)) return false;
    pending = pending_;
  }
  containerFresh_ = false;
  lost_ = false;
  const int32_t skipBefore = key;  // packets before the keyframe are not sent
  // A reader of isolated images will not step back from the one it jumps
  // to: the pictures decoded before it that no other picture refers to
  // (most B pictures) are not needed, and the decoder skips them, which
  // halves the work of reaching an image far from its keyframe.  Others
  // keep them, so that stepping back finds them in the cache.
  const int32_t skipUntil = isolatedReads_ && !goOn ? DecodeIndexOfRank(target, key) : -1;
  bool found = false;
  bool eof = false;
  while (!found && !eof && !lost_) {
    if (!pending) {
      // Past the last indexed packet there is nothing more to read (and
      // reading on may search long, through a camera's pre-allocated zeros).
      const bool indexEnd = static_cast<std::size_t>(nextDecode_) >= packets_.size();
      const int ret = indexEnd ? AVERROR_EOF : av_read_frame(fmt_, pkt_);
      if (ret < 0) {
        eof = true;
        avcodec_send_packet(dec_, nullptr);  // drain what the decoder holds
      }
    }
    pending = false;
    if (!eof && pkt_->stream_index != stream_) {
      av_packet_unref(pkt_);
      continue;
    }
    if (!eof) {
      // Packets come back in the order of the index, counted from the one
      // the seek was checked against.
      const int32_t d = nextDecode_++;
      if (static_cast<std::size_t>(d) >= packets_.size()) {
        av_packet_unref(pkt_);
        eof = true;
        avcodec_send_packet(dec_, nullptr);
      } else if (d < skipBefore || packets_[static_cast<std::size_t>(d)].junk) {
        av_packet_unref(pkt_);
        continue;
      } else {
        const Packet& p = packets_[static_cast<std::size_t>(d)];
        if (p.pts != INT64_MIN) {
          pkt_->pts = p.pts;
          // An image shown against the container's advice must come out of
          // the decoder too.
          pkt_->flags &= ~AV_PKT_FLAG_DISCARD;
        }
        if (!palette_.empty() && !av_packet_get_side_data(pkt_, AV_PKT_DATA_PALETTE, nullptr)) {
          if (uint8_t* pal = av_packet_new_side_data(pkt_, AV_PKT_DATA_PALETTE, palette_.size()))
            std::memcpy(pal, palette_.data(), palette_.size());
        }
        dec_->skip_frame = d < skipUntil ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        // A packet the decoder refuses (damaged data) is skipped; the
        // images after it may still decode.
        avcodec_send_packet(dec_, pkt_);
        av_packet_unref(pkt_);
      }
    }
    while (true) {
      const int got = avcodec_receive_frame(dec_, frame_);
      if (got < 0) break;
      ++framesDecoded_;
      const int64_t pts =
          frame_->pts != AV_NOPTS_VALUE ? frame_->pts : frame_->best_effort_timestamp;
      const int32_t rank = RankOf(pts);
      // A reader of isolated images never asks for a picture before the
      // target again: keeping those would hold the decoder's buffers, and
      // each new picture would then cost a fresh, zeroed buffer.
      const bool kept = !isolatedReads_ || rank >= target;
      if (rank >= startRank_ && kept) {
        CacheFrame(rank, frame_);
        lastOutput_ = std::max(lastOutput_, rank);
        if (rank == target) {
          found = true;
        } else if (found) {
          // A drained decoder gives the pictures of all its threads at
          // once: those after the target must not push it out of the cache
          // before it is shown.
          Cached(target);
        }
      }
      av_frame_unref(frame_);
    }
    // Pictures come out in presentation order: pictures well past the
    // target without the target mean the decoder dropped it (damaged data).
    // (The margin covers a decoder that learns its reordering depth late.)
    if (!found && lastOutput_ > target + kLostMargin) lost_ = true;
  }
  if (!found && eof && lastOutput_ > target) lost_ = true;
  dec_->skip_frame = AVDISCARD_DEFAULT;
  if (eof) decoderLive_ = false;  // a drained decoder must be flushed before more
  return found || Cached(target) != nullptr;
}

// Converts decoded pictures to 24-bit RGB at the stream's stored size,
// turned upright.  The converter is kept between pictures of the same size
// and format.  A mutex lets pictures held apart convert on any thread, one
// at a time.
class TRgbConverter {
 public:
  // `threads`: how many threads share the conversion of one picture, 0 for
  // as many as the machine has processors.
  TRgbConverter(int32_t storedWidth, int32_t storedHeight, int32_t rotation, int threads)
      : storedWidth_(storedWidth),
        storedHeight_(storedHeight),
        rotation_(rotation),
        threads_(threads) {}
  ~TRgbConverter() { sws_freeContext(sws_); }
  TRgbConverter(const TRgbConverter&) = delete;
  TRgbConverter& operator=(const TRgbConverter&) = delete;

  bool Convert(const AVFrame* f, uint8_t* pixels, std::size_t stride);

 private:
  std::mutex mutex_;
  int32_t storedWidth_, storedHeight_, rotation_;
  int threads_;
  SwsContext* sws_ = nullptr;
  int swsWidth_ = -1, swsHeight_ = -1, swsFormat_ = -1;  // source the converter was made for
  std::vector<uint8_t> unturned_;  // a converted picture before it is turned upright
};

bool TRgbConverter::Convert(const AVFrame* f, uint8_t* pixels, std::size_t stride) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!sws_ || swsWidth_ != f->width || swsHeight_ != f->height || swsFormat_ != f->format) {
    if (sws_) sws_freeContext(sws_), sws_ = nullptr;
    swsWidth_ = swsHeight_ = swsFormat_ = -1;
    SwsContext* c = sws_alloc_context();
    if (!c) return false;
    // The conversion of one picture may be split into bands converted at
    // the same time.
    if (av_opt_set_int(c, "srcw", f->width, 0) < 0 || av_opt_set_int(c, "srch", f->height, 0) < 0 ||
        av_opt_set_int(c, "src_format", f->format, 0) < 0 ||
        av_opt_set_int(c, "dstw", storedWidth_, 0) < 0 ||
        av_opt_set_int(c, "dsth", storedHeight_, 0) < 0 ||
        av_opt_set_int(c, "dst_format", AV_PIX_FMT_RGB24, 0) < 0 ||
        av_opt_set_int(c, "sws_flags", SWS_BICUBIC, 0) < 0 ||
        av_opt_set_int(c, "threads", threads_, 0) < 0 ||
        sws_init_context(c, nullptr, nullptr) < 0) {
      sws_freeContext(c);
      return false;
    }
    sws_ = c;
    swsWidth_ = f->width;
    swsHeight_ = f->height;
    swsFormat_ = f->format;
  }
  // A picture to be turned is converted aside first, then turned into the
  // caller's memory.
  uint8_t* out = pixels;
  std::size_t outStride = stride;
  if (rotation_ != 0) {
    outStride = static_cast<std::size_t>(storedWidth_) * 3;
    unturned_.resize(outStride * static_cast<std::size_t>(storedHeight_));
    out = unturned_.data();
  }
  // The destination wraps that memory (never freed by the library).
  AVFrame* dst = av_frame_alloc();
  if (!dst) return false;
  dst->buf[0] = av_buffer_create(
      out, outStride * static_cast<std::size_t>(storedHeight_), [](void*, uint8_t*) {}, nullptr, 0);
  bool ok = false;
  if (dst->buf[0]) {
    dst->data[0] = out;
    dst->linesize[0] = static_cast<int>(outStride);
    dst->width = storedWidth_;
    dst->height = storedHeight_;
    dst->format = AV_PIX_FMT_RGB24;
    ok = sws_scale_frame(sws_, dst, f) >= 0;
  }
  av_frame_free(&dst);
  if (ok && rotation_ != 0)
    RotatePicture(out, storedWidth_, storedHeight_, outStride, pixels, stride, rotation_);
  return ok;
}

std::shared_ptr<TRgbConverter> TFfmpegVideo::Converter(bool held) {
  std::shared_ptr<TRgbConverter>& c = held ? heldConverter_ : converter_;
  // A picture read is waited for: its conversion takes every processor.
  // Pictures held apart are converted on a thread of their own while the
  // decoder's threads go on; splitting each one again would only add waits.
  if (!c) c = std::make_shared<TRgbConverter>(storedWidth_, storedHeight_, rotation_, held ? 1 : 0);
  return c;
}

bool TFfmpegVideo::Convert(const AVFrame* f, uint8_t* pixels, std::size_t stride) {
  return Converter(false)->Convert(f, pixels, stride);
}

namespace {
// A decoded picture held apart from the cache: a reference of its own to the
// decoder's frame, and the converter of the pictures held apart, shared so
// that it outlives the reader.
class THeldPicture : public TDecodedImage {
 public:
  THeldPicture(AVFrame* frame, std::shared_ptr<TRgbConverter> converter, int32_t width,
               int32_t height)
      : frame_(frame), converter_(std::move(converter)), width_(width), height_(height) {}
  ~THeldPicture() override { av_frame_free(&frame_); }
  THeldPicture(const THeldPicture&) = delete;
  THeldPicture& operator=(const THeldPicture&) = delete;

  bool ConvertInto(Image& dest) override {
    if (dest.Width() != width_ || dest.Height() != height_) dest.Resize(width_, height_);
    return converter_->Convert(frame_, dest.Data(), dest.Stride());
  }

 private:
  AVFrame* frame_;
  std::shared_ptr<TRgbConverter> converter_;
  int32_t width_, height_;
};
}  // namespace

std::unique_ptr<TDecodedImage> TFfmpegVideo::DecodeApart(int32_t n) {
  const AVFrame* f = Shown(n);
  if (!f) return nullptr;
  AVFrame* ref = av_frame_clone(f);
  if (!ref) return nullptr;
  return std::make_unique<THeldPicture>(ref, Converter(true), width_, height_);
}

bool TFfmpegVideo::Decoded(int32_t n) {
  if (!open_ || n < 0 || n >= FrameCount()) return false;
  if (DecodeUntil(n)) return true;
  if (lost_) return false;
  // One more try from the keyframe, in case the decoder was left in a state
  // it could not go on from.
  decoderLive_ = false;
  return DecodeUntil(n);
}

const AVFrame* TFfmpegVideo::Shown(int32_t n) {
  if (Decoded(n)) return Cached(n);
  if (!lost_) return nullptr;
  // The decoder dropped this picture: the nearest one decoded before it
  // stands in (as an empty chunk of an AVI file shows the previous image),
  // else the nearest after it.
  for (int32_t r = n - 1; r >= std::max(startRank_, 0); --r)
    if (AVFrame* f = Cached(r)) return f;
  for (int32_t r = n + 1; r <= lastOutput_; ++r)
    if (AVFrame* f = Cached(r)) return f;
  return nullptr;
}

bool TFfmpegVideo::ReadFrame(int32_t n, Image& out) {
  const AVFrame* f = Shown(n);
  if (!f) return false;
  if (out.Width() != width_ || out.Height() != height_) out.Resize(width_, height_);
  return Convert(f, out.Data(), out.Stride());
}

bool TFfmpegVideo::ReadFrame(int32_t n, uint8_t* pixels, std::size_t stride) {
  if (!pixels || stride < static_cast<std::size_t>(width_) * 3 || stride > INT32_MAX) return false;
  const AVFrame* f = Shown(n);
  return f && Convert(f, pixels, stride);
}

std::vector<int32_t> TFfmpegVideo::SamePictures() const {
  std::vector<int32_t> out;
  for (const Packet& p : packets_) {
    if (!p.same || p.pts == INT64_MIN) continue;
    const auto it = std::lower_bound(byPts_.begin(), byPts_.end(), p.pts);
    if (it != byPts_.end() && *it == p.pts)
      out.push_back(static_cast<int32_t>(it - byPts_.begin()));
  }
  std::sort(out.begin(), out.end());
  return out;
}

double TFfmpegVideo::ReadCaptureRate() const {
  // Android writes the rate a slow-motion video was filmed at in the
  // file's metadata; the stream's own tags are looked at too.
  for (const AVDictionary* tags : {fmt_->metadata, fmt_->streams[stream_]->metadata}) {
    const AVDictionaryEntry* e = av_dict_get(tags, "com.android.capture.fps", nullptr, 0);
    if (!e) continue;
    char* end = nullptr;
    const double rate = std::strtod(e->value, &end);
    if (end != e->value && std::isfinite(rate) && rate > 0 && rate < 1e6) return rate;
  }
  return 0.0;
}

std::string TFfmpegVideo::ReadComment(const std::string& path) {
  QuietLibraries();
  if (path.empty() || !TFrameSource::CheckRegularFile(path).Passed()) return {};
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return {};
  std::string out;
  if (const AVDictionaryEntry* e = av_dict_get(fmt->metadata, "comment", nullptr, 0))
    out = e->value;
  avformat_close_input(&fmt);
  return out;
}

}  // namespace kinevo::ff
