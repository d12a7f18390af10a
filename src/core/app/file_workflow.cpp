#include "core/app/file_workflow.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/app/document_open.h"
#include "core/common/atomic_file.h"
#include "core/common/text_encoding.h"
#include "core/common/text_utils.h"
#include "core/document/mru_files.h"
#include "core/document/options.h"
#include "core/video/frame_sources.h"

namespace kinevo {

namespace fs = std::filesystem;

namespace {

// Removes a date written as ddmmyyyy (eight digits, possibly preceded by
// "_") from a document base name, then the trailing "_".
std::string WithoutDate(std::string base) {
  for (std::size_t i = 0; i + 8 <= base.size(); ++i) {
    bool digits = true;
    for (std::size_t k = 0; k < 8 && digits; ++k)
      digits = std::isdigit(static_cast<unsigned char>(base[i + k])) != 0;
    if (!digits) continue;
    bool before = i == 0 || !std::isdigit(static_cast<unsigned char>(base[i - 1]));
    bool after = i + 8 == base.size() || !std::isdigit(static_cast<unsigned char>(base[i + 8]));
    if (!before || !after) continue;
    int day = (base[i] - '0') * 10 + (base[i + 1] - '0');
    int month = (base[i + 2] - '0') * 10 + (base[i + 3] - '0');
    if (day < 1 || day > 31 || month < 1 || month > 12) continue;
    base.erase(i, 8);
    break;
  }
  while (!base.empty() && base.back() == '_') base.pop_back();
  return base;
}

}  // namespace

const std::vector<std::string>& VideoExtensions() {
  static const std::vector<std::string> extensions = {
      ".avi", ".mpg",  ".mpeg", ".wmv", ".mov", ".mp4", ".m4v", ".mkv", ".webm",
      ".mts", ".m2ts", ".ts",   ".3gp", ".flv", ".ogv", ".vob", ".dv",  ".mxf"};
  return extensions;
}

const std::string& OpenFilter() {
  static const std::string filter = [] {
    std::string caption, patterns;
    for (const auto& e : VideoExtensions()) {
      caption += (caption.empty() ? "*" : ",*") + e;
      patterns += (patterns.empty() ? "*" : ";*") + e;
    }
    return "Fichier vidéo (" + caption + ")|" + patterns +
           "|Fichier Kinevo (*.kvo)|*.kvo|Tous les fichiers (*.*)|*";
  }();
  return filter;
}

bool IsVideoExtension(const std::string& path) {
  const std::string e = LowerExtension(path);
  const auto& all = VideoExtensions();
  return std::find(all.begin(), all.end(), e) != all.end();
}

bool IsDocumentExtension(const std::string& path) { return LowerExtension(path) == ".kvo"; }

TFileWorkflow::TFileWorkflow(IWorkspace& workspace, TUserDlg& dialog, IFileDialogs& files,
                             TOptions& options, TMRUFiles& recent)
    : ws_(workspace), dlg_(dialog), files_(files), options_(options), recent_(recent) {
  Today = [] {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
  };
  FileExists = [](const std::string& p) {
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
  };
}

int TFileWorkflow::Ask(TDefaultIcons icon, std::initializer_list<TUserButton> buttons) {
  dlg_.Icon = icon;
  dlg_.ClearButtons();
  for (const auto& b : buttons) dlg_.AddButton(b.caption, b.type);
  return dlg_.Execute();
}

void TFileWorkflow::AddVideoSuggestions() {
  auto lines = VideoOpenFailureLines(true, ws_.BridgeAvailable());
  for (std::size_t i = 1; i < lines.size(); ++i) dlg_.AddLine(lines[i], lkBullet);
}

void TFileWorkflow::VideoFailure(const std::string& path, bool selectedPrefix) {
  auto lines = VideoOpenFailureLines(true, ws_.BridgeAvailable());
  if (selectedPrefix) {
    dlg_.AddLine("Fichier sélectionné :");
    dlg_.AddLine(path, lkKeepEnd, kFileNameColor);
    dlg_.AddLine(lines[0]);
  } else {
    dlg_.AddLine(lines[0]);
    dlg_.AddLine(path, lkKeepEnd, kFileNameColor);
  }
  AddVideoSuggestions();
}

bool TFileWorkflow::AskSaveWork(TAskKind kind) {
  if (!ws_.VideoOpen() || !modified_ || !options_.CheckBox4ConfirmationFileChange) return true;
  dlg_.AddLine("Enregistrer le travail dans un fichier");
  dlg_.AddLine("");
  dlg_.AddLine(kind == TAskKind::Opening ? "Annuler l'ouverture" : "Annuler la fermeture");
  dlg_.AddLine("");
  dlg_.AddLine("Ignorer la sauvegarde et continuer");
  int r = Ask(icConfirmation,
              {{"Enregistrer", btEnregistrer}, {"Annuler", btAnnuler}, {"Ignorer", btIgnorer}});
  // A save that failed or was cancelled stops the caller: going on would
  // throw the unsaved work away.
  if (r == 0) return Save();
  return r == 2;
}

bool TFileWorkflow::OpenVideo(const std::string& path) {
  if (ws_.MontageRecording() || !AskSaveWork(TAskKind::Opening)) return false;
  if (!FileExists(path)) {
    dlg_.AddLine("Impossible d'ouvrir ce fichier vidéo.");
    dlg_.AddLine(path, lkKeepEnd, kFileNameColor);
    dlg_.AddLine("Vérifier qu'il n'a pas été déplacé.");
    Ask(icWarning, {{"Ok", btOk}});
    return false;
  }
  recent_.Directory = FolderOf(path);
  documentName_.clear();
  recoveredName_.clear();
  bool opened = ws_.OpenVideo(path);
  if (!opened && !ws_.OpenCancelled()) {
    VideoFailure(path, false);
    if (const std::string reason = ws_.VideoOpenError(); !reason.empty())
      dlg_.AddLine(VideoOpenReasonLine(reason));
    Ask(icWarning, {{"Ok", btOk}});
  }
  ws_.WindowStateChanged();
  StartWork("");
  return opened;
}

void TFileWorkflow::ReportOpenFailure(const std::string& path, const TError& failure) {
  dlg_.AddLine(failure.reason);
  if (failure.reason == kDocumentOpenFailure && !FileExists(path))
    dlg_.AddLine("Vérifier qu'il n'a pas été déplacé.");
  // A video that exists but would not open: what the user may try.
  if (failure.reason == VideoOpenFailureLines(true, ws_.BridgeAvailable())[0])
    AddVideoSuggestions();
  if (!failure.cause.empty()) dlg_.AddLine("Détail : " + failure.cause);
  Ask(icWarning, {{"Ok", btOk}});
}

std::string TFileWorkflow::FindMovedVideo(const std::string& expected, const std::string& tried) {
  if (tried.empty()) {
    dlg_.AddLine(DisplayText(expected), lkKeepEnd, kFileNameColor);
    dlg_.AddLine("Impossible d'ouvrir ce fichier vidéo.");
    dlg_.AddLine("Vérifier qu'il n'a pas été déplacé.");
  } else {
    VideoFailure(tried, true);
  }
  if (Ask(icWarning, {{"Annuler", btAnnuler}, {"Rechercher", btCustom}}) != 1) return {};
  TFileDialogRequest req;
  req.title = "Ouvrir un fichier vidéo";
  req.filter = OpenFilter();
  req.filterIndex = 1;
  req.initialDir = recent_.Directory;
  req.fileName = FileNameOf(expected);
  return files_.OpenFile(req);
}

bool TFileWorkflow::AcceptOtherName(const std::string& chosen, const std::string& expected) {
  dlg_.AddLine("Le fichier sélectionné et le fichier attendu ont des noms différents.");
  dlg_.AddLine("Fichier sélectionné :");
  dlg_.AddLine(chosen, lkKeepEnd, kFileNameColor);
  dlg_.AddLine("Fichier attendu :");
  dlg_.AddLine(DisplayText(expected), lkKeepEnd, kFileNameColor);
  return Ask(icInformation, {{"Ok", btOk}, {"Annuler", btAnnuler}}) == 0;
}

bool TFileWorkflow::OpenDocument(const std::string& path) {
  if (ws_.MontageRecording() || !AskSaveWork(TAskKind::Opening)) return false;
  recent_.Directory = FolderOf(path);
  bool workLeft = false;
  TDocumentOpenOptions how;
  how.findVideo = [this](const std::string& expected, const std::string& tried) {
    return FindMovedVideo(expected, tried);
  };
  how.acceptOtherName = [this](const std::string& chosen, const std::string& expected) {
    return AcceptOtherName(chosen, expected);
  };
  how.leavingWork = [this, &workLeft] {
    workLeft = true;
    documentName_.clear();
    recoveredName_.clear();
  };
  how.dialog = &dlg_;
  how.fileExists = FileExists;
  const TResult<TDocumentOpening> opened = OpenDocumentFile(ws_, kvo_, path, how);
  if (!opened || opened->cancelled) {
    if (!opened) ReportOpenFailure(path, opened.error());
    // Once the video was left, the window shows no work.
    if (workLeft) {
      ws_.WindowStateChanged();
      StartWork("");
    }
    return false;
  }
  documentName_ = path;
  ws_.WindowStateChanged();
  StartWork(path);
  ws_.InvalidateAllResults();
  // The video's new place goes into the document at once, as one key, in a
  // document read as it stands.  A converted older document keeps its file
  // until the user saves it: writing one key into it would leave a mixture.
  if (opened->videoMoved && opened->conversion == TKvo::kcCurrent) {
    kvo_.Ini()->WriteString("Main", "VideoFileName", opened->video);
    if (const TStatus kept = kvo_.Ini()->UpdateFile(); !kept) {
      dlg_.AddLine("L'enregistrement du nouveau répertoire de la vidéo a échoué.");
      dlg_.AddLine("Le fichier de sauvegarde est peut-être en lecture seule.");
      dlg_.AddLine("Détail : " + kept.error().cause);
      Ask(icWarning, {{"Ok", btOk}});
    }
  }
  kvo_.Close();
  return true;
}

bool TFileWorkflow::OpenByExtension(const std::string& path) {
  if (IsVideoExtension(path)) return OpenVideo(path);
  if (IsDocumentExtension(path)) return OpenDocument(path);
  return false;
}

bool TFileWorkflow::OpenWithDialog(int filterIndex) {
  TFileDialogRequest req;
  req.filter = OpenFilter();
  req.filterIndex = filterIndex == 2 ? 2 : 1;
  req.title = req.filterIndex == 1 ? "Ouvrir un fichier vidéo" : "Ouvrir un fichier KVO";
  req.initialDir = recent_.Directory;
  std::string chosen = files_.OpenFile(req);
  if (chosen.empty() || !FileExists(chosen)) return false;
  // The file's own extension decides, since "Tous les fichiers" may have
  // shown any file.
  bool ok = IsDocumentExtension(chosen) ? OpenDocument(chosen) : OpenVideo(chosen);
  if (ok) AddToRecent(chosen);
  return ok;
}

std::string TFileWorkflow::ProposedDocumentName(const std::string& videoPath,
                                                const std::tm& today) const {
  fs::path v(videoPath);
  std::string base = WithoutDate(v.stem().string());
  char date[40];
  std::snprintf(date, sizeof date, "%02d%02d%04d", today.tm_mday, today.tm_mon + 1,
                today.tm_year + 1900);
  for (int n = 1;; ++n) {
    fs::path candidate = v.parent_path() / (base + "_" + std::to_string(n) + "_" + date + ".kvo");
    if (!FileExists(candidate.string())) return candidate.string();
  }
}

bool TFileWorkflow::Save() {
  if (!ws_.VideoOpen() || documentName_.empty() || !recoveredName_.empty()) return SaveAs();
  if (const TStatus written = WriteDocumentFile(documentName_); !written) {
    ReportSaveFailure(documentName_, written.error());
    return false;
  }
  // The title loses its mark of unsaved work: no message to close.
  Saved(documentName_);
  return true;
}

bool TFileWorkflow::SaveAs() {
  if (!ws_.VideoOpen()) {
    dlg_.AddLine("Ouvrir d'abord un fichier vidéo.");
    Ask(icInformation, {{"Ok", btOk}});
    return false;
  }
  const std::string video = ws_.VideoFileName();
  TFileDialogRequest req;
  req.title = "Enregistrer un travail dans un fichier KVO";
  req.filter = kSaveFilter;
  req.defaultExt = "kvo";
  std::string proposed =
      recoveredName_.empty() ? ProposedDocumentName(video, Today()) : recoveredName_;
  req.initialDir = FolderOf(proposed);
  req.fileName = FileNameOf(proposed);
  std::string chosen = files_.SaveFile(req);
  if (chosen.empty()) return false;
  if (LowerExtension(chosen) != ".kvo")
    chosen = fs::path(chosen).replace_extension(".kvo").string();
  if (const TStatus allowed = CheckOutputFile(chosen, {video}); !allowed) {
    for (const auto& line : allowed.error().Lines()) dlg_.AddLine(line);
    Ask(icWarning, {{"Ok", btOk}});
    return false;
  }
  if (FileExists(chosen)) {
    dlg_.AddLine(chosen, lkKeepEnd, kFileNameColor);
    dlg_.AddLine("Un fichier portant le même nom existe déjà. Le remplacer ?");
    if (Ask(icWarning, {{"Annuler", btAnnuler}, {"Ok", btOk}}) != 1) return false;
  }
  recent_.Directory = FolderOf(chosen);
  if (const TStatus written = WriteDocumentFile(chosen); !written) {
    ReportSaveFailure(chosen, written.error());
    return false;
  }
  dlg_.AddLine("Le fichier a été enregistré avec succès :");
  dlg_.AddLine(chosen, lkKeepEnd, kFileNameColor);
  Ask(icInformation, {{"Ok", btOk}});
  AddToRecent(chosen);
  Saved(chosen);
  return true;
}

TStatus TFileWorkflow::WriteDocumentFile(const std::string& path) {
  // The document is built in memory over what the file held (an older
  // document keeps the keys that the new content does not write), then
  // written in one atomic step: a failure leaves the previous file intact.
  // A file that cannot be read is replaced whole.
  (void)kvo_.Open(path);
  TIniFile& ini = *kvo_.Ini();
  ini.SaveWholeOnly();
  ini.WriteInteger("Main", "Version", kKvoVersion);
  ini.WriteString("Main", "VideoFileName", ws_.VideoFileName());
  ws_.WriteDocument(ini);
  TStatus saved = kvo_.Save();
  kvo_.Close();
  return saved;
}

void TFileWorkflow::ReportSaveFailure(const std::string& path, const TError& failure) {
  dlg_.AddLine(path, lkKeepEnd, kFileNameColor);
  dlg_.AddLine("La sauvegarde du fichier a échoué.");
  dlg_.AddLine("Détail : " + (failure.cause.empty() ? failure.reason : failure.cause));
  std::error_code ec;
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::exists(folder, ec) ||
      (fs::status(folder, ec).permissions() & fs::perms::owner_write) == fs::perms::none)
    dlg_.AddLine("Vérifier que le support n'est pas protégé en écriture.");
  Ask(icWarning, {{"Ok", btOk}});
}

void TFileWorkflow::Saved(const std::string& path) {
  documentName_ = path;
  recoveredName_.clear();
  ws_.WorkSaved();
  SetModified(false);
  OnDocumentStateChanged();
  OnSaved();
}

void TFileWorkflow::StartWork(const std::string& document) {
  documentName_ = document;
  recoveredName_.clear();
  ws_.WorkSaved();
  modified_ = false;
  OnDocumentStateChanged();
}

void TFileWorkflow::SetModified(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  OnDocumentStateChanged();
}

void TFileWorkflow::SetRecoveredDocument(const std::string& document) {
  documentName_ = document;
  recoveredName_ = document;
  ws_.WorkSaved();
  // Recovered work was never saved.
  modified_ = true;
  OnDocumentStateChanged();
}

void TFileWorkflow::AddToRecent(const std::string& path) {
  if (options_.CheckBox6FreezeMRU || !FileExists(path)) return;
  recent_.Add(path);
}

bool TFileWorkflow::CloseVideo() {
  if (ws_.MontageRecording() || !AskSaveWork(TAskKind::Closing)) return false;
  ws_.StopActivities();
  ws_.CloseVideo();
  documentName_.clear();
  recoveredName_.clear();
  ws_.WindowStateChanged();
  StartWork("");
  return true;
}

bool TFileWorkflow::CloseWindow() {
  if (!options_.CheckBox3ConfirmationQuit) {
    ws_.StopActivities();
    return true;
  }
  // Work without changes since its last save needs only the confirmation.
  if (ws_.VideoOpen() && modified_) {
    dlg_.AddLine("Enregistrer le travail dans un fichier");
    dlg_.AddLine("Annuler la fermeture");
    dlg_.AddLine("Quitter immédiatement le logiciel");
    int r = Ask(icConfirmation,
                {{"Enregistrer", btEnregistrer}, {"Annuler", btAnnuler}, {"Quitter", btQuitter}});
    if (r == 1) return false;
    // The window stays open when the save failed or was cancelled.
    if (r == 0 && !Save()) return false;
  } else {
    dlg_.AddLine("Annuler la fermeture");
    dlg_.AddLine("Quitter immédiatement le logiciel");
    int r = Ask(icConfirmation, {{"Annuler", btAnnuler}, {"Quitter", btQuitter}});
    if (r != 1) return false;
  }
  ws_.StopActivities();
  return true;
}

}  // namespace kinevo
