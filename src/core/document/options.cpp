#include "core/document/options.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "core/common/sha256.h"

namespace kinevo {

namespace {

struct CheckBoxInfo {
  const char* caption;
  TOptionsPage page;
};

// Captions and pages of the check boxes, by name.
CheckBoxInfo InfoOf(std::string_view name) {
  struct Row {
    const char* name;
    const char* caption;
    TOptionsPage page;
  };
  static const Row rows[] = {
      {"CheckBox3ConfirmationQuit", "Demander une confirmation avant de quitter Kinevo", opGeneral},
      {"CheckBox4ConfirmationFileChange",
       "Proposer d'enregistrer le travail avant d'ouvrir un autre fichier ou de fermer la vidéo",
       opGeneral},
      {"CheckBox5ChangeFormulae", "Ajouter ou supprimer vos formules favorites", opFormula},
      {"CheckBox6FreezeMRU", "Ne plus mettre à jour la liste des derniers fichiers ouverts",
       opGeneral},
      {"CheckBox7SmoothAcceleration", "Lisser les valeurs de l'accélération", opResults},
      {"CheckBox8Acceleration", "Montrer l'accélération dans les résultats", opResults},
      {"CheckBox9Speed", "Montrer la vitesse dans les résultats", opResults},
      {"CheckBox10GridShowSpeed", "Montrer les colonnes liées à la vitesse", opGrid},
      {"CheckBox11GridShowAcceleration", "Montrer les colonnes liées à l'accélération", opGrid},
      {"CheckBox12TimeZoomX", "Autoriser le zoom des abscisses", opTime},
      {"CheckBox13TimeZoomY", "Autoriser le zoom des ordonnées", opTime},
      {"CheckBox14TimePolyline", "Dessiner des segments qui relient les points (ligne brisée)",
       opTime},
      {"CheckBox15TimeShowItem", "Proposer cette commande dans la barre d'outils « Résultats »",
       opTime},
      {"CheckBox16TrajectoryNumber", "Numéroter les points", opTrajectory},
      {"CheckBox17TrajectoryPolyline",
       "Dessiner des segments qui relient les points (ligne brisée)", opTrajectory},
      {"CheckBox18TrajectoryShowItem",
       "Proposer cette commande dans la barre d'outils « Résultats »", opTrajectory},
      {"CheckBox19VectorNumber", "Numéroter les points", opVector},
      {"CheckBox20VectorDraw", "Dessiner les vecteurs initiaux", opVector},
      {"CheckBox21VectorPolyline", "Dessiner les segments initiaux", opVector},
      {"CheckBox22VectorShowItem", "Proposer cette commande dans la barre d'outils « Résultats »",
       opVector},
      {"CheckBox23FormulaZoomX", "Autoriser le zoom des abscisses", opFormula},
      {"CheckBox24FormulaZoomY", "Autoriser le zoom des ordonnées", opFormula},
      {"CheckBox25FormulaOriginY", "Imposer la valeur zéro sur l'axe des ordonnées", opFormula},
      {"CheckBox26FormulaPolyline", "Dessiner des segments qui relient les points (ligne brisée)",
       opFormula},
      {"CheckBox27ProfShowItem", "Proposer cette commande dans le calcul de formules", opFormula},
      {"CheckBox28FormulaShowItem", "Proposer cette commande dans la barre d'outils « Résultats »",
       opFormula},
      {"CheckBox29GridShowCoordinates", "Montrer les colonnes liées aux coordonnées", opGrid},
      {"CheckBox30HideEdgeV", "Cacher la vitesse au début et à la fin (une marque)", opResults},
      {"CheckBox31HideEdgeA", "Cacher l'accélération au début et à la fin (deux marques)",
       opResults},
      {"CheckBox32AngleRadian", "Exprimer les angles en radians (en degrés par défaut)", opResults},
      {"CheckBox33VectorOrigin", "Dessiner l'origine du repère", opVector},
      {"CheckBox34FormulaOriginX", "Imposer la valeur zéro sur l'axe des abscisses", opFormula},
      {"CheckBox35VectorTilted", "Présenter la trajectoire comme sur la vidéo", opVector},
      {"CheckBox36StartByZero", "Numéroter les marques à partir de zéro", opGeneral},
      {"CheckBox37GridShowItem", "Proposer cette commande dans la barre d'outils « Résultats »",
       opGrid},
      {"CheckBox38ChangeDefaultObjectsName",
       "Conseiller de renommer les objets qui portent encore leur nom par défaut", opGeneral},
      {"CheckBox40ShowDialogBoxForHideImage",
       "Afficher une boîte de dialogue quand une image est masquée", opTracking},
      {"CheckBox41HorizAndVertScale", "Utiliser deux échelles distinctes, horizontale et verticale",
       opGeneral},
      {"CheckBox42TempsEquation", "Afficher l'équation durant la modification du modèle", opTime},
      {"CheckBox43TempsStatistics", "Afficher les statistiques durant la modification du modèle",
       opTime},
      {"CheckBox44FormulaEquation", "Afficher l'équation durant la modification du modèle",
       opFormula},
      {"CheckBox45FormulaStatistics", "Afficher les statistiques durant la modification du modèle",
       opFormula},
      {"CheckBox46VectorVideoImage", "Dessiner l'image vidéo", opVector},
      {"CheckBox47AllowTracking", "Proposer le suivi automatique", opTracking},
      {"CheckBox48AllowMontage", "Proposer le montage de la vidéo", opTracking},
      {"CheckBox49AllowCapture", "Proposer la capture vidéo", opTracking},
      {"CheckBox50VectorSpline", "Dessiner les courbes initiales", opVector},
      {"CheckBox51DeformationBubble",
       "Afficher une bulle des valeurs de l'objet pendant sa modification", opGeneral},
      {"CheckBox52ShowRadiusSearch", "Dessiner la zone de recherche de la cible", opTracking},
      {"CheckBox53PolarQuantities", "Montrer les grandeurs polaires dans les résultats", opResults},
      {"CheckBox54SmoothSpeed", "Lisser les valeurs de la vitesse", opResults},
      {"CheckBox55ShowVideoToPictures", "Autoriser la conversion de la vidéo en images",
       opTracking},
      {"CheckBox56ShowPicturesToVideo", "Autoriser la conversion d'images en vidéo", opTracking},
      {"CheckBox57GridShowPolarQuantities", "Montrer les colonnes liées aux grandeurs polaires",
       opGrid},
  };
  for (const auto& r : rows)
    if (name == r.name) return {r.caption, r.page};
  return {"", opGeneral};
}

// Hint of a tool button, from the end of its name.
const char* ToolHint(std::string_view name) {
  struct Row {
    const char* suffix;
    const char* hint;
  };
  static const Row rows[] = {
      {"Reticule", "Réticule"},
      {"ModeleConstant", "Modèle constant"},
      {"ModeleAffine", "Modèle affine"},
      {"ModeleProportionnel", "Modèle linéaire"},
      {"ModeleParabole", "Modèle parabolique"},
      {"ModeleSinusAl", "Modèle sinusoïdal amorti"},
      {"ModeleSinus", "Modèle sinusoïdal"},
      {"ModeleExponentiel", "Modèle exponentiel"},
      {"Angle", "Mesurer un angle"},
      {"CurveArc", "Arc de courbe"},
      {"Arc", "Arc de cercle"},
      {"Cercle", "Cercle"},
      {"Dupliquer", "Dupliquer"},
      {"Ellipse", "Ellipse"},
      {"Mesurer", "Mesurer une distance"},
      {"Segment", "Segment"},
      {"Selection", "Sélection"},
      {"Spline", "Courbe"},
      {"Supprimer", "Supprimer"},
      {"Sens", "Sens des vecteurs"},
      {"Vecteur", "Vecteur"},
      {"Video", "Image vidéo"},
  };
  for (const auto& r : rows) {
    const std::string_view s(r.suffix);
    if (name.size() >= s.size() && name.substr(name.size() - s.size()) == s) return r.hint;
  }
  return "";
}

TOptionsPage ToolPage(std::string_view name) {
  if (name.starts_with("ToolButtonFormule")) return opFormula;
  if (name.starts_with("ToolButtonReferentiel")) return opTrajectory;
  if (name.starts_with("ToolButtonTemps")) return opTime;
  return opVector;
}

std::vector<TOptionKey> BuildCheckBoxes() {
  std::vector<TOptionKey> v;
#define KINEVO_OPTION_ROW(name, def)                                                               \
  {                                                                                                \
    const auto info = InfoOf(#name);                                                               \
    v.push_back({#name, std::string(#name) + "_Checked", &TOptionsValues::name, def, info.caption, \
                 info.page});                                                                      \
  }
  KINEVO_OPTION_CHECKBOXES(KINEVO_OPTION_ROW)
#undef KINEVO_OPTION_ROW
  return v;
}

std::vector<TOptionKey> BuildToolButtons() {
  std::vector<TOptionKey> v;
#define KINEVO_OPTION_ROW(name)                                                                    \
  v.push_back({#name, std::string(#name) + "_Down", &TOptionsValues::name, false, ToolHint(#name), \
               ToolPage(#name)});
  KINEVO_OPTION_TOOLBUTTONS(KINEVO_OPTION_ROW)
#undef KINEVO_OPTION_ROW
  return v;
}

constexpr int kHashIterations = 10000;
constexpr const char* kHashPrefix = "sha256$";

bool IsHex(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string RandomSaltHex() {
  std::random_device rd;
  uint8_t salt[16];
  for (size_t i = 0; i < sizeof salt; i += 4) {
    const uint32_t r = rd();
    for (size_t k = 0; k < 4; ++k) salt[i + k] = static_cast<uint8_t>(r >> (8 * k));
  }
  return ToHex(salt, sizeof salt);
}

}  // namespace

const std::vector<TOptionKey>& OptionCheckBoxes() {
  static const std::vector<TOptionKey> keys = BuildCheckBoxes();
  return keys;
}

const std::vector<TOptionKey>& OptionToolButtons() {
  static const std::vector<TOptionKey> keys = BuildToolButtons();
  return keys;
}

const char* OptionsPageCaption(TOptionsPage page) {
  switch (page) {
    case opGeneral:
      return "Général";
    case opResults:
      return "Calculs";
    case opGrid:
      return "Tableau";
    case opTime:
      return "Temps";
    case opTrajectory:
      return "Trajectoire";
    case opVector:
      return "Vecteurs";
    case opFormula:
      return "Formules";
    case opTracking:
      return "Suivi et montage";
  }
  return "";
}

bool OptionsChangeResults(const TOptionsValues& a, const TOptionsValues& b) {
  return a.CheckBox54SmoothSpeed != b.CheckBox54SmoothSpeed ||
         a.CheckBox7SmoothAcceleration != b.CheckBox7SmoothAcceleration ||
         a.CheckBox9Speed != b.CheckBox9Speed ||
         a.CheckBox8Acceleration != b.CheckBox8Acceleration ||
         a.CheckBox30HideEdgeV != b.CheckBox30HideEdgeV ||
         a.CheckBox31HideEdgeA != b.CheckBox31HideEdgeA ||
         a.CheckBox36StartByZero != b.CheckBox36StartByZero ||
         a.CheckBox41HorizAndVertScale != b.CheckBox41HorizAndVertScale;
}

// ---------------------------------------------------------------------------
// Password hashes

std::string HashPassword(const std::string& password, const std::string& saltHex, int iterations) {
  if (iterations < 1) iterations = 1;
  TSha256 s;
  s.Update(saltHex);
  s.Update(password);
  auto d = s.Final();
  for (int i = 1; i < iterations; ++i) {
    s.Reset();
    s.Update(saltHex);
    s.Update(d.data(), d.size());
    d = s.Final();
  }
  return std::string(kHashPrefix) + std::to_string(iterations) + "$" + saltHex + "$" +
         ToHex(d.data(), d.size());
}

std::string HashPassword(const std::string& password) {
  return HashPassword(password, RandomSaltHex(), kHashIterations);
}

namespace {
bool SplitHash(const std::string& stored, int& iterations, std::string& salt, std::string& hash) {
  if (!std::string_view(stored).starts_with(kHashPrefix)) return false;
  const std::string rest = stored.substr(std::strlen(kHashPrefix));
  const auto a = rest.find('$');
  if (a == std::string::npos) return false;
  const auto b = rest.find('$', a + 1);
  if (b == std::string::npos) return false;
  const std::string it = rest.substr(0, a);
  salt = rest.substr(a + 1, b - a - 1);
  hash = rest.substr(b + 1);
  if (it.empty() || it.size() > 7 ||
      !std::all_of(it.begin(), it.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  iterations = std::atoi(it.c_str());
  return iterations >= 1 && salt.size() == 32 && IsHex(salt) && hash.size() == 64 && IsHex(hash);
}
}  // namespace

bool IsPasswordHash(const std::string& stored) {
  int it;
  std::string salt, hash;
  return SplitHash(stored, it, salt, hash);
}

bool PasswordMatches(const std::string& stored, const std::string& typed) {
  int it;
  std::string salt, hash;
  if (!SplitHash(stored, it, salt, hash)) return false;
  const std::string again = HashPassword(typed, salt, it);
  // Compare every byte, whatever the first difference.
  if (again.size() != stored.size()) return false;
  unsigned diff = 0;
  for (size_t i = 0; i < again.size(); ++i) diff |= static_cast<unsigned>(again[i] ^ stored[i]);
  return diff == 0;
}

// ---------------------------------------------------------------------------
// TOptions

TOptions::TOptions(std::string iniPath, TUserDlg* dialog, IPasswordPrompt* prompt)
    : path_(std::move(iniPath)), dialog_(dialog), prompt_(prompt) {
  Load();
}

void TOptions::Load() {
  static_cast<TOptionsValues&>(*this) = TOptionsValues{};
  password_.clear();
  if (path_.empty()) return;
  TIniFile ini(path_);
  EditMRU_Value = ini.ReadInteger(kSection, "EditMRU_Value", EditMRU_Value);
  TrackingRadius_Value = ini.ReadInteger(kSection, "TrackingRadius_Value", TrackingRadius_Value);
  ShapeNumber_Value = ini.ReadInteger(kSection, "ShapeNumber_Value", ShapeNumber_Value);
  PenSize_Value = ini.ReadInteger(kSection, "PenSize_Value", PenSize_Value);
  PenSize4Graph_Value = ini.ReadInteger(kSection, "PenSize4Graph_Value", PenSize4Graph_Value);
  const std::string stored = ini.ReadString(kSection, "Password", "");
  // A clear-text password of an older version is taken once and kept as a
  // hash from now on (written at the next save).
  password_ = stored.empty() || IsPasswordHash(stored) ? stored : HashPassword(stored);
  for (const auto& k : OptionCheckBoxes()) this->*k.member = ini.ReadBool(kSection, k.key, k.def);
  for (const auto& k : OptionToolButtons()) this->*k.member = ini.ReadBool(kSection, k.key, k.def);
  // Written after the older keys so that the section keeps its layout; a
  // value out of range (by hand) keeps the default.
  const int32_t uncertainty = ini.ReadInteger(kSection, "TrackingUncertainty_Value", -1);
  if (uncertainty >= kMinTrackingUncertainty && uncertainty <= kMaxTrackingUncertainty)
    TrackingUncertainty_Value = uncertainty;
}

TStatus TOptions::Save() {
  if (path_.empty())
    return Fail(kOptionsSaveFailure, "aucun dossier de réglages (ni XDG_CONFIG_HOME, ni HOME)");
  TIniFile ini(path_);
  ini.WriteInteger(kSection, "EditMRU_Value", EditMRU_Value);
  ini.WriteInteger(kSection, "TrackingRadius_Value", TrackingRadius_Value);
  ini.WriteInteger(kSection, "ShapeNumber_Value", ShapeNumber_Value);
  ini.WriteInteger(kSection, "PenSize_Value", PenSize_Value);
  ini.WriteInteger(kSection, "PenSize4Graph_Value", PenSize4Graph_Value);
  ini.WriteString(kSection, "Password", password_);
  for (const auto& k : OptionCheckBoxes()) ini.WriteBool(kSection, k.key, this->*k.member);
  for (const auto& k : OptionToolButtons()) ini.WriteBool(kSection, k.key, this->*k.member);
  ini.WriteInteger(kSection, "TrackingUncertainty_Value", TrackingUncertainty_Value);
  if (const TStatus written = ini.UpdateFile(); !written)
    return written.error().Within(kOptionsSaveFailure);
  return {};
}

int32_t TOptions::MRUCapacity() const { return std::max(1, std::min(20, EditMRU_Value)); }

bool TOptions::CheckPassword() {
  if (!Locked()) return true;
  std::string typed;
  if (!prompt_ || !prompt_->AskPassword(typed)) return false;
  if (PasswordMatches(password_, typed)) return true;
  if (dialog_) dialog_->Show(icWarning, {{"Ok", btOk}}, {"Mot de passe incorrect."});
  return false;
}

bool TOptions::AskNewPassword() {
  std::string typed;
  if (!prompt_ || !prompt_->AskPassword(typed) || typed.empty()) return false;
  SetPassword(typed);
  return true;
}

void TOptions::SetPassword(const std::string& clear) {
  password_ = clear.empty() ? std::string() : HashPassword(clear);
}

void TOptions::Assign(const TOptionsValues& values) {
  const bool invalidate = OptionsChangeResults(*this, values);
  static_cast<TOptionsValues&>(*this) = values;
  if (invalidate) OnResultsInvalidated(this);
}

// ---------------------------------------------------------------------------
// Settings file and help

std::string SettingsFilePath() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    base = std::string(home) + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string folder = base + "/kinevo";
  if (!MakeFolders(folder)) return {};
  return folder + "/Kinevo.ini";
}

std::string FindHelpFile(const std::string& helpFolder) {
  static const char* names[] = {"Help_fr.html", "Help_cz.html", "Help_es.html", "Help_en.html",
                                "Help.html"};
  if (helpFolder.empty()) return {};
  std::string folder = helpFolder;
  if (folder.back() != '/') folder += '/';
  for (const char* n : names) {
    struct stat st {};
    const std::string path = folder + n;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return {};
}

bool ShowHelp(const std::string& helpFolder, const std::function<bool(const std::string&)>& open,
              TUserDlg& dialog) {
  const std::string file = FindHelpFile(helpFolder);
  if (!file.empty() && open && open(file)) return true;
  dialog.Show(icWarning, {{"Ok", btOk}},
              {"Impossible de lancer l'aide.", "",
               "Vérifier la présence du répertoire « Help » à côté du fichier « Kinevo.exe »."});
  return false;
}

}  // namespace kinevo
