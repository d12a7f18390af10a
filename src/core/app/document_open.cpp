#include "core/app/document_open.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/app/file_workflow.h"
#include "core/common/atomic_file.h"
#include "core/common/text_encoding.h"
#include "core/document/marking_document.h"
#include "core/video/frame_source.h"
#include "core/video/frame_sources.h"

namespace kinevo {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The document file itself: there, readable, and a document.
TStatus ReadFile(TKvo& kvo, const std::string& path, TKvo::TConversion& conversion) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0)
    return ReadFailure(path, FileErrorReason(errno)).Within(kDocumentOpenFailure);
  // A missing file would open empty; anything unreadable says why.
  if (TStatus read = kvo.Open(path); !read) return read.error().Within(kDocumentOpenFailure);
  conversion = kvo.ConvertOldLayout();
  if (conversion == TKvo::kcNotADocument)
    return Fail(kDocumentReadFailure, "« " + DisplayText(path) +
                                          " » n'est pas un document Kinevo (ni version, ni "
                                          "présentation ancienne reconnue)");
  return {};
}

// Where the video is: the path given, the document's own, or the one the
// user finds.  "" when the user gave up.
TResult<std::string> LocateVideo(const TKvo& kvo, const TDocumentOpenOptions& how,
                                 const std::function<bool(const std::string&)>& exists,
                                 bool& moved) {
  const std::string expected = how.video.empty() ? kvo.VideoFileName() : how.video;
  if (expected.empty()) return Fail(kVideoOpenFailure, "le document ne nomme aucune vidéo");
  std::string video = expected;
  std::string tried;
  while (!exists(video)) {
    if (!how.findVideo) {
      const TFileCheck check = TFrameSource::CheckRegularFile(video);
      return Fail(kVideoOpenFailure, DisplayText(video) + " : " + check.reason);
    }
    video = how.findVideo(expected, tried);
    if (video.empty()) return std::string();
    tried = video;
    moved = true;
  }
  const auto name = [](const std::string& p) { return p.substr(p.rfind('/') + 1); };
  if (moved && name(video) != name(expected) && how.acceptOtherName &&
      !how.acceptOtherName(video, expected))
    return std::string();
  return video;
}

}  // namespace

TResult<TDocumentOpening> OpenDocumentFile(IWorkspace& ws, TKvo& kvo, const std::string& path,
                                           const TDocumentOpenOptions& how) {
  const auto& exists = how.fileExists ? how.fileExists : IsRegularFile;
  TDocumentOpening opening;
  auto fail = [&kvo](TError error) -> TResult<TDocumentOpening> {
    kvo.Close();
    return error;
  };
  if (TStatus file = ReadFile(kvo, path, opening.conversion); !file) return fail(file.error());
  TResult<std::string> video = LocateVideo(kvo, how, exists, opening.videoMoved);
  if (!video) return fail(video.error());
  if (video->empty()) {
    kvo.Close();
    opening.cancelled = true;
    return opening;
  }
  opening.video = *video;
  if (how.leavingWork) how.leavingWork();
  if (!ws.OpenVideo(opening.video)) {
    kvo.Close();
    if (ws.OpenCancelled()) {
      opening.cancelled = true;
      return opening;
    }
    // The first line of the window's message, which its suggestions follow.
    const std::string reason = VideoOpenFailureLines(true, ws.BridgeAvailable())[0];
    std::string why = ws.VideoOpenError();
    return Fail(reason, DisplayText(opening.video) + " : " +
                            (why.empty() ? "format ou codec non reconnu" : why));
  }
  if (TStatus content = ws.ReadDocument(*kvo.Ini()); !content) {
    // Never leave the work half-open on a document that could not be read.
    if (how.dialog != nullptr) how.dialog->Disable();
    ws.CloseVideo();
    if (how.dialog != nullptr) how.dialog->Enable();
    return fail(content.error());
  }
  return opening;
}

}  // namespace kinevo
