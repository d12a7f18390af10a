#include "core/montage/recorder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/common/number_format.h"
#include "core/common/text_utils.h"
#include "core/video/frame_source.h"

namespace kinevo {

bool RateReadable(double rate) {
  uint16_t ms = 0;
  return rate > 0 && TFrameSource::DurationToMs(1.0 / rate, ms) && ms >= 1;
}

std::string RateRefusal(double rate) {
  return "La cadence de " + FloatToText(rate, 15, '.') +
         " images par seconde ne peut pas être relue : une image doit durer entre 1 ms et " +
         "65,535 s.";
}

TPixel OutputSize(const TRecordChoices& c, int width, int height) {
  int w = width, h = height;
  if (c.sizeMode == smStretch) {
    w = c.stretchWidth;
    h = c.stretchHeight;
  } else if (c.sizeMode == smCut) {
    w = width - c.margins.left - c.margins.right;
    h = height - c.margins.top - c.margins.bottom;
  }
  if (w <= 0 || h <= 0) return {0, 0};
  return {w, h};
}

void ComposeOutput(const TRecordChoices& c, const Image& full, Image& out) {
  const TPixel size = OutputSize(c, full.Width(), full.Height());
  if (c.sizeMode == smStretch) {
    if (out.Width() != size.x || out.Height() != size.y) out.Resize(size.x, size.y);
    Image::StretchInto(out, {0, 0, size.x, size.y}, full, {0, 0, full.Width(), full.Height()});
    return;
  }
  if (c.sizeMode == smCut) {
    if (out.Width() != size.x || out.Height() != size.y) out.Resize(size.x, size.y);
    for (int y = 0; y < size.y; ++y)
      std::copy_n(full.Row(y + c.margins.top) + 3 * c.margins.left, out.Stride(), out.Row(y));
    return;
  }
  out = full;
}

const char* FrameworkName(TVideoFramework fw) {
  switch (fw) {
    case fwDS:
      return "DirectShow (DS)";
    case fwFFMpeg:
      return "FFMpeg";
    default:
      return "Video for Windows (VFW)";
  }
}

bool FrameworkFromName(const std::string& name, TVideoFramework& fw) {
  for (TVideoFramework f : {fwVfw, fwDS, fwFFMpeg}) {
    if (SameName(name, FrameworkName(f))) {
      fw = f;
      return true;
    }
  }
  if (SameName(name, "vfw"))
    fw = fwVfw;
  else if (SameName(name, "ds"))
    fw = fwDS;
  else if (SameName(name, "ffmpeg"))
    fw = fwFFMpeg;
  else
    return false;
  return true;
}

std::string VfwRecordErrorText(int code) {
  static const char* const kTexts[] = {
      "Processus abandonné",
      "Vidéo non initialisée",
      "Une image est abîmée",
      "Une image n'a pu être insérée dans le flux vidéo",
      "Impossible de compresser le flux vidéo",
      "Impossible de définir le format du flux vidéo",
      "Impossible de remplacer le fichier du même nom (il est peut être ouvert par un autre "
      "programme)",
      "Impossible d'écrire le fichier vidéo sur le disque",
      "Impossible de créer le flux vidéo en mémoire",
      "Le codeur n'existe pas ou est indisponible",
  };
  if (code >= 1 && code <= 10) return kTexts[code - 1];
  return "Erreur non répertoriée";
}

std::string ProposedVideoName(const std::string& folder, const std::string& base,
                              const std::tm& today,
                              const std::function<bool(const std::string&)>& exists) {
  char date[40];
  std::snprintf(date, sizeof date, "%02d%02d%04d", today.tm_mday, today.tm_mon + 1,
                today.tm_year + 1900);
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  for (int n = 1;; ++n) {
    std::string candidate = dir + base + "_" + std::to_string(n) + "_" + date + ".avi";
    if (!exists || !exists(candidate)) return candidate;
  }
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// -1, 0 or 1 as a is before, the same as or after b, reading digit runs as
// numbers (compared by length once their leading zeros are skipped, so any
// length works) and letters without regard to case.
int NaturalCompare(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && IsDigit(a[ei])) ++ei;
      while (ej < b.size() && IsDigit(b[ej])) ++ej;
      std::size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      if (int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return 0;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  const int c = NaturalCompare(a, b);
  return c != 0 ? c < 0 : a < b;
}

void NaturalSort(std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(), NaturalLess);
}

std::string PictureFileName(const std::string& base, const std::string& ext, int number,
                            int largest) {
  std::string digits = std::to_string(number);
  const std::size_t width = std::to_string(largest).size();
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return base + "_" + digits + ext;
}

}  // namespace kinevo
