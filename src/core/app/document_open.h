#pragma once
// Opening a ".kvo" document with its video: the one routine that the window
// (through the file workflow) and the command line both run.  It reads the
// file, converts an older layout, finds the video, opens it and reads the
// analysis; each step that fails answers a TError whose reason is the
// program's message and whose cause names what went wrong ("Accès refusé",
// "longueur d'échelle hors limites (ScaleLength = 1e-07 ...)").  The caller
// presents it: the window as a message with a "Détail" line, the command
// line on stderr.
#include <functional>
#include <string>

#include "core/common/result.h"
#include "core/common/user_dialog.h"
#include "core/document/kvo.h"

namespace kinevo {

class IWorkspace;

// The program's messages that open a failure of each step.
inline constexpr const char* kDocumentOpenFailure = "Impossible d'ouvrir ce fichier de sauvegarde.";
inline constexpr const char* kVideoOpenFailure = "Impossible d'ouvrir ce fichier vidéo.";

struct TDocumentOpenOptions {
  // Replaces the video path the document holds, when not empty.
  std::string video;
  // Asked when the video names no file (it was moved): answers another
  // path, or "" to give up (the opening is then cancelled).  `tried` is the
  // path last chosen that names no file either ("" the first time).  Unset:
  // a missing video is a failure.
  std::function<std::string(const std::string& expected, const std::string& tried)> findVideo;
  // Asked when the video found has another name than the one expected:
  // false cancels the opening.  Unset: accepted.
  std::function<bool(const std::string& chosen, const std::string& expected)> acceptOtherName;
  // Called just before the video opens: from then on the work in hand is
  // gone, whatever the answer.
  std::function<void()> leavingWork;
  // Silenced while a failed reading closes the video again.
  TUserDlg* dialog = nullptr;
  // Whether a path names a regular file (replaceable in tests).
  std::function<bool(const std::string&)> fileExists;
};

struct TDocumentOpening {
  bool cancelled = false;   // the user gave up; nothing to report
  std::string video;        // the video opened
  bool videoMoved = false;  // found elsewhere than where the document said
  TKvo::TConversion conversion = TKvo::kcCurrent;
};

// Opens `path` into `workspace` through `kvo` (left open on success, for
// the caller to update the video's place; closed on failure).  On failure
// nothing is half-open: a document that fails after its video was opened
// closes the video again.
TResult<TDocumentOpening> OpenDocumentFile(IWorkspace& workspace, TKvo& kvo,
                                           const std::string& path,
                                           const TDocumentOpenOptions& how);

}  // namespace kinevo
