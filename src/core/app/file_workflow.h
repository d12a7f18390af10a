#pragma once
// The file workflow of the main window: opening a video, opening a document
// with its video, offering to save before the current work is left, saving
// the work, keeping the recent files, closing the video and the window.
// Every step reports to the user through the message dialog; the window
// never stays half-open (a failed read closes the video again, a failed
// save leaves the work and the previous file unchanged).
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/common/result.h"
#include "core/common/signal.h"
#include "core/common/user_dialog.h"
#include "core/document/kvo.h"

namespace kinevo {

class TOptions;
class TMRUFiles;

// The open dialog's filter: the video files, the documents, then every
// file ("caption|patterns|caption|patterns...").
const std::string& OpenFilter();
inline constexpr const char* kSaveFilter = "Fichier Kinevo (*.kvo)|*.kvo";
// Blue, for file names in the messages.
inline constexpr TColor kFileNameColor = 0xFF0000;

struct TFileDialogRequest {
  std::string title;
  std::string filter;   // "caption|patterns|caption|patterns"
  int filterIndex = 1;  // from 1
  std::string initialDir;
  std::string fileName;    // preselected name
  std::string defaultExt;  // without the dot
};

// The open and save dialogs; an empty answer is a cancelled dialog.
class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  virtual std::string OpenFile(const TFileDialogRequest& request) = 0;
  virtual std::string SaveFile(const TFileDialogRequest& request) = 0;
};

// What the workflow drives: the video view, the model objects that read and
// write the document, and the window's state.
class IWorkspace {
 public:
  virtual ~IWorkspace() = default;
  virtual bool VideoOpen() const = 0;
  virtual std::string VideoFileName() const = 0;
  // Opens the video in the view (which resets the marking data, the
  // montage, the time base, the results and the formulas); true when it opened.
  virtual bool OpenVideo(const std::string& path) = 0;
  // True when the last OpenVideo failed because the user cancelled it
  // (nothing to report then).
  virtual bool OpenCancelled() const { return false; }
  // Why the last OpenVideo failed, for the detail line of the message.
  virtual std::string VideoOpenError() const { return {}; }
  // Stops playback, tracking and capture and closes the video; the mode
  // goes back to Grid marking.
  virtual void CloseVideo() = 0;
  virtual void StopActivities() = 0;
  virtual bool MontageRecording() const = 0;
  // Whether the bridge plugins of the third back-end are available.
  virtual bool BridgeAvailable() const = 0;
  // Reads, in order, the marking data, the [Video] keys, the montage and
  // the formulas; fails, saying which value is wrong, when the document is
  // unreadable.
  virtual TStatus ReadDocument(TIniFile& ini) = 0;
  // Writes the marking data, the [Video] keys, the montage and the formulas.
  virtual void WriteDocument(TIniFile& ini) = 0;
  virtual void InvalidateAllResults() = 0;
  // The window went to the no-video state or to the video-open state.
  virtual void WindowStateChanged() = 0;
  // The work in hand is the one its document holds (just opened, saved,
  // recovered or left): changes are counted from here.
  virtual void WorkSaved() {}
};

enum class TAskKind { Opening, Closing };

class TFileWorkflow {
 public:
  TFileWorkflow(IWorkspace& workspace, TUserDlg& dialog, IFileDialogs& files, TOptions& options,
                TMRUFiles& recent);

  // Today's date for the proposed document name (replaceable in tests).
  std::function<std::tm()> Today;
  // Whether a file exists (replaceable in tests).
  std::function<bool(const std::string&)> FileExists;

  // Answers true when the video is open afterwards.
  bool OpenVideo(const std::string& path);
  // Answers true when the document was read.
  bool OpenDocument(const std::string& path);
  // Opens a file by its extension: a video for .avi .mpg .mpeg .wmv .mov, a
  // document for .kvo (without regard to case); anything else is ignored.
  bool OpenByExtension(const std::string& path);
  // The open dialogs of the File menu (filter 1: videos, 2: documents).
  bool OpenWithDialog(int filterIndex);
  // False when the user chose to cancel the caller.  Asked only when the
  // work changed since it was opened or last saved.
  bool AskSaveWork(TAskKind kind);
  // "Enregistrer": writes the work over the document it came from, without
  // asking; work that has no document yet (or was recovered after a crash)
  // goes through SaveAs.
  bool Save();
  // "Enregistrer sous...": asks for the document's name, then writes it.
  bool SaveAs();
  // Writes the work into `path` in one atomic step, without asking or
  // telling anything.
  TStatus WriteDocumentFile(const std::string& path);
  bool CloseVideo();
  // True when the window may close.
  bool CloseWindow();

  // The name proposed for a new document of `videoPath` on `today`:
  // <folder>/<video name without extension and date>_<n>_<ddmmyyyy>.kvo with
  // the smallest n from 1 for which no file exists.
  std::string ProposedDocumentName(const std::string& videoPath, const std::tm& today) const;

  // Adds an existing file to the recent files unless the list is frozen.
  void AddToRecent(const std::string& path);

  TKvo& Document() { return kvo_; }

  // The document the work in hand was read from or last saved to; "" for
  // a video opened alone.
  const std::string& DocumentName() const { return documentName_; }
  // The work in hand was recovered after a crash from a copy of the work
  // of `document` ("" when it had never been saved): the next save proposes
  // that document's name.
  void SetRecoveredDocument(const std::string& document);
  // The work was written to a document.
  TSignal<> OnSaved;

  // The work changed (called by the session for every change of what Save
  // would write).
  void NoteChange() { SetModified(true); }
  // Whether the work changed since it was opened or last saved.
  bool Modified() const { return modified_; }
  // Modified() or DocumentName() changed.
  TSignal<> OnDocumentStateChanged;

 private:
  void VideoFailure(const std::string& path, bool selectedPrefix);
  void AddVideoSuggestions();
  // The message of a failed opening: the reason, the suggestions that go
  // with a video that would not open, and the cause as its detail.
  void ReportOpenFailure(const std::string& path, const TError& failure);
  // Asks where a moved video is; "" when the user gave up.
  std::string FindMovedVideo(const std::string& expected, const std::string& tried);
  bool AcceptOtherName(const std::string& chosen, const std::string& expected);
  void ReportSaveFailure(const std::string& path, const TError& failure);
  void Saved(const std::string& path);
  // A new piece of work (or none) from now on, with nothing unsaved.
  void StartWork(const std::string& document);
  void SetModified(bool modified);
  int Ask(TDefaultIcons icon, std::initializer_list<TUserButton> buttons);

  IWorkspace& ws_;
  TUserDlg& dlg_;
  IFileDialogs& files_;
  TOptions& options_;
  TMRUFiles& recent_;
  TKvo kvo_;
  std::string documentName_;
  std::string recoveredName_;
  bool modified_ = false;
};

// Extension tests used by the command line, the recent files and the search window.
// The extensions of the video files offered and opened (lower case, with
// the dot): the containers that cameras and phones write and FFmpeg reads.
const std::vector<std::string>& VideoExtensions();
bool IsVideoExtension(const std::string& path);
bool IsDocumentExtension(const std::string& path);

}  // namespace kinevo
