#include "core/video/frame_sources.h"

#include <cctype>

#include "core/common/text_utils.h"

namespace kinevo {

TFrameSources::TFrameSources(TFrameSource& vfw, TFrameSource& ds, TBridgeFrameSource& ffmpeg)
    : vfw_(vfw), ds_(ds), ffmpeg_(ffmpeg) {}

TFrameSource& TFrameSources::Source(TVideoFramework fw) {
  switch (fw) {
    case fwDS:
      return ds_;
    case fwFFMpeg:
      return ffmpeg_;
    default:
      return vfw_;
  }
}

const TFrameSource& TFrameSources::Source(TVideoFramework fw) const {
  return const_cast<TFrameSources*>(this)->Source(fw);
}

TVideoFramework TFrameSources::FrameworkForFile(const std::string& fileName,
                                                TVideoFramework previous) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".avi") return fwVfw;
  if (ext == ".mpg" || ext == ".mpeg" || ext == ".wmv") return fwDS;
  if (ext == ".mov") return fwFFMpeg;
  return previous;
}

TFrameSource& TFrameSources::Open(const std::string& fileName) {
  framework_ = FrameworkForFile(fileName, framework_);
  if (!fileName.empty() && ffmpeg_.FileComment(fileName) == kOwnRecorderComment)
    framework_ = fwFFMpeg;

  error_.clear();
  failure_ = TOpenFailure::None;
  // The first refusal is the telling one: the back-ends tried after it were
  // not meant for the file.  When the extension did not choose the first
  // one, a first back-end that did not recognise the format at all was not
  // meant for it either (an MP4 is "not an AVI file"): the next one's reason
  // replaces it.
  const bool extensionChose = FrameworkForFile(fileName, fwVfw) == FrameworkForFile(fileName, fwDS);
  auto refused = [this, extensionChose](const TFrameSource& s) {
    const bool replaceable = failure_ == TOpenFailure::Foreign && !extensionChose;
    if (failure_ != TOpenFailure::None && !(replaceable && s.Failure() != TOpenFailure::Foreign))
      return;
    error_ = s.Error();
    failure_ = s.Failure();
  };
  if (framework_ == fwVfw) {
    vfw_.Open(fileName);
    if (!vfw_.Opened()) {
      refused(vfw_);
      framework_ = fwDS;
    }
  }
  if (framework_ == fwDS) {
    ds_.Open(fileName);
    if (!ds_.Opened()) {
      refused(ds_);
      framework_ = fwFFMpeg;
    }
  }
  if (framework_ == fwFFMpeg) {
    ffmpeg_.Open(fileName);
    if (!ffmpeg_.Opened()) refused(ffmpeg_);
  }
  if (fileName.empty() || Selected().Opened()) {
    error_.clear();
    failure_ = TOpenFailure::None;
  }

  // Only the selected source keeps a file: the others may hold large caches
  // and, on some systems, a lock on their file.
  for (TFrameSource* s :
       {&vfw_, static_cast<TFrameSource*>(&ds_), static_cast<TFrameSource*>(&ffmpeg_)})
    if (s != &Selected() && s->Opened()) s->ReleaseQuietly();
  return Selected();
}

std::string VideoOpenReasonLine(const std::string& reason) { return "Détail : " + reason; }

std::vector<std::string> VideoOpenFailureLines(TOpenFailure failure, bool bridgeLoaded,
                                               const std::string& reason) {
  if (failure == TOpenFailure::Unreadable) {
    std::vector<std::string> lines = {"Impossible d'ouvrir ce fichier vidéo."};
    if (!reason.empty()) lines.push_back(VideoOpenReasonLine(reason));
    return lines;
  }
  return VideoOpenFailureLines(failure != TOpenFailure::Missing, bridgeLoaded, reason);
}

std::vector<std::string> VideoOpenFailureLines(bool fileExists, bool bridgeLoaded,
                                               const std::string& reason) {
  if (!fileExists)
    return {"Impossible d'ouvrir ce fichier vidéo.", "Vérifier qu'il n'a pas été déplacé."};
  std::vector<std::string> lines = {
      "Impossible d'ouvrir ce fichier vidéo. Problèmes possibles et suggestions :",
      "le fichier est abîmé ...",
      "votre ordinateur ne possède pas le codec nécessaire (installer les paquets de codecs FFmpeg "
      "de "
      "votre distribution, par exemple « libavcodec-extra »)",
  };
  if (!bridgeLoaded)
    lines.push_back(
        "utiliser un autre framework (installer le dossier « KvoDll » contenant les greffons « "
        "FFmpeg » "
        "à côté du programme).");
  if (!reason.empty()) lines.push_back(VideoOpenReasonLine(reason));
  return lines;
}

}  // namespace kinevo
