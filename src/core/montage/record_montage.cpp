#include "core/montage/record_montage.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/common/atomic_file.h"
#include "core/common/text_utils.h"
#include "core/video/frame_source.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

// Blue, for file names in the messages.
constexpr TColor kFileNameColour = 0xFF0000;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

class TRecordMontage::TRun {
 public:
  explicit TRun(TRecordMontage& owner) : owner_(owner), saved_(owner.view_.CurrentImage()) {
    owner_.busy_ = true;
    owner_.cancelled_ = false;
    if (owner_.SetWaiting) owner_.SetWaiting(true);
  }
  ~TRun() {
    if (owner_.view_.IsOpen()) {
      owner_.view_.GoToImage(saved_);
      owner_.view_.Repaint();
    }
    if (owner_.SetWaiting) owner_.SetWaiting(false);
    owner_.busy_ = false;
  }
  TRun(const TRun&) = delete;
  TRun& operator=(const TRun&) = delete;

 private:
  TRecordMontage& owner_;
  int saved_;
};

TRecordMontage::TRecordMontage(IVideoView& view, TMontage& montage, TUserDlg& dlg)
    : view_(view), montage_(montage), dlg_(dlg) {}

TRecordMontage::~TRecordMontage() = default;

void TRecordMontage::SetRecorder(std::unique_ptr<TRecorder> recorder) {
  if (!recorder) return;
  const int fw = recorder->Framework();
  if (fw >= 0 && fw < 3) recorders_[fw] = std::move(recorder);
}

TRecorder* TRecordMontage::Recorder(TVideoFramework fw) const {
  return fw < 3 ? recorders_[fw].get() : nullptr;
}

std::tm TRecordMontage::Now() const {
  if (Today) return Today();
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

// ------------------------------------------------------------ settings

void TRecordMontage::LoadSettings() {
  settingsRead_ = true;
  if (Settings == nullptr) return;
  Settings->Read([this](const IKeyReader& ini) {
    TVideoFramework fw;
    if (FrameworkFromName(ini.ReadString(kSettingsSection, "Framework", ""), fw))
      Choices.framework = fw;
    const std::string codec = ini.ReadString(kSettingsSection, "Codec", "");
    if (!codec.empty()) Choices.codec = codec;
  });
}

void TRecordMontage::SaveSettings() const {
  if (Settings == nullptr) return;
  // Kept for the next recording only; the one under way does not wait on it.
  (void)Settings->Update([this](IKeyWriter& ini) {
    ini.WriteString(kSettingsSection, "Framework", FrameworkName(Choices.framework));
    ini.WriteString(kSettingsSection, "Codec", Choices.codec);
  });
}

// ------------------------------------------------------------ plan

std::vector<int> TRecordMontage::Plan(bool emptyImages) const {
  std::vector<int> steps;
  steps.reserve(static_cast<std::size_t>(montage_.VisibleCount()));
  // The first visible image is compared with time index -1, as the blank
  // count of the time base does: a gap opened before it is written too.
  int64_t prev = -1;
  for (int i = 0; i < montage_.ImagesCount(); ++i) {
    if (!montage_.IsVisible(i)) continue;
    const int64_t ti = montage_.TimeIndex(i);
    if (emptyImages)
      for (int64_t k = prev + 1; k < ti; ++k) steps.push_back(-1);
    prev = ti;
    steps.push_back(i);
  }
  return steps;
}

// ------------------------------------------------------------ writing

TError TRecordMontage::Tell(const std::string& header, const std::string& why) {
  dlg_.Show(icWarning, {{"Ok", btOk}}, {header, why});
  return kinevo::Fail(why);
}

TError TRecordMontage::Cancelled() {
  cancelled_ = true;
  return kinevo::Fail("Enregistrement annulé.");
}

TError TRecordMontage::NotReady() {
  return kinevo::Fail("Un enregistrement est en cours ou aucune vidéo n'est ouverte.");
}

bool TRecordMontage::Confirm(const std::string& header, const std::string& file,
                             std::size_t images) {
  dlg_.Icon = icInformation;
  dlg_.ClearButtons();
  dlg_.AddButton("Ok", btOk);
  dlg_.AddLine(header);
  dlg_.AddLine(file, lkKeepEnd, kFileNameColour);
  dlg_.AddLine(images == 1 ? "1 image." : std::to_string(images) + " images.");
  dlg_.Execute();
  return true;
}

TError TRecordMontage::Tell(const std::string& header, const TError& why) {
  std::vector<std::string> lines{header};
  for (auto& line : why.Lines()) lines.push_back(std::move(line));
  dlg_.Show(icWarning, {{"Ok", btOk}}, lines);
  return why;
}

TStatus TRecordMontage::CheckOutput(const std::string& header, const std::string& path,
                                    const std::vector<std::string>& moreInputs) {
  std::vector<std::string> inputs = InputFiles ? InputFiles() : std::vector<std::string>{};
  inputs.insert(inputs.end(), moreInputs.begin(), moreInputs.end());
  const TStatus allowed = CheckOutputFile(path, inputs);
  if (!allowed) return Tell(header, allowed.error());
  return {};
}

TStatus TRecordMontage::WriteVideo(const std::string& path, const TRecordChoices& c, int width,
                                   int height, const std::vector<int>& steps,
                                   const std::function<bool(int, Image&)>& fetch) {
  TRecorder* rec = Recorder(c.framework);
  if (!rec) return Tell(kErrorHeader, VfwRecordErrorText(10));
  const TPixel size = OutputSize(c, width, height);
  if (size.x <= 0 || size.y <= 0)
    return Tell(kErrorHeader, "Les dimensions choisies ne laissent aucune image.");
  if (!RateReadable(c.rate)) return Tell(kErrorHeader, RateRefusal(c.rate));
  // Written beside the target and renamed over it once whole: until then an
  // earlier file of that name stays as it was.
  TResult<TAtomicFile> file = TAtomicFile::Create(path);
  if (!file) return Tell(kErrorHeader, file.error());
  // The recorder's failures name the file written.
  auto writing = [&path](const std::string& why) { return TError{WriteFailureReason(path), why}; };
  if (!rec->Open(file->WritePath(), size.x, size.y, c.rate, c.codec)) {
    const TError why = writing(rec->Error());
    rec->Abort();
    return Tell(kErrorHeader, why);
  }
  const Image grey(size.x, size.y, kEmptyImageColour);
  Image full(width, height), out;
  const int64_t total = static_cast<int64_t>(steps.size());
  std::optional<TError> why;
  for (int64_t k = 0; k < total && !why; ++k) {
    const int step = steps[static_cast<std::size_t>(k)];
    if (step < 0) {
      if (!rec->AddFrame(grey)) why = writing(rec->Error());
    } else if (!fetch(step, full) || full.Width() != width || full.Height() != height) {
      why = fetchError_ ? *fetchError_ : TError{VfwRecordErrorText(3), {}};
    } else {
      ComposeOutput(c, full, out);
      if (!rec->AddFrame(out)) why = writing(rec->Error());
    }
    if (!why && !Report(k + 1, total)) {
      cancelled_ = true;
      break;
    }
  }
  if (!why && !cancelled_ && !rec->Close()) why = writing(rec->Error());
  if (!why && !cancelled_) {
    const TStatus committed = file->Commit();
    if (!committed) return Tell(kErrorHeader, committed.error());
    return {};
  }
  // A file that was not finished cannot be read: it is not left behind.
  rec->Abort();
  file->Abandon();
  if (cancelled_) return Cancelled();
  return Tell(kErrorHeader, *why);
}

TStatus TRecordMontage::RecordMontageTo(const std::string& path, const TRecordChoices& choices) {
  if (busy_ || !view_.IsOpen()) return NotReady();
  TRun run(*this);
  if (TStatus allowed = CheckOutput(kErrorHeader, path); !allowed) return allowed;
  const std::vector<int> steps = Plan(choices.emptyImages);
  return WriteVideo(path, choices, view_.ImageWidth(), view_.ImageHeight(), steps,
                    [this](int index, Image& full) {
                      view_.GoToImage(index);
                      return DrawCurrent && DrawCurrent(full);
                    });
}

TStatus TRecordMontage::WritePictures(const std::string& basePath) {
  if (busy_ || !view_.IsOpen()) return NotReady();
  TRun run(*this);
  const std::string ext = LowerExtension(basePath) == ".png" ? ".png" : ".bmp";
  fs::path base(basePath);
  base.replace_extension();
  const int count = montage_.VisibleCount();
  for (int n = 0; n < count; ++n) {
    const std::string name = PictureFileName(base.string(), ext, n + 1, count);
    if (TStatus allowed = CheckOutput(kPicturesErrorHeader, name); !allowed) return allowed;
  }
  std::vector<std::string> written;
  auto removeWritten = [&written] {
    for (const auto& w : written) RemoveQuietly(w);
  };
  Image full(view_.ImageWidth(), view_.ImageHeight());
  for (int n = 0; n < count; ++n) {
    const std::string name = PictureFileName(base.string(), ext, n + 1, count);
    view_.GoToImage(montage_.ToFileIndex(n));
    if (!DrawCurrent || !DrawCurrent(full)) {
      removeWritten();
      return Tell(kPicturesErrorHeader, VfwRecordErrorText(3));
    }
    const TStatus saved =
        WritePicture ? WritePicture(full, name) : TStatus(kinevo::Fail(WriteFailureReason(name)));
    if (!saved) {
      removeWritten();
      return Tell(kPicturesErrorHeader, saved.error());
    }
    written.push_back(name);
    if (!Report(n + 1, count)) {
      removeWritten();
      return Cancelled();
    }
  }
  return {};
}

TStatus TRecordMontage::JoinPictures(const std::vector<std::string>& pictures,
                                     const std::string& path, const TRecordChoices& choices) {
  if (busy_) return NotReady();
  TRun run(*this);
  if (pictures.empty() || !ReadPicture) return Tell(kErrorHeader, VfwRecordErrorText(3));
  if (TStatus allowed = CheckOutput(kErrorHeader, path, pictures); !allowed) return allowed;
  Image first;
  if (const TStatus read = ReadPicture(pictures.front(), first); !read)
    return Tell(kErrorHeader, read.error());
  const int w = first.Width(), h = first.Height();
  std::vector<int> steps(pictures.size());
  for (std::size_t i = 0; i < steps.size(); ++i) steps[i] = static_cast<int>(i);
  Image picture;
  fetchError_.reset();
  TStatus written = WriteVideo(path, choices, w, h, steps, [&](int i, Image& full) {
    // The picture that cannot be read is named, with the reason.
    if (const TStatus read = ReadPicture(pictures[static_cast<std::size_t>(i)], picture); !read) {
      fetchError_ = read.error();
      return false;
    }
    if (picture.Width() == w && picture.Height() == h)
      std::swap(full, picture);
    else
      full = Image::Stretch(picture, w, h);
    return true;
  });
  fetchError_.reset();
  return written;
}

// ------------------------------------------------------------ dialogs

TRecordRequest TRecordMontage::Request(TRecordOperation op, int width, int height, int32_t images,
                                       int64_t blanks) {
  static const char* const kTitles[] = {kTitleMontage, kTitleVideoToPictures,
                                        kTitlePicturesToVideo};
  TRecordRequest r;
  r.operation = op;
  r.title = kTitles[op];
  r.width = width;
  r.height = height;
  r.images = images;
  r.blanks = blanks;
  // Pictures become a video through the AVI writer only.
  for (TVideoFramework fw : {fwVfw, fwDS, fwFFMpeg}) {
    TRecorder* rec = Recorder(fw);
    if (!rec || (op == roPicturesToVideo && fw != fwVfw)) continue;
    r.backends.push_back({fw, FrameworkName(fw), rec->Codecs()});
  }
  return r;
}

std::string TRecordMontage::ChooseOutputFile() {
  if (!Ui) return {};
  const std::string folder = RecentFolder ? RecentFolder() : std::string();
  for (;;) {
    const std::string proposed = ProposedVideoName(folder, kProposedBase, Now(), FileExists);
    TSaveRequest req;
    req.title = "Enregistrer un fichier vidéo";
    req.filter = "Fichier vidéo (*.avi)|*.avi";
    req.defaultExt = "avi";
    req.initialDir = fs::path(proposed).parent_path().string();
    req.fileName = fs::path(proposed).filename().string();
    std::string chosen = Ui->SaveFile(req);
    if (chosen.empty()) return {};
    if (LowerExtension(chosen) != ".avi") chosen += ".avi";
    if (!FileExists(chosen)) return chosen;
    dlg_.Icon = icWarning;
    dlg_.ClearButtons();
    dlg_.AddButton("Ok", btOk);
    dlg_.AddLine("Un fichier portant ce nom existe déjà dans le répertoire choisi.");
    dlg_.AddLine(chosen, lkKeepEnd, kFileNameColour);
    dlg_.AddLine("Veuillez choisir un nom de fichier différent ou un autre répertoire.");
    dlg_.Execute();
  }
}

bool TRecordMontage::RecordMontage() {
  if (busy_ || !Ui || !view_.IsOpen() || view_.Mode() != vmMontage) return false;
  if (!settingsRead_) LoadSettings();
  TRecordChoices c = Choices;
  c.rate = VideoRate ? VideoRate() : c.rate;
  const TRecordRequest req = Request(roMontage, view_.ImageWidth(), view_.ImageHeight(),
                                     montage_.VisibleCount(), montage_.BlankCount());
  if (!Ui->RecordDialog(req, c)) return false;
  Choices = c;
  SaveSettings();
  const std::string path = ChooseOutputFile();
  if (path.empty()) return false;
  if (!RecordMontageTo(path, c)) return false;
  return Confirm("Le montage a été enregistré dans le fichier vidéo :", path,
                 Plan(c.emptyImages).size());
}

bool TRecordMontage::VideoToPictures() {
  if (busy_ || !Ui || !view_.IsOpen()) return false;
  TRecordChoices c = Choices;
  const TRecordRequest req = Request(roVideoToPictures, view_.ImageWidth(), view_.ImageHeight(),
                                     montage_.VisibleCount(), 0);
  if (!Ui->RecordDialog(req, c)) return false;
  TSaveRequest save;
  save.title = "Enregistrer la vidéo sous forme de fichiers images";
  save.filter = "Ficher bitmap (*.bmp)|*.bmp|Fichier PNG (*.png)|*.png";
  save.defaultExt = "bmp";
  save.initialDir = RecentFolder ? RecentFolder() : std::string();
  const std::string base = Ui->SaveFile(save);
  if (base.empty()) return false;
  if (!WritePictures(base)) return false;
  const int count = montage_.VisibleCount();
  fs::path stem(base);
  stem.replace_extension();
  const std::string ext = LowerExtension(base) == ".png" ? ".png" : ".bmp";
  return Confirm(
      "Les images ont été enregistrées, de la première à la dernière :",
      PictureFileName(stem.string(), ext, 1, count) + " … " +
          fs::path(PictureFileName(stem.string(), ext, count, count)).filename().string(),
      static_cast<std::size_t>(count));
}

bool TRecordMontage::PicturesToVideo() {
  if (busy_ || !Ui) return false;
  if (ShowPicturesAdvice) {
    dlg_.Icon = icInformation;
    dlg_.ClearButtons();
    dlg_.AddButton("Ok", btOk);
    dlg_.AddButton("Annuler", btAnnuler);
    dlg_.CheckBoxCaption = "Ne plus afficher cette boîte de dialogue";
    dlg_.CheckBoxCheck = false;
    dlg_.AddLine("Vous allez sélectionner plusieurs fichiers images.");
    dlg_.AddLine("");
    dlg_.AddLine("Quelques raccourcis clavier utiles sous Windows :");
    dlg_.AddLine("Ctrl + A : sélectionner tout", lkBullet);
    dlg_.AddLine("Maj (ou Shift) + touche de direction : sélectionner plusieurs éléments contigus",
                 lkBullet);
    dlg_.AddLine(
        "Ctrl + clic gauche de la souris : sélectionner un élément indépendamment des autres",
        lkBullet);
    const int answer = dlg_.Execute();
    const bool dontShow = dlg_.CheckBoxCheck;
    dlg_.CheckBoxCaption.clear();
    if (answer != 0) return false;
    ShowPicturesAdvice = !dontShow;
  }
  TSaveRequest open;
  open.title = "Sélectionner des fichiers images";
  open.filter = "Ficher bitmap (*.bmp)|*.bmp|Fichier PNG (*.png)|*.png";
  open.initialDir = RecentFolder ? RecentFolder() : std::string();
  std::vector<std::string> pictures = Ui->OpenFiles(open);
  if (pictures.empty()) return false;
  NaturalSort(pictures);
  Image first;
  if (!ReadPicture) {
    Tell(kErrorHeader, VfwRecordErrorText(3));
    return false;
  }
  if (const TStatus read = ReadPicture(pictures.front(), first); !read) {
    Tell(kErrorHeader, read.error());
    return false;
  }
  TRecordChoices c = Choices;
  c.framework = fwVfw;
  c.rate = 25.0;
  const TRecordRequest req = Request(roPicturesToVideo, first.Width(), first.Height(),
                                     static_cast<int32_t>(pictures.size()), 0);
  if (!Ui->RecordDialog(req, c)) return false;
  c.framework = fwVfw;
  const std::string path = ChooseOutputFile();
  if (path.empty()) return false;
  if (!JoinPictures(pictures, path, c)) return false;
  return Confirm("Les images ont été réunies dans le fichier vidéo :", path, pictures.size());
}

}  // namespace kinevo
