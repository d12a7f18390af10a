#include "core/chrono/annotated_video.h"

#include <algorithm>
#include <map>

#include "core/common/atomic_file.h"

namespace kinevo {

TChronophotograph OverlayOfImage(const TChronophotograph& all, int32_t image, int trail) {
  TChronophotograph out = all;
  out.marks.clear();
  out.images.clear();
  for (int32_t i : all.images)
    if (i <= image) out.images.push_back(i);
  if (trail > 0 && static_cast<int>(out.images.size()) > trail)
    out.images.erase(out.images.begin(), out.images.end() - trail);
  if (out.images.empty()) return out;
  const int32_t first = out.images.front();
  std::map<int, std::size_t> latest;  // system -> its mark drawn last
  for (const TChronoMark& m : all.marks)
    if (m.image >= first && m.image <= image) {
      latest[m.system] = out.marks.size();
      out.marks.push_back(m);
      out.marks.back().hasVector = false;
    }
  for (const auto& [system, k] : latest) {
    const auto it = std::find_if(all.marks.begin(), all.marks.end(), [&](const TChronoMark& m) {
      return m.system == system && m.image == out.marks[k].image;
    });
    out.marks[k].hasVector = it != all.marks.end() && it->hasVector;
  }
  return out;
}

TStatus WriteAnnotatedVideo(const std::string& path, const TAnnotatedVideo& video,
                            const TChronophotograph& all, TRecorder& recorder,
                            const TImageReader& read, const TOverlayPainter& paint,
                            const TVideoProgress& progress) {
  TResult<TAtomicFile> file = TAtomicFile::Create(path);
  if (!file) return file.error();
  const std::string failed = "La vidéo annotée n'a pas pu être enregistrée : " + path;
  if (!recorder.Open(file->WritePath(), all.width, all.height, video.rate, video.codec))
    return Fail(failed, recorder.Error());
  Image picture;
  for (int32_t k = 0; k < video.images; ++k) {
    if (progress && !progress(k, video.images)) {
      recorder.Abort();
      return Fail("Enregistrement de la vidéo annotée annulé.", "annulé par l'utilisateur");
    }
    if (!read(k, picture)) {
      recorder.Abort();
      return Fail(failed, "image " + std::to_string(k) + " non décodée");
    }
    paint(picture, OverlayOfImage(all, k, video.trail));
    for (int copy = 0; copy < std::max(1, video.slow); ++copy)
      if (!recorder.AddFrame(picture)) {
        recorder.Abort();
        return Fail(failed, recorder.Error());
      }
  }
  if (!recorder.Close()) return Fail(failed, recorder.Error());
  if (progress) progress(video.images, video.images);
  if (const TStatus committed = file->Commit(); !committed) return committed;
  return {};
}

}  // namespace kinevo
