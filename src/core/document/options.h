#pragma once
// The user's preferences (TOptions), kept in the [Options] section of the
// settings file "Kinevo.ini", and the password that can lock the options
// dialog.  The password is kept as a salted SHA-256 hash under `Password`;
// a clear-text value left by an older version is accepted and replaced by
// its hash at the next save.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/common/events.h"
#include "core/common/ini_file.h"
#include "core/common/result.h"
#include "core/common/user_dialog.h"

namespace kinevo {

// Check boxes of the options dialog, in number order: name (the key is the
// name followed by "_Checked") and default.
#define KINEVO_OPTION_CHECKBOXES(X)            \
  X(CheckBox3ConfirmationQuit, true)           \
  X(CheckBox4ConfirmationFileChange, true)     \
  X(CheckBox5ChangeFormulae, true)             \
  X(CheckBox6FreezeMRU, false)                 \
  X(CheckBox7SmoothAcceleration, true)         \
  X(CheckBox8Acceleration, true)               \
  X(CheckBox9Speed, true)                      \
  X(CheckBox10GridShowSpeed, true)             \
  X(CheckBox11GridShowAcceleration, true)      \
  X(CheckBox12TimeZoomX, false)                \
  X(CheckBox13TimeZoomY, true)                 \
  X(CheckBox14TimePolyline, true)              \
  X(CheckBox15TimeShowItem, true)              \
  X(CheckBox16TrajectoryNumber, true)          \
  X(CheckBox17TrajectoryPolyline, true)        \
  X(CheckBox18TrajectoryShowItem, true)        \
  X(CheckBox19VectorNumber, true)              \
  X(CheckBox20VectorDraw, true)                \
  X(CheckBox21VectorPolyline, false)           \
  X(CheckBox22VectorShowItem, true)            \
  X(CheckBox23FormulaZoomX, false)             \
  X(CheckBox24FormulaZoomY, true)              \
  X(CheckBox25FormulaOriginY, true)            \
  X(CheckBox26FormulaPolyline, true)           \
  X(CheckBox27ProfShowItem, true)              \
  X(CheckBox28FormulaShowItem, true)           \
  X(CheckBox29GridShowCoordinates, true)       \
  X(CheckBox30HideEdgeV, false)                \
  X(CheckBox31HideEdgeA, false)                \
  X(CheckBox32AngleRadian, false)              \
  X(CheckBox33VectorOrigin, true)              \
  X(CheckBox34FormulaOriginX, false)           \
  X(CheckBox35VectorTilted, true)              \
  X(CheckBox36StartByZero, false)              \
  X(CheckBox37GridShowItem, true)              \
  X(CheckBox38ChangeDefaultObjectsName, true)  \
  X(CheckBox40ShowDialogBoxForHideImage, true) \
  X(CheckBox41HorizAndVertScale, false)        \
  X(CheckBox42TempsEquation, true)             \
  X(CheckBox43TempsStatistics, false)          \
  X(CheckBox44FormulaEquation, true)           \
  X(CheckBox45FormulaStatistics, false)        \
  X(CheckBox46VectorVideoImage, false)         \
  X(CheckBox47AllowTracking, true)             \
  X(CheckBox48AllowMontage, true)              \
  X(CheckBox49AllowCapture, true)              \
  X(CheckBox50VectorSpline, false)             \
  X(CheckBox51DeformationBubble, true)         \
  X(CheckBox52ShowRadiusSearch, true)          \
  X(CheckBox53PolarQuantities, true)           \
  X(CheckBox54SmoothSpeed, true)               \
  X(CheckBox55ShowVideoToPictures, false)      \
  X(CheckBox56ShowPicturesToVideo, false)      \
  X(CheckBox57GridShowPolarQuantities, true)

// Tool buttons of the options dialog, in the order written (key: name
// followed by "_Down"); pressed hides the tool from that toolbar of the
// results window.  All released by default.
#define KINEVO_OPTION_TOOLBUTTONS(X)      \
  X(ToolButtonFormuleReticule)            \
  X(ToolButtonFormuleModeleConstant)      \
  X(ToolButtonFormuleModeleAffine)        \
  X(ToolButtonFormuleModeleProportionnel) \
  X(ToolButtonFormuleModeleParabole)      \
  X(ToolButtonFormuleModeleSinus)         \
  X(ToolButtonFormuleModeleSinusAl)       \
  X(ToolButtonFormuleModeleExponentiel)   \
  X(ToolButtonReferentielAngle)           \
  X(ToolButtonReferentielArc)             \
  X(ToolButtonReferentielCercle)          \
  X(ToolButtonReferentielCurveArc)        \
  X(ToolButtonReferentielDupliquer)       \
  X(ToolButtonReferentielEllipse)         \
  X(ToolButtonReferentielMesurer)         \
  X(ToolButtonReferentielReticule)        \
  X(ToolButtonReferentielSegment)         \
  X(ToolButtonReferentielSelection)       \
  X(ToolButtonReferentielSpline)          \
  X(ToolButtonReferentielSupprimer)       \
  X(ToolButtonTempsReticule)              \
  X(ToolButtonTempsModeleConstant)        \
  X(ToolButtonTempsModeleAffine)          \
  X(ToolButtonTempsModeleProportionnel)   \
  X(ToolButtonTempsModeleParabole)        \
  X(ToolButtonTempsModeleSinus)           \
  X(ToolButtonTempsModeleSinusAl)         \
  X(ToolButtonTempsModeleExponentiel)     \
  X(ToolButtonVecteurAngle)               \
  X(ToolButtonVecteurArc)                 \
  X(ToolButtonVecteurCercle)              \
  X(ToolButtonVecteurCurveArc)            \
  X(ToolButtonVecteurDupliquer)           \
  X(ToolButtonVecteurEllipse)             \
  X(ToolButtonVecteurMesurer)             \
  X(ToolButtonVecteurReticule)            \
  X(ToolButtonVecteurSegment)             \
  X(ToolButtonVecteurSelection)           \
  X(ToolButtonVecteurSens)                \
  X(ToolButtonVecteurSpline)              \
  X(ToolButtonVecteurSupprimer)           \
  X(ToolButtonVecteurVecteur)             \
  X(ToolButtonVecteurVideo)

// The range of the tracking's uncertainty threshold, in percent.
inline constexpr int32_t kMinTrackingUncertainty = 10;
inline constexpr int32_t kMaxTrackingUncertainty = 100;

// Every value of the options, as the options dialog shows and edits them.
struct TOptionsValues {
  int32_t EditMRU_Value = 8;
  int32_t TrackingRadius_Value = 40;
  int32_t ShapeNumber_Value = 0;
  int32_t PenSize_Value = 0;
  int32_t PenSize4Graph_Value = 0;
  // Tracking: an image is uncertain when its colours match the object less
  // than this percentage of how well the first image matched.
  int32_t TrackingUncertainty_Value = 70;
#define KINEVO_OPTION_BOOL(name, def) bool name = def;
  KINEVO_OPTION_CHECKBOXES(KINEVO_OPTION_BOOL)
#undef KINEVO_OPTION_BOOL
#define KINEVO_OPTION_DOWN(name) bool name = false;
  KINEVO_OPTION_TOOLBUTTONS(KINEVO_OPTION_DOWN)
#undef KINEVO_OPTION_DOWN

  friend bool operator==(const TOptionsValues&, const TOptionsValues&) = default;
};

// Where the options dialog shows a setting.
enum TOptionsPage : unsigned char {
  opGeneral = 0,     // "Général"
  opResults = 1,     // "Calculs"
  opGrid = 2,        // "Tableau"
  opTime = 3,        // "Temps"
  opTrajectory = 4,  // "Trajectoire"
  opVector = 5,      // "Vecteurs"
  opFormula = 6,     // "Formules"
  opTracking = 7,    // "Suivi et montage"
};

struct TOptionKey {
  const char* name;  // "CheckBox3ConfirmationQuit"
  std::string key;   // "CheckBox3ConfirmationQuit_Checked"
  bool TOptionsValues::*member;
  bool def;
  const char* caption;  // French caption of the check box / hint of the button
  TOptionsPage page;
};

// The check boxes in number order and the tool buttons in the order written.
const std::vector<TOptionKey>& OptionCheckBoxes();
const std::vector<TOptionKey>& OptionToolButtons();
// The caption of a tool-button page ("Barre d'outils « Temps »" ...).
const char* OptionsPageCaption(TOptionsPage page);

// True when going from `before` to `after` changes computed results
// (smoothing, speed and acceleration shown, edge values hidden, numbering
// from zero, separate scales): both result sets must then be recomputed.
bool OptionsChangeResults(const TOptionsValues& before, const TOptionsValues& after);

// Asks the user for a password (the password dialog).  False when cancelled.
class IPasswordPrompt {
 public:
  virtual ~IPasswordPrompt() = default;
  virtual bool AskPassword(std::string& entered) = 0;
};

// A salted, iterated SHA-256 of a password, as stored under `Password`:
// "sha256$<iterations>$<salt, 32 hex digits>$<hash, 64 hex digits>".
std::string HashPassword(const std::string& password);
std::string HashPassword(const std::string& password, const std::string& saltHex, int iterations);
bool IsPasswordHash(const std::string& stored);
bool PasswordMatches(const std::string& stored, const std::string& typed);

// The message of options that could not be written.
inline constexpr const char* kOptionsSaveFailure = "Impossible d'enregistrer les options.";

class TOptions : public TOptionsValues {
 public:
  static constexpr const char* kSection = "Options";

  // Reads the settings file at once.  An empty path means there is no
  // settings folder: defaults apply and nothing is written.
  explicit TOptions(std::string iniPath, TUserDlg* dialog = nullptr,
                    IPasswordPrompt* prompt = nullptr);

  void SetDialog(TUserDlg* d) { dialog_ = d; }
  void SetPasswordPrompt(IPasswordPrompt* p) { prompt_ = p; }
  const std::string& FileName() const { return path_; }

  // Reads [Options]; missing or unreadable keys keep their defaults.
  void Load();
  // Writes [Options] in order: the five integers, `Password`, the check
  // boxes, the tool buttons.  On failure the previous file is intact and
  // the answer says why ("Impossible d'enregistrer les options." and its
  // cause).
  TStatus Save();

  // The number of recent files the list keeps: max(1, min(20, EditMRU_Value)).
  int32_t MRUCapacity() const;

  bool Locked() const { return !password_.empty(); }
  // True without asking when no password is set; otherwise asks.  A wrong
  // entry is told ("Mot de passe incorrect.") and answers false, as does a
  // cancelled one.
  bool CheckPassword();
  // Asks a new password: a non-empty entry becomes the password (true); an
  // empty or cancelled entry leaves it unchanged (false).
  bool AskNewPassword();
  void SetPassword(const std::string& clear);
  void ClearPassword() { password_.clear(); }
  // The text stored under `Password` (a hash, or empty).
  const std::string& StoredPassword() const { return password_; }

  // Copies the dialog's values; raises OnResultsInvalidated when a setting
  // that changes computed values changed.
  void Assign(const TOptionsValues& values);

  void NotifyChanged() { OnChange(this); }
  TNotifyEvent OnChange;
  // Both result sets must be recomputed.
  TNotifyEvent OnResultsInvalidated;

 private:
  std::string path_;
  TUserDlg* dialog_;
  IPasswordPrompt* prompt_;
  std::string password_;
};

// The settings file: $XDG_CONFIG_HOME/kinevo/Kinevo.ini (by default
// ~/.config/kinevo/Kinevo.ini); the folder is created when missing.  Empty
// when no folder results.
std::string SettingsFilePath();

// The help: the first existing file among "Help_fr.html", "Help_cz.html",
// "Help_es.html", "Help_en.html", "Help.html" of the help folder, or "".
std::string FindHelpFile(const std::string& helpFolder);
// Opens the help with `open` (the platform's default viewer; answers false
// when it fails).  When no file exists or the viewer fails, the warning of
// the help is shown.  True when the help was opened.
bool ShowHelp(const std::string& helpFolder, const std::function<bool(const std::string&)>& open,
              TUserDlg& dialog);

}  // namespace kinevo
