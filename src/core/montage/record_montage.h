#pragma once
// The montage recording (TRecordMontage): the three operations offered in
// montage mode (record the visible images as a new video, split a video into
// picture files, build a video from picture files), the choices of the
// recording dialog, and `Busy` while one of them runs.
//
// Each operation first asks through the dialogs (IRecordUi), then runs its
// headless part (RecordMontageTo, WritePictures, JoinPictures), which the
// command line calls directly.  A run shows the view's waiting text and
// reports its progress; cancelling it, or a failure, leaves no partial
// output and an earlier file of the same name as it was (a video is written
// beside it and renamed over it at the end), and the current image is
// always put back.
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/image.h"
#include "core/common/result.h"
#include "core/common/settings_store.h"
#include "core/common/user_dialog.h"
#include "core/common/video_view.h"
#include "core/montage/montage.h"
#include "core/montage/recorder.h"

namespace kinevo {

enum TRecordOperation : unsigned char {
  roMontage = 0,
  roVideoToPictures = 1,
  roPicturesToVideo = 2
};

// What the recording dialog shows and offers.
struct TRecordRequest {
  TRecordOperation operation = roMontage;
  std::string title;
  int width = 0, height = 0;  // picture size of the source
  int32_t images = 0;         // images written (visible images, or pictures)
  int64_t blanks = 0;         // empty images the time gaps would add
  struct Backend {
    TVideoFramework framework = fwVfw;
    std::string name;
    std::vector<std::string> codecs;
  };
  // The back-ends that can write; one entry when the operation has no
  // choice.
  std::vector<Backend> backends;
};

struct TSaveRequest {
  std::string title;
  std::string filter;  // "caption|patterns|caption|patterns"
  std::string defaultExt;
  std::string initialDir;
  std::string fileName;
};

// The dialogs of the operations (Qt windows in the program, scripted in
// tests).
class IRecordUi {
 public:
  virtual ~IRecordUi() = default;
  // The recording dialog; false when cancelled.  `choices` holds the
  // previous choices on entry and the new ones on return.
  virtual bool RecordDialog(const TRecordRequest& request, TRecordChoices& choices) = 0;
  // A save dialog; an empty answer is a cancelled dialog.
  virtual std::string SaveFile(const TSaveRequest& request) = 0;
  // An open dialog allowing several files; empty when cancelled.
  virtual std::vector<std::string> OpenFiles(const TSaveRequest& request) = 0;
};

class TRecordMontage {
 public:
  static constexpr const char* kSettingsSection = "Montage";
  static constexpr const char* kProposedBase = "MontageKinevo";
  static constexpr const char* kTitleMontage = "Enregistrer le montage dans un fichier vidéo";
  static constexpr const char* kTitleVideoToPictures = "Décomposer une vidéo en fichiers images";
  static constexpr const char* kTitlePicturesToVideo =
      "Créer une vidéo à partir de fichiers images";
  static constexpr const char* kErrorHeader =
      "Erreur détectée durant la création du fichier vidéo :";
  static constexpr const char* kPicturesErrorHeader =
      "Erreur détectée durant la création des fichiers images :";

  TRecordMontage(IVideoView& view, TMontage& montage, TUserDlg& dlg);
  ~TRecordMontage();
  TRecordMontage(const TRecordMontage&) = delete;
  TRecordMontage& operator=(const TRecordMontage&) = delete;

  // ------------------------------------------------------------ links
  // Wired by the owner; each may stay unset (an unset drawing or picture
  // service makes the operation fail with a message).
  IRecordUi* Ui = nullptr;
  std::function<bool(Image&)> DrawCurrent;  // the current image at full size
  std::function<double()> VideoRate;        // images per second of the open video
  std::function<void(bool)> SetWaiting;     // the view's waiting text
  // Progress of a run: images done out of the total; false cancels.
  std::function<bool(int64_t done, int64_t total)> Progress;
  std::function<std::string()> RecentFolder;  // folder of the recent files
  std::function<std::tm()> Today;             // local date (the clock when unset)
  std::function<TStatus(const Image&, const std::string&)> WritePicture;  // by extension
  std::function<TStatus(const std::string&, Image&)> ReadPicture;
  // The files the work in hand reads (its video, its document): an output
  // never replaces one of them.
  std::function<std::vector<std::string>()> InputFiles;
  // The settings holding the section "Montage" (none: nothing kept).
  ISettingsStore* Settings = nullptr;

  // Installs a back-end (replacing the one of the same code).
  void SetRecorder(std::unique_ptr<TRecorder> recorder);
  TRecorder* Recorder(TVideoFramework fw) const;

  // ------------------------------------------------------------ state
  bool Busy() const { return busy_; }
  TRecordChoices Choices;
  // Show the advice before choosing pictures; cleared by its check box.
  bool ShowPicturesAdvice = true;
  // Whether the last run was called off by the user (its answer is then
  // the failure "Enregistrement annulé.", and nothing was shown).
  bool LastCancelled() const { return cancelled_; }

  // ------------------------------------------------------------ operations
  bool RecordMontage();
  bool VideoToPictures();
  bool PicturesToVideo();

  // The headless parts.  RecordMontageTo writes the visible images of the
  // open video (with grey images for the gaps when asked).  WritePictures
  // writes every visible image as `basePath` without its extension + "_" +
  // number + extension (".bmp" or ".png" from `basePath`), numbers counted
  // from 1.  JoinPictures writes `pictures` in order, each stretched to the
  // size of the first when it differs.  A failure is shown to the user and
  // answered, with its cause.
  TStatus RecordMontageTo(const std::string& path, const TRecordChoices& choices);
  TStatus WritePictures(const std::string& basePath);
  TStatus JoinPictures(const std::vector<std::string>& pictures, const std::string& path,
                       const TRecordChoices& choices);

  // The file indexes written in order, -1 for an empty image.
  std::vector<int> Plan(bool emptyImages) const;
  // The output file chosen as the program proposes it ("" when cancelled).
  std::string ChooseOutputFile();

  void LoadSettings();
  void SaveSettings() const;

 private:
  // Writes one video: `steps` are handed to `fetch` (which fills a picture
  // of width x height) in order, -1 writing an empty image.
  TStatus WriteVideo(const std::string& path, const TRecordChoices& choices, int width, int height,
                     const std::vector<int>& steps, const std::function<bool(int, Image&)>& fetch);
  // Shows a failure under `header` and answers it.
  TError Tell(const std::string& header, const std::string& why);
  TError Tell(const std::string& header, const TError& why);
  // The answer of a run the user called off, or of one that could not start.
  TError Cancelled();
  static TError NotReady();
  // Tells the user that a recording ended well: what was written, and how
  // many images.
  bool Confirm(const std::string& header, const std::string& file, std::size_t images);
  // Refuses (with its message) an output that is a folder, one of the
  // inputs or protected against writing.
  TStatus CheckOutput(const std::string& header, const std::string& path,
                      const std::vector<std::string>& moreInputs = {});
  TRecordRequest Request(TRecordOperation op, int width, int height, int32_t images,
                         int64_t blanks);
  bool Report(int64_t done, int64_t total) const { return !Progress || Progress(done, total); }
  std::tm Now() const;

  // Sets Busy and the waiting text for one run; puts the current image
  // back and clears both when it goes.
  class TRun;

  IVideoView& view_;
  TMontage& montage_;
  TUserDlg& dlg_;
  std::unique_ptr<TRecorder> recorders_[3];
  bool busy_ = false;
  bool settingsRead_ = false;
  bool cancelled_ = false;
  std::optional<TError> fetchError_;  // why the last image of a video could not be had
};

}  // namespace kinevo
